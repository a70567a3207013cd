// screenshot <directory> <seconds> <out.png> <program> [arguments...]
// Starts the program in the directory on the X server of $DISPLAY (run it under xvfb-run),
// saves its window as a PNG the given seconds after the window appeared, then closes it.
#include "tools/screenshot/program_shot.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>

namespace {

bool write_png(const char *path, const program_shot::shot &s)
{
    FILE *f = std::fopen(path, "wb");
    if (!f)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, (png_uint_32)s.width, (png_uint_32)s.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row((size_t)s.width * 3);
    for (int y = 0; y < s.height; ++y) {
        for (int x = 0; x < s.width; ++x) {
            const uint32_t c = s.at(x, y);
            row[(size_t)x * 3] = (png_byte)(c >> 16);
            row[(size_t)x * 3 + 1] = (png_byte)(c >> 8);
            row[(size_t)x * 3 + 2] = (png_byte)c;
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s <directory> <seconds> <out.png> <program> [arguments...]\n", argv[0]);
        return 2;
    }
    std::vector<std::string> args(argv + 5, argv + argc);
    const program_shot::shot s = program_shot::take(argv[4], args, argv[1], std::atof(argv[2]));
    if (!s.ok) {
        std::fprintf(stderr, "screenshot: %s\n", s.error.c_str());
        return 1;
    }
    if (!write_png(argv[3], s)) {
        std::fprintf(stderr, "screenshot: could not write %s\n", argv[3]);
        return 1;
    }
    std::printf("%s: %d x %d, the program ended with %d\n", argv[3], s.width, s.height, s.exit_status);
    return 0;
}

// make_font_strip FONT_FILE PIXEL_SIZE OUTPUT.bmp
// Renders the cp1251 codes 32..255 of a TrueType font into a font strip BMP for the engine.
#include "tools/imagegen/imagegen.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s FONT_FILE PIXEL_SIZE OUTPUT.bmp\n", argv[0]);
        return 2;
    }
    try {
        imagegen::font_strip_options options;
        options.font_file = argv[1];
        options.pixel_size = std::atoi(argv[2]);
        if (options.pixel_size < 4 || options.pixel_size > 256) {
            std::fprintf(stderr, "%s: pixel size must be 4 to 256\n", argv[0]);
            return 2;
        }
        imagegen::write_file(argv[3], imagegen::make_bmp(imagegen::render_font_strip(options)));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    return 0;
}

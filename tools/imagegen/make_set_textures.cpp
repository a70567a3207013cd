// make_set_textures <font.ttf> <data dir>: writes the studio set's textures
// (tools/imagegen/set_textures.h) as <data dir>/<name>.bmp.
#include "tools/imagegen/set_textures.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_set_textures <font.ttf> <data dir>\n");
        return 2;
    }
    try {
        for (const imagegen::ui_texture &t : imagegen::make_set_textures(argv[1])) {
            const std::filesystem::path file = std::filesystem::path(argv[2]) / (std::string(t.name) + ".bmp");
            std::filesystem::create_directories(file.parent_path());
            imagegen::write_file(file.string(), imagegen::make_bmp(t.pic));
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "make_set_textures: %s\n", e.what());
        return 1;
    }
    return 0;
}

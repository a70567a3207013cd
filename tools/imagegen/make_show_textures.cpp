// make_show_textures <font.ttf> <dir>: writes the splash picture, the credits' pictures and the
// rounds' loading pictures as <dir>/<name>.tga.
#include "tools/imagegen/show_textures.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_show_textures <font.ttf> <dir>\n");
        return 2;
    }
    try {
        for (const imagegen::ui_texture &t : imagegen::make_show_textures(argv[1])) {
            std::filesystem::create_directories(std::filesystem::path(std::string(argv[2]) + "/" + t.name).parent_path());
            imagegen::write_file(std::string(argv[2]) + "/" + t.name + ".tga", imagegen::make_tga(t.pic, t.depth));
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "make_show_textures: %s\n", e.what());
        return 1;
    }
    return 0;
}

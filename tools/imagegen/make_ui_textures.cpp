// make_ui_textures <dir>: writes the user interface's textures as <dir>/<name>.tga.
#include "tools/imagegen/ui_textures.h"

#include <cstdio>
#include <stdexcept>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_ui_textures <dir>\n");
        return 2;
    }
    try {
        for (const imagegen::ui_texture &t : imagegen::make_ui_textures())
            // The portraits on disk are the contestants' own, rendered by make_contestants.
            if (std::string(t.name) != "vote_portraits")
                imagegen::write_file(std::string(argv[1]) + "/" + t.name + ".tga", imagegen::make_tga(t.pic, t.depth));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "make_ui_textures: %s\n", e.what());
        return 1;
    }
    return 0;
}

// make_contestants <data dir>: writes the 24 contestants under <data dir>:
//   models/player/contestant<n>.sgm  the figure of portrait n, skinned to player.skl
//   models/player/contestant<n>.bmp  its texture
//   textures/vote_portraits.tga      their portraits, the sheet the seat cards and the vote
//                                    screen cut
#include "tools/imagegen/figure_textures.h"
#include "tools/imagegen/ui_textures.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_contestants <data dir>\n");
        return 2;
    }
    const std::string dir = argv[1];
    try {
        std::filesystem::create_directories(dir + "/models/player");
        std::vector<imagegen::picture> portraits;
        for (int n = 0; n < modelgen::CONTESTANTS; ++n) {
            const modelgen::contestant &c = modelgen::contestant_of(n);
            const modelgen::figure_mesh figure = modelgen::build_figure(c);
            const imagegen::picture texture = imagegen::paint_figure(c);
            const std::string name = dir + "/models/player/contestant" + std::to_string(n);
            if (!modelgen::write_file(name + ".sgm", modelgen::skinned_file(figure.mesh)))
                throw std::runtime_error("cannot write " + name + ".sgm");
            imagegen::write_file(name + ".bmp", imagegen::make_bmp(texture));
            portraits.push_back(imagegen::render_portrait(figure, texture, imagegen::VOTE_PORTRAIT_SIZE));
        }
        std::filesystem::create_directories(dir + "/textures");
        imagegen::write_file(dir + "/textures/vote_portraits.tga",
                             imagegen::make_tga(imagegen::portrait_sheet(portraits), 24));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "make_contestants: %s\n", e.what());
        return 1;
    }
    return 0;
}

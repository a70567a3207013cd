// make_sky_textures <data dir>: writes the demo sky and sprite under <data dir>:
//   sky/demo/<face>.bmp   the six faces of the demo sky (front, right, back, left, top, bottom)
//   sky/space/<face>.bmp  the six faces of the starry sky behind the main menu
//   sprites/spark.tga     a round soft spark for particle systems
#include "tools/imagegen/sky_textures.h"

#include <cstdio>
#include <exception>
#include <filesystem>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sky_textures <data dir>\n");
        return 2;
    }
    try {
        const std::filesystem::path dir(argv[1]);
        const struct {
            const char *name;
            imagegen::sky_kind kind;
            int size;
        } skies[] = {{"demo", imagegen::sky_kind::day, 128}, {"space", imagegen::sky_kind::space, 256}};
        for (const auto &sky : skies) {
            std::filesystem::create_directories(dir / "sky" / sky.name);
            for (int k = 0; k < imagegen::SKY_FACE_COUNT; ++k)
                imagegen::write_file(
                    (dir / "sky" / sky.name / (std::string(imagegen::sky_face_names[k]) + ".bmp")).string(),
                    imagegen::make_bmp(imagegen::render_sky_face(k, sky.size, sky.kind)));
        }
        std::filesystem::create_directories(dir / "sprites");
        imagegen::write_file((dir / "sprites" / "spark.tga").string(), imagegen::make_tga(imagegen::render_spark(32), 32));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "make_sky_textures: %s\n", e.what());
        return 1;
    }
    return 0;
}

// make_set_models <output directory>: writes the studio set's meshes (tools/modelgen/set_models.h)
// into the demo data's models/ directory and prints each piece's triangle count.
#include "tools/modelgen/set_models.h"

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_set_models <output directory>\n");
        return 2;
    }
    for (const modelgen::set_piece &piece : modelgen::studio_set_pieces()) {
        const std::string path = std::string(argv[1]) + "/" + piece.path;
        if (!modelgen::write_file(path, modelgen::static_file(piece.mesh))) {
            std::fprintf(stderr, "make_set_models: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s: %zu triangles\n", piece.path.c_str(), modelgen::triangle_count(piece.mesh));
    }
    return 0;
}

// make_studio_seats <data dir>: writes <data dir>/locations/studio/seat<i>.isc for the eight
// seats of the game's studios.
#include "tools/locationgen/studio_seats.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_studio_seats <data dir>\n");
        return 2;
    }
    const std::filesystem::path dir = std::filesystem::path(argv[1]) / "locations" / "studio";
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    for (int i = 0; i < locationgen::STUDIO_SEATS; ++i) {
        const std::filesystem::path file = dir / ("seat" + std::to_string(i) + ".isc");
        std::ofstream out(file, std::ios::binary);
        out << locationgen::studio_seat_script(i);
        if (!out.flush()) {
            std::fprintf(stderr, "make_studio_seats: cannot write %s\n", file.string().c_str());
            return 1;
        }
    }
    return 0;
}

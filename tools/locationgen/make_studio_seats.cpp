// make_studio_seats <data dir>: writes <data dir>/locations/studio/seat<i>.isc for the eight
// seats of the rounds' studios and final_seat<i>.isc for the final's (its two finalists on seats
// 0 and 1, those who left on the others).
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
    for (int i = 0; i < 2 * locationgen::STUDIO_SEATS; ++i) {
        const int seat = i % locationgen::STUDIO_SEATS;
        const bool final_seat = i >= locationgen::STUDIO_SEATS;
        const std::filesystem::path file = dir / ((final_seat ? "final_seat" : "seat") + std::to_string(seat) + ".isc");
        std::ofstream out(file, std::ios::binary);
        out << locationgen::studio_seat_script(seat, !final_seat ? locationgen::seat_kind::round
                                                     : seat < 2  ? locationgen::seat_kind::finalist
                                                                 : locationgen::seat_kind::out_of_game);
        if (!out.flush()) {
            std::fprintf(stderr, "make_studio_seats: cannot write %s\n", file.string().c_str());
            return 1;
        }
    }
    return 0;
}

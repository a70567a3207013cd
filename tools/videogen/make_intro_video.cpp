// make_intro_video <out.m1v>: writes the demo's intro video (three seconds, 256 x 256).
#include "tools/imagegen/imagegen.h"
#include "tools/videogen/videogen.h"

#include <cstdio>
#include <stdexcept>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_intro_video <out.m1v>\n");
        return 2;
    }
    try {
        imagegen::write_file(argv[1], videogen::make_m1v(videogen::intro_pictures(3)));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "make_intro_video: %s\n", e.what());
        return 1;
    }
    return 0;
}

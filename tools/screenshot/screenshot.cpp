// screenshot <directory> <seconds> <out.png> <program> [arguments...]
// Starts the program in the directory on the X server of $DISPLAY (run it under xvfb-run),
// saves its window as a PNG the given seconds after the window appeared, then closes it.
#include "tools/driver/program_driver.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s <directory> <seconds> <out.png> <program> [arguments...]\n", argv[0]);
        return 2;
    }
    std::vector<std::string> args(argv + 5, argv + argc);
    const program_shot::shot s = program_shot::take(argv[4], args, argv[1], std::atof(argv[2]));
    if (!s.ok) {
        std::fprintf(stderr, "screenshot: %s\n", s.error.c_str());
        return 1;
    }
    if (!program_driver::save_png(argv[3], s)) {
        std::fprintf(stderr, "screenshot: could not write %s\n", argv[3]);
        return 1;
    }
    std::printf("%s: %d x %d, the program ended with %d\n", argv[3], s.width, s.height, s.exit_status);
    return 0;
}

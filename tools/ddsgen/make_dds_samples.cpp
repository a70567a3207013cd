// make_dds_samples DIR: writes a DDS file of every format the engine reads, and a few broken
// ones, into DIR.
#include "tools/ddsgen/ddsgen.h"
#include "tools/imagegen/imagegen.h"

#include <cstdio>
#include <exception>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_dds_samples DIR\n");
        return 2;
    }
    try {
        for (const auto &[name, bytes] : ddsgen::sample_files())
            imagegen::write_file(std::string(argv[1]) + "/" + name, bytes);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "make_dds_samples: %s\n", e.what());
        return 1;
    }
    return 0;
}

// vaultpack <directory> <pack file>: packs every file below <directory> into <pack file>, named
// by its path relative to <directory> ("data\scripts\init.isc"). Files whose extension is
// "vfs" are left out. Exit code 0 when the pack was written, 1 when not, 2 on bad usage.
#include "vaultis/Vaultis.h"

#include <cstdio>
#include <filesystem>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: vaultpack <directory> <pack file>\n");
        return 2;
    }
    std::error_code ec;
    const std::filesystem::path pack = std::filesystem::absolute(argv[2], ec);
    if (ec) {
        std::fprintf(stderr, "vaultpack: bad pack file name \"%s\"\n", argv[2]);
        return 1;
    }
    std::filesystem::current_path(argv[1], ec);
    if (ec) {
        std::fprintf(stderr, "vaultpack: cannot enter \"%s\"\n", argv[1]);
        return 1;
    }
    return VT::create_pack(pack.string().c_str()) ? 0 : 1;
}

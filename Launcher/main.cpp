// The Launcher program: started in the game's directory, it keeps "launcher.cfg" and
// "autoexec.cfg" there and starts the game.
#include "Launcher/launcher.h"
#include "kernel/exception.h"
#include "platform/sys/module.h"

#include <cstdio>

int main()
{
    try {
        return launcher_main(GetModuleHandle(nullptr));
    } catch (const exception_c &e) {
        std::fprintf(stderr, "%s\n", e.format().c_str());
        return 1;
    }
}

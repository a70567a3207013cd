// The program Vizuzuze: fills the creator table and runs the engine with the command line.
#include "kernel/entry.h"
#include "kernel/root.h"
#include "net/net_manager.h"
#include "platform/d3d/d3d8.h"
#include "services/creators.h"
#include "ui/creators.h"

#include <string>

int main(int argc, char **argv)
{
    kernel_register_creators();
    services_register_creators();
    ui_register_creators();
    net_register_creators();
    // The program draws through OpenGL; tests keep the recording device.
    d3d_select_backend("gl");
    std::string command_line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            command_line += ' ';
        command_line += argv[i];
    }
    return engine_main(command_line.c_str());
}

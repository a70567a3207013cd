// The program Vizuzuze: fills the creator table and runs the engine with the command line.
#include "Vizuzuze/program.h"
#include "kernel/entry.h"

#include <string>

int main(int argc, char **argv)
{
    vizuzuze_prepare();
    std::string command_line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            command_line += ' ';
        command_line += argv[i];
    }
    return engine_main(command_line.c_str());
}

// make_cfg_seeds <dir>: the seeds of the cfg harness: files written by cvar_save from several
// settings, and hand-written statements of every kind (queries, commands, comments, errors).
// Apart from make_seeds because it links libVaultis.so, which make_seeds must not.
#include "fuzz/cfg_stand.h"

#include "Launcher/cvars2.h"

#include <filesystem>
#include <fstream>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    int n = 0;
    auto save = [&] { cvar_save((dir / ("saved_" + std::to_string(n++) + ".cfg")).c_str()); };
    cfg_stand::reset();
    save();
    cvar_c::find("video_width")->set_int(-1024);
    cvar_c::find("executable_name")->set_string("path\\to \"the\" game\r\n.exe");
    cvar_c::find("gamma")->set_float(2.2e-5f);
    cvar_c::find("camera_offset")->set_vector(1e6f, -0.5f, 3.0f);
    save();
    const char *const texts[] = {
        "video_width;\nexecutable_name;\ncamera_offset;\ngamma;\n",
        "PLACE 1 2.5 [1 2 3] \"x\";\nplace 0x10 -1e3 [0.5c 90g 1] \"\\\"q\\\"\";\n",
        "/* block */ video_height 0768; // octal\nvideo_width 1024",
        "executable_name \"a\" nothing 1;",
        "unknown_name 1;",
        "session_name \"lan\"; notes 1;",
        "video_width 1 /* open comment",
    };
    for (const char *text : texts) {
        std::ofstream out(dir / ("written_" + std::to_string(n++) + ".cfg"), std::ios::binary);
        out << text;
    }
    return 0;
}

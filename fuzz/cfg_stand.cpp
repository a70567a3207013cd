#include "fuzz/cfg_stand.h"

#include "Launcher/vaultfile_obj.h"

namespace {

class command_c : public cvar_command_c
{
public:
    command_c() : cvar_command_c("place", {CVAR_INT, CVAR_FLOAT, CVAR_VECTOR, CVAR_STRING}) {}
    void execute() override { ++m_runs; }
    int m_runs = 0;
};

class save_proc_c : public cvar_save_proc_c
{
public:
    save_proc_c() : cvar_save_proc_c("notes") {}
    void write_value(launcher::vaultfile_c &file) override { file.printf("// notes\r\nvideo_width;\r\n"); }
};

cvar_c video_width("video_width", 800);
cvar_c video_height("video_height", 600);
cvar_c executable_name("executable_name", "Vizuzuze.exe");
cvar_c gamma_level("gamma", 1.0f);
cvar_c camera_offset("camera_offset", 0.0f, 1.5f, -2.0f);
cvar_c session_name("*session_name", "local");
command_c place;
save_proc_c notes;

} // namespace

namespace cfg_stand {

void reset_floats()
{
    gamma_level.set_float(1.0f);
    camera_offset.set_vector(0.0f, 1.5f, -2.0f);
}

void reset()
{
    video_width.set_int(800);
    video_height.set_int(600);
    executable_name.set_string("Vizuzuze.exe");
    session_name.set_string("local");
    reset_floats();
}

std::string kept_values()
{
    return std::to_string(video_width.get_int()) + " " + std::to_string(video_height.get_int()) + " " +
           executable_name.get_string();
}

} // namespace cfg_stand

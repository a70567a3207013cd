// The launcher: it runs "launcher.cfg", shows its dialog (screen resolution and the two colour
// options), writes the choices to "launcher.cfg" and "autoexec.cfg" and starts the main
// program named by executable_name through the shell. Its settings are the configuration
// variables video_width, video_height, executable_name, video_32_bit_render and
// video_32_bit_textures (Launcher/cvars2.h finds them by name). Every file is a plain disk
// file relative to the current directory.
#pragma once

#include "platform/dialog/dialog.h"

#include <string>

enum
{
    LAUNCHER_PLAY = 1,
    LAUNCHER_EXIT = 2,
    LAUNCHER_RESOLUTIONS = 1000,
    LAUNCHER_32_BIT_COLOR = 1001,
    LAUNCHER_32_BIT_TEXTURES = 1002
};

struct launcher_resolution
{
    int width, height;
};
// The resolutions offered, ended by a pair of zeros.
extern const launcher_resolution launcher_resolutions[];

const dialog_template &launcher_dialog();
INT_PTR launcher_dialog_proc(HDLG dialog, UINT message, WPARAM wparam, LPARAM lparam);
// The message box text (cp1251) for a failed start with the shell's result code.
std::string launcher_start_error_text(unsigned code);
// The whole program: configuration, dialog, saving and start; the exit code.
int launcher_main(HINSTANCE instance);

#include "Launcher/launcher.h"

#include "Launcher/cvars2.h"
#include "kernel/exception.h"
#include "platform/sys/shell.h"

#include <cstdio>

namespace {

cvar_c video_width("video_width", 800);
cvar_c video_height("video_height", 600);
cvar_c executable_name("executable_name", "Vizuzuze.exe");
cvar_c video_32_bit_render("video_32_bit_render", 1);
cvar_c video_32_bit_textures("video_32_bit_textures", 1);

// "Oshibka" (error)
const char *const error_caption = "\xce\xf8\xe8\xe1\xea\xe0";

const dialog_item dialog_items[] = {
    // "Igrat'" (play)
    {DLG_DEFPUSHBUTTON, LAUNCHER_PLAY, "\xc8\xe3\xf0\xe0\xf2\xfc", 160, 158, 100, 20, 0},
    // "Vykhod" (exit)
    {DLG_PUSHBUTTON, LAUNCHER_EXIT, "\xc2\xfb\xf5\xee\xe4", 160, 188, 100, 20, 0},
    {DLG_PICTURE, -1, nullptr, 5, 5, 145, 204, 106},
    {DLG_DROPDOWN_LIST, LAUNCHER_RESOLUTIONS, nullptr, 160, 35, 100, 106, 0},
    // "Choose the screen resolution"
    {DLG_TEXT, -1,
     "\xc2\xfb\xe1\xe5\xf0\xe8\xf2\xe5\x20\xf0\xe0\xe7\xf0\xe5\xf8\xe5\xed\xe8\xe5\x20\xfd\xea\xf0\xe0\xed\xe0", 160,
     5, 100, 20, 0},
    {DLG_CHECKBOX_LEFT, LAUNCHER_32_BIT_COLOR, "32-bit color", 160, 60, 100, 10, 0},
    {DLG_CHECKBOX_LEFT, LAUNCHER_32_BIT_TEXTURES, "32-bit textures", 160, 80, 100, 10, 0},
};

const dialog_template dialog_101 = {"Brelvik", 267, 215, dialog_items, int(sizeof dialog_items / sizeof dialog_items[0])};

struct start_error
{
    unsigned code;
    const char *name;
    const char *text;
};

// Looked up from the first row on: 2 and 3 find their ERROR_ rows before the SE_ERR_ ones.
const start_error start_errors[] = {
    {0, "-", "The operating system is out of memory or resources"},
    {2, "ERROR_FILE_NOT_FOUND", "The specified file was not found"},
    {3, "ERROR_PATH_NOT_FOUND", "The specified path was not found"},
    {11, "ERROR_BAD_FORMAT", "The .EXE file is invalid (non-Win32 .EXE or error in .EXE image)"},
    {5, "SE_ERR_ACCESSDENIED", "The operating system denied access to the specified file"},
    {27, "SE_ERR_ASSOCINCOMPLETE", "The filename association is incomplete or invalid"},
    {30, "SE_ERR_DDEBUSY",
     "The DDE transaction could not be completed because other DDE transactions were being processed"},
    {29, "SE_ERR_DDEFAIL", "The DDE transaction failed"},
    {28, "SE_ERR_DDETIMEOUT", "The DDE transaction could not be completed because the request timed out"},
    {32, "SE_ERR_DLLNOTFOUND", "The specified dynamic-link library was not found"},
    {2, "SE_ERR_FNF", "The specified file was not found"},
    {31, "SE_ERR_NOASSOC", "There is no application associated with the given filename extension"},
    {8, "SE_ERR_OOM", "There was not enough memory to complete the operation"},
    {3, "SE_ERR_PNF", "The specified path was not found"},
    {26, "SE_ERR_SHARE", "A sharing violation occurred"},
};

void init_dialog(HDLG dialog)
{
    HICON icon = LoadDialogIcon(nullptr, 102);
    SendMessage(dialog, WM_SETICON, ICON_BIG, (LPARAM)icon);
    SendMessage(dialog, WM_SETICON, ICON_SMALL, (LPARAM)icon);
    SendDlgItemMessage(dialog, LAUNCHER_RESOLUTIONS, CB_RESETCONTENT, 0, 0);
    int selected = 0;
    for (int i = 0; launcher_resolutions[i].width && launcher_resolutions[i].height; ++i) {
        char row[32];
        std::snprintf(row, sizeof row, "%ix%i", launcher_resolutions[i].width, launcher_resolutions[i].height);
        SendDlgItemMessage(dialog, LAUNCHER_RESOLUTIONS, CB_ADDSTRING, 0, (LPARAM)row);
        if (launcher_resolutions[i].width == video_width.get_int() &&
            launcher_resolutions[i].height == video_height.get_int())
            selected = i;
    }
    SendDlgItemMessage(dialog, LAUNCHER_RESOLUTIONS, CB_SETCURSEL, (WPARAM)selected, 0);
    CheckDlgButton(dialog, LAUNCHER_32_BIT_COLOR, video_32_bit_render.get_int() ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, LAUNCHER_32_BIT_TEXTURES, video_32_bit_textures.get_int() ? BST_CHECKED : BST_UNCHECKED);
}

void accept_dialog(HDLG dialog)
{
    video_32_bit_render.set_int(IsDlgButtonChecked(dialog, LAUNCHER_32_BIT_COLOR) == BST_CHECKED ? 1 : 0);
    video_32_bit_textures.set_int(IsDlgButtonChecked(dialog, LAUNCHER_32_BIT_TEXTURES) == BST_CHECKED ? 1 : 0);
    const LRESULT row = SendDlgItemMessage(dialog, LAUNCHER_RESOLUTIONS, CB_GETCURSEL, 0, 0);
    if (row != CB_ERR) {
        video_width.set_int(launcher_resolutions[row].width);
        video_height.set_int(launcher_resolutions[row].height);
    }
    EndDialog(dialog, 1);
}

} // namespace

const launcher_resolution launcher_resolutions[] = {{800, 600}, {1024, 768}, {0, 0}};

const dialog_template &launcher_dialog()
{
    return dialog_101;
}

INT_PTR launcher_dialog_proc(HDLG dialog, UINT message, WPARAM wparam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        init_dialog(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wparam) == LAUNCHER_PLAY) {
            accept_dialog(dialog);
            return TRUE;
        }
        if (LOWORD(wparam) == LAUNCHER_EXIT) {
            EndDialog(dialog, 2);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

std::string launcher_start_error_text(unsigned code)
{
    // "Error starting the application: "
    const std::string prefix =
        "\xce\xf8\xe8\xe1\xea\xe0\x20\xe7\xe0\xef\xf3\xf1\xea\xe0\x20\xef\xf0\xe8\xeb\xee\xe6\xe5\xed\xe8\xff\x3a\x20";
    for (const start_error &e : start_errors)
        if (e.code == code)
            return prefix + e.name + " (\"" + e.text + "\")";
    // "Unknown error"
    return prefix + std::to_string(code) + " (\"\xcd\xe5\xe8\xe7\xe2\xe5\xf1\xf2\xed\xe0\xff\x20\xee\xf8\xe8\xe1\xea\xe0\")";
}

int launcher_main(HINSTANCE instance)
{
    cvar_exec("launcher.cfg");
    if (DialogBoxIndirectParam(instance, &dialog_101, nullptr, launcher_dialog_proc, 0) != 1)
        return 0;
    try {
        cvar_save("launcher.cfg");
        cvar_save("autoexec.cfg");
    } catch (const exception_c &e) {
        // Without its settings on disk the game would not start as chosen: say so, start nothing.
        MessageBox(nullptr, e.get_message().c_str(), error_caption, MB_ICONERROR | MB_OK);
        return 1;
    }
    const uintptr_t result = (uintptr_t)ShellExecuteA(nullptr, "open", executable_name.get_string(), nullptr, nullptr,
                                                     SW_SHOWNORMAL);
    if (result <= 32)
        MessageBox(nullptr, launcher_start_error_text((unsigned)result).c_str(), error_caption, MB_ICONERROR | MB_OK);
    return 0;
}

// Inside the dialog layer: the state of a running dialog, shared by the backends, and the
// backend table.
#pragma once

#include "platform/dialog/dialog.h"

#include <string>
#include <vector>

struct dialog_control_s
{
    dialog_item item;
    std::vector<std::string> rows;
    int selection = -1;
    UINT check = BST_UNCHECKED;
};

struct platform_dialog_s
{
    const dialog_template *tpl = nullptr;
    DLGPROC procedure = nullptr;
    LPARAM init_param = 0;
    std::vector<dialog_control_s> controls;
    HICON icons[2] = {};
    bool ended = false;
    INT_PTR result = 0;

    dialog_control_s *control(int id);
    // Sends WM_INITDIALOG.
    void init();
    // The user's actions; each sends what the contract says.
    void click(int id);
    void select(int id, int row);
    void close();
    void enter();
};

struct dialog_backend_s
{
    virtual ~dialog_backend_s() = default;
    // Shows the dialog, calls d.init(), feeds the user's actions until d.ended; false when it
    // could not be shown or the actions ran out first.
    virtual bool run(platform_dialog_s &d) = 0;
    virtual void message_box(const char *text, const char *caption, UINT type) = 0;
};

dialog_backend_s &dialog_fake_backend();
dialog_backend_s &dialog_sdl_backend();
// The launcher's program icon, 32 x 32 ARGB pixels, rows top-down.
const uint32_t *dialog_icon_pixels();
constexpr int DIALOG_ICON_SIZE = 32;

#include "platform/dialog/dialog_core.h"
#include "platform/dialog/dialog_fake.h"

#include <cstring>

namespace {

dialog_backend_s *g_backend;

dialog_backend_s &backend()
{
    return g_backend ? *g_backend : dialog_sdl_backend();
}

INT_PTR send(platform_dialog_s &d, UINT message, WPARAM wparam, LPARAM lparam)
{
    return d.procedure(&d, message, wparam, lparam);
}

// The one icon the program has.
char g_program_icon;
constexpr int program_icon_resource = 102;

} // namespace

bool dialog_select_backend(const char *name)
{
    if (std::strcmp(name, "sdl") == 0)
        g_backend = &dialog_sdl_backend();
    else if (std::strcmp(name, "fake") == 0)
        g_backend = &dialog_fake_backend();
    else
        return false;
    return true;
}

dialog_control_s *platform_dialog_s::control(int id)
{
    for (auto &c : controls)
        if (c.item.id == id && id != -1)
            return &c;
    return nullptr;
}

void platform_dialog_s::init()
{
    send(*this, WM_INITDIALOG, 0, init_param);
}

void platform_dialog_s::click(int id)
{
    dialog_control_s *c = control(id);
    if (!c || ended)
        return;
    if (c->item.kind == DLG_CHECKBOX_LEFT)
        c->check = c->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
    if (c->item.kind == DLG_CHECKBOX_LEFT || c->item.kind == DLG_PUSHBUTTON || c->item.kind == DLG_DEFPUSHBUTTON)
        send(*this, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

void platform_dialog_s::select(int id, int row)
{
    dialog_control_s *c = control(id);
    if (!c || ended || c->item.kind != DLG_DROPDOWN_LIST || row < 0 || row >= (int)c->rows.size())
        return;
    c->selection = row;
    send(*this, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), 0);
}

void platform_dialog_s::close()
{
    if (!ended)
        send(*this, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

void platform_dialog_s::enter()
{
    int id = IDOK;
    for (const auto &c : controls)
        if (c.item.kind == DLG_DEFPUSHBUTTON)
            id = c.item.id;
    if (!ended)
        send(*this, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

INT_PTR DialogBoxIndirectParam(HINSTANCE, const dialog_template *dialog, HWND, DLGPROC procedure, LPARAM init_param)
{
    if (!dialog || !procedure)
        return -1;
    platform_dialog_s d;
    d.tpl = dialog;
    d.procedure = procedure;
    d.init_param = init_param;
    for (int i = 0; i < dialog->item_count; ++i)
        d.controls.push_back({dialog->items[i], {}, -1, BST_UNCHECKED});
    if (!backend().run(d) || !d.ended)
        return -1;
    return d.result;
}

BOOL EndDialog(HDLG dialog, INT_PTR result)
{
    if (!dialog)
        return FALSE;
    dialog->ended = true;
    dialog->result = result;
    return TRUE;
}

LRESULT SendDlgItemMessage(HDLG dialog, int id, UINT message, WPARAM wparam, LPARAM lparam)
{
    dialog_control_s *c = dialog ? dialog->control(id) : nullptr;
    if (!c || c->item.kind != DLG_DROPDOWN_LIST)
        return CB_ERR;
    switch (message) {
    case CB_RESETCONTENT:
        c->rows.clear();
        c->selection = -1;
        return 0;
    case CB_ADDSTRING:
        c->rows.emplace_back(lparam ? (const char *)lparam : "");
        return (LRESULT)c->rows.size() - 1;
    case CB_SETCURSEL:
        if ((intptr_t)wparam < 0 || wparam >= c->rows.size()) {
            c->selection = -1;
            return CB_ERR;
        }
        c->selection = (int)wparam;
        return (LRESULT)wparam;
    case CB_GETCURSEL:
        return c->selection;
    case CB_GETCOUNT:
        return (LRESULT)c->rows.size();
    default:
        return CB_ERR;
    }
}

LRESULT SendMessage(HDLG dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (!dialog || message != WM_SETICON || wparam > ICON_BIG)
        return 0;
    HICON previous = dialog->icons[wparam];
    dialog->icons[wparam] = (HICON)lparam;
    return (LRESULT)previous;
}

BOOL CheckDlgButton(HDLG dialog, int id, UINT check)
{
    dialog_control_s *c = dialog ? dialog->control(id) : nullptr;
    if (!c || c->item.kind != DLG_CHECKBOX_LEFT)
        return FALSE;
    c->check = check == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED;
    return TRUE;
}

UINT IsDlgButtonChecked(HDLG dialog, int id)
{
    dialog_control_s *c = dialog ? dialog->control(id) : nullptr;
    return c && c->item.kind == DLG_CHECKBOX_LEFT ? c->check : BST_UNCHECKED;
}

HICON LoadDialogIcon(HINSTANCE, int resource)
{
    return resource == program_icon_resource ? (HICON)&g_program_icon : nullptr;
}

int MessageBox(HWND, const char *text, const char *caption, UINT type)
{
    backend().message_box(text ? text : "", caption ? caption : "", type);
    return IDOK;
}

const uint32_t *dialog_icon_pixels()
{
    // A small monitor showing a blue screen, on a transparent ground.
    static uint32_t pixels[DIALOG_ICON_SIZE * DIALOG_ICON_SIZE];
    static bool made = false;
    if (!made) {
        for (int y = 0; y < DIALOG_ICON_SIZE; ++y) {
            for (int x = 0; x < DIALOG_ICON_SIZE; ++x) {
                uint32_t c = 0;
                if (x >= 2 && x < 30 && y >= 4 && y < 24)
                    c = (x >= 4 && x < 28 && y >= 6 && y < 22) ? 0xFF2A6FDBu - (uint32_t)(y * 3) : 0xFF3A3A42u;
                else if (x >= 13 && x < 19 && y >= 24 && y < 27)
                    c = 0xFF3A3A42u;
                else if (x >= 8 && x < 24 && y >= 27 && y < 29)
                    c = 0xFF5A5A64u;
                pixels[y * DIALOG_ICON_SIZE + x] = c;
            }
        }
        made = true;
    }
    return pixels;
}

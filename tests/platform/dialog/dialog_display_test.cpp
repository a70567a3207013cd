// The dialog on SDL2 under the X server: clicks at the controls' places reach them.
#include "platform/dialog/dialog_fake.h"

#include <gtest/gtest.h>

namespace {

const dialog_item items[] = {
    {DLG_DEFPUSHBUTTON, 1, "\xc8\xe3\xf0\xe0\xf2\xfc", 160, 158, 100, 20, 0},
    {DLG_PUSHBUTTON, 2, "Exit", 160, 188, 100, 20, 0},
    {DLG_PICTURE, -1, nullptr, 5, 5, 145, 204, 106},
    {DLG_DROPDOWN_LIST, 1000, nullptr, 160, 35, 100, 106, 0},
    {DLG_CHECKBOX_LEFT, 1001, "32-bit color", 160, 60, 100, 10, 0},
};
const dialog_template dialog = {"Display test", 267, 215, items, 5};

std::vector<std::string> g_log;
int g_step;

// Each step queues the user's next action once the previous one has arrived.
INT_PTR proc(HDLG d, UINT message, WPARAM wparam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        SendDlgItemMessage(d, 1000, CB_ADDSTRING, 0, (LPARAM) "800x600");
        SendDlgItemMessage(d, 1000, CB_ADDSTRING, 0, (LPARAM) "1024x768");
        SendDlgItemMessage(d, 1000, CB_SETCURSEL, 0, 0);
        dialog_sdl_queue_click(250, 65);  // the check box
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    g_log.push_back(std::to_string(LOWORD(wparam)) + " " + std::to_string(IsDlgButtonChecked(d, 1001)) + " " +
                    std::to_string(SendDlgItemMessage(d, 1000, CB_GETCURSEL, 0, 0)));
    switch (g_step++) {
    case 0:
        // Open the list, then pick its second row (rows of 16 pixels below a field of 21).
        dialog_sdl_queue_click(200, 40);
        dialog_sdl_queue_click(200, (35 * 13 / 8 + 21 + 16 + 8) * 8 / 13);
        break;
    case 1: dialog_sdl_queue_click(210, 168); break;  // play
    default: EndDialog(d, LOWORD(wparam)); break;
    }
    return TRUE;
}

} // namespace

TEST(dialog_display, clicks_reach_the_controls)
{
    ASSERT_TRUE(dialog_select_backend("sdl"));
    EXPECT_EQ(DialogBoxIndirectParam(nullptr, &dialog, nullptr, proc, 0), 1);
    EXPECT_EQ(g_log, (std::vector<std::string>{"1001 1 0", "1000 1 1", "1 1 1"}));
}

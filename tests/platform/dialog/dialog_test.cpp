// The dialog layer on its fake backend: what the user's actions send to the dialog procedure,
// and the drop-down list's messages.
#include "platform/dialog/dialog_fake.h"

#include <gtest/gtest.h>

namespace {

using action = dialog_fake_action;

const dialog_item items[] = {
    {DLG_DEFPUSHBUTTON, 7, "Go", 10, 100, 50, 14, 0},
    {DLG_PUSHBUTTON, IDCANCEL, "Stop", 70, 100, 50, 14, 0},
    {DLG_DROPDOWN_LIST, 100, nullptr, 10, 10, 100, 60, 0},
    {DLG_CHECKBOX_LEFT, 200, "Tick", 10, 40, 100, 10, 0},
    {DLG_TEXT, -1, "Label", 10, 60, 100, 10, 0},
};
const dialog_template dialog = {"Test", 200, 130, items, 5};

struct recorder_s
{
    std::vector<std::string> log;
    bool end_on_go = true;
    bool end_on_cancel = true;
};
recorder_s g_rec;

INT_PTR recording_proc(HDLG d, UINT message, WPARAM wparam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        SendDlgItemMessage(d, 100, CB_ADDSTRING, 0, (LPARAM) "a");
        SendDlgItemMessage(d, 100, CB_ADDSTRING, 0, (LPARAM) "b");
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    const int id = LOWORD(wparam);
    g_rec.log.push_back(std::to_string(id) + "/" + std::to_string(HIWORD(wparam)) + " check " +
                        std::to_string(IsDlgButtonChecked(d, 200)) + " row " +
                        std::to_string(SendDlgItemMessage(d, 100, CB_GETCURSEL, 0, 0)));
    if ((id == 7 && g_rec.end_on_go) || (id == IDCANCEL && g_rec.end_on_cancel))
        EndDialog(d, id == 7 ? 10 : 20);
    return TRUE;
}

INT_PTR run(const std::vector<action> &actions)
{
    dialog_select_backend("fake");
    dialog_fake_script(actions);
    return DialogBoxIndirectParam(nullptr, &dialog, nullptr, recording_proc, 0);
}

} // namespace

TEST(dialog, actions_become_commands)
{
    struct
    {
        std::vector<action> actions;
        INT_PTR result;
        std::vector<std::string> log;
    } cases[] = {
        {{{action::CLICK, 7}}, 10, {"7/0 check 0 row -1"}},
        {{{action::CLICK, 200}, {action::CLICK, 200}, {action::CLICK, 200}, {action::ENTER}},
         10,
         {"200/0 check 1 row -1", "200/0 check 0 row -1", "200/0 check 1 row -1", "7/0 check 1 row -1"}},
        {{{action::SELECT, 100, 1}, {action::SELECT, 100, 2}, {action::ESCAPE}}, 20, {"100/1 check 0 row 1", "2/0 check 0 row 1"}},
        {{{action::CLOSE}, {action::CLICK, 7}}, 20, {"2/0 check 0 row -1"}},
        // Texts and unknown ids send nothing; a script that runs out closes the window.
        {{{action::CLICK, -1}, {action::CLICK, 55}}, 20, {"2/0 check 0 row -1"}},
    };
    for (const auto &c : cases) {
        g_rec = {};
        EXPECT_EQ(run(c.actions), c.result);
        EXPECT_EQ(g_rec.log, c.log);
    }
}

TEST(dialog, a_dialog_that_never_ends_fails)
{
    g_rec = {};
    g_rec.end_on_cancel = false;
    EXPECT_EQ(run({{action::CLICK, IDCANCEL}}), -1);
    EXPECT_EQ(g_rec.log.size(), 2u);
}

TEST(dialog, drop_down_list_messages)
{
    static std::vector<LRESULT> results;
    results.clear();
    auto proc = [](HDLG d, UINT message, WPARAM, LPARAM) -> INT_PTR {
        if (message != WM_INITDIALOG)
            return FALSE;
        auto send = [&](UINT m, WPARAM w, const char *text) {
            results.push_back(SendDlgItemMessage(d, 100, m, w, (LPARAM)text));
        };
        send(CB_ADDSTRING, 0, "x");
        send(CB_ADDSTRING, 0, "y");
        send(CB_GETCOUNT, 0, nullptr);
        send(CB_SETCURSEL, 1, nullptr);
        send(CB_GETCURSEL, 0, nullptr);
        send(CB_SETCURSEL, 2, nullptr);
        send(CB_GETCURSEL, 0, nullptr);
        send(CB_SETCURSEL, 0, nullptr);
        send(CB_RESETCONTENT, 0, nullptr);
        send(CB_GETCURSEL, 0, nullptr);
        send(CB_GETCOUNT, 0, nullptr);
        results.push_back(SendDlgItemMessage(d, 200, CB_GETCOUNT, 0, 0));
        results.push_back(CheckDlgButton(d, 100, BST_CHECKED));
        EndDialog(d, 3);
        return TRUE;
    };
    dialog_select_backend("fake");
    dialog_fake_script({});
    EXPECT_EQ(DialogBoxIndirectParam(nullptr, &dialog, nullptr, proc, 0), 3);
    EXPECT_EQ(results, (std::vector<LRESULT>{0, 1, 2, 1, 1, CB_ERR, -1, 0, 0, -1, 0, CB_ERR, FALSE}));
}

TEST(dialog, backends_and_icons)
{
    EXPECT_FALSE(dialog_select_backend("gdi"));
    EXPECT_NE(LoadDialogIcon(nullptr, 102), nullptr);
    EXPECT_EQ(LoadDialogIcon(nullptr, 103), nullptr);
    dialog_select_backend("fake");
    dialog_fake_script({});
    EXPECT_EQ(MessageBox(nullptr, "text", "caption", MB_ICONERROR), IDOK);
    ASSERT_EQ(dialog_fake_message_boxes().size(), 1u);
    EXPECT_EQ(dialog_fake_message_boxes()[0].text, "text");
    EXPECT_EQ(dialog_fake_message_boxes()[0].type, MB_ICONERROR);
}

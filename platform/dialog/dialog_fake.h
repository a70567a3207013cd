// The fake dialog backend for tests: the user's actions come from a script, the message boxes
// are recorded, and the dialog's controls can be seen as they were before the first action.
// A dialog that has not ended when its script runs out is closed (IDCANCEL); if it still does
// not end, DialogBoxIndirectParam returns -1.
#pragma once

#include "platform/dialog/dialog.h"

#include <map>
#include <string>
#include <vector>

// "sdl" or "fake"; any other name is refused (false).
bool dialog_select_backend(const char *name);

struct dialog_fake_action
{
    enum kind_e
    {
        CLICK,   // a button or check box by id
        SELECT,  // row `row` of the list `id`
        CLOSE,   // the window's close button
        ENTER,
        ESCAPE
    } kind;
    int id = 0;
    int row = 0;
};

// Replaces the script and forgets what earlier dialogs left.
void dialog_fake_script(const std::vector<dialog_fake_action> &actions);

struct dialog_fake_view
{
    bool shown = false;
    std::string caption;
    std::map<int, std::vector<std::string>> lists;  // rows by list id
    std::map<int, int> selections;                 // by list id, -1 none
    std::map<int, UINT> checks;                    // by check box id
    HICON big_icon = nullptr;
    HICON small_icon = nullptr;
};
// The last dialog as its procedure had set it up, before the first action.
const dialog_fake_view &dialog_fake_first_view();

struct dialog_fake_message_box
{
    std::string text, caption;
    UINT type;
};
const std::vector<dialog_fake_message_box> &dialog_fake_message_boxes();

// For display tests of the "sdl" backend: queues a left click at a point given in dialog units
// (pressed and released there) and a press of Enter, as if the user did them; the running dialog
// takes them in order. Call from the dialog procedure, once the window exists.
void dialog_sdl_queue_click(int x, int y);
void dialog_sdl_queue_enter();

// The dialog on SDL2 under the X server: clicks at the controls' places reach them, and a
// message box is a dialog of the same kind, whose Russian caption and text show.
#include "platform/dialog/dialog_fake.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

// Last: Xlib's macros (None, Bool, Status) would meet other headers' names.
#include "tools/screenshot/program_shot.h"

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

namespace {

// The top-level window whose UTF-8 title is `title`, or 0.
Window window_titled(Display *display, const std::string &title)
{
    Window root_return, parent, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    const Atom name = XInternAtom(display, "_NET_WM_NAME", False), utf8 = XInternAtom(display, "UTF8_STRING", False);
    if (!XQueryTree(display, DefaultRootWindow(display), &root_return, &parent, &children, &count))
        return 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        Atom type;
        int format;
        unsigned long items, after;
        unsigned char *value = nullptr;
        if (XGetWindowProperty(display, children[i], name, 0, 256, False, utf8, &type, &format, &items, &after,
                               &value) == Success &&
            value) {
            if (std::string((const char *)value, items) == title)
                found = children[i];
            XFree(value);
        }
    }
    if (children)
        XFree(children);
    return found;
}

} // namespace

// The box is drawn by the dialog itself, in its grey and its font: SDL's X11 message box draws
// with the server's core fonts, which turn Russian into garbage. Its picture is read while it
// waits (DIALOG_SHOT names a PPM file to keep it in); then Enter closes it.
TEST(dialog_display, a_message_box_is_a_dialog_whose_russian_text_shows)
{
    ASSERT_TRUE(dialog_select_backend("sdl"));
    // "Oshibka" and "Oshibka zapuska prilozheniya: ..." in cp1251; the caption as the window
    // manager reads it, in UTF-8.
    const char *caption = "\xce\xf8\xe8\xe1\xea\xe0";
    const std::string text = "\xce\xf8\xe8\xe1\xea\xe0 \xe7\xe0\xef\xf3\xf1\xea\xe0 \xef\xf0\xe8\xeb\xee\xe6\xe5\xed\xe8\xff: "
                             "ERROR_FILE_NOT_FOUND (\"The specified file was not found\")";
    const std::string caption_utf8 = "\xd0\x9e\xd1\x88\xd0\xb8\xd0\xb1\xd0\xba\xd0\xb0";

    program_shot::shot picture;
    bool found = false, drawn = false;
    std::thread watcher([&] {
        Display *display = XOpenDisplay(nullptr);
        if (!display)
            return;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < end) {
            if (const Window w = window_titled(display, caption_utf8)) {
                found = true;
                // Drawn once the dialog's grey fills both corners.
                drawn = program_shot::grab(display, w, picture) && picture.width > 4 && picture.height > 4 &&
                        picture.at(2, 2) == 0xD4D0C8 &&
                        picture.at(picture.width - 3, picture.height - 3) == 0xD4D0C8;
                if (drawn)
                    break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        XCloseDisplay(display);
        dialog_sdl_queue_enter();
    });
    EXPECT_EQ(MessageBox(nullptr, text.c_str(), caption, MB_ICONERROR | MB_OK), IDOK);
    watcher.join();
    ASSERT_TRUE(found) << "no window titled with the caption";
    ASSERT_TRUE(drawn) << "not the dialog's own picture";
    if (const char *keep = std::getenv("DIALOG_SHOT")) {
        if (FILE *f = std::fopen(keep, "wb")) {
            std::fprintf(f, "P6 %d %d 255\n", picture.width, picture.height);
            for (uint32_t p : picture.rgb)
                for (int shift : {16, 8, 0})
                    std::fputc(int(p >> shift & 0xFF), f);
            std::fclose(f);
        }
    }
    // The text wraps over two lines above the button: dark pixels in both line bands.
    int dark[2] = {0, 0};
    for (int y = 11; y < 11 + 2 * 15; ++y)
        for (int x = 0; x < picture.width; ++x)
            if ((picture.at(x, y) & 0xFF) < 0x60)
                ++dark[(y - 11) / 15];
    EXPECT_GT(dark[0], 100);
    EXPECT_GT(dark[1], 100);
}

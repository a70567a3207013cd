// Input controls on the recording device: the real texture and font managers in a private
// data directory holding the generated edit and history textures and a font strip whose
// glyphs are all 10 pixels wide and 12 high ("even"), a screen stand-in that records what the
// controls report, and helpers that send `mouse` and `char` as the cursor and the keyboard do.
#pragma once

#include "tests/services/fonts/font_fixture.h"
#include "tests/ui/ui_fixture.h"
#include "tools/imagegen/ui_textures.h"
#include "ui/creators.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// Records the reports of the controls below it (edit_changed, claimed) and the
// announcements to the root (history_item_selected, hiscore_item_selected, passed on).
class report_recorder_c : public abstract_c
{
public:
    explicit report_recorder_c(abstract_c *parent) : abstract_c(parent) {}
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (*message == MSG_VAR(edit_changed)) {
            // The name travels as an owned STRING; any other tag shows in the report.
            const char *tag = msg_arg(0)->type() == value_c::STRING ? "" : "(not STRING)";
            reports.push_back(std::string("edit_changed") + tag + ":" + msg_arg(0)->get_const_pchar());
            return 1;
        }
        if (*message == MSG_VAR(history_item_selected))
            reports.push_back(std::string("history_item_selected:") + msg_arg(0)->get_const_pchar());
        if (*message == MSG_VAR(hiscore_item_selected))
            reports.push_back(std::string("hiscore_item_selected:") + msg_arg(0)->get_const_pchar() + "," +
                              std::to_string(msg_arg(1)->get_int()));
        return 0;
    }
    journal_t reports;
};

class ui_input_test : public font_fixture
{
protected:
    void SetUp() override
    {
        font_fixture::SetUp();
        start_fonts();
        // The test screens use the demo's font name.
        for (const char *font : {"fonts/even.bmp", "fonts/small.bmp"})
            put(font, strip_bmp(std::vector<int>(224, 10), 12));
        std::vector<imagegen::ui_texture> pictures;
        imagegen::add_edit_textures(pictures);
        for (const imagegen::ui_texture &t : pictures)
            put(std::string("textures/") + t.name + ".tga", imagegen::make_tga(t.pic, t.depth));
        screen = new report_recorder_c(root);
    }
    // As the cursor sends it: from the root, children first and newest first.
    int mouse(vec2 pos, int event, int button = 0)
    {
        int buttons[3] = {event == 1 && button == 0, 0, 0};
        return root->message(MSG_VAR(mouse), 0x1C, root, MSG_ARG(pos), MSG_ARG((void *)buttons), MSG_ARG(button),
                             MSG_ARG(event), MSG_ARGS_END);
    }
    // A press and release of the left button.
    void click(vec2 pos)
    {
        mouse(pos, 1);
        mouse(pos, 2);
    }
    // As the keyboard messager sends it: from the root to everybody.
    int key(int character) { return root->message(MSG_VAR(char), 0, nullptr, MSG_ARG(character), MSG_ARG(0),
                                                  MSG_ARG(1), MSG_ARGS_END); }
    void type(const char *text)
    {
        for (const char *p = text; *p; ++p)
            key((unsigned char)*p);
    }
    // Runs the screen script tests/ui/<source> of the sources under the recorder.
    void run_screen(const std::string &source)
    {
        static const bool registered = (ui_register_creators(), true);
        (void)registered;
        std::ifstream in(std::string(ENGINE_SOURCE_DIR) + "/tests/ui/" + source, std::ios::binary);
        ASSERT_TRUE(in) << source;
        const std::vector<uint8_t> text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string name = "scripts/" + std::filesystem::path(source).filename().string();
        put(name, text);
        m_scripts->execute_script(name.c_str(), screen, 0);
    }
    // The children of the recorder of class T, oldest first.
    template <class T> std::vector<T *> made()
    {
        std::vector<T *> out;
        for (abstract_c *c = screen->last_child(); c; c = c->prev_sibling())
            if (auto *t = dynamic_cast<T *>(c))
                out.push_back(t);
        return out;
    }
    journal_t take_reports()
    {
        journal_t out;
        out.swap(screen->reports);
        return out;
    }

    report_recorder_c *screen = nullptr;
};

// A small UI tree for tests: a root, a stand-in for the services the controls ask (it answers
// get_display and records what controls send to the root), and probe classes that record
// the virtual operations the UI bases call.
#pragma once

#include "kernel/abstract.h"
#include "kernel/exception.h"
#include "ui/ui_control.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using journal_t = std::vector<std::string>;

inline std::string vec_text(const vec2 &v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%g,%g", v.x, v.y);
    return text;
}

inline std::string rect_text(const rect &r)
{
    char text[96];
    std::snprintf(text, sizeof text, "%g,%g,%g,%g", r.left, r.top, r.right, r.bottom);
    return text;
}

// Answers get_display (unless told not to) and records hint and hint_check_out.
class services_stub_c : public abstract_c
{
public:
    explicit services_stub_c(abstract_c *parent) : abstract_c(parent) {}
    int handle_message(const msg_c *message, abstract_c *) override
    {
        if (*message == MSG_VAR(get_display) && answer_display) {
            *static_cast<vec2 *>(msg_arg(0)->get_ptr()) = display;
            return 1;
        }
        if (*message == MSG_VAR(hint))
            hints.push_back(vec_text(msg_arg(0)->get_vec2()) + " " + msg_arg(1)->get_const_pchar());
        if (*message == MSG_VAR(hint_check_out))
            ++check_outs;
        return 0;
    }
    vec2 display{1024.0f, 768.0f};
    int answer_display = 1;
    std::vector<std::string> hints;
    int check_outs = 0;
};

// A plain visual that records render, build_geometry, draw and update.
class probe_visual_c : public ui_vis_object_c
{
public:
    probe_visual_c(abstract_c *parent, const attribute_list_c *attributes, journal_t *journal = nullptr,
                   std::string name = "")
        : ui_vis_object_c(parent, attributes), m_journal(journal), m_name(std::move(name))
    {
    }
    void build_geometry(const vec2 &offset) override { note("build:" + vec_text(offset)); }
    void draw(const vec2 &offset) override { note("draw:" + vec_text(offset)); }
    void update(double time) override { note("update:" + std::to_string(time).substr(0, 4)); }
    void note(const std::string &what)
    {
        if (m_journal)
            m_journal->push_back(m_name + what);
    }

    journal_t *m_journal;
    std::string m_name;
};

// A control that records its input operations ("<name>enter", "<name>down:0" ...). Each of
// move, down and up returns `consume` when it is not -1, else the base's answer.
class probe_control_c : public ui_control_c
{
public:
    probe_control_c(abstract_c *parent, const attribute_list_c *attributes, journal_t *journal = nullptr,
                    std::string name = "")
        : ui_control_c(parent, attributes), m_journal(journal), m_name(std::move(name))
    {
    }

    void build_geometry(const vec2 &) override { note("build"); }
    void draw(const vec2 &) override { note("draw"); }
    void set_alpha(float alpha) override { alphas.push_back(alpha); }
    int on_mouse_move(const vec2 &pos, const int *buttons) override
    {
        note("move");
        return answer(ui_control_c::on_mouse_move(pos, buttons));
    }
    int on_button_down(int button, const vec2 &pos, const int *buttons) override
    {
        note("down:" + std::to_string(button));
        return answer(ui_control_c::on_button_down(button, pos, buttons));
    }
    int on_button_up(int button, const vec2 &pos, const int *buttons) override
    {
        note("up:" + std::to_string(button));
        return answer(ui_control_c::on_button_up(button, pos, buttons));
    }
    int on_cursor_enter(const vec2 &pos, const int *buttons) override
    {
        note("enter");
        return ui_control_c::on_cursor_enter(pos, buttons);
    }
    int on_cursor_leave(const vec2 &pos, const int *buttons) override
    {
        note("leave");
        return ui_control_c::on_cursor_leave(pos, buttons);
    }
    void on_char(int character, int, int) override { note("char:" + std::to_string(character)); }
    void on_focus_gained() override { note("gained"); }
    void on_focus_lost(ui_control_c *other) override
    {
        note(std::string("lost:") + (other ? static_cast<probe_control_c *>(other)->m_name : "null"));
    }

    void set_flag(uint32_t bit, bool on)
    {
        if (on)
            m_flags |= bit;
        else
            m_flags &= ~bit;
    }
    bool flag(uint32_t bit) const { return (m_flags & bit) != 0; }
    double hover_start() const { return m_hover_start; }
    const int *buttons() const { return m_buttons; }

    void note(const std::string &what)
    {
        if (m_journal)
            m_journal->push_back(m_name + what);
    }
    int answer(int base) const { return consume == -1 ? base : consume; }

    journal_t *m_journal;
    std::string m_name;
    int consume = -1;
    std::vector<float> alphas;
};

// Attribute lists in one expression: attrs({{"screen_rect", value_c(rect(...))}, ...}).
inline attribute_list_c attrs(std::initializer_list<std::pair<const char *, value_c>> items)
{
    attribute_list_c list;
    for (const auto &item : items)
        add_attribute(nullptr, list, item.first, item.second, 0);
    return list;
}

inline value_c text_value(const char *text)
{
    return value_c(text, value_c::STRING);
}

// Sends mouse from the root as the cursor does (children first, newest first).
inline int send_mouse(abstract_c *root, vec2 pos, int event, int button = 0, int left = 0)
{
    int buttons[3] = {left, 0, 0};
    return root->message(MSG_VAR(mouse), 0x1C, root, MSG_ARG(pos), MSG_ARG((void *)buttons), MSG_ARG(button),
                         MSG_ARG(event), MSG_ARGS_END);
}

class ui_tree_test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        root = new abstract_c(nullptr);
        services = new services_stub_c(root);
    }
    void TearDown() override
    {
        root->shutdown_tree();
        delete root;
    }

    int mouse(vec2 pos, int event, int button = 0, int left = 0) { return send_mouse(root, pos, event, button, left); }
    void tick(double time)
    {
        root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG((float)time), MSG_ARG(0.01f), MSG_ARGS_END);
    }

    abstract_c *root = nullptr;
    services_stub_c *services = nullptr;
};

// The message of the exception_c that f throws, "" when none.
inline std::string thrown_text(const std::function<void()> &f)
{
    try {
        f();
    } catch (const exception_c &e) {
        return e.get_message();
    }
    return "";
}

// What reaches the root, as text: a listener below the root writes every message of a chosen
// set of names as "<name>(<argument>,...)" with each argument as "<tag>:<value>", and a tree
// helper runs ticks and collects the dead as the main loop does.
#pragma once

#include "basics/rect.h"
#include "basics/vec3.h"
#include "kernel/abstract.h"
#include "kernel/exception.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

inline std::string value_text(const value_c &v)
{
    char text[160];
    switch (v.type()) {
    case value_c::INT: std::snprintf(text, sizeof text, "INT:%d", v.get_int()); break;
    case value_c::FLOAT: std::snprintf(text, sizeof text, "FLOAT:%g", v.get_float()); break;
    case value_c::PTR: std::snprintf(text, sizeof text, "PTR:%p", v.get_ptr()); break;
    case value_c::CONST_PTR: std::snprintf(text, sizeof text, "CONST_PTR:%p", v.get_const_ptr()); break;
    case value_c::PCHAR: std::snprintf(text, sizeof text, "PCHAR:%s", v.get_pchar()); break;
    case value_c::CONST_PCHAR: std::snprintf(text, sizeof text, "CONST_PCHAR:%s", v.get_const_pchar()); break;
    case value_c::STRING: std::snprintf(text, sizeof text, "STRING:%s", v.get_const_pchar()); break;
    case value_c::VEC2: std::snprintf(text, sizeof text, "VEC2:%g,%g", v.get_vec2().x, v.get_vec2().y); break;
    case value_c::VEC3:
        std::snprintf(text, sizeof text, "VEC3:%g,%g,%g", v.get_vec3().x, v.get_vec3().y, v.get_vec3().z);
        break;
    case value_c::RECT2: {
        const rect r = v.get_rect2();
        std::snprintf(text, sizeof text, "RECT2:%g,%g,%g,%g", r.left, r.top, r.right, r.bottom);
        break;
    }
    default: std::snprintf(text, sizeof text, "VOID"); break;
    }
    return text;
}

class game_listener_c : public abstract_c
{
public:
    game_listener_c(abstract_c *parent, std::vector<std::string> names) : abstract_c(parent), m_names(std::move(names)) {}
    int handle_message(const msg_c *message, abstract_c *sender) override
    {
        for (const std::string &name : m_names)
            if (*message == msg_c(name.c_str())) {
                std::string entry = name + "(";
                for (int i = 0; i < msg_arg_count(); ++i)
                    entry += (i ? "," : "") + value_text(*msg_arg(i));
                heard.push_back(entry + ")");
                senders.push_back(sender);
                if (on_heard)
                    on_heard(name);
                return claim;
            }
        return 0;
    }
    // Everything heard since the last call, joined by blanks.
    std::string take()
    {
        std::string s;
        for (const std::string &e : heard)
            s += (s.empty() ? "" : " ") + e;
        heard.clear();
        return s;
    }

    std::vector<std::string> m_names;
    std::vector<std::string> heard;
    std::vector<abstract_c *> senders;
    std::function<void(const std::string &)> on_heard;
    int claim = 0;
};

inline void tick_tree(abstract_c *root, float now, float frame = 0.02f)
{
    root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(now), MSG_ARG(frame), MSG_ARGS_END);
    root->collect_dead_children();
}

inline int child_count(abstract_c *parent)
{
    int n = 0;
    for (abstract_c *c = parent->first_child(); c; c = c->next_sibling())
        ++n;
    return n;
}

inline std::string thrown_text(const std::function<void()> &f)
{
    try {
        f();
    } catch (const exception_c &e) {
        return e.get_message();
    }
    return "";
}

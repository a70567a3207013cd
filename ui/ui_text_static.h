// Text labels.
//
// static_text (script class "static_text"): a text visual whose lines come from its text
// (ui/ui_text_lines.h); attribute `text` (string, required) besides those of ui_vis_text_c,
// and `name` (optional) that addresses it. Messages:
//   set_text STRING name, STRING text: when `name` equals the name byte for byte: replaces the
//     text (1); otherwise 0.
//   set_text_limited text, PTR const char**: shows the words of the text that fit the
//     rectangle's width and writes where the rest begins (1).
//   get_text name, PCHAR buffer, INT size: when the name matches, the first line into the
//     buffer as strncpy does (no terminator when the line is that long); result 0.
//
// multi_static_text (script class "multi_static_text"; not a visual): up to MAX_STATIC_NMB
// static texts "static_1".. "static_<static_nmb>" in the rectangles "static_rect_%d" (relative
// to the nearest visual ancestor), with its `font_name` and `chars_color`, justify 0. Its
// set_text (name, text), when its `name` matches (a group without a name matches none),
// empties them all and flows the text through them word by word; what does not fit the last
// is not shown. Result 1 when the name matched, else 0.
#pragma once

#include "ui/ui_text_lines.h"
#include "ui/ui_vis_text.h"

constexpr int MAX_STATIC_NMB = 10;

class static_text : public ui_vis_text_c
{
public:
    static_text(abstract_c *parent, const attribute_list_c *attributes);

    int handle_message(const msg_c *message, abstract_c *sender) override;
    int line_count() override { return m_text.line_count(); }
    const char *line_text(int index) override { return m_text.line_text(index); }

    void set_text(const char *text) { m_text.set_text(text); }
    const text_lines_c &text() const { return m_text; }

private:
    text_lines_c m_text;
};

class multi_static_text : public abstract_c
{
public:
    multi_static_text(abstract_c *parent, const attribute_list_c *attributes);

    int handle_message(const msg_c *message, abstract_c *sender) override;

    int static_count() const { return m_static_nmb; }
    static_text *child(int i) const { return m_statics[i]; }

private:
    int m_static_nmb;
    static_text *m_statics[MAX_STATIC_NMB];
};

// A player's name line as a child of `owner`: white, left-justified, empty, in the owner's
// "font_name" at its "name_rect" (both required: a missing one fails as attribute() does).
static_text *make_name_static(abstract_c *owner);

// 1 when the object's `name` attribute exists and equals name byte for byte.
int ui_name_matches(abstract_c *object, const char *name);

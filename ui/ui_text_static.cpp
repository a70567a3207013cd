#include "ui/ui_text_static.h"

#include <cstring>
#include <string>

#include "basics/vec3.h"
#include "kernel/attribute.h"
#include "kernel/exception.h"
#include "services/manager_font.h"

int ui_name_matches(abstract_c *object, const char *name)
{
    const value_c *own = object->find_attribute("name");
    return own && std::strcmp(own->get_const_pchar(), name) == 0;
}

static_text::static_text(abstract_c *parent, const attribute_list_c *attributes) : ui_vis_text_c(parent, attributes)
{
    m_text.set_text(attribute("text")->get_const_pchar());
}

int static_text::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(set_text)) {
        if (!ui_name_matches(this, msg_arg(0)->get_const_pchar()))
            return 0;
        set_text(msg_arg(1)->get_const_pchar());
        return 1;
    }
    if (*message == MSG_VAR(set_text_limited)) {
        const char **rest = static_cast<const char **>(msg_arg(1)->get_ptr());
        const font_resource_c *font = m_font;
        const std::string kept = fit_words(msg_arg(0)->get_const_pchar(), m_screen_rect.right - m_screen_rect.left,
                                           [font](const char *s) { return font->text_width(s, nullptr); }, rest);
        set_text(kept.c_str());
        return 1;
    }
    if (*message == MSG_VAR(get_text) && ui_name_matches(this, msg_arg(0)->get_const_pchar()))
        m_text.copy_first_line(msg_arg(1)->get_pchar(), msg_arg(2)->get_int());
    return ui_vis_text_c::handle_message(message, sender);
}

multi_static_text::multi_static_text(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes), m_static_nmb(0), m_statics{}
{
    m_static_nmb = attribute("static_nmb")->get_int();
    ENGINE_ASSERT(m_static_nmb <= MAX_STATIC_NMB);
    for (int i = 1; i <= m_static_nmb; ++i) {
        const std::string name = "static_" + std::to_string(i);
        const std::string rect_name = "static_rect_" + std::to_string(i);
        attribute_list_c list;
        add_attribute(nullptr, list, "font_name", *attribute("font_name"), 0);
        add_attribute(nullptr, list, "justify", value_c(0), 0);
        add_attribute(nullptr, list, "chars_color", *attribute("chars_color"), 0);
        add_attribute(nullptr, list, "text", value_c("", value_c::STRING), 0);
        add_attribute(nullptr, list, "name", value_c(name.c_str(), value_c::STRING), 0);
        add_attribute(nullptr, list, "screen_rect", *attribute(rect_name.c_str()), 0);
        m_statics[i - 1] = new static_text(this, &list);
    }
}

int multi_static_text::handle_message(const msg_c *message, abstract_c *)
{
    if (!(*message == MSG_VAR(set_text)) || !ui_name_matches(this, msg_arg(0)->get_const_pchar()))
        return 0;
    const char *rest = msg_arg(1)->get_const_pchar();
    for (int i = 0; i < m_static_nmb; ++i)
        m_statics[i]->set_text("");
    for (int i = 0; i < m_static_nmb && *rest; ++i)
        m_statics[i]->message(MSG_VAR(set_text_limited), 0, this, MSG_ARG(rest), MSG_ARG((void *)&rest), MSG_ARGS_END);
    return 1;
}

static_text *make_name_static(abstract_c *owner)
{
    attribute_list_c list;
    add_attribute(nullptr, list, "font_name", *owner->attribute("font_name"), 0);
    add_attribute(nullptr, list, "screen_rect", *owner->attribute("name_rect"), 0);
    add_attribute(nullptr, list, "justify", value_c(0), 0);
    add_attribute(nullptr, list, "chars_color", value_c(vec3(255.0f, 255.0f, 255.0f)), 0);
    add_attribute(nullptr, list, "text", value_c("", value_c::STRING), 0);
    add_attribute(nullptr, list, "name", value_c("", value_c::STRING), 0);
    return new static_text(owner, &list);
}

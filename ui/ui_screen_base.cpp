#include "ui/ui_screen_base.h"

#include "basics/rect.h"
#include "basics/vec3.h"
#include "kernel/scripts.h"
#include "ui/ui_vis_image.h"

#include <cstdint>

multistate_image *create_full_screen_picture(abstract_c *parent, const char *tex_name)
{
    const rect whole(0.0f, 0.0f, 1024.0f, 768.0f);
    attribute_list_c list;
    add_attribute(nullptr, list, "tex", value_c(whole), 0);
    add_attribute(nullptr, list, "screen_rect", value_c(whole), 0);
    add_attribute(nullptr, list, "tex_name", value_c(tex_name, value_c::STRING), 0);
    add_attribute(nullptr, list, "columns", value_c(1), 0);
    add_attribute(nullptr, list, "rows", value_c(1), 0);
    add_attribute(nullptr, list, "color", value_c(vec3(0.0f, 0.0f, 0.0f)), 0);
    add_attribute(nullptr, list, "z_depth", value_c(1.0f), 0);
    return new multistate_image(parent, &list);
}

screen_base_c::screen_base_c(abstract_c *parent, const attribute_list_c *attributes) : abstract_c(parent, attributes)
{
    if (const value_c *background = find_attribute("background"))
        create_full_screen_picture(this, background->get_const_pchar());
    root()->message(MSG_VAR(change_cursor), 0, this, pchar_value("standard"), MSG_ARG(0), MSG_ARGS_END);
}

bool screen_base_c::hints_on()
{
    uint8_t on = 0;
    root()->message(MSG_VAR(is_hint_on), 0, this, MSG_ARG((void *)&on), MSG_ARGS_END);
    return on != 0;
}

int screen_base_c::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(kill_screen)) {
        shutdown_tree();
        return 1;
    }
    if (*message == MSG_VAR(creation_finished)) {
        scripts_c::instance()->execute_script("scripts/window_exit.isc", this, 0);
        return 0;
    }
    if (*message == MSG_VAR(set_hint) || *message == MSG_VAR(set_additional_hint)) {
        const char *target = *message == MSG_VAR(set_hint) ? "hint_line" : "additional_hint_ms";
        if (hints_on())
            this->message(MSG_VAR(set_text), 0, this, pchar_value(target), *msg_arg(0), MSG_ARGS_END);
        return 0;
    }
    return 0;
}

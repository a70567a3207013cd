#include "ui/ui_container.h"

#include "basics/vec3.h"
#include "kernel/scripts.h"
#include "ui/ui_screen_location.h"

#include <string>

int ui_container_c::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(render)) {
        sort_children_by_priority();
        return 0;
    }
    if (*message == MSG_VAR(load_screen)) {
        const char *name = msg_arg(0)->get_const_pchar();
        kill_screen();
        if (name && *name)
            scripts_c::instance()->execute_script(("scripts/" + std::string(name) + ".isc").c_str(), this, 0);
        return 1;
    }
    if (*message == MSG_VAR(set_screen_loading) || *message == MSG_VAR(set_final_screen_loading)) {
        const int final_flag = *message == MSG_VAR(set_final_screen_loading) ? 1 : 0;
        const std::string picture = msg_arg(0)->get_const_pchar();
        const std::string location = msg_arg(1)->get_const_pchar();
        kill_screen();
        create_loading_picture(picture.c_str(), location.c_str(), final_flag);
        return 1;
    }
    if (*message == MSG_VAR(destroy_ui)) {
        shutdown_tree();
        return 0;
    }
    if (*message == MSG_VAR(get_display)) {
        *static_cast<vec2 *>(msg_arg(0)->get_ptr()) = vec2(1024.0f, 768.0f);
        return 1;
    }
    return 0;
}

void ui_container_c::kill_screen()
{
    message(MSG_VAR(kill_screen), MSGF_NO_SELF, this, MSG_ARGS_END);
}

void ui_container_c::create_loading_picture(const char *picture, const char *location, int final_flag)
{
    new ui_location_c(this, picture, location, final_flag);
}

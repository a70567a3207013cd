#include "ui/ui_screen_main.h"

#include "kernel/scripts.h"

#include <cstring>

int ui_starter::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(app_startup))
        scripts_c::instance()->execute_script("scripts/splash.isc", this, 0);
    return 0;
}

namespace {
struct menu_button_s
{
    const char *button;
    const char *screen; // null: the exit request
};
const menu_button_s menu_buttons[] = {
    {"server", "screen_server"},   {"connect", "screen_client"},   {"game", "screen_command"},
    {"hiscore", "screen_hiscore"}, {"options", "screen_options"}, {"exit", nullptr},
};
} // namespace

void screen_main::start_location()
{
    root()->message(MSG_VAR(load_location), 0, this, pchar_value("menu_space"), MSG_ARGS_END);
    root()->message(MSG_VAR(add_to_sequence), 0, this, pchar_value("start_relay"), MSG_ARG(1), MSG_ARGS_END);
    root()->message(MSG_VAR(activate_sequence), 0, this, MSG_ARGS_END);
}

int screen_main::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(creation_finished)) {
        start_location();
    } else if (*message == MSG_VAR(butt_pressed)) {
        const char *name = msg_arg(0)->get_const_pchar();
        for (const menu_button_s &b : menu_buttons) {
            if (std::strcmp(name, b.button) != 0)
                continue;
            if (!b.screen) {
                root()->message(MSG_VAR(request_exit), 0, this, MSG_ARGS_END);
                return 1;
            }
            root()->message(MSG_VAR(load_screen), 0, this, pchar_value(b.screen), MSG_ARGS_END);
            // The hiscore screen made by the load learns that it returns to this menu.
            if (std::strcmp(b.button, "hiscore") == 0)
                root()->message(MSG_VAR(hiscore_from_main), 0, this, MSG_ARGS_END);
            return 1;
        }
    }
    return screen_base_c::handle_message(message, sender);
}

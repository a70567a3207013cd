#include "ui/ui_screen_windows.h"

#include "ui/ui_screen_base.h"

#include <cstring>

void show_window(abstract_c *window, int on)
{
    window->message(MSG_VAR(show), 0, window, MSG_ARG(on), MSG_ARGS_END);
}

int window_exit::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(show_exit_window))
        show_window(this, 1);
    else if (*message == MSG_VAR(butt_pressed)) {
        const char *name = msg_arg(0)->get_const_pchar();
        if (std::strcmp(name, "yes") == 0) {
            root()->message(MSG_VAR(exit_message_confirmed), 0, this, MSG_ARGS_END);
            return 1;
        }
        if (std::strcmp(name, "no") == 0) {
            root()->message(MSG_VAR(exit_message_rejected), 0, this, MSG_ARGS_END);
            show_window(this, 0);
            return 1;
        }
    }
    return ui_control_c::handle_message(message, sender);
}

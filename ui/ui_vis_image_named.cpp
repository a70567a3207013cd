#include "ui/ui_vis_image_named.h"

#include "ui/ui_text_static.h"

int named_multistate_image::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(set_state)) {
        if (ui_name_matches(this, msg_arg(0)->get_const_pchar())) {
            set_column(unsigned(msg_arg(1)->get_int()));
            set_row(unsigned(msg_arg(2)->get_int()));
            return 1;
        }
    } else if (*message == MSG_VAR(show_named)) {
        if (!ui_name_matches(this, msg_arg(1)->get_const_pchar()))
            return 0;
        const int visible = msg_arg(0)->get_int();
        set_visible(visible);
        this->message(MSG_VAR(show), MSGF_NO_SELF, this, MSG_ARG(visible), MSG_ARGS_END);
        return 1;
    }
    return multistate_image::handle_message(message, sender);
}

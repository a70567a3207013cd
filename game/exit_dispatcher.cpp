#include "game/exit_dispatcher.h"

#include "kernel/exception.h"
#include "kernel/scripts.h"
#include "platform/window/winuser.h"

exit_dispatcher::exit_dispatcher(abstract_c *parent, const attribute_list_c *attributes)
    : ui_control_c(parent, attributes), m_closing(0), m_exit_mode(0), m_back_mode(0)
{
    m_flags |= UI_FOCUSED;
    root()->message(MSG_VAR(mainwnd_add_win32_handler), 0, this, MSG_ARG((void *)this), MSG_ARGS_END);
}

void exit_dispatcher::on_char(int, int, int)
{
    if (m_closing)
        stop_main_loop();
}

void exit_dispatcher::stop_main_loop()
{
    abstract_c *top = root();
    ENGINE_ASSERT(top->alive());
    top->attribute("stop_main_loop")->set_int(1);
}

bool exit_dispatcher::ask()
{
    unsigned char asked = 0;
    root()->message(MSG_VAR(show_exit_window), 0, this, MSG_ARG((void *)&asked), MSG_ARGS_END);
    return asked != 0;
}

void exit_dispatcher::confirmed()
{
    if (m_closing)
        return;
    if (m_exit_mode) {
        root()->message(MSG_VAR(destroy_ui), 0, this, MSG_ARGS_END);
        root()->message(MSG_VAR(free_location), 0, this, MSG_ARGS_END);
        scripts_c::instance()->execute_script("scripts/credits.isc", this, 0);
        m_closing = 1;
    } else if (m_back_mode) {
        m_back_mode = 0;
        root()->message(MSG_VAR(on_game_stopped), 0, this, MSG_ARG(1), MSG_ARG(0), MSG_ARGS_END);
    }
}

int exit_dispatcher::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(mainwnd_win32_msg)) {
        if (msg_arg(0)->get_int() != WM_CLOSE)
            return 0;
        // With no exit window to ask (the start's show, the credits) the close is the window's
        // own: it ends the program in order.
        if (!ask())
            return 0;
        m_exit_mode = 1;
        return 1;
    }
    if (*message == MSG_VAR(request_exit)) {
        m_exit_mode = 1;
        ask();
        return 1;
    }
    if (*message == MSG_VAR(request_back)) {
        m_back_mode = 1;
        ask();
        return 1;
    }
    if (*message == MSG_VAR(exit_message_confirmed)) {
        confirmed();
        return 1;
    }
    if (*message == MSG_VAR(exit_message_rejected)) {
        m_exit_mode = 0;
        m_back_mode = 0;
        return ui_control_c::handle_message(message, sender);
    }
    if (*message == MSG_VAR(tick)) {
        if (m_closing && !this->message(MSG_VAR(credits_running), 0, this, MSG_ARGS_END))
            stop_main_loop();
        return 0;
    }
    if (*message == MSG_VAR(char)) {
        on_char(msg_arg(0)->get_int(), msg_arg(1)->get_int(), msg_arg(2)->get_int());
        return m_closing ? 1 : 0;
    }
    return ui_control_c::handle_message(message, sender);
}

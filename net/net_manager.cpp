#include "net/net_clock.h"

#include "kernel/exception.h"

net_clock_c::net_clock_c(abstract_c *parent, double period) : abstract_c(parent), m_start(0.0), m_period(period)
{
    if (!abstract_c::root()->message(MSG_VAR(get_common_time), 0, this, MSG_ARG((void *)&m_start), MSG_ARGS_END))
        ENGINE_THROW(exception_c, "Cannot obtain common time ! ! !");
}

int net_clock_c::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(tick)) {
        double time = msg_arg(0)->get_float();
        if (time >= m_start + m_period && m_period > 0) {
            on_expire();
            m_period = -1.0;
        }
    }
    return 0;
}

net_clock_ext_c::net_clock_ext_c(abstract_c *parent, double period) : net_clock_c(parent, period) {}

void net_clock_ext_c::on_expire()
{
    abstract_c::root()->message(MSG_VAR(send_next_ping), 0, this, MSG_ARGS_END);
    shutdown_tree();
}

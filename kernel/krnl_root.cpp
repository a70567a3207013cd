#include "kernel/root.h"

#include "basics/console_log.h"
#include "kernel/scripts.h"
#include "platform/sys/systime.h"

void kernel_register_creators()
{
    register_creator("abstract", make_object<abstract_c>);
    register_creator("root", make_object<root_c>);
    register_creator("clock", make_object<clock_c>);
}

root_c::root_c(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes), m_sleep_interval(0)
{
    add_attribute(&m_stop_main_loop, m_attributes, "stop_main_loop", value_c(0), 1);
    add_attribute(&m_app_active, m_attributes, "app_active", value_c(0), 1);
    m_sleep_interval = attribute("sleep_interval")->get_int();
    print_message("Root entity created\n");
}

root_c::~root_c() = default;

int root_c::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(tick)) {
        if (m_sleep_interval >= 0)
            Sleep((DWORD)m_sleep_interval);
    } else if (*message == MSG_VAR(app_startup)) {
        print_message("Application startup sequence initiated\n");
    }
    return 0;
}

clock_c::clock_c(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes), m_common_time(0.0)
{
}

int clock_c::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(tick)) {
        m_common_time = msg_arg(0)->get_float();
        return 0;
    }
    if (*message == MSG_VAR(get_common_time)) {
        *(double *)msg_arg(0)->get_ptr() = m_common_time;
        return 1;
    }
    return 0;
}

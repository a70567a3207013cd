#include "basics/console_log.h"
#include "kernel/exception.h"
#include "services/srvc_d3d.h"

renderer_c::renderer_c(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes), m_d3d(get_d3d_service(nullptr))
{
}

int renderer_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (*message == MSG_VAR(tick))
        frame();
    return abstract_c::handle_message(message, sender);
}

void renderer_c::frame()
{
    if (m_d3d->is_device_lost()) {
        if (!m_d3d->can_reset_device())
            return;
        print_message("Device lost, trying to reset it...\n");
        try {
            m_d3d->reset_device();
        } catch (const d3d_exception_c &e) {
            print_message("Error reseting device: %s\n", e.get_message().c_str());
            return;
        }
    }
    m_d3d->begin_scene();
    m_d3d->clear(1, 1.0f);
    root()->message(MSG_VAR(render), 0, this, MSG_ARGS_END);
    m_d3d->end_scene();
    m_d3d->present();
}

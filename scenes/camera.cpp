#include "scenes/camera.h"

#include "basics/helpers.h"

// ---- camera ----

camera_c::camera_c(abstract_c *parent, const attribute_list_c *attributes)
    : locator_c(parent, attributes), m_fov(attribute("fov")->get_float()), m_target_fov(-1.0f), m_start_fov(-1.0f),
      m_change_start(0.0f), m_change_end(0.0f)
{
    apply_view();
}

int camera_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (locator_c::handle_message(message, sender))
        return 1;
    if (*message == MSG_VAR(loctn_cam_set_fov)) {
        set_fov(msg_arg(0)->get_float(), msg_arg(1)->get_float());
        return 1;
    }
    if (*message == MSG_VAR(loctn_cam_set_lookat)) {
        m_look_at = (abstract_c *)msg_arg(0)->get_ptr();
        return 1;
    }
    return 0;
}

void camera_c::on_tick()
{
    update_fov();
    apply_view();
}

void camera_c::set_fov(float fov, float time)
{
    if (time > 0.0f) {
        m_target_fov = fov;
        m_start_fov = m_fov;
        m_change_start = m_time;
        m_change_end = m_time + time;
    } else {
        m_fov = fov;
        m_target_fov = m_start_fov = -1.0f;
        m_change_start = m_change_end = 0.0f;
    }
}

void camera_c::update_fov()
{
    if (m_target_fov < 0.0f)
        return;
    // At the end itself the curve gives the target too; ending there also spares a change too
    // short for the clock's precision (end equal to start) a division by zero.
    if (m_time >= m_change_end) {
        m_fov = m_target_fov;
        m_target_fov = m_start_fov = -1.0f;
        m_change_start = m_change_end = 0.0f;
        return;
    }
    const float f = smooth_step((m_time - m_change_start) / (m_change_end - m_change_start));
    m_fov = (1.0f - f) * m_start_fov + f * m_target_fov;
}

void camera_c::apply_view()
{
    if (abstract_c *target = m_look_at.get()) {
        placement seen;
        target->message(MSG_VAR(loctn_loctr_get_pos), 0, this, MSG_ARG((void *)&seen), MSG_ARGS_END);
        const vec3 d = seen.position - m_placement.position;
        d.to_angles(&m_placement.angles.x, &m_placement.angles.y);
        m_placement.angles.z = 0.0f;
    }
    m_mgr.set_view(m_placement, m_fov);
}

// ---- camera operator ----

void camera_operator_c::on_activate(abstract_c *, int)
{
    location_entity_c *camera = get_entity(attribute("camera")->get_const_pchar());
    if (value_c *fov = find_attribute("fov")) {
        const value_c *fov_time = find_attribute("fov_time");
        const float time = fov_time ? fov_time->get_float() : 0.0f;
        camera->message(MSG_VAR(loctn_cam_set_fov), 0, this, MSG_ARG(fov->get_float()), MSG_ARG(time), MSG_ARGS_END);
    }
    abstract_c *target = nullptr;
    if (value_c *look_at = find_attribute("look_at"))
        target = get_entity(look_at->get_const_pchar());
    camera->message(MSG_VAR(loctn_cam_set_lookat), 0, this, MSG_ARG((void *)target), MSG_ARGS_END);
}

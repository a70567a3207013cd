#include "ui/ui_vis_object.h"

ui_vis_object_c::ui_vis_object_c(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes), m_cursor_name(nullptr)
{
    const vec2 origin = parent_screen_coords();
    m_screen_rect = rect(origin.x, origin.y, origin.x, origin.y);
    if (value_c *r = find_attribute("screen_rect")) {
        const rect given = r->get_rect2();
        m_screen_rect = rect(given.left + origin.x, given.top + origin.y, given.right + origin.x,
                             given.bottom + origin.y);
    }
    value_c *visible = find_attribute("visible");
    set_visible(visible ? visible->get_int() : 1);
}

vec2 ui_vis_object_c::parent_screen_coords()
{
    vec2 origin(0.0f, 0.0f);
    message(MSG_VAR(screen_coords), MSGF_NO_CHILDREN | MSGF_TO_PARENTS | MSGF_NO_SELF, this,
            MSG_ARG((void *)&origin), MSG_ARGS_END);
    return origin;
}

void ui_vis_object_c::set_position(const vec2 &top_left)
{
    const float width = m_screen_rect.right - m_screen_rect.left;
    const float height = m_screen_rect.bottom - m_screen_rect.top;
    m_screen_rect = rect(top_left.x, top_left.y, top_left.x + width, top_left.y + height);
}

vec2 ui_vis_object_c::resize(const vec2 &size)
{
    m_screen_rect.right = m_screen_rect.left + size.x;
    m_screen_rect.bottom = m_screen_rect.top + size.y;
    return vec2(m_screen_rect.right, m_screen_rect.bottom);
}

void ui_vis_object_c::set_visible(int on)
{
    if (on)
        m_flags |= UI_VISIBLE;
    else
        m_flags &= ~uint32_t(UI_VISIBLE);
}

void ui_vis_object_c::build_geometry(const vec2 &) {}
void ui_vis_object_c::draw(const vec2 &) {}
void ui_vis_object_c::update(double) {}

int ui_vis_object_c::contains_point(const vec2 &point)
{
    return m_screen_rect.contains(point) ? 1 : 0;
}

int ui_vis_object_c::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(tick)) {
        update(msg_arg(0)->get_float());
        return 0;
    }
    if (*message == MSG_VAR(render)) {
        build_geometry(vec2(0.0f, 0.0f));
        draw(vec2(0.0f, 0.0f));
        return 0;
    }
    if (*message == MSG_VAR(cursor)) {
        if ((m_flags & UI_CURSOR_AWARE) && (m_flags & UI_VISIBLE) && contains_point(msg_arg(0)->get_vec2())) {
            *static_cast<const char **>(msg_arg(1)->get_ptr()) = m_cursor_name;
            return 1;
        }
        return 0;
    }
    if (*message == MSG_VAR(screen_coords)) {
        *static_cast<vec2 *>(msg_arg(0)->get_ptr()) = vec2(m_screen_rect.left, m_screen_rect.top);
        return 1;
    }
    if (*message == MSG_VAR(show)) {
        set_visible(msg_arg(0)->get_int());
        return 0;
    }
    if (*message == MSG_VAR(is_hidden))
        return is_visible() ? 0 : 1;
    if (*message == MSG_VAR(vis_rect)) {
        rect *r = static_cast<rect *>(msg_arg(1)->get_ptr());
        if (msg_arg(0)->get_int())
            m_screen_rect = *r;
        else
            *r = m_screen_rect;
        return 1;
    }
    if (*message == MSG_VAR(creation_finished)) {
        value_c *visible = find_attribute("visible");
        if (visible && visible->get_int() != 1)
            this->message(MSG_VAR(show), 0, this, MSG_ARG(0), MSG_ARGS_END);
        else
            set_visible(1);
        return 1;
    }
    if (*message == MSG_VAR(doom)) {
        shutdown_tree();
        return 1;
    }
    return 0;
}

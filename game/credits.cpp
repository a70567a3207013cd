#include "game/credits.h"

#include <cmath>
#include <cstdio>

#include "game/screen_quad.h"
#include "services/srvc_d3d.h"

credits::credits(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes), m_d3d(get_d3d_service(this)), m_background_quad(nullptr),
      m_slide_speed(0.0f), m_in_pause(0.0f), m_out_pause(0.0f), m_start_time(-1.0f), m_offset(-1.0f),
      m_running(1)
{
    load();
}

void credits::load()
{
    m_slide_speed = attribute("slide_speed")->get_float();
    m_in_pause = attribute("in_pause")->get_float();
    m_out_pause = attribute("out_pause")->get_float();
    m_music = isound_mgr_c().create_sound(attribute("background_music")->get_const_pchar());
    itexture_mgr_c textures;
    m_background = textures.create_texture(attribute("background_texture")->get_const_pchar(), 1);
    for (int i = 0;; ++i) {
        char name[256];
        std::snprintf(name, sizeof name, "image%i_texture", i);
        const value_c *texture_name = find_attribute(name);
        if (!texture_name)
            break;
        image_s image{textures.create_texture(texture_name->get_const_pchar(), 1), nullptr, rect()};
        std::snprintf(name, sizeof name, "image%i_origin", i);
        const vec2 origin = attribute(name)->get_vec2();
        image.area = rect(origin.x, origin.y, origin.x + (float)image.texture->width(),
                          origin.y + (float)image.texture->height());
        m_column = m_images.empty() ? image.area : m_column.united(image.area);
        m_images.push_back(std::move(image));
    }
}

void credits::on_shutdown()
{
    m_music.reset();
    m_background.reset();
    for (image_s &image : m_images) {
        release_d3d_object(image.quad);
        image.texture.reset();
    }
    release_d3d_object(m_background_quad);
    abstract_c::on_shutdown();
}

int credits::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(tick)) {
        advance(msg_arg(0)->get_float());
        return 0;
    }
    if (*message == MSG_VAR(render)) {
        render();
        return 0;
    }
    if (*message == MSG_VAR(credits_running))
        return m_running;
    return 0;
}

float credits::scroll_time() const
{
    // A speed that is zero, negative or not a number would scroll for ever or backwards.
    if (!(m_slide_speed > 0.0f))
        return 0.0f;
    return ((m_column.bottom - m_column.top) + (float)m_d3d->screen_height()) / m_slide_speed;
}

void credits::advance(float now)
{
    if (m_start_time < 0.0f) {
        m_start_time = now;
        m_music->play();
    }
    const float elapsed = now - m_start_time;
    const float scroll = scroll_time();
    if (elapsed < m_in_pause || scroll <= 0.0f) {
        m_offset = -1.0f;
        if (scroll <= 0.0f && elapsed > m_in_pause + m_out_pause)
            m_running = 0;
    } else if (elapsed > m_in_pause + scroll + m_out_pause) {
        m_running = 0;
        m_offset = -1.0f;
    } else {
        m_offset = (elapsed - m_in_pause) * m_slide_speed;
    }
}

void credits::render()
{
    const float width = (float)m_d3d->screen_width(), height = (float)m_d3d->screen_height();
    release_d3d_object(m_background_quad);
    m_background_quad = make_screen_quad(m_d3d, rect(0.0f, 0.0f, width, height), 1.0f, 0.0f);
    const bool scrolling = m_offset >= 0.0f;
    if (scrolling) {
        const float shift = height - m_column.top - m_offset;
        for (image_s &image : m_images) {
            release_d3d_object(image.quad);
            const rect &a = image.area;
            image.quad = make_screen_quad(m_d3d, rect(a.left, a.top + shift, a.right, a.bottom + shift), 1.0f, 0.0f);
        }
    }
    begin_screen_quads(m_d3d);
    draw_screen_quad(m_d3d, m_background_quad, m_background->handle());
    if (scrolling)
        for (image_s &image : m_images)
            draw_screen_quad(m_d3d, image.quad, image.texture->handle());
    end_screen_quads(m_d3d);
}

#include "game/splash_dispatcher.h"

#include "game/screen_quad.h"
#include "kernel/exception.h"
#include "services/manager_texture_files.h"
#include "services/srvc_d3d.h"

namespace {
constexpr int VIDEO_SIDE = 512;
// The picture is a 1024 x 1024 texture of which the upper 1024 x 768 show.
constexpr float PICTURE_SIDE = 1024.0f;
constexpr float PICTURE_V = 0.75f;
} // namespace

splash_dispatcher::splash_dispatcher(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes), m_d3d(get_d3d_service(this)), m_vertex_buffer(nullptr), m_end_time(-1.0f),
      m_picture_shown(false), m_still_video(false)
{
    root()->message(MSG_VAR(cursor_show), 0, this, MSG_ARG(0), MSG_ARGS_END);
    ENGINE_ASSERT(alive());
    m_music = isound_mgr_c().create_sound(attribute("background_music")->get_const_pchar());
    m_music->play();
    m_picture = itexture_mgr_c().create_texture(attribute("video")->get_const_pchar(), 1);
    m_still_video = !dynamic_cast<mpeg_texture_resource_c *>(m_picture->resource());
    const float left = (float)((m_d3d->screen_width() - VIDEO_SIDE) / 2);
    const float top = (float)((m_d3d->screen_height() - VIDEO_SIDE) / 2);
    m_quad = rect(left, top, left + VIDEO_SIDE, top + VIDEO_SIDE);
}

void splash_dispatcher::on_shutdown()
{
    release_d3d_object(m_vertex_buffer);
    m_picture.reset();
    root()->message(MSG_VAR(cursor_show), 0, this, MSG_ARG(1), MSG_ARGS_END);
    abstract_c::on_shutdown();
}

int splash_dispatcher::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(render)) {
        render();
        return 0;
    }
    if (*message == MSG_VAR(video_finished)) {
        if (!m_picture_shown)
            show_picture();
        return 1;
    }
    if (*message == MSG_VAR(tick)) {
        const float now = msg_arg(0)->get_float();
        if (!m_picture_shown && m_still_video) {
            // A still never reports an end as a video does: it stays as long as the picture.
            if (!m_still_end)
                m_still_end = now + attribute("wait_time")->get_float();
            if (now > *m_still_end)
                show_picture();
            return 0;
        }
        if (m_picture_shown && now > m_end_time) {
            root()->message(MSG_VAR(load_screen), 0, this, MSG_ARG("screen_main"), MSG_ARGS_END);
            shutdown_tree();
        }
        return 0;
    }
    return 0;
}

void splash_dispatcher::show_picture()
{
    ENGINE_ASSERT(alive());
    release_d3d_object(m_vertex_buffer);
    m_picture.reset();
    m_picture = itexture_mgr_c().create_texture(attribute("splash")->get_const_pchar(), 0);
    m_quad = rect(0.0f, 0.0f, PICTURE_SIDE, PICTURE_SIDE);
    double now = 0.0;
    root()->message(MSG_VAR(get_common_time), 0, this, MSG_ARG((void *)&now), MSG_ARGS_END);
    m_end_time = (float)now + attribute("wait_time")->get_float();
    m_picture_shown = true;
}

void splash_dispatcher::render()
{
    release_d3d_object(m_vertex_buffer);
    m_vertex_buffer = make_screen_quad(m_d3d, m_quad, m_picture_shown ? PICTURE_V : 1.0f, 1.0f);
    begin_screen_quads(m_d3d);
    draw_screen_quad(m_d3d, m_vertex_buffer, m_picture->handle());
    end_screen_quads(m_d3d);
}

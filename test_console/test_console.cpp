#include "test_console/test_console.h"

#include <cstring>
#include <string>
#include <vector>

#include "basics/console_log.h"
#include "kernel/exception.h"
#include "services/srvc_d3d.h"
#include "services/srvc_input.h"

namespace {

constexpr int CONSOLE_MARGIN = 8;
constexpr int CONSOLE_TOGGLE_KEY = 41;
constexpr unsigned CONSOLE_MAX_LINES = 256;

void set_depth(IDirect3DDevice8 *device, DWORD on)
{
    device->SetRenderState(D3DRS_ZENABLE, on);
    device->SetRenderState(D3DRS_ZWRITEENABLE, on);
}

} // namespace

// ---- console ----

test_console_c::test_console_c(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes), m_d3d(get_d3d_service(this)), m_input(get_input_service(this)),
      m_vbuffer(nullptr), m_char_count(0), m_visible(1)
{
    const char *name = attribute("font_name")->get_const_pchar();
    bitmap_c image;
    if (!image.load(name) || !m_bitmap_font.cut(std::move(image)))
        ENGINE_THROW(exception_c, std::string("Could not load bitmap font '") + name + "'");
    m_vertex_font = std::make_unique<vertex_font_c>(m_bitmap_font);
}

test_console_c::~test_console_c() noexcept(false) { release_buffer(); }

void test_console_c::release_buffer()
{
    if (m_vbuffer)
        m_vbuffer->Release();
    m_vbuffer = nullptr;
    m_char_count = 0;
}

int test_console_c::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(tick)) {
        update();
    } else if (*message == MSG_VAR(render)) {
        render();
    } else if (*message == MSG_VAR(test_key_pressed)) {
        if (msg_arg(0)->get_int() == CONSOLE_TOGGLE_KEY)
            m_visible = !m_visible;
        update();
    } else if (*message == MSG_VAR(app_startup)) {
        m_texture = itexture_mgr_c().create_from_bitmap(m_vertex_font->atlas(), 1);
        build_text();
    }
    return 0;
}

void test_console_c::update()
{
    if (m_visible && log_changed())
        build_text();
}

void test_console_c::build_text()
{
    const int left = CONSOLE_MARGIN, top = CONSOLE_MARGIN;
    const int right = m_d3d->screen_width() - CONSOLE_MARGIN, bottom = m_d3d->screen_height() - CONSOLE_MARGIN;
    const unsigned fit = bottom > top ? (unsigned)((bottom - top) / m_vertex_font->line_height()) : 0;
    unsigned shown = log_line_count();
    if (shown > fit)
        shown = fit;
    if (shown > CONSOLE_MAX_LINES)
        shown = CONSOLE_MAX_LINES;
    std::vector<const char *> lines;
    for (unsigned i = shown; i-- > 0;)
        lines.push_back(log_line(i));
    const vec3 c = attribute("text_color")->get_vec3();
    std::vector<unlit_vertex_s> vertices;
    const int chars = m_vertex_font->build_text(vertices, lines, left, top, right, bottom, vertex_font_c::ALIGN_LEFT,
                                                vertex_font_c::ALIGN_TOP, d3d_color(c.x, c.y, c.z, 1.0f));
    release_buffer();
    if (chars > 0) {
        m_vbuffer = make_unlit_vbuffer(m_d3d, vertices.data(), (int)vertices.size());
        m_char_count = chars;
    }
    log_reset_changed();
}

void test_console_c::render()
{
    if (!m_vbuffer || !m_char_count || !m_texture || !m_visible)
        return;
    IDirect3DDevice8 *device = m_d3d->device();
    m_d3d->set_unlit_vertex_format();
    set_depth(device, FALSE);
    m_d3d->set_blend_mode(0, 4, 0);
    device->SetStreamSource(0, m_vbuffer, (UINT)sizeof(unlit_vertex_s));
    device->SetTexture(0, m_texture->handle());
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, (UINT)m_char_count * 2);
    set_depth(device, TRUE);
}

// ---- crosshair ----

test_crosshair_c::test_crosshair_c(abstract_c *parent, const attribute_list_c *attributes)
    : abstract_c(parent, attributes), m_d3d(get_d3d_service(this))
{
}

int test_crosshair_c::handle_message(const msg_c *message, abstract_c *)
{
    if (*message == MSG_VAR(render))
        render();
    else if (*message == MSG_VAR(app_startup))
        m_texture = itexture_mgr_c().create_texture(attribute("texture_name")->get_const_pchar(), 0);
    return 0;
}

void test_crosshair_c::render()
{
    if (!m_texture)
        return;
    const float w = (float)m_texture->width(), h = (float)m_texture->height();
    const float x = (float)((m_d3d->screen_width() - m_texture->width()) / 2);
    const float y = (float)((m_d3d->screen_height() - m_texture->height()) / 2);
    const D3DCOLOR white = 0xFFFFFFFF;
    const std::vector<unlit_vertex_s> quad = {{x, y, 1.0f, 1.0f, white, 0.0f, 0.0f},
                                              {x + w, y, 1.0f, 1.0f, white, 1.0f, 0.0f},
                                              {x + w, y + h, 1.0f, 1.0f, white, 1.0f, 1.0f},
                                              {x, y + h, 1.0f, 1.0f, white, 0.0f, 1.0f}};
    IDirect3DVertexBuffer8 *buffer = make_unlit_vbuffer(m_d3d, quad.data(), (int)quad.size());
    IDirect3DDevice8 *device = m_d3d->device();
    m_d3d->set_unlit_vertex_format();
    m_d3d->set_blend_mode(0, 2, 0);
    m_d3d->set_lighting(0);
    set_depth(device, FALSE);
    device->SetStreamSource(0, buffer, (UINT)sizeof(unlit_vertex_s));
    device->SetTexture(0, m_texture->handle());
    device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
    m_d3d->set_opaque_mode();
    set_depth(device, TRUE);
    buffer->Release();
}

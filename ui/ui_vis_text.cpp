#include "ui/ui_vis_text.h"

#include <vector>

#include "kernel/exception.h"
#include "services/manager_font.h"
#include "services/srvc_d3d.h"

namespace {
// A colour component from a script, truncated; what no byte holds (a NaN included) saturates.
unsigned component(float x)
{
    if (!(x > 0.0f))
        return 0;
    return x >= 255.0f ? 255u : unsigned(x);
}
} // namespace

unsigned ui_vis_text_c::color_of(const vec3 &rgb)
{
    return 0xFF000000u | component(rgb.x) << 16 | component(rgb.y) << 8 | component(rgb.z);
}

ui_vis_text_c::ui_vis_text_c(abstract_c *parent, const attribute_list_c *attributes)
    : ui_vis_renderable_c(parent, rect(), attributes), m_font(nullptr), m_justify(0), m_chars_color(0),
      m_char_count(0)
{
    m_justify = attribute("justify")->get_int();
    m_chars_color = color_of(attribute("chars_color")->get_vec3());
    const char *name = attribute("font_name")->get_const_pchar();
    abstract_c *font = get_font_mgr(this)->load_res(name, 0);
    m_font = dynamic_cast<font_resource_c *>(font);
    if (!m_font) {
        if (font)
            release_res(font);
        ENGINE_THROW(exception_c, std::string("Font '") + name + "' not found");
    }
}

void ui_vis_text_c::on_shutdown()
{
    if (m_font) {
        abstract_c *font = m_font;
        m_font = nullptr;
        release_res(font);
    }
    ui_vis_renderable_c::on_shutdown();
}

int ui_vis_text_c::line_count()
{
    return 1;
}

const char *ui_vis_text_c::line_text(int)
{
    return "It works ?!";
}

void ui_vis_text_c::build_geometry(const vec2 &)
{
    release_buffers();
    m_vertex_count = 0;
    m_char_count = 0;
    if (!m_font)
        return;
    const int n = line_count();
    std::vector<const char *> lines(size_t(n > 0 ? n : 0));
    for (int i = 0; i < n; ++i)
        lines[size_t(i)] = line_text(i);
    const text_buffer_s built = m_font->build_text(m_screen_rect, m_justify, m_chars_color, lines.data(), n);
    m_vertex_buffer = built.buffer;
    m_vertex_count = built.capacity;
    m_char_count = built.written / 6;
}

void ui_vis_text_c::draw(const vec2 &)
{
    IDirect3DDevice8 *device = m_d3d->device();
    if (!is_visible() || !m_vertex_buffer || !m_vertex_count || m_char_count < 1 || !device)
        return;
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    m_d3d->set_blend_mode((m_flags & UI_BLEND_ADDITIVE) ? 1 : 0, 2, 0);
    m_d3d->set_unlit_vertex_format();
    m_d3d->set_lighting(0);
    device->SetStreamSource(0, m_vertex_buffer, VERTEX_SIZE);
    abstract_c *texture = m_font->texture();
    IDirect3DTexture8 *handle =
        texture ? static_cast<IDirect3DTexture8 *>(texture->attribute("handle")->get_ptr()) : nullptr;
    if (FAILED(device->SetTexture(0, handle)))
        ENGINE_THROW(exception_c, "Error in ui_vis_text while setting texture!");
    if (FAILED(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, UINT(m_char_count) * 2)))
        ENGINE_THROW(exception_c, "Error in ui_vis_text while drawing primitive!");
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    release_buffers();
}

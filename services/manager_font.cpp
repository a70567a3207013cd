#include "services/manager_font.h"

#include "importers/bitmap.h"
#include "kernel/exception.h"
#include "services/font_bmp.h"
#include "services/manager_texture.h"
#include "services/srvc_d3d.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>

// ---- manager --------------------------------------------------------------------------------

manager_font_c::manager_font_c(abstract_c *parent, const attribute_list_c *attributes)
    : manager_basic_c(parent, attributes)
{
}

int manager_font_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (manager_basic_c::handle_message(message, sender))
        return 1;
    return answer_manager_request(message, MSG_VAR(get_font_mgr), this);
}

data_entity_c *manager_font_c::create_data(const char *name, int)
{
    try {
        return new font_bitmap_data_c(this, name);
    } catch (const exception_c &) {
        ENGINE_THROW(exception_c, std::string("Font '") + name + "' not found");
    }
}

manager_font_c *get_font_mgr(abstract_c *for_who)
{
    return static_cast<manager_font_c *>(find_manager(for_who, "get_font_mgr"));
}

// ---- data -----------------------------------------------------------------------------------

font_data_c::font_data_c(manager_font_c *manager, const char *template_name, const char *name)
    : data_entity_c(manager, template_name, name), m_manager(manager), m_d3d(get_d3d_service(manager))
{
}

font_data_c::~font_data_c() = default;

void font_data_c::on_shutdown()
{
    set_texture(nullptr);
}

void font_data_c::set_texture(abstract_c *texture)
{
    if (abstract_c *old = m_texture.get())
        release_res(old);
    m_texture = texture;
}

font_bitmap_data_c::font_bitmap_data_c(manager_font_c *manager, const char *name)
    : font_data_c(manager, "bitmap_texture_tpl", name)
{
}

resource_entity_c *font_bitmap_data_c::create_resource(int)
{
    font_resource_c *res = new font_resource_c(m_manager, this);
    try {
        const int s = res->texture_size;
        const D3DFORMAT format = m_d3d->get_texture_format(1);
        const pixel_converter_t convert = d3d_service_c::find_pixel_converter(format);
        if (!convert)
            ENGINE_THROW(exception_c, "invalid texture format (no appropriate filter)");
        set_texture(new own_texture_c(get_texture_mgr(this), format, s, s, 1));
        IDirect3DTexture8 *handle = static_cast<IDirect3DTexture8 *>(m_texture->attribute("handle")->get_ptr());
        const D3DLOCKED_RECT locked = m_d3d->lock_texture(handle, 0);
        for (int i = 0; i < s; ++i)
            convert((unsigned char *)locked.pBits + (size_t)(s - 1 - i) * locked.Pitch, &res->pixels[(size_t)i * s], s);
        m_d3d->unlock_texture(handle, 0);
    } catch (...) {
        res->shutdown_tree();
        throw;
    }
    return res;
}

// ---- the font -------------------------------------------------------------------------------

int font_resource_c::pack(const std::vector<int> &glyph_widths, int height, int average_width,
                          std::vector<std::pair<int, int>> *places)
{
    const double area = (double)glyph_widths.size() * height * average_width;
    const long long root = (long long)std::sqrt(area);
    int s = 1;
    while (s <= root && s <= 2048)
        s <<= 1;
    for (; s <= 2048; s <<= 1) {
        std::vector<std::pair<int, int>> placed;
        long long x = 0, y = 0;
        bool fits = true;
        for (int w : glyph_widths) {
            if (x + w + 1 > s) {
                x = 0;
                y += height + 1;
            }
            // The whole glyph must lie inside, its bottom row included.
            if (y + height > s || x + w > s) {
                fits = false;
                break;
            }
            placed.push_back({(int)x, (int)y});
            x += w + 1;
        }
        if (fits) {
            if (places)
                *places = std::move(placed);
            return s;
        }
    }
    return 0;
}

font_resource_c::font_resource_c(manager_font_c *manager, font_data_c *data)
    : resource_entity_c(manager, nullptr, data, 0), loaded(0), char_count(0), texture_size(0), char_height(0),
      m_d3d(get_d3d_service(manager))
{
    const std::string name = data->name();
    font_bmp_c strip(("fonts/" + name + ".bmp").c_str());
    if (!strip.valid())
        ENGINE_THROW(exception_c, "Error loading bitmap font '" + name + "'");
    // Codes 32..255: a strip with more glyphs than that has nothing to give the rest to.
    const int n = std::min(strip.char_num(), 224), h = strip.height();
    std::vector<int> glyph_widths;
    for (int i = 0; i < n; ++i)
        glyph_widths.push_back(strip.glyph_width((unsigned char)(32 + i)));
    std::vector<std::pair<int, int>> places;
    const int s = pack(glyph_widths, h, strip.average_width(), &places);
    if (s == 0)
        ENGINE_THROW(exception_c, "Error while creating font resource from'" + name + "'");

    texture_size = s;
    char_count = n;
    widths = glyph_widths;
    uv.resize((size_t)4 * n);
    bitmap_c image;
    if (!image.create(s, s, 0, 0))
        ENGINE_THROW(exception_c, "Error while creating font resource from'" + name + "'");
    image.fill(0);
    for (int i = 0; i < n; ++i) {
        const int x = places[i].first, y = places[i].second, w = widths[i];
        strip.draw_glyph(image, x, y, (unsigned char)(32 + i));
        uv[4 * i] = (float)x / s;
        uv[4 * i + 1] = (float)y / s;
        uv[4 * i + 2] = (float)(x + w) / s;
        uv[4 * i + 3] = (float)(y + h) / s;
    }
    char_height = h;
    pixels.resize((size_t)s * s);
    const unsigned char *p = image.pixels();
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = (uint32_t)p[i * 3] << 24 | 0xFFFFFFu;
    loaded = 1;
}

void font_resource_c::on_shutdown()
{
    widths.clear();
    widths.shrink_to_fit();
    uv.clear();
    uv.shrink_to_fit();
    pixels.clear();
    pixels.shrink_to_fit();
    loaded = 0;
}

abstract_c *font_resource_c::texture() const
{
    return m_data ? static_cast<font_data_c *>(m_data)->texture() : nullptr;
}

int font_resource_c::text_width(const char *text, int *length) const
{
    if (length)
        *length = text ? (int)std::strlen(text) : 0;
    if (!loaded || !text)
        return 0;
    int width = 0;
    for (const unsigned char *c = (const unsigned char *)text; *c; ++c)
        if (*c >= 32 && *c - 32 < char_count)
            width += widths[*c - 32];
    return width;
}

text_buffer_s font_resource_c::build_text(const rect &r, int flags, uint32_t colour, const char **lines,
                                          int line_count) const
{
    long long total = 0;
    for (int i = 0; i < line_count; ++i)
        total += lines[i] ? (long long)std::strlen(lines[i]) : 0;
    if (!loaded || total == 0)
        return {nullptr, 0, 0};
    if (total > INT_MAX / 6)
        ENGINE_THROW(exception_c, "Could not create vertex buffer");
    const int capacity = (int)total * 6;
    IDirect3DVertexBuffer8 *buffer = m_d3d->create_vbuffer(sizeof(unlit_vertex_s), capacity, d3d_service_c::UNLIT_FVF);
    unlit_vertex_s *v = nullptr;
    try {
        v = static_cast<unlit_vertex_s *>(m_d3d->lock_vbuffer(sizeof(unlit_vertex_s), buffer, 0, capacity));
    } catch (...) {
        buffer->Release();
        throw;
    }

    const float block = (float)line_count * char_height;
    const float y0 = (flags & 8) ? r.top : (flags & 0x20) ? r.bottom - block : (float)((int)(r.top + r.bottom - block) >> 1);
    int written = 0;
    for (int i = 0; i < line_count; ++i) {
        const unsigned char *line = (const unsigned char *)lines[i];
        if (!line || !*line)
            continue;
        const float w = (float)text_width((const char *)line, nullptr);
        float x = (flags & 1) ? r.left : (flags & 4) ? r.right - w : (float)((int)(r.left + r.right - w) >> 1);
        const float y = y0 + (float)i * char_height;
        if (y < r.top || y + char_height > r.bottom)
            continue;
        for (const unsigned char *c = line; *c; ++c) {
            if (*c < 32 || *c - 32 >= char_count)
                continue;
            const int g = *c - 32;
            const float gw = (float)widths[g];
            if (x >= r.left && x + gw <= r.right) {
                const float left = x, right = x + gw, top = y, bottom = y + char_height;
                const float *t = &uv[(size_t)4 * g];
                const unlit_vertex_s bl{left, bottom, 0.0f, 1.0f, colour, t[0], t[3]};
                const unlit_vertex_s tl{left, top, 0.0f, 1.0f, colour, t[0], t[1]};
                const unlit_vertex_s tr{right, top, 0.0f, 1.0f, colour, t[2], t[1]};
                const unlit_vertex_s br{right, bottom, 0.0f, 1.0f, colour, t[2], t[3]};
                const unlit_vertex_s quad[6] = {bl, tl, tr, br, bl, tr};
                std::memcpy(v + written, quad, sizeof quad);
                written += 6;
            }
            x += gw;
        }
    }
    try {
        m_d3d->unlock_vbuffer(buffer);
    } catch (...) {
        buffer->Release();
        throw;
    }
    return {buffer, capacity, written};
}

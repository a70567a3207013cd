#include "services/manager_texture.h"

#include "importers/bitmap.h"
#include "kernel/exception.h"
#include "services/manager_texture_files.h"
#include "services/srvc_d3d.h"

#include <string>
#include <vector>

// ---- bitmap conversion ----------------------------------------------------------------------

namespace {

// The index of the single set bit, -1 when not a power of two.
int level_index(int size)
{
    if (size <= 0 || (size & (size - 1)))
        return -1;
    int i = 0;
    while (size >>= 1)
        ++i;
    return i;
}

// Releases the texture unless it was handed out.
struct texture_guard_s
{
    IDirect3DTexture8 *texture;
    ~texture_guard_s()
    {
        if (texture)
            texture->Release();
    }
};

// Halves a picture of width x height pixels of bpp bytes: each pixel the rounded mean of its
// 2x2 block. dst may be src: every pixel is written after the pixels it reads.
void halve(const unsigned char *src, int stride, int width, int height, int bpp, unsigned char *dst)
{
    const int new_stride = stride / 2;
    for (int y = 0; y < height / 2; ++y)
        for (int x = 0; x < width / 2; ++x) {
            const unsigned char *a = src + (size_t)(2 * y) * stride + (size_t)(2 * x) * bpp;
            const unsigned char *c = a + stride;
            unsigned char *d = dst + (size_t)y * new_stride + (size_t)x * bpp;
            for (int k = 0; k < bpp; ++k)
                d[k] = (unsigned char)((a[k] + a[bpp + k] + c[k] + c[bpp + k] + 2) >> 2);
        }
}

} // namespace

int bitmap_mip_levels(int width, int height)
{
    const int w = level_index(width), h = level_index(height);
    const int smaller = h < w ? h : w;
    return smaller + 1;
}

texture_info bitmap_to_texture(d3d_service_c *d3d, const bitmap_c &image, int max_levels)
{
    texture_info tinfo{};
    tinfo.width = image.width();
    tinfo.height = image.height();
    tinfo.mipmap_levels = bitmap_mip_levels(tinfo.width, tinfo.height);
    if (max_levels > 0 && max_levels < tinfo.mipmap_levels)
        tinfo.mipmap_levels = max_levels;
    ENGINE_ASSERT(tinfo.mipmap_levels > 0 && tinfo.width > 0 && tinfo.width <= 2048 && tinfo.height > 0 && tinfo.height <= 2048);
    tinfo.format = d3d->get_texture_format(image.has_alpha());
    tinfo.alpha = image.has_alpha();

    texture_guard_s guard{d3d->create_texture(tinfo.width, tinfo.height, tinfo.format, tinfo.mipmap_levels)};
    const pixel_converter_t convert = d3d_service_c::find_pixel_converter(tinfo.format);
    if (!convert)
        ENGINE_THROW(exception_c, "invalid texture format (no appropriate filter)");

    const int bpp = image.bytes_per_pixel();
    int stride = image.stride(), width = tinfo.width, height = tinfo.height;
    std::vector<unsigned char> work((size_t)stride * height);
    const unsigned char *source = image.pixels();
    for (int level = 0; level < tinfo.mipmap_levels; ++level) {
        if (level > 0 && height > 1) {
            halve(source, stride, width, height, bpp, work.data());
            source = work.data();
            stride /= 2;
            width >>= 1;
            height >>= 1;
        }
        const D3DLOCKED_RECT locked = d3d->lock_texture(guard.texture, level);
        for (int row = 0; row < height; ++row)
            convert((unsigned char *)locked.pBits + (size_t)(height - 1 - row) * locked.Pitch,
                    source + (size_t)row * stride, width);
        d3d->unlock_texture(guard.texture, level);
    }
    tinfo.texture = guard.texture;
    guard.texture = nullptr;
    return tinfo;
}

// ---- manager --------------------------------------------------------------------------------

manager_texture_c::manager_texture_c(abstract_c *parent, const attribute_list_c *attributes)
    : manager_basic_c(parent, attributes)
{
}

int manager_texture_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (manager_basic_c::handle_message(message, sender))
        return 1;
    if (answer_manager_request(message, MSG_VAR(get_texture_mgr), this))
        return 1;
    if (*message == MSG_VAR(texture_mgr_create_bitmap)) {
        abstract_c **out = static_cast<abstract_c **>(msg_arg(0)->get_ptr());
        const bitmap_c *image = static_cast<const bitmap_c *>(msg_arg(1)->get_const_ptr());
        *out = new own_texture_c(this, *image, msg_arg(2)->get_int());
        return 1;
    }
    return 0;
}

data_entity_c *manager_texture_c::create_data(const char *name, int prm)
{
    try {
        return new bitmap_texture_data_c(this, name, prm);
    } catch (const exception_c &) {
    }
    try {
        return new dds_texture_data_c(this, name);
    } catch (const exception_c &) {
    }
    try {
        return new mpeg_texture_data_c(this, name);
    } catch (const exception_c &) {
    }
    ENGINE_THROW(exception_c, std::string("Texture '") + name + "' not found");
}

manager_texture_c *get_texture_mgr(abstract_c *for_who)
{
    return static_cast<manager_texture_c *>(find_manager(for_who, "get_texture_mgr"));
}

// ---- resource entries -----------------------------------------------------------------------

texture_resource_c::texture_resource_c(manager_texture_c *manager)
    : resource_entity_c(manager, nullptr, nullptr, 0)
{
    add_attribute(&m_handle, m_attributes, "handle", value_c((void *)nullptr), 1);
    add_attribute(&m_format, m_attributes, "format", value_c(0), 1);
    add_attribute(&m_alphablended, m_attributes, "alphablended", value_c(0), 1);
    add_attribute(&m_miplevels, m_attributes, "miplevels", value_c(0), 1);
    add_attribute(&m_width, m_attributes, "width", value_c(0), 1);
    add_attribute(&m_height, m_attributes, "height", value_c(0), 1);
}

texture_resource_c::texture_resource_c(manager_texture_c *manager, texture_data_c *data)
    : resource_entity_c(manager, nullptr, data, 0)
{
    const texture_info info = data ? data->info() : texture_info{};
    add_attribute(&m_handle, m_attributes, "handle", value_c((void *)info.texture), 1);
    add_attribute(&m_format, m_attributes, "format", value_c((int)info.format), 1);
    add_attribute(&m_alphablended, m_attributes, "alphablended", value_c(info.alpha), 1);
    add_attribute(&m_miplevels, m_attributes, "miplevels", value_c(info.mipmap_levels), 1);
    add_attribute(&m_width, m_attributes, "width", value_c(info.width), 1);
    add_attribute(&m_height, m_attributes, "height", value_c(info.height), 1);
}

void texture_resource_c::show(const texture_info &info)
{
    m_handle.value() = value_c((void *)info.texture);
    m_format.value().set_int((int)info.format);
    m_alphablended.value().set_int(info.alpha);
    m_miplevels.value().set_int(info.mipmap_levels);
    m_width.value().set_int(info.width);
    m_height.value().set_int(info.height);
}

IDirect3DTexture8 *texture_resource_c::handle_value()
{
    return static_cast<IDirect3DTexture8 *>(m_handle.value().get_ptr());
}

own_texture_c::own_texture_c(manager_texture_c *manager, D3DFORMAT format, int width, int height, int levels)
    : texture_resource_c(manager), m_d3d(get_d3d_service(manager))
{
    m_ref_count = 1;
    texture_info info{};
    info.texture = m_d3d->create_texture(width, height, format, levels);
    info.format = format;
    info.width = width;
    info.height = height;
    info.mipmap_levels = levels;
    show(info);
}

own_texture_c::own_texture_c(manager_texture_c *manager, const bitmap_c &image, int max_miplevels)
    : texture_resource_c(manager), m_d3d(get_d3d_service(manager))
{
    m_ref_count = 1;
    show(bitmap_to_texture(m_d3d, image, max_miplevels));
}

own_texture_c::~own_texture_c()
{
    release_texture();
}

void own_texture_c::on_shutdown()
{
    release_texture();
}

void own_texture_c::release_texture()
{
    if (IDirect3DTexture8 *texture = handle_value())
        texture->Release();
    m_handle.value() = value_c((void *)nullptr);
}

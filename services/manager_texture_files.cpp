#include "services/manager_texture_files.h"

#include "basics/helpers.h"
#include "basics/vaultfile_obj.h"
#include "importers/bitmap.h"
#include "kernel/exception.h"
#include "platform/d3d/d3dx8.h"
#include "services/srvc_d3d.h"

#include <climits>
#include <string>
#include <vector>

// ---- common ---------------------------------------------------------------------------------

texture_data_c::texture_data_c(manager_texture_c *manager, const char *template_name, const char *name)
    : data_entity_c(manager, template_name, name), m_manager(manager), m_d3d(get_d3d_service(manager)), m_info{}
{
}

// Also when a derived constructor failed after making the texture.
texture_data_c::~texture_data_c()
{
    if (m_info.texture)
        m_info.texture->Release();
}

void texture_data_c::on_shutdown()
{
    if (m_info.texture)
        m_info.texture->Release();
    m_info.texture = nullptr;
}

// ---- images ---------------------------------------------------------------------------------

bitmap_texture_data_c::bitmap_texture_data_c(manager_texture_c *manager, const char *name, int prm)
    : texture_data_c(manager, "bitmap_texture_tpl", name)
{
    bitmap_c image(name);
    m_info = bitmap_to_texture(m_d3d, image, prm);
}

resource_entity_c *bitmap_texture_data_c::create_resource(int)
{
    return new texture_resource_c(m_manager, this);
}

// ---- DDS ------------------------------------------------------------------------------------

namespace {

bool dds_format_alpha(D3DFORMAT format)
{
    return format == D3DFMT_A8R8G8B8 || format == D3DFMT_A1R5G5B5 || format == D3DFMT_A4R4G4B4 ||
           format == D3DFMT_A8R3G3B2;
}

} // namespace

dds_texture_data_c::dds_texture_data_c(manager_texture_c *manager, const char *name)
    : texture_data_c(manager, "dds_texture_tpl", name)
{
    const std::string file = std::string(name) + ".dds";
    std::vector<unsigned char> bytes;
    {
        vaultfile_c f(file.c_str(), VFILE_READ);
        const unsigned long long size = f.size();
        if (size == 0)
            ENGINE_THROW(exception_c, "Empty DDS file '" + file + "'");
        if (size > (unsigned long long)INT_MAX)
            ENGINE_THROW(exception_c, "Could not load DDS texture '" + file + "'");
        bytes.resize((size_t)size);
        f.read(bytes.data(), (int)size);
    }
    D3DXIMAGE_INFO image{};
    IDirect3DTexture8 *texture = nullptr;
    if (!m_d3d->initialized() ||
        FAILED(D3DXCreateTextureFromFileInMemoryEx(m_d3d->device(), bytes.data(), (UINT)bytes.size(), D3DX_DEFAULT,
                                                   D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                                   D3DX_FILTER_POINT, D3DX_FILTER_BOX, 0, &image, nullptr,
                                                   &texture)))
        ENGINE_THROW(exception_c, "Could not load DDS texture '" + file + "'");
    m_info.texture = texture;
    m_info.format = image.Format;
    m_info.width = (int)image.Width;
    m_info.height = (int)image.Height;
    m_info.mipmap_levels = (int)image.MipLevels;
    m_info.alpha = dds_format_alpha(image.Format) ? 1 : 0;
}

resource_entity_c *dds_texture_data_c::create_resource(int)
{
    return new texture_resource_c(m_manager, this);
}

// ---- video ----------------------------------------------------------------------------------

mpeg_texture_data_c::mpeg_texture_data_c(manager_texture_c *manager, const char *name)
    : texture_data_c(manager, "mpeg_texture_tpl", name)
{
    if (!m_d3d->is_texture_format_supported(D3DFMT_X8R8G8B8))
        ENGINE_THROW(exception_c, std::string("To use video textures 3D adapter must support 32 bit alpha-rgb "
                                              "textures (") +
                                      d3dfmt_name(D3DFMT_X8R8G8B8) + ")");
    open(mpeg_video_reader((std::string(name) + ".m1v").c_str()));
}

mpeg_texture_data_c::mpeg_texture_data_c(manager_texture_c *manager, const char *name,
                                         std::unique_ptr<video_reader_i> reader)
    : texture_data_c(manager, "mpeg_texture_tpl", name)
{
    open(std::move(reader));
}

void mpeg_texture_data_c::open(std::unique_ptr<video_reader_i> reader)
{
    m_reader = std::move(reader);
    m_info.width = m_reader->width();
    m_info.height = m_reader->height();
    m_info.mipmap_levels = 1;
    m_info.format = D3DFMT_X8R8G8B8;
    m_info.alpha = 0;
    m_info.texture = m_d3d->create_texture(m_info.width, m_info.height, D3DFMT_X8R8G8B8, 1);
}

void mpeg_texture_data_c::on_shutdown()
{
    m_reader.reset();
    texture_data_c::on_shutdown();
}

int mpeg_texture_data_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (texture_data_c::handle_message(message, sender))
        return 1;
    if (*message == MSG_VAR(tick)) {
        step(msg_arg(0)->get_float());
        return 0;
    }
    if (*message == MSG_VAR(texture_mpeg_pause)) {
        m_clock.paused = msg_arg(0)->get_int();
        return 1;
    }
    if (*message == MSG_VAR(texture_mpeg_restart)) {
        if (m_reader)
            m_reader->restart();
        m_clock.restart();
        return 1;
    }
    return 0;
}

void mpeg_texture_data_c::step(double now)
{
    switch (video_step(m_reader.get(), m_clock, now)) {
    case video_step_e::finished:
        root()->message(MSG_VAR(video_finished), 0, this, MSG_ARGS_END);
        break;
    case video_step_e::new_picture: {
        const D3DLOCKED_RECT locked = m_d3d->lock_texture(m_info.texture, 0);
        video_copy_frame(*m_reader, locked, m_info.width, m_info.height);
        m_d3d->unlock_texture(m_info.texture, 0);
        break;
    }
    case video_step_e::nothing:
        break;
    }
}

resource_entity_c *mpeg_texture_data_c::create_resource(int)
{
    return new mpeg_texture_resource_c(m_manager, this);
}

mpeg_texture_resource_c::mpeg_texture_resource_c(manager_texture_c *manager, mpeg_texture_data_c *data)
    : texture_resource_c(manager, data)
{
}

int mpeg_texture_resource_c::handle_message(const msg_c *message, abstract_c *sender)
{
    if (texture_resource_c::handle_message(message, sender))
        return 1;
    if ((*message == MSG_VAR(texture_mpeg_pause) || *message == MSG_VAR(texture_mpeg_restart)) && m_data)
        return m_data->handle_message(message, sender);
    return 0;
}

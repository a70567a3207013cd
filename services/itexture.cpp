#include "services/itexture.h"

#include "kernel/exception.h"

static_assert(sizeof(itexture_c) == sizeof(void *), "a texture handle is one pointer wide");

itexture_c::itexture_c(const bitmap_c &image, abstract_c *mgr, int max_miplevels)
{
    ENGINE_ASSERT(mgr);
    ENGINE_ASSERT(mgr->message(MSG_VAR(texture_mgr_create_bitmap), 0, NULL, MSG_ARG((void *)&m_resource), MSG_ARG((const void *)&image), MSG_ARG((int)max_miplevels), MSG_ARGS_END));
    ENGINE_ASSERT(m_resource);
}

IDirect3DTexture8 *itexture_c::handle() const
{
    return static_cast<IDirect3DTexture8 *>(m_resource->attribute("handle")->get_ptr());
}

int itexture_c::alphablended() const { return m_resource->attribute("alphablended")->get_int(); }

int itexture_c::width() const { return m_resource->attribute("width")->get_int(); }

int itexture_c::height() const { return m_resource->attribute("height")->get_int(); }

std::unique_ptr<itexture_c> itexture_mgr_c::create_texture(const char *name, int prm)
{
    auto texture = std::make_unique<itexture_c>();
    texture->load(name, m_manager, prm);
    return texture;
}

std::unique_ptr<itexture_c> itexture_mgr_c::create_from_bitmap(const bitmap_c &image, int max_miplevels)
{
    return std::make_unique<itexture_c>(image, m_manager, max_miplevels);
}

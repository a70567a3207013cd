// Textures: the texture manager (script class "texture_manager") and the resource entries
// users hold.
//
// A name is looked up as an image that bitmap_c reads (".bmp", ".tga", ".jpg"), then as
// "<name>.dds", then as "<name>.m1v" (services/manager_texture_files.h); the first that can be
// built wins and every failure on the way is dropped, so anything that cannot be built is
// "Texture '<name>' not found". One texture_resource_c per name is shared by all users. The
// load parameter is the most mip levels an image texture gets (0 or less: the whole chain),
// used when its data entry is made.
//
// Own textures (own_texture_c) belong to one holder and are never shared: from an image
// (texture_mgr_create_bitmap: PTR out, CONST_PTR bitmap_c, INT max levels) or empty of a
// given format and size (the font manager). They start with one reference; releasing it
// releases the device texture.
//
// A resource entry's attributes: handle (PTR, the IDirect3DTexture8), format, alphablended,
// miplevels, width, height (INT).
//
// The bitmap conversion makes a managed texture of the service's texture format for the
// image's alpha, with 1 + log2 of the smaller side levels (fewer when max levels says so),
// each level the previous one halved by a 2x2 box filter ((a + b + c + d + 2) >> 2 per
// channel). Sides must be powers of two from 1 to 2048, else the conversion fails with the
// assertion "tinfo.mipmap_levels > 0 && tinfo.width > 0 && ...".
#pragma once

#include "platform/d3d/d3d8.h"
#include "services/manager_basic.h"

class bitmap_c;
class d3d_service_c;
class texture_data_c;

struct texture_info
{
    IDirect3DTexture8 *texture;
    D3DFORMAT format;
    int width, height;
    int mipmap_levels;
    int alpha;
};

// Levels of a full chain of an image of this size: 0 when a side is not a power of two.
int bitmap_mip_levels(int width, int height);
// The conversion above; the result owns the texture. Device errors and the format error
// "invalid texture format (no appropriate filter)" are thrown after the texture is released.
texture_info bitmap_to_texture(d3d_service_c *d3d, const bitmap_c &image, int max_levels);

class manager_texture_c : public manager_basic_c
{
public:
    manager_texture_c(abstract_c *parent, const attribute_list_c *attributes);
    int handle_message(const msg_c *message, abstract_c *sender) override;
    data_entity_c *create_data(const char *name, int prm) override;
};

// get_texture_mgr to the root; see find_manager for the assertions.
manager_texture_c *get_texture_mgr(abstract_c *for_who);

class texture_resource_c : public resource_entity_c
{
public:
    // Shared, built on a data entry whose texture_info it shows.
    texture_resource_c(manager_texture_c *manager, texture_data_c *data);

protected:
    // Without data entry: the attributes start as null and 0.
    explicit texture_resource_c(manager_texture_c *manager);
    void show(const texture_info &info);
    IDirect3DTexture8 *handle_value();

    attribute_c m_handle, m_format, m_alphablended, m_miplevels, m_width, m_height;
};

class own_texture_c : public texture_resource_c
{
public:
    // An empty texture; alphablended stays 0.
    own_texture_c(manager_texture_c *manager, D3DFORMAT format, int width, int height, int levels);
    own_texture_c(manager_texture_c *manager, const bitmap_c &image, int max_miplevels);
    ~own_texture_c() override;
    void on_shutdown() override;

private:
    void release_texture();
    d3d_service_c *m_d3d;
};

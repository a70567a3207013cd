// Texture handles (see services/ibasic.h for the common contract).
//
// itexture_mgr_c finds the texture manager ("get_texture_mgr"). An itexture_c holds either a
// texture shared by name (create_texture; prm goes to the texture manager unchanged) or a
// texture of its own made from an image (create_from_bitmap / the bitmap constructor:
// texture_mgr_create_bitmap to the manager; the image is read during the call only). Both are
// given back by release. The accessors read the resource's attributes handle (PTR, the device
// texture), alphablended, width and height (INT).
#pragma once

#include <memory>

#include "services/ibasic.h"

class bitmap_c;
class IDirect3DTexture8;

class itexture_c : public ibasic_c
{
public:
    itexture_c() = default;
    // Asserts "mgr", the quoted texture_mgr_create_bitmap send and "m_resource".
    itexture_c(const bitmap_c &image, abstract_c *mgr, int max_miplevels);

    IDirect3DTexture8 *handle() const;
    int alphablended() const;
    int width() const;
    int height() const;
};

class itexture_mgr_c : public ibasic_mgr_c
{
public:
    itexture_mgr_c() : ibasic_mgr_c("get_texture_mgr") {}

    // A new handle holding the texture `name`; prm 0 or 1, its meaning is the manager's.
    std::unique_ptr<itexture_c> create_texture(const char *name, int prm);
    std::unique_ptr<itexture_c> create_from_bitmap(const bitmap_c &image, int max_miplevels);
};

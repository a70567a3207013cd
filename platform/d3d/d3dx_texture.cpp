#include "platform/d3d/d3dx8.h"

#include "platform/d3d/dds.h"

#include <cstring>

namespace {

// Copies the file's levels into a texture of the file's format.
HRESULT fill_as_is(IDirect3DTexture8 *texture, const BYTE *file, const dds_image_s &image)
{
    for (UINT i = 0; i < image.levels.size(); ++i) {
        const dds_level_s &l = image.levels[i];
        D3DLOCKED_RECT locked;
        HRESULT hr = texture->LockRect(i, &locked, nullptr, 0);
        if (FAILED(hr))
            return hr;
        for (UINT row = 0; row < l.rows; ++row)
            std::memcpy((BYTE *)locked.pBits + (size_t)row * locked.Pitch, file + l.offset + (size_t)row * l.pitch,
                        l.pitch);
        hr = texture->UnlockRect(i);
        if (FAILED(hr))
            return hr;
    }
    return D3D_OK;
}

// Decodes the file's levels into a 32-bit texture.
HRESULT fill_decoded(IDirect3DTexture8 *texture, const BYTE *file, const dds_image_s &image)
{
    std::vector<D3DCOLOR> texels;
    for (UINT i = 0; i < image.levels.size(); ++i) {
        const dds_level_s &l = image.levels[i];
        texels.resize((size_t)l.width * l.height);
        dds_decode(image.format, file + l.offset, l.pitch, l.width, l.height, texels.data());
        D3DLOCKED_RECT locked;
        HRESULT hr = texture->LockRect(i, &locked, nullptr, 0);
        if (FAILED(hr))
            return hr;
        for (UINT row = 0; row < l.height; ++row)
            std::memcpy((BYTE *)locked.pBits + (size_t)row * locked.Pitch, texels.data() + (size_t)row * l.width,
                        (size_t)l.width * 4);
        hr = texture->UnlockRect(i);
        if (FAILED(hr))
            return hr;
    }
    return D3D_OK;
}

} // namespace

HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice8 *device, const void *data, UINT size, UINT width,
                                            UINT height, UINT mip_levels, DWORD usage, D3DFORMAT format,
                                            D3DPOOL pool, DWORD, DWORD, D3DCOLOR color_key, D3DXIMAGE_INFO *info,
                                            PALETTEENTRY *palette, IDirect3DTexture8 **texture, std::string *reason)
{
    auto is_default = [](UINT v) { return v == D3DX_DEFAULT || v == 0; };
    if (!device || !data || !texture || !is_default(width) || !is_default(height) || !is_default(mip_levels) ||
        format != D3DFMT_UNKNOWN || color_key != 0 || palette)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    dds_image_s image;
    std::string why;
    if (!dds_parse((const BYTE *)data, size, &image, &why)) {
        if (reason)
            *reason = why;
        return D3DXERR_INVALIDDATA;
    }

    const UINT levels = (UINT)image.levels.size();
    IDirect3DTexture8 *made = nullptr;
    bool decoded = false;
    HRESULT hr = device->CreateTexture(image.width, image.height, levels, usage, image.format, pool, &made);
    if (FAILED(hr)) {
        // The device takes no textures of this format: fall back to 32-bit texels.
        decoded = true;
        const D3DFORMAT wide = dds_format_has_alpha(image.format) ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
        hr = device->CreateTexture(image.width, image.height, levels, usage, wide, pool, &made);
        if (FAILED(hr))
            return hr;
    }
    hr = decoded ? fill_decoded(made, (const BYTE *)data, image) : fill_as_is(made, (const BYTE *)data, image);
    if (FAILED(hr)) {
        made->Release();
        return hr;
    }
    if (info)
        *info = D3DXIMAGE_INFO{image.width, image.height, 1, levels, image.format, D3DRTYPE_TEXTURE, D3DXIFF_DDS};
    *texture = made;
    return D3D_OK;
}

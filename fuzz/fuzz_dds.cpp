// DDS textures: the input is a ".dds" file. The reader's layout of a file it takes must lie
// inside the input; every level is decoded, and the file is made into a texture on the
// recording device, whose levels must have the sizes the reader gave.
#include "fuzz/d3d_stand.h"
#include "platform/d3d/d3dx8.h"
#include "platform/d3d/dds.h"
#include "services/srvc_d3d.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

[[noreturn]] void fault(const char *what, size_t k)
{
    std::fprintf(stderr, "fuzz_dds: %s (%zu)\n", what, k);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    dds_image_s image;
    std::string error;
    if (!dds_parse(data, size, &image, &error)) {
        if (error.empty())
            fault("refused without a reason", size);
        return 0;
    }
    std::vector<D3DCOLOR> texels;
    for (size_t i = 0; i < image.levels.size(); ++i) {
        const dds_level_s &l = image.levels[i];
        if (l.offset < DDS_HEADER_BYTES || l.offset > size || l.bytes > size - l.offset ||
            (size_t)l.pitch * l.rows != l.bytes)
            fault("level outside the file", i);
        texels.assign((size_t)l.width * l.height, 0);
        if (!dds_decode(image.format, data + l.offset, l.pitch, l.width, l.height, texels.data()))
            fault("a format the reader took does not decode", i);
    }
    IDirect3DTexture8 *texture = nullptr;
    D3DXIMAGE_INFO info{};
    if (SUCCEEDED(D3DXCreateTextureFromFileInMemoryEx(fuzz::d3d_stand()->device(), data, (UINT)size, D3DX_DEFAULT,
                                                      D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
                                                      D3DPOOL_MANAGED, D3DX_FILTER_POINT, D3DX_FILTER_BOX, 0, &info,
                                                      nullptr, &texture))) {
        if (texture->GetLevelCount() != image.levels.size() || info.MipLevels != image.levels.size())
            fault("texture levels differ from the file's", texture->GetLevelCount());
        for (UINT i = 0; i < texture->GetLevelCount(); ++i)
            if (texture->level(i).width != image.levels[i].width || texture->level(i).height != image.levels[i].height)
                fault("level size differs", i);
        texture->Release();
    }
    fuzz::d3d_stand_clear_log();
    return 0;
}

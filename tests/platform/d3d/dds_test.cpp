// The DDS reader: every format decoded to hand-computed texels, the layout of mip levels,
// refused files, and textures made from files on the recording device.
#include "platform/d3d/d3d_recording.h"
#include "platform/d3d/d3dx8.h"
#include "platform/d3d/dds.h"
#include "tools/ddsgen/ddsgen.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using bytes = std::vector<uint8_t>;

std::string hex(D3DCOLOR c)
{
    char b[16];
    std::snprintf(b, sizeof b, "%08X", c);
    return b;
}

std::vector<D3DCOLOR> decode_level0(const bytes &file)
{
    dds_image_s image;
    std::string error;
    EXPECT_TRUE(dds_parse(file.data(), file.size(), &image, &error)) << error;
    if (image.levels.empty())
        return {};
    const dds_level_s &l = image.levels[0];
    std::vector<D3DCOLOR> out((size_t)l.width * l.height, 0xDEADBEEF);
    EXPECT_TRUE(dds_decode(image.format, file.data() + l.offset, l.pitch, l.width, l.height, out.data()));
    return out;
}

struct texel_case
{
    ddsgen::format format;
    bytes raw; // two texels as the file stores them
    D3DCOLOR first, second;
};

TEST(dds_decode, uncompressed_formats_give_hand_computed_texels)
{
    const texel_case cases[] = {
        {ddsgen::A8R8G8B8, {0x33, 0x22, 0x11, 0x80, 0, 0, 0, 0}, 0x80112233, 0x00000000},
        {ddsgen::X8R8G8B8, {0x33, 0x22, 0x11, 0x7F, 0, 0, 0, 0}, 0xFF112233, 0xFF000000},
        {ddsgen::R8G8B8, {0x33, 0x22, 0x11, 0xFF, 0xFF, 0xFF}, 0xFF112233, 0xFFFFFFFF},
        {ddsgen::R5G6B5, {0x00, 0xF8, 0x10, 0x84}, 0xFFFF0000, 0xFF848284},
        {ddsgen::A1R5G5B5, {0x00, 0x7C, 0xE0, 0x83}, 0x00FF0000, 0xFF00FF00},
        {ddsgen::X1R5G5B5, {0x1F, 0x00, 0x00, 0x7C}, 0xFF0000FF, 0xFFFF0000},
        {ddsgen::A4R4G4B4, {0x3C, 0x8F, 0x00, 0x00}, 0x88FF33CC, 0x00000000},
        {ddsgen::X4R4G4B4, {0x3C, 0x0F, 0x00, 0xF0}, 0xFFFF33CC, 0xFF000000},
        {ddsgen::A8R3G3B2, {0xE3, 0x80, 0x49, 0x40}, 0x80FF00FF, 0x40494955},
    };
    for (const texel_case &c : cases) {
        SCOPED_TRACE(ddsgen::format_name(c.format));
        const std::vector<D3DCOLOR> t = decode_level0(ddsgen::make_dds(c.format, 2, 1, {c.raw}));
        ASSERT_EQ(t.size(), 2u);
        EXPECT_EQ(hex(t[0]), hex(c.first));
        EXPECT_EQ(hex(t[1]), hex(c.second));
    }
}

// Texel i of a block takes index i & 3: one row is colours 0, 1, 2, 3.
const bytes ramp_indices = {0xE4, 0xE4, 0xE4, 0xE4};

bytes colour_part(uint16_t c0, uint16_t c1)
{
    bytes b = {(uint8_t)c0, (uint8_t)(c0 >> 8), (uint8_t)c1, (uint8_t)(c1 >> 8)};
    b.insert(b.end(), ramp_indices.begin(), ramp_indices.end());
    return b;
}

TEST(dds_decode, dxt1_four_colour_and_three_colour_blocks)
{
    D3DCOLOR t[16];
    // Red over blue: two thirds and one third between them.
    dds_decode_dxt1_block(colour_part(0xF800, 0x001F).data(), t);
    const D3DCOLOR four[4] = {0xFFFF0000, 0xFF0000FF, 0xFFAA0055, 0xFF5500AA};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(hex(t[i]), hex(four[i & 3])) << "texel " << i;
    // Blue below red: the halfway colour and transparent black.
    dds_decode_dxt1_block(colour_part(0x001F, 0xF800).data(), t);
    const D3DCOLOR three[4] = {0xFF0000FF, 0xFFFF0000, 0xFF7F007F, 0x00000000};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(hex(t[i]), hex(three[i & 3])) << "texel " << i;
}

TEST(dds_decode, dxt3_explicit_alpha_and_always_four_colours)
{
    bytes block;
    for (int k = 0; k < 8; ++k) // texel i gets alpha nibble i
        block.push_back((uint8_t)(2 * k | (2 * k + 1) << 4));
    const bytes colour = colour_part(0x001F, 0xF800); // c0 < c1 still means four colours here
    block.insert(block.end(), colour.begin(), colour.end());
    D3DCOLOR t[16];
    dds_decode_dxt3_block(block.data(), t);
    const D3DCOLOR rgb[4] = {0x0000FF, 0xFF0000, 0x5500AA, 0xAA0055};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(hex(t[i]), hex((D3DCOLOR)(i * 17) << 24 | rgb[i & 3])) << "texel " << i;
}

TEST(dds_decode, dxt5_alpha_in_eight_and_six_step_modes)
{
    // Texel i takes alpha index i & 7.
    bytes indices(6, 0);
    for (int i = 0; i < 16; ++i)
        for (int bit = 0; bit < 3; ++bit)
            if ((i & 7) >> bit & 1)
                indices[(3 * i + bit) / 8] |= (uint8_t)(1 << ((3 * i + bit) % 8));
    struct
    {
        uint8_t a0, a1;
        int expected[8];
    } modes[] = {
        {200, 100, {200, 100, 185, 171, 157, 142, 128, 114}},
        {100, 200, {100, 200, 120, 140, 160, 180, 0, 255}},
    };
    const bytes colour = colour_part(0xF800, 0xF800);
    for (const auto &m : modes) {
        bytes block = {m.a0, m.a1};
        block.insert(block.end(), indices.begin(), indices.end());
        block.insert(block.end(), colour.begin(), colour.end());
        D3DCOLOR t[16];
        dds_decode_dxt5_block(block.data(), t);
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(hex(t[i]), hex((D3DCOLOR)m.expected[i & 7] << 24 | 0xFF0000))
                << "a0 " << (int)m.a0 << " texel " << i;
    }
}

TEST(dds_decode, dxt_levels_smaller_than_a_block_and_block_order)
{
    // 8x4 DXT1: left block red, right block blue; a 2x2 level below it keeps one block.
    const bytes file = ddsgen::make_dds(
        ddsgen::DXT1, 8, 4,
        {ddsgen::block_level(ddsgen::DXT1, 8, 4, [](int bx, int) { return bx ? 0xFF0000FFu : 0xFFFF0000u; }),
         ddsgen::block_level(ddsgen::DXT1, 4, 2, [](int, int) { return 0xFF00FF00u; }),
         ddsgen::block_level(ddsgen::DXT1, 2, 1, [](int, int) { return 0x00000000u; }),
         ddsgen::block_level(ddsgen::DXT1, 1, 1, [](int, int) { return 0xFFFFFFFFu; })});
    dds_image_s image;
    std::string error;
    ASSERT_TRUE(dds_parse(file.data(), file.size(), &image, &error)) << error;
    ASSERT_EQ(image.levels.size(), 4u);
    const UINT sizes[4][2] = {{8, 4}, {4, 2}, {2, 1}, {1, 1}};
    size_t offset = DDS_HEADER_BYTES;
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(image.levels[i].width, sizes[i][0]);
        EXPECT_EQ(image.levels[i].height, sizes[i][1]);
        EXPECT_EQ(image.levels[i].offset, offset);
        offset += image.levels[i].bytes;
    }
    EXPECT_EQ(offset, file.size());
    std::vector<D3DCOLOR> t = decode_level0(file);
    EXPECT_EQ(hex(t[3]), "FFFF0000");
    EXPECT_EQ(hex(t[4]), "FF0000FF");
    EXPECT_EQ(hex(t[3 * 8 + 7]), "FF0000FF");
    t.assign(2, 1);
    const dds_level_s &l2 = image.levels[2];
    ASSERT_TRUE(dds_decode(image.format, file.data() + l2.offset, l2.pitch, l2.width, l2.height, t.data()));
    EXPECT_EQ(hex(t[0]), "00000000");
    EXPECT_EQ(hex(t[1]), "00000000");
}

void put32(bytes &b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = (uint8_t)(v >> (8 * i));
}

TEST(dds_parse, refuses_malformed_files_with_a_reason)
{
    const bytes good = ddsgen::make_dds(ddsgen::DXT1, 8, 8, {bytes(32, 0x11)});
    struct
    {
        const char *what;
        bytes file;
        const char *reason;
    } cases[] = {
        {"empty", {}, "shorter than a DDS header"},
        {"header cut", bytes(good.begin(), good.begin() + 127), "shorter than a DDS header"},
        {"bad magic", good, "not a DDS header"},
        {"bad header size", good, "not a DDS header"},
        {"DX10", good, "DX10"},
        {"cube map", good, "cube maps"},
        {"volume", good, "volume"},
        {"volume by depth flag", good, "volume"},
        {"FourCC unknown", good, "unsupported compressed format"},
        {"palette", good, "unsupported pixel format"},
        {"zero width", good, "zero width"},
        {"too many levels", good, "more mip levels"},
        {"data cut", bytes(good.begin(), good.end() - 1), "mip level 0 runs past"},
        {"second level missing", good, "mip level 1 runs past"},
        {"huge size", good, "mip level 0 runs past"},
        {"huge 32-bit size", ddsgen::make_dds(ddsgen::A8R8G8B8, 1, 1, {bytes(4)}), "mip level 0 runs past"},
    };
    cases[2].file[0] = 'X';
    put32(cases[3].file, ddsgen::HEADER_SIZE, 128);
    put32(cases[4].file, ddsgen::FOURCC, 0x30315844);
    put32(cases[5].file, ddsgen::CAPS2, 0x200 | 0xFC00);
    put32(cases[6].file, ddsgen::CAPS2, 0x200000);
    put32(cases[7].file, ddsgen::FLAGS, 0x1007 | 0x800000);
    put32(cases[8].file, ddsgen::FOURCC, 0x31495441);
    put32(cases[9].file, ddsgen::PF_FLAGS, 0x20);
    put32(cases[10].file, ddsgen::WIDTH, 0);
    put32(cases[11].file, ddsgen::FLAGS, 0x1007 | 0x20000);
    put32(cases[11].file, ddsgen::MIP_COUNT, 5); // 8x8 has 4
    put32(cases[13].file, ddsgen::FLAGS, 0x1007 | 0x20000);
    put32(cases[13].file, ddsgen::MIP_COUNT, 2);
    put32(cases[14].file, ddsgen::WIDTH, 0xFFFFFFFF);
    put32(cases[14].file, ddsgen::HEIGHT, 0xFFFFFFFF);
    put32(cases[15].file, ddsgen::WIDTH, 0xFFFFFFFF);
    put32(cases[15].file, ddsgen::HEIGHT, 0xFFFFFFFF);
    for (const auto &c : cases) {
        dds_image_s image;
        std::string error;
        EXPECT_FALSE(dds_parse(c.file.data(), c.file.size(), &image, &error)) << c.what;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
    }
}

TEST(dds_parse, level_count_comes_from_the_mip_flag)
{
    bytes file = ddsgen::make_dds(ddsgen::R5G6B5, 4, 2, {bytes(16), bytes(4), bytes(2)});
    dds_image_s image;
    std::string error;
    ASSERT_TRUE(dds_parse(file.data(), file.size(), &image, &error)) << error;
    EXPECT_EQ(image.levels.size(), 3u);
    EXPECT_EQ(image.levels[2].width, 1u);
    put32(file, ddsgen::FLAGS, 0x100F); // mip count present but not flagged: one level
    ASSERT_TRUE(dds_parse(file.data(), file.size(), &image, &error)) << error;
    EXPECT_EQ(image.levels.size(), 1u);
    put32(file, ddsgen::FLAGS, 0x2100F);
    put32(file, ddsgen::MIP_COUNT, 0); // flagged zero: one level
    ASSERT_TRUE(dds_parse(file.data(), file.size(), &image, &error)) << error;
    EXPECT_EQ(image.levels.size(), 1u);
}

// Textures made from DDS files on the recording device.
class dds_texture_test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        recording_d3d_reset_config();
        ASSERT_TRUE(d3d_select_backend("recording"));
    }
    void TearDown() override
    {
        if (m_device)
            m_device->Release();
        if (m_d3d)
            m_d3d->Release();
        recording_d3d_reset_config();
    }
    IDirect3DDevice8 *device()
    {
        m_d3d = Direct3DCreate8(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS p{};
        p.BackBufferFormat = D3DFMT_X8R8G8B8;
        p.SwapEffect = D3DSWAPEFFECT_DISCARD;
        p.Windowed = TRUE;
        m_d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p,
                            &m_device);
        return m_device;
    }
    HRESULT load(const bytes &file, IDirect3DTexture8 **texture, D3DXIMAGE_INFO *info, std::string *reason = nullptr)
    {
        return D3DXCreateTextureFromFileInMemoryEx(device(), file.data(), (UINT)file.size(), D3DX_DEFAULT,
                                                   D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                                   D3DX_FILTER_POINT, D3DX_FILTER_BOX, 0, info, nullptr, texture,
                                                   reason);
    }
    IDirect3D8 *m_d3d = nullptr;
    IDirect3DDevice8 *m_device = nullptr;
};

D3DCOLOR texel32(IDirect3DTexture8 *t, UINT level, UINT x, UINT y)
{
    const IDirect3DTexture8::level_s &l = t->level(level);
    D3DCOLOR c;
    std::memcpy(&c, l.bits.data() + (size_t)y * l.pitch + (size_t)x * 4, 4);
    return c;
}

TEST_F(dds_texture_test, supported_formats_keep_the_file_bytes_and_levels)
{
    const bytes level0 = ddsgen::block_level(ddsgen::DXT5, 8, 8, [](int bx, int by) {
        return (bx + by) % 2 ? 0x40FF0000u : 0xC00000FFu;
    });
    const bytes level1 = ddsgen::solid_block(ddsgen::DXT5, 0x8000FF00);
    const bytes level2 = ddsgen::solid_block(ddsgen::DXT5, 0xFFFFFFFF);
    const bytes level3 = ddsgen::solid_block(ddsgen::DXT5, 0x00000000);
    IDirect3DTexture8 *t = nullptr;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(load(ddsgen::make_dds(ddsgen::DXT5, 8, 8, {level0, level1, level2, level3}), &t, &info), D3D_OK);
    EXPECT_EQ(t->format(), D3DFMT_DXT5);
    ASSERT_EQ(t->GetLevelCount(), 4u);
    EXPECT_EQ(t->level(0).bits, level0);
    EXPECT_EQ(t->level(1).bits, level1);
    EXPECT_EQ(t->level(3).bits, level3);
    EXPECT_EQ(info.Format, D3DFMT_DXT5);
    EXPECT_EQ(info.Width, 8u);
    EXPECT_EQ(info.Height, 8u);
    EXPECT_EQ(info.MipLevels, 4u);
    t->Release();
}

TEST_F(dds_texture_test, formats_the_device_lacks_are_decoded_to_32_bits)
{
    struct
    {
        ddsgen::format format;
        bool remove_dxt;
        D3DFORMAT made;
    } cases[] = {
        {ddsgen::R8G8B8, false, D3DFMT_X8R8G8B8},
        {ddsgen::A8R3G3B2, false, D3DFMT_A8R8G8B8},
        {ddsgen::DXT1, true, D3DFMT_A8R8G8B8},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(ddsgen::format_name(c.format));
        TearDown();
        m_device = nullptr;
        m_d3d = nullptr;
        if (c.remove_dxt)
            recording_d3d_config().texture_formats = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8};
        bytes level0, level1;
        if (c.format == ddsgen::DXT1) {
            level0 = ddsgen::block_level(c.format, 4, 4, [](int, int) { return 0x00000000u; });
            level1 = ddsgen::block_level(c.format, 2, 2, [](int, int) { return 0xFF00FF00u; });
        } else {
            level0 = ddsgen::encode_level(c.format, std::vector<uint32_t>(16, 0xFFFFFFFF));
            level1 = ddsgen::encode_level(c.format, std::vector<uint32_t>(4, 0xFF000000));
        }
        IDirect3DTexture8 *t = nullptr;
        D3DXIMAGE_INFO info{};
        ASSERT_EQ(load(ddsgen::make_dds(c.format, 4, 4, {level0, level1}), &t, &info), D3D_OK);
        EXPECT_EQ(t->format(), c.made);
        EXPECT_EQ(info.Format, (D3DFORMAT)c.format);
        ASSERT_EQ(t->GetLevelCount(), 2u);
        if (c.format == ddsgen::DXT1) {
            EXPECT_EQ(hex(texel32(t, 0, 3, 3)), "00000000");
            EXPECT_EQ(hex(texel32(t, 1, 1, 1)), "FF00FF00");
        } else {
            EXPECT_EQ(hex(texel32(t, 0, 3, 3)), "FFFFFFFF");
            EXPECT_EQ(hex(texel32(t, 1, 1, 0) | 0xFF000000), "FF000000");
        }
        t->Release();
    }
}

TEST_F(dds_texture_test, refused_file_reports_invalid_data_and_its_reason)
{
    bytes file = ddsgen::make_dds(ddsgen::DXT1, 8, 8, {bytes(32)});
    put32(file, ddsgen::CAPS2, 0x200);
    IDirect3DTexture8 *t = reinterpret_cast<IDirect3DTexture8 *>(1);
    std::string reason;
    EXPECT_EQ(load(file, &t, nullptr, &reason), D3DXERR_INVALIDDATA);
    EXPECT_EQ(t, nullptr);
    EXPECT_NE(reason.find("cube"), std::string::npos);
}

} // namespace

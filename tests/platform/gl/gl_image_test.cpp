// Images drawn by the OpenGL backend, read back before Present and compared pixel by pixel with
// a per-channel tolerance; and the same scene on the recording backend and on GL.
#include "platform/d3d/d3d8.h"
#include "platform/d3d/d3d_backend.h"
#include "platform/d3d/d3d_recording.h"
#include "platform/d3d/d3dx8.h"
#include "platform/gl/gl_d3d.h"
#include "tools/ddsgen/ddsgen.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

const UINT size = 64;

struct lit_vertex
{
    float x, y, z, nx, ny, nz;
    D3DCOLOR color;
    float u, v;
};
static_assert(sizeof(lit_vertex) == 36);

struct tl_vertex
{
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};
static_assert(sizeof(tl_vertex) == 28);

const DWORD fvf_lit = 0x152, fvf_tl = 0x144;
const D3DCOLOR red = 0xFFFF0000, green = 0xFF00FF00, blue = 0xFF0000FF, white = 0xFFFFFFFF, black = 0xFF000000;

std::string hex(D3DCOLOR c)
{
    char b[16];
    std::snprintf(b, sizeof b, "%08X", c);
    return b;
}

// Channels of two colours differ by at most tolerance (alpha ignored: the window may have none).
bool near_color(D3DCOLOR a, D3DCOLOR b, int tolerance)
{
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs((int)((a >> shift) & 0xFF) - (int)((b >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}

D3DCOLOR rgb(float r, float g, float b)
{
    auto c = [](float x) { return (DWORD)std::lround(std::fmin(std::fmax(x, 0.0f), 1.0f) * 255.0f); };
    return 0xFF000000u | c(r) << 16 | c(g) << 8 | c(b);
}

D3DPRESENT_PARAMETERS parameters()
{
    D3DPRESENT_PARAMETERS p{};
    p.BackBufferWidth = size;
    p.BackBufferHeight = size;
    p.BackBufferFormat = D3DFMT_X8R8G8B8;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.Windowed = TRUE;
    p.EnableAutoDepthStencil = TRUE;
    p.AutoDepthStencilFormat = D3DFMT_D16;
    return p;
}

IDirect3DDevice8 *make_device(IDirect3D8 *d3d)
{
    D3DPRESENT_PARAMETERS p = parameters();
    IDirect3DDevice8 *device = nullptr;
    d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                      D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED, &p, &device);
    return device;
}

// A camera at the origin looking along +z with a 90 degree field of view: a point (x, y, z)
// lands on pixel (32 + 32x/z, 32 - 32y/z).
void set_camera(IDirect3DDevice8 *device)
{
    D3DXMATRIX identity, projection;
    D3DXMatrixIdentity(&identity);
    D3DXMatrixPerspectiveFovLH(&projection, 3.14159265f / 2, 1.0f, 1.0f, 100.0f);
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetTransform(D3DTS_VIEW, &identity);
    device->SetTransform(D3DTS_PROJECTION, &projection);
}

template <class V>
HRESULT draw(IDirect3DDevice8 *device, DWORD fvf, D3DPRIMITIVETYPE type, UINT primitives, const std::vector<V> &v)
{
    IDirect3DVertexBuffer8 *buffer = nullptr;
    HRESULT hr = device->CreateVertexBuffer((UINT)(v.size() * sizeof(V)), 0, fvf, D3DPOOL_MANAGED, &buffer);
    if (FAILED(hr))
        return hr;
    BYTE *data = nullptr;
    buffer->Lock(0, 0, &data, D3DLOCK_DISCARD);
    std::memcpy(data, v.data(), v.size() * sizeof(V));
    buffer->Unlock();
    device->SetVertexShader(fvf);
    device->SetStreamSource(0, buffer, sizeof(V));
    hr = device->DrawPrimitive(type, 0, primitives);
    device->SetStreamSource(0, nullptr, 0);
    buffer->Release();
    return hr;
}

// Two triangles of a square facing the camera at depth z, wound clockwise on screen.
std::vector<lit_vertex> square(float x0, float y0, float x1, float y1, float z, D3DCOLOR c)
{
    return {{x0, y1, z, 0, 0, -1, c, 0, 0}, {x1, y1, z, 0, 0, -1, c, 1, 0}, {x1, y0, z, 0, 0, -1, c, 1, 1},
            {x0, y1, z, 0, 0, -1, c, 0, 0}, {x1, y0, z, 0, 0, -1, c, 1, 1}, {x0, y0, z, 0, 0, -1, c, 0, 1}};
}

// A screen rectangle of pre-transformed vertices; Direct3D pixel centres are whole numbers.
std::vector<tl_vertex> screen_rect(float x0, float y0, float x1, float y1, D3DCOLOR c)
{
    return {{x0, y0, 0.5f, 1, c, 0, 0}, {x1, y0, 0.5f, 1, c, 1, 0}, {x1, y1, 0.5f, 1, c, 1, 1},
            {x0, y0, 0.5f, 1, c, 0, 0}, {x1, y1, 0.5f, 1, c, 1, 1}, {x0, y1, 0.5f, 1, c, 0, 1}};
}

IDirect3DTexture8 *make_texture(IDirect3DDevice8 *device, D3DFORMAT format, UINT width, UINT height,
                                const std::vector<BYTE> &bytes, UINT levels = 1)
{
    IDirect3DTexture8 *texture = nullptr;
    if (FAILED(device->CreateTexture(width, height, levels, 0, format, D3DPOOL_MANAGED, &texture)))
        return nullptr;
    D3DLOCKED_RECT r;
    texture->LockRect(0, &r, nullptr, 0);
    std::memcpy(r.pBits, bytes.data(), bytes.size());
    texture->UnlockRect(0);
    return texture;
}

class gl_image : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "x11", 1);
        ASSERT_TRUE(d3d_select_backend("gl"));
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_NE(d3d, nullptr) << "no OpenGL 2.1 display";
        device = make_device(d3d);
        ASSERT_NE(device, nullptr);
        set_camera(device);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->BeginScene();
    }
    void TearDown() override
    {
        if (device) {
            device->EndScene();
            device->Release();
        }
        if (d3d)
            d3d->Release();
        d3d_select_backend("recording");
    }
    void clear(D3DCOLOR c) { device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, c, 1.0f, 0); }
    D3DCOLOR pixel(int x, int y)
    {
        if (pixels.empty()) {
            UINT w = 0, h = 0;
            EXPECT_TRUE(gl_d3d_read_back(device, &pixels, &w, &h));
            EXPECT_EQ(w, size);
            EXPECT_EQ(h, size);
        }
        return pixels[(size_t)y * size + x];
    }
    void expect_pixel(int x, int y, D3DCOLOR expected, int tolerance = 6)
    {
        const D3DCOLOR actual = pixel(x, y);
        EXPECT_TRUE(near_color(actual, expected, tolerance))
            << "pixel (" << x << ", " << y << "): expected " << hex(expected) << ", got " << hex(actual);
    }
    void blend(DWORD src, DWORD dest)
    {
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, src);
        device->SetRenderState(D3DRS_DESTBLEND, dest);
    }

    IDirect3D8 *d3d = nullptr;
    IDirect3DDevice8 *device = nullptr;
    std::vector<D3DCOLOR> pixels;
};

// What a frame hands to GL, as an observer sees it: the clear, each upload, each draw that GL
// draws (not a refused one), and the present while the back buffer still holds the frame.
class journal_observer_c final : public gl_d3d_observer_c
{
public:
    void on_clear(const IDirect3DDevice8 &, DWORD flags, D3DCOLOR color, float z) override
    {
        log("clear " + std::to_string(flags) + " " + hex(color) + " " + std::to_string(z));
    }
    void on_upload(const d3d_resource_c &resource) override
    {
        log("upload " + std::to_string(resource.resource_type()));
    }
    void on_draw(const IDirect3DDevice8 &device, const d3d_draw_s &d) override
    {
        log("draw " + std::to_string(d.type) + " " + std::to_string(d.primitive_count) + " fvf " +
            std::to_string(device.state().vertex_shader));
    }
    void on_present(const IDirect3DDevice8 &device) override
    {
        log("present");
        UINT w = 0, h = 0;
        gl_d3d_read_back(const_cast<IDirect3DDevice8 *>(&device), &picture, &w, &h);
    }
    void log(const std::string &entry) { journal += (journal.empty() ? "" : ", ") + entry; }
    std::string journal;
    std::vector<D3DCOLOR> picture;
};

TEST_F(gl_image, an_observer_sees_what_a_frame_hands_to_gl)
{
    journal_observer_c observer;
    ASSERT_TRUE(gl_d3d_observe(device, &observer));
    clear(black);
    ASSERT_EQ(draw(device, fvf_tl, D3DPT_TRIANGLELIST, 2, screen_rect(-0.5f, -0.5f, 63.5f, 63.5f, green)), D3D_OK);
    // A draw past the buffer's end is refused before GL sees it.
    EXPECT_EQ(draw(device, fvf_tl, D3DPT_TRIANGLELIST, 3, screen_rect(0, 0, 8, 8, red)), D3DERR_INVALIDCALL);
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(observer.journal, "clear 3 FF000000 1.000000, upload 6, upload 6, draw 4 2 fvf 324, upload 6, upload 6, "
                                "present");
    ASSERT_EQ(observer.picture.size(), size_t(size) * size);
    EXPECT_TRUE(near_color(observer.picture[size * size / 2 + size / 2], green, 6));

    // Told otherwise, the device reports to no one.
    ASSERT_TRUE(gl_d3d_observe(device, nullptr));
    observer.journal.clear();
    device->BeginScene();
    clear(black);
    EXPECT_EQ(observer.journal, "");
}

// ---- textures ------------------------------------------------------------------------------

// One texel of a colour in a format's memory layout.
void put_texel(std::vector<BYTE> &out, D3DFORMAT f, D3DCOLOR c)
{
    const DWORD r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF, a = c >> 24;
    DWORD v = 0;
    UINT bytes = 2;
    switch (f) {
    case D3DFMT_A8R8G8B8:
        v = c;
        bytes = 4;
        break;
    case D3DFMT_X8R8G8B8: // padding left 0: the backend must still read alpha as 1
        v = c & 0xFFFFFF;
        bytes = 4;
        break;
    case D3DFMT_R5G6B5:
        v = (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
        break;
    case D3DFMT_X1R5G5B5:
        v = (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
        break;
    case D3DFMT_A1R5G5B5:
        v = (a >> 7) << 15 | (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
        break;
    case D3DFMT_X4R4G4B4:
        v = (r >> 4) << 8 | (g >> 4) << 4 | b >> 4;
        break;
    case D3DFMT_A4R4G4B4:
        v = (a >> 4) << 12 | (r >> 4) << 8 | (g >> 4) << 4 | b >> 4;
        break;
    }
    for (UINT i = 0; i < bytes; ++i)
        out.push_back((BYTE)(v >> (8 * i)));
}

// A 4x4 DXT block of one red colour: the colour half (red and black, every index 0), after
// an alpha half of all 255 for DXT3 and DXT5.
std::vector<BYTE> red_block(D3DFORMAT f)
{
    std::vector<BYTE> out;
    if (f == D3DFMT_DXT3)
        out.assign(8, 0xFF);
    if (f == D3DFMT_DXT5)
        out = {0xFF, 0xFF, 0, 0, 0, 0, 0, 0};
    const BYTE colour[8] = {0x00, 0xF8, 0x00, 0x00, 0, 0, 0, 0};
    out.insert(out.end(), colour, colour + 8);
    return out;
}

// Every texture format over black with alpha blending from the texture's alpha: formats without
// alpha come out opaque; a 2x2 texture lands one texel per quadrant.
TEST_F(gl_image, texture_formats_upload_as_laid_out)
{
    struct row_s
    {
        D3DFORMAT format;
        bool blocks;
    };
    const row_s rows[] = {
        {D3DFMT_A8R8G8B8, false}, {D3DFMT_X8R8G8B8, false}, {D3DFMT_R5G6B5, false},
        {D3DFMT_X1R5G5B5, false}, {D3DFMT_A1R5G5B5, false}, {D3DFMT_X4R4G4B4, false},
        {D3DFMT_A4R4G4B4, false}, {D3DFMT_DXT1, true},      {D3DFMT_DXT3, true},
        {D3DFMT_DXT5, true},
    };
    blend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
    // Single-level textures must be complete even with a mipmapping filter.
    device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
    for (const row_s &row : rows) {
        SCOPED_TRACE("format " + std::to_string(row.format));
        std::vector<BYTE> bytes;
        if (row.blocks)
            bytes = red_block(row.format);
        else
            for (D3DCOLOR c : {red, green, blue, white})
                put_texel(bytes, row.format, c);
        IDirect3DTexture8 *t = make_texture(device, row.format, row.blocks ? 4 : 2, row.blocks ? 4 : 2, bytes);
        ASSERT_NE(t, nullptr);
        clear(black);
        device->SetTexture(0, t);
        ASSERT_EQ(draw(device, fvf_tl, D3DPT_TRIANGLELIST, 2, screen_rect(-0.5f, -0.5f, 63.5f, 63.5f, white)), D3D_OK);
        device->SetTexture(0, nullptr);
        t->Release();
        pixels.clear();
        expect_pixel(16, 16, red);
        expect_pixel(48, 16, row.blocks ? red : green);
        expect_pixel(16, 48, row.blocks ? red : blue);
        expect_pixel(48, 48, row.blocks ? red : white);
    }
}

// A textured square in perspective; unlocking again re-uploads; no texture reads as white.
TEST_F(gl_image, textured_square_in_perspective)
{
    std::vector<BYTE> bytes;
    for (D3DCOLOR c : {red, green, blue, white})
        put_texel(bytes, D3DFMT_A8R8G8B8, c);
    IDirect3DTexture8 *t = make_texture(device, D3DFMT_A8R8G8B8, 2, 2, bytes);
    ASSERT_NE(t, nullptr);
    clear(black);
    device->SetTexture(0, t);
    // Spans pixels 16 to 48: the texel of each quadrant of the square.
    ASSERT_EQ(draw(device, fvf_lit, D3DPT_TRIANGLELIST, 2, square(-2, -2, 2, 2, 4, white)), D3D_OK);
    expect_pixel(24, 24, red);
    expect_pixel(40, 24, green);
    expect_pixel(24, 40, blue);
    expect_pixel(40, 40, white);
    expect_pixel(8, 8, black);

    D3DLOCKED_RECT r;
    ASSERT_EQ(t->LockRect(0, &r, nullptr, 0), D3D_OK);
    std::memcpy(r.pBits, &blue, 4);
    t->UnlockRect(0);
    clear(black);
    draw(device, fvf_lit, D3DPT_TRIANGLELIST, 2, square(-2, -2, 2, 2, 4, white));
    pixels.clear();
    expect_pixel(24, 24, blue);

    device->SetTexture(0, nullptr);
    t->Release();
    clear(black);
    draw(device, fvf_lit, D3DPT_TRIANGLELIST, 2, square(-2, -2, 2, 2, 4, 0xFF808080));
    pixels.clear();
    expect_pixel(32, 32, 0xFF808080);
}

// ---- pre-transformed vertices ---------------------------------------------------------------

// A square with the edges at half pixels covers exactly pixels 10 to 19, texel for texel, and
// blends by texture alpha x vertex alpha as the console draws.
TEST_F(gl_image, blended_pretransformed_square_lands_on_its_pixels)
{
    std::vector<BYTE> bytes;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            put_texel(bytes, D3DFMT_A8R8G8B8, (x + y) % 2 ? red : green);
    IDirect3DTexture8 *t = make_texture(device, D3DFMT_A8R8G8B8, 10, 10, bytes);
    ASSERT_NE(t, nullptr);
    clear(blue);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    blend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TEXTURE);
    device->SetTexture(0, t);
    ASSERT_EQ(draw(device, fvf_tl, D3DPT_TRIANGLELIST, 2, screen_rect(9.5f, 9.5f, 19.5f, 19.5f, 0x80FFFFFF)),
              D3D_OK);
    device->SetTexture(0, nullptr);
    t->Release();
    const D3DCOLOR half_red = rgb(0.5f, 0, 0.5f), half_green = rgb(0, 0.5f, 0.5f);
    for (int y = 8; y < 22; ++y)
        for (int x = 8; x < 22; ++x) {
            const bool inside = x >= 10 && x < 20 && y >= 10 && y < 20;
            expect_pixel(x, y, !inside ? blue : (x + y) % 2 ? half_red : half_green);
        }
}

// ---- DDS files -----------------------------------------------------------------------------

IDirect3DTexture8 *texture_from_dds(IDirect3DDevice8 *device, const std::vector<uint8_t> &file)
{
    IDirect3DTexture8 *t = nullptr;
    D3DXCreateTextureFromFileInMemoryEx(device, file.data(), (UINT)file.size(), D3DX_DEFAULT, D3DX_DEFAULT,
                                        D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_POINT,
                                        D3DX_FILTER_BOX, 0, nullptr, nullptr, &t);
    return t;
}

// A DXT5 file drawn texel for texel with its alpha blended over blue, and a mip-mapped file
// whose levels have their own colours drawn at a half and a quarter of its size: each lands
// on the level of its size.
TEST_F(gl_image, dds_textures_dxt5_and_mip_levels)
{
    // 16x16 DXT5 in 4x4 blocks: opaque red and half-transparent green in a checkerboard.
    const std::vector<uint8_t> dxt5 = ddsgen::make_dds(
        ddsgen::DXT5, 16, 16,
        {ddsgen::block_level(ddsgen::DXT5, 16, 16, [](int bx, int by) { return (bx + by) % 2 ? 0x8000FF00u : 0xFFFF0000u; })});
    // 32x32 A8R8G8B8 with six levels: red, green, white, blue, ...
    const uint32_t level_colours[6] = {0xFFFF0000, 0xFF00FF00, 0xFFFFFFFF, 0xFF0000FF, 0xFF000000, 0xFF000000};
    std::vector<std::vector<uint8_t>> levels;
    for (int i = 0, side = 32; i < 6; ++i, side /= 2)
        levels.push_back(ddsgen::encode_level(ddsgen::A8R8G8B8, std::vector<uint32_t>((size_t)side * side, level_colours[i])));
    const std::vector<uint8_t> mipped = ddsgen::make_dds(ddsgen::A8R8G8B8, 32, 32, levels);

    IDirect3DTexture8 *a = texture_from_dds(device, dxt5), *b = texture_from_dds(device, mipped);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->GetLevelCount(), 6u);
    clear(blue);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    blend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
    for (D3DTEXTURESTAGESTATETYPE f : {D3DTSS_MINFILTER, D3DTSS_MAGFILTER, D3DTSS_MIPFILTER})
        device->SetTextureStageState(0, f, D3DTEXF_POINT);
    device->SetTexture(0, a);
    ASSERT_EQ(draw(device, fvf_tl, D3DPT_TRIANGLELIST, 2, screen_rect(-0.5f, -0.5f, 15.5f, 15.5f, white)), D3D_OK);
    device->SetTexture(0, b);
    ASSERT_EQ(draw(device, fvf_tl, D3DPT_TRIANGLELIST, 2, screen_rect(31.5f, -0.5f, 47.5f, 15.5f, white)), D3D_OK);
    ASSERT_EQ(draw(device, fvf_tl, D3DPT_TRIANGLELIST, 2, screen_rect(31.5f, 31.5f, 39.5f, 39.5f, white)), D3D_OK);
    device->SetTexture(0, nullptr);
    a->Release();
    b->Release();

    const D3DCOLOR green_over_blue = rgb(0, 128.0f / 255, 127.0f / 255);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            expect_pixel(x, y, (x / 4 + y / 4) % 2 ? green_over_blue : red);
    for (int y = 2; y < 14; ++y)
        for (int x = 34; x < 46; ++x)
            expect_pixel(x, y, green); // 16 pixels of 32 texels: level 1
    for (int y = 33; y < 39; ++y)
        for (int x = 33; x < 39; ++x)
            expect_pixel(x, y, white); // 8 pixels: level 2
    expect_pixel(20, 20, blue);
}

// ---- culling --------------------------------------------------------------------------------

// A cube with faces wound clockwise seen from outside, drawn without depth test: what the centre
// shows is decided by culling alone.
TEST_F(gl_image, culling_keeps_the_faces_turned_to_the_camera)
{
    struct face_s
    {
        float n[3], u[3];
        D3DCOLOR color;
    };
    const face_s faces[] = {
        {{0, 0, -1}, {1, 0, 0}, red},   {{0, 0, 1}, {1, 0, 0}, green}, {{-1, 0, 0}, {0, 0, 1}, blue},
        {{1, 0, 0}, {0, 0, 1}, blue},   {{0, 1, 0}, {1, 0, 0}, blue},  {{0, -1, 0}, {1, 0, 0}, blue},
    };
    std::vector<lit_vertex> cube;
    for (const face_s &f : faces) {
        const float v[3] = {f.u[1] * f.n[2] - f.u[2] * f.n[1], f.u[2] * f.n[0] - f.u[0] * f.n[2],
                            f.u[0] * f.n[1] - f.u[1] * f.n[0]}; // u x n: clockwise from outside
        auto corner = [&](float su, float sv) {
            return lit_vertex{f.n[0] + su * f.u[0] + sv * v[0], f.n[1] + su * f.u[1] + sv * v[1],
                              5 + f.n[2] + su * f.u[2] + sv * v[2], f.n[0], f.n[1], f.n[2], f.color, 0, 0};
        };
        for (auto [su, sv] : {std::pair{-1, 1}, {1, 1}, {1, -1}, {-1, 1}, {1, -1}, {-1, -1}})
            cube.push_back(corner((float)su, (float)sv));
    }
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    const std::pair<DWORD, D3DCOLOR> cases[] = {{D3DCULL_CCW, red}, {D3DCULL_CW, green}};
    for (auto [mode, centre] : cases) {
        clear(black);
        device->SetRenderState(D3DRS_CULLMODE, mode);
        ASSERT_EQ(draw(device, fvf_lit, D3DPT_TRIANGLELIST, 12, cube), D3D_OK);
        pixels.clear();
        expect_pixel(32, 32, centre);
        expect_pixel(2, 32, black);
    }
}

// ---- depth ----------------------------------------------------------------------------------

// Direct3D's clip depth runs from 0 at the near plane (1) to w at the far plane (100): geometry
// nearer than the near plane or beyond the far one is clipped, what lies between is drawn.
TEST_F(gl_image, near_and_far_planes_clip_as_in_direct3d)
{
    const std::pair<float, bool> cases[] = {{0.8f, false}, {1.2f, true}, {99.0f, true}, {101.0f, false}};
    for (auto [z, drawn] : cases) {
        clear(black);
        const float half = z / 4;
        ASSERT_EQ(draw(device, fvf_lit, D3DPT_TRIANGLELIST, 2, square(-half, -half, half, half, z, red)), D3D_OK);
        pixels.clear();
        SCOPED_TRACE("depth " + std::to_string(z));
        expect_pixel(32, 32, drawn ? red : black);
    }
}

// ---- lights ---------------------------------------------------------------------------------

// The camera stands at z = -3, so the view matrix moves everything; lights are given in world
// space and a white square at world z = 2 faces them. Lighting is per vertex, and the four
// corners are lit alike, so the centre shows the corners' colour.
TEST_F(gl_image, point_and_directional_lights_in_world_space)
{
    D3DXMATRIX view;
    D3DXMatrixIdentity(&view);
    view(3, 2) = 3.0f;
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_COLOR1);
    device->SetRenderState(D3DRS_AMBIENT, 0xFF202020);
    D3DMATERIAL8 material{};
    device->SetMaterial(&material);

    struct case_s
    {
        D3DLIGHTTYPE type;
        D3DVECTOR vector; // direction or position
        float expected;   // brightness of the corners without the ambient part
    };
    const float a = 1.0f, h = 1.0f; // half side of the square, light height over it
    const float d2 = h * h + 2 * a * a;
    const float radius = 2.0f;
    const case_s cases[] = {
        {D3DLIGHT_DIRECTIONAL, {0, 0, 1}, 1.0f},
        {D3DLIGHT_DIRECTIONAL, {0, -0.8660254f, 0.5f}, 0.5f},
        {D3DLIGHT_DIRECTIONAL, {0, 0, -1}, 0.0f}, // lights the back
        {D3DLIGHT_POINT, {0, 0, 2 - h}, (h / std::sqrt(d2)) / (1.5f + 4 / (radius * radius) * d2)},
    };
    for (const case_s &c : cases) {
        D3DLIGHT8 l{};
        l.Type = c.type;
        l.Diffuse = D3DCOLORVALUE{1.0f, 0.5f, 0.25f, 1.0f};
        l.Specular = D3DCOLORVALUE{1, 1, 1, 1};
        if (c.type == D3DLIGHT_DIRECTIONAL)
            l.Direction = c.vector;
        else {
            l.Position = c.vector;
            l.Range = 3 * radius;
            l.Attenuation0 = 1.5f;
            l.Attenuation2 = 4 / (radius * radius);
        }
        device->SetLight(0, &l);
        device->LightEnable(0, TRUE);
        clear(black);
        ASSERT_EQ(draw(device, fvf_lit, D3DPT_TRIANGLELIST, 2, square(-a, -a, a, a, 2, white)), D3D_OK);
        pixels.clear();
        const float ambient = 0x20 / 255.0f, e = c.expected;
        SCOPED_TRACE("light type " + std::to_string(c.type) + ", expected " + std::to_string(e));
        expect_pixel(32, 32, rgb(ambient + e, ambient + e * 0.5f, ambient + e * 0.25f));
    }
}

// ---- fog ------------------------------------------------------------------------------------

// White squares at depths 2 to 10 under linear fog from 2 to 10 towards red.
TEST_F(gl_image, linear_fog_ramps_with_depth)
{
    device->SetRenderState(D3DRS_FOGENABLE, TRUE);
    device->SetRenderState(D3DRS_FOGCOLOR, red);
    device->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
    device->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR);
    const float start = 2.0f, end = 10.0f;
    DWORD bits;
    std::memcpy(&bits, &start, 4);
    device->SetRenderState(D3DRS_FOGSTART, bits);
    std::memcpy(&bits, &end, 4);
    device->SetRenderState(D3DRS_FOGEND, bits);
    clear(black);
    // Square i stands at depth z and covers the pixel column 6 + 13i, rows 30 to 34.
    const float depths[] = {2, 4, 6, 8, 10};
    for (int i = 0; i < 5; ++i) {
        const float z = depths[i], px = 6.0f + 13.0f * i;
        const float x = (px + 0.5f - 32) * z / 32;
        const float half = 2.0f * z / 32;
        draw(device, fvf_lit, D3DPT_TRIANGLELIST, 2, square(x - half, -half, x + half, half, z, white));
    }
    for (int i = 0; i < 5; ++i) {
        const float f = (end - depths[i]) / (end - start);
        SCOPED_TRACE("depth " + std::to_string(depths[i]));
        expect_pixel(6 + 13 * i, 32, rgb(1.0f, f, f), 8);
    }
    // Pre-transformed vertices are not fogged.
    draw(device, fvf_tl, D3DPT_TRIANGLELIST, 2, screen_rect(-0.5f, 50.5f, 63.5f, 63.5f, white));
    pixels.clear();
    expect_pixel(32, 58, white);
}

// ---- lines over geometry --------------------------------------------------------------------

// Lines drawn as the debug drawing draws them (lit vertices, lighting off, line list) over a
// grey square at depth 5: in front they show, behind they are hidden, and lying in the square
// they show with a depth bias.
TEST_F(gl_image, debug_lines_over_geometry)
{
    clear(black);
    draw(device, fvf_lit, D3DPT_TRIANGLELIST, 2, square(-3, -3, 3, 3, 5, 0xFF808080));
    // Rows 12, 32 and 52 (y = 2.5, 0, -2.5 at depth 5; a little nearer or farther for the
    // others: the row keeps within one pixel).
    auto line = [](float y, float z, D3DCOLOR c) {
        return std::vector<lit_vertex>{{-2, y * z / 5, z, 0, 0, 1, c, 0, 0}, {2, y * z / 5, z, 0, 0, 1, c, 1, 1}};
    };
    const float row_y[] = {(32 - 12.5f) * 5 / 32, (32 - 32.5f) * 5 / 32, (32 - 52.5f) * 5 / 32};
    std::vector<lit_vertex> lines = line(row_y[0], 4.5f, red);
    std::vector<lit_vertex> behind = line(row_y[1], 5.5f, green);
    lines.insert(lines.end(), behind.begin(), behind.end());
    draw(device, fvf_lit, D3DPT_LINELIST, 2, lines);
    device->SetRenderState(D3DRS_ZBIAS, 1);
    draw(device, fvf_lit, D3DPT_LINELIST, 1, line(row_y[2], 5.0f, blue));
    device->SetRenderState(D3DRS_ZBIAS, 0);
    auto row_has = [&](int y, D3DCOLOR c) {
        int hits = 0;
        for (int x = 20; x < 44; ++x)
            for (int dy = -1; dy <= 1; ++dy)
                if (near_color(pixel(x, y + dy), c, 6)) {
                    ++hits;
                    break;
                }
        return hits;
    };
    EXPECT_EQ(row_has(12, red), 24);
    EXPECT_EQ(row_has(32, green), 0);
    EXPECT_EQ(row_has(52, blue), 24);
    expect_pixel(32, 40, 0xFF808080);
}

// ---- the same scene on both backends ------------------------------------------------------

// A frame with every kind of call the engine makes; each result is kept.
std::vector<HRESULT> scene(IDirect3DDevice8 *device, const std::function<void()> &after_each_step)
{
    std::vector<HRESULT> results;
    auto step = [&](HRESULT hr) {
        results.push_back(hr);
        after_each_step();
    };
    set_camera(device);
    step(device->BeginScene());
    step(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF102030, 1.0f, 0));
    D3DMATERIAL8 m{{1, 1, 1, 0}, {1, 1, 1, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, 0};
    step(device->SetMaterial(&m));
    step(device->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_COLOR1));
    step(device->SetRenderState(D3DRS_AMBIENT, 0xFF404040));
    D3DLIGHT8 l{};
    l.Type = D3DLIGHT_DIRECTIONAL;
    l.Diffuse = D3DCOLORVALUE{1, 1, 1, 1};
    l.Direction = D3DVECTOR{0, 0, 1};
    step(device->SetLight(0, &l));
    step(device->LightEnable(0, TRUE));
    step(device->LightEnable(1, FALSE));
    step(device->SetRenderState(D3DRS_FOGENABLE, TRUE));
    step(device->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR));
    std::vector<BYTE> bytes;
    for (D3DCOLOR c : {red, green, blue, white})
        put_texel(bytes, D3DFMT_A8R8G8B8, c);
    IDirect3DTexture8 *t = make_texture(device, D3DFMT_A8R8G8B8, 2, 2, bytes);
    step(device->SetTexture(0, t));
    step(device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR));
    step(draw(device, fvf_lit, D3DPT_TRIANGLELIST, 2, square(-2, -2, 2, 2, 4, white)));
    step(device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE));
    step(device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE));
    step(device->SetRenderState(D3DRS_TEXTUREFACTOR, 0x80000000));
    step(device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE));
    step(device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR));
    step(draw(device, fvf_tl, D3DPT_TRIANGLELIST, 2, screen_rect(0, 0, 10, 10, white)));
    step(device->SetTexture(0, nullptr));
    t->Release();
    step(device->SetRenderState(D3DRS_ZBIAS, 1));
    step(draw(device, fvf_lit, D3DPT_LINELIST, 1, square(-1, -1, 1, 1, 4, red)));
    step(device->SetRenderState(D3DRS_ZBIAS, 0));
    step(device->EndScene());
    return results;
}

void expect_same_state(const d3d_device_state_s &a, const d3d_device_state_s &b)
{
    EXPECT_EQ(std::memcmp(a.render, b.render, sizeof a.render), 0);
    EXPECT_EQ(std::memcmp(a.stage, b.stage, sizeof a.stage), 0);
    EXPECT_EQ(std::memcmp(&a.world, &b.world, sizeof a.world), 0);
    EXPECT_EQ(std::memcmp(&a.view, &b.view, sizeof a.view), 0);
    EXPECT_EQ(std::memcmp(&a.projection, &b.projection, sizeof a.projection), 0);
    EXPECT_EQ(std::memcmp(&a.material, &b.material, sizeof a.material), 0);
    EXPECT_EQ(std::memcmp(&a.viewport, &b.viewport, sizeof a.viewport), 0);
    ASSERT_EQ(a.lights.size(), b.lights.size());
    for (size_t i = 0; i < a.lights.size(); ++i) {
        EXPECT_EQ(std::memcmp(&a.lights[i].light, &b.lights[i].light, sizeof(D3DLIGHT8)), 0);
        EXPECT_EQ(a.lights[i].enabled, b.lights[i].enabled);
    }
    EXPECT_EQ(a.vertex_shader, b.vertex_shader);
    EXPECT_EQ(a.in_scene, b.in_scene);
    for (DWORD i = 0; i < D3D_MAX_TEXTURE_STAGES; ++i)
        EXPECT_EQ(a.textures[i] == nullptr, b.textures[i] == nullptr);
}

TEST(gl_backend, same_scene_gives_the_same_calls_and_state_as_recording)
{
    setenv("SDL_VIDEODRIVER", "x11", 1);
    recording_d3d_reset_config();
    ASSERT_TRUE(d3d_select_backend("recording"));
    IDirect3D8 *rec_d3d = Direct3DCreate8(D3D_SDK_VERSION);
    IDirect3DDevice8 *rec = make_device(rec_d3d);
    ASSERT_NE(rec, nullptr);
    std::vector<d3d_device_state_s> states;
    const std::vector<HRESULT> rec_results = scene(rec, [&] { states.push_back(rec->state()); });

    ASSERT_TRUE(d3d_select_backend("gl"));
    IDirect3D8 *gl_d3d = Direct3DCreate8(D3D_SDK_VERSION);
    d3d_select_backend("recording");
    ASSERT_NE(gl_d3d, nullptr);
    IDirect3DDevice8 *gl = make_device(gl_d3d);
    ASSERT_NE(gl, nullptr);
    size_t at = 0;
    const std::vector<HRESULT> gl_results = scene(gl, [&] {
        ASSERT_LT(at, states.size());
        SCOPED_TRACE("step " + std::to_string(at));
        expect_same_state(states[at++], gl->state());
    });
    EXPECT_EQ(gl_results, rec_results);
    for (HRESULT hr : gl_results)
        EXPECT_EQ(hr, D3D_OK);
    EXPECT_EQ(recording_d3d_device(rec)->count(recording_call_e::draw), 3u);
    EXPECT_FALSE(gl_d3d_observe(rec, nullptr)) << "not a device of the OpenGL backend";

    gl->Release();
    gl_d3d->Release();
    rec->Release();
    rec_d3d->Release();
}

} // namespace

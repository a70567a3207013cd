#include "platform/d3d/d3d8.h"
#include "platform/d3d/d3d_recording.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

D3DPRESENT_PARAMETERS windowed_parameters()
{
    D3DPRESENT_PARAMETERS p{};
    p.BackBufferFormat = D3DFMT_X8R8G8B8;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.Windowed = TRUE;
    p.EnableAutoDepthStencil = TRUE;
    p.AutoDepthStencilFormat = D3DFMT_D16;
    return p;
}

class device_fixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        recording_d3d_reset_config();
        ASSERT_TRUE(d3d_select_backend("recording"));
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_NE(d3d, nullptr);
        D3DPRESENT_PARAMETERS p = windowed_parameters();
        ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                    D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED, &p, &dev),
                  D3D_OK);
        rec = recording_d3d_device(dev);
        ASSERT_NE(rec, nullptr);
    }
    void TearDown() override
    {
        if (dev)
            dev->Release();
        if (d3d)
            d3d->Release();
        recording_d3d_reset_config();
    }
    DWORD rs(D3DRENDERSTATETYPE s)
    {
        DWORD v = 0xDEADBEEF;
        EXPECT_EQ(dev->GetRenderState(s, &v), D3D_OK);
        return v;
    }
    DWORD ts(DWORD stage, D3DTEXTURESTAGESTATETYPE s)
    {
        DWORD v = 0xDEADBEEF;
        EXPECT_EQ(dev->GetTextureStageState(stage, s, &v), D3D_OK);
        return v;
    }
    IDirect3DVertexBuffer8 *vbuffer(UINT bytes)
    {
        IDirect3DVertexBuffer8 *b = nullptr;
        EXPECT_EQ(dev->CreateVertexBuffer(bytes, 0, 0x152, D3DPOOL_MANAGED, &b), D3D_OK);
        return b;
    }

    IDirect3D8 *d3d = nullptr;
    IDirect3DDevice8 *dev = nullptr;
    recording_device_c *rec = nullptr;
};

} // namespace

TEST(d3d_object, adapter_answers_from_the_recording_settings)
{
    recording_d3d_reset_config();
    EXPECT_EQ(Direct3DCreate8(D3D_SDK_VERSION + 1), nullptr);
    EXPECT_FALSE(d3d_select_backend("no-such-backend"));
    EXPECT_STREQ(d3d_selected_backend(), "recording");

    recording_d3d_config().desktop.Format = D3DFMT_R8G8B8;
    recording_d3d_config().texture_formats = {D3DFMT_A8R8G8B8};
    IDirect3D8 *d3d = Direct3DCreate8(D3D_SDK_VERSION);
    recording_d3d_reset_config(); // the object keeps what it was made with
    D3DDISPLAYMODE mode{};
    ASSERT_EQ(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode), D3D_OK);
    EXPECT_EQ(mode.Format, D3DFMT_R8G8B8);

    struct
    {
        D3DFORMAT display, texture;
        bool ok;
    } cases[] = {
        {D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, true},
        {D3DFMT_R5G6B5, D3DFMT_A8R8G8B8, true},
        {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, false},
        {D3DFMT_X1R5G5B5, D3DFMT_A8R8G8B8, false}, // not a display format of this adapter
    };
    for (const auto &c : cases)
        EXPECT_EQ(d3d->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, c.display, 0, D3DRTYPE_TEXTURE,
                                         c.texture) == D3D_OK,
                  c.ok)
            << c.display << " " << c.texture;

    D3DCAPS8 caps{};
    ASSERT_EQ(d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_TRUE(caps.TextureCaps & D3DPTEXTURECAPS_MIPMAP);
    EXPECT_EQ(caps.MaxVertexBlendMatrices, 4u);
    EXPECT_EQ(caps.MaxVertexBlendMatrixIndex, 0u);

    // A window must use the desktop format, which this adapter cannot show.
    D3DPRESENT_PARAMETERS p = windowed_parameters();
    IDirect3DDevice8 *dev = nullptr;
    EXPECT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p,
                                &dev),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(dev, nullptr);
    d3d->Release();
}

TEST_F(device_fixture, starts_with_direct3d_defaults_and_reset_restores_them)
{
    auto expect_defaults = [&] {
        EXPECT_EQ(rs(D3DRS_ZENABLE), D3DZB_TRUE);
        EXPECT_EQ(rs(D3DRS_CULLMODE), D3DCULL_CCW);
        EXPECT_EQ(rs(D3DRS_LIGHTING), 1u);
        EXPECT_EQ(rs(D3DRS_ZFUNC), D3DCMP_LESSEQUAL);
        EXPECT_EQ(rs(D3DRS_TEXTUREFACTOR), 0xFFFFFFFFu);
        EXPECT_EQ(rs(D3DRS_AMBIENTMATERIALSOURCE), D3DMCS_MATERIAL);
        EXPECT_EQ(rs(D3DRS_ZBIAS), 0u);
        EXPECT_EQ(ts(0, D3DTSS_COLOROP), D3DTOP_MODULATE);
        EXPECT_EQ(ts(1, D3DTSS_COLOROP), D3DTOP_DISABLE);
        EXPECT_EQ(ts(0, D3DTSS_ALPHAOP), D3DTOP_SELECTARG1);
        EXPECT_EQ(ts(0, D3DTSS_MINFILTER), D3DTEXF_POINT);
        EXPECT_EQ(ts(0, D3DTSS_MIPFILTER), D3DTEXF_NONE);
        EXPECT_EQ(ts(0, D3DTSS_ADDRESSU), D3DTADDRESS_WRAP);
        EXPECT_EQ(ts(3, D3DTSS_TEXCOORDINDEX), 3u);
        D3DVIEWPORT8 vp{};
        dev->GetViewport(&vp);
        EXPECT_EQ(vp.Width, 640u); // a windowed back buffer takes the client size
        EXPECT_EQ(vp.Height, 480u);
        EXPECT_EQ(vp.MaxZ, 1.0f);
        D3DMATRIX world{};
        dev->GetTransform(D3DTS_WORLD, &world);
        EXPECT_EQ(world.m[3][3], 1.0f);
        EXPECT_EQ(world.m[3][0], 0.0f);
        DWORD shader = 1;
        dev->GetVertexShader(&shader);
        EXPECT_EQ(shader, 0u);
    };
    expect_defaults();

    IDirect3DVertexBuffer8 *vb = vbuffer(72);
    dev->SetStreamSource(0, vb, 36);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    dev->SetRenderState(D3DRS_ZBIAS, 1);
    dev->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    dev->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    D3DVIEWPORT8 vp{0, 0, 640, 480, 0.0f, 0.5f};
    dev->SetViewport(&vp);
    D3DMATRIX moved{};
    moved.m[3][0] = 5.0f;
    dev->SetTransform(D3DTS_WORLD, &moved);
    dev->SetVertexShader(0x152);
    EXPECT_EQ(rs(D3DRS_CULLMODE), D3DCULL_NONE);

    rec->make_resettable();
    D3DPRESENT_PARAMETERS p = windowed_parameters();
    ASSERT_EQ(dev->Reset(&p), D3D_OK);
    expect_defaults();
    EXPECT_EQ(dev->state().streams[0].buffer, nullptr);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(vb->Release(), 0u); // the device let go of its binding
}

TEST_F(device_fixture, lost_device_and_failed_reset_hooks)
{
    D3DPRESENT_PARAMETERS p = windowed_parameters();
    EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);
    rec->lose();
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(dev->Reset(&p), D3DERR_DEVICELOST); // not yet resettable
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);

    rec->make_resettable();
    rec->reset_result = D3DERR_OUTOFVIDEOMEMORY;
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(dev->Reset(&p), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(rs(D3DRS_LIGHTING), 0u); // a failed reset changes nothing
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);

    rec->reset_result = D3D_OK;
    EXPECT_EQ(dev->Reset(&p), D3D_OK);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(rec->resets, 3);
    const auto resets = rec->calls(recording_call_e::reset);
    ASSERT_EQ(resets.size(), 3u);
    EXPECT_EQ((HRESULT)resets[1].a, D3DERR_OUTOFVIDEOMEMORY);
}

TEST_F(device_fixture, texture_levels_are_kept_as_cpu_memory)
{
    struct
    {
        UINT width, height, levels;
        D3DFORMAT format;
        UINT expect_levels, last_width, last_height, pitch0, size0;
    } cases[] = {
        {64, 16, 0, D3DFMT_A8R8G8B8, 7, 1, 1, 256, 4096},
        {64, 16, 3, D3DFMT_R5G6B5, 3, 16, 4, 128, 2048},
        {8, 8, 99, D3DFMT_X8R8G8B8, 4, 1, 1, 32, 256},
        {16, 8, 0, D3DFMT_DXT1, 5, 1, 1, 32, 64},   // rows of 4x4 blocks, 8 bytes each
        {8, 8, 1, D3DFMT_DXT5, 1, 8, 8, 32, 64},    // 16 bytes a block
    };
    for (const auto &c : cases) {
        IDirect3DTexture8 *t = nullptr;
        ASSERT_EQ(dev->CreateTexture(c.width, c.height, c.levels, 0, c.format, D3DPOOL_MANAGED, &t), D3D_OK);
        EXPECT_EQ(t->GetLevelCount(), c.expect_levels);
        D3DSURFACE_DESC d{};
        ASSERT_EQ(t->GetLevelDesc(c.expect_levels - 1, &d), D3D_OK);
        EXPECT_EQ(d.Width, c.last_width);
        EXPECT_EQ(d.Height, c.last_height);
        EXPECT_EQ(t->level(0).pitch, c.pitch0);
        EXPECT_EQ(t->level(0).bits.size(), c.size0);
        EXPECT_EQ(t->GetLevelDesc(c.expect_levels, &d), D3DERR_INVALIDCALL);
        t->Release();
    }

    IDirect3DTexture8 *t = nullptr;
    EXPECT_EQ(dev->CreateTexture(4, 4, 1, 0, D3DFMT_R8G8B8, D3DPOOL_MANAGED, &t), D3DERR_INVALIDCALL);
    EXPECT_EQ(t, nullptr);
    ASSERT_EQ(dev->CreateTexture(4, 4, 2, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3D_OK);
    D3DLOCKED_RECT lr{};
    ASSERT_EQ(t->LockRect(1, &lr, nullptr, 0), D3D_OK);
    EXPECT_EQ(t->LockRect(1, &lr, nullptr, 0), D3DERR_INVALIDCALL); // already locked
    EXPECT_EQ(lr.Pitch, 8);
    std::memset(lr.pBits, 0xAB, 16);
    ASSERT_EQ(t->UnlockRect(1), D3D_OK);
    EXPECT_EQ(t->UnlockRect(1), D3DERR_INVALIDCALL);
    EXPECT_EQ(t->level(1).bits[15], 0xAB);
    EXPECT_EQ(t->level(0).bits[0], 0);

    rec->fail = RECORDING_FAIL_LOCK_TEXTURE;
    EXPECT_EQ(t->LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(t->LockRect(0, &lr, nullptr, 0), D3D_OK); // the hook fails once
    rec->fail = RECORDING_FAIL_UNLOCK_TEXTURE;
    EXPECT_EQ(t->UnlockRect(0), D3DERR_INVALIDCALL);
    t->Release();
}

TEST_F(device_fixture, buffers_lock_within_their_size_and_outlive_the_device)
{
    IDirect3DVertexBuffer8 *vb = vbuffer(108);
    D3DVERTEXBUFFER_DESC desc{};
    vb->GetDesc(&desc);
    EXPECT_EQ(desc.Size, 108u);
    EXPECT_EQ(desc.FVF, 0x152u);
    BYTE *data = nullptr;
    EXPECT_EQ(vb->Lock(100, 16, &data, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(vb->Lock(0, 0, &data, D3DLOCK_DISCARD), D3D_OK); // 0, 0 locks it whole
    data[107] = 7;
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL);

    IDirect3DIndexBuffer8 *ib = nullptr;
    EXPECT_EQ(dev->CreateIndexBuffer(12, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &ib), D3DERR_INVALIDCALL);
    ASSERT_EQ(dev->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), D3D_OK);
    dev->SetIndices(ib, 0);
    dev->SetStreamSource(0, vb, 36);
    EXPECT_EQ(ib->Release(), 1u); // the device holds it while bound

    dev->Release();
    dev = nullptr;
    EXPECT_EQ(vb->device(), nullptr);
    ASSERT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK); // still CPU memory
    EXPECT_EQ(data[107], 7);
    vb->Unlock();
    EXPECT_EQ(vb->Release(), 0u);
}

// Resources go in any order while others live: the device still detaches each that outlives it,
// and none that went before (a stale one would be touched after its end).
TEST_F(device_fixture, resources_released_in_any_order_leave_the_rest_detached_with_the_device)
{
    std::vector<IDirect3DVertexBuffer8 *> buffers;
    for (int i = 0; i < 7; ++i)
        buffers.push_back(vbuffer(36));
    for (int gone : {2, 6, 0, 4}) {
        EXPECT_EQ(buffers[(size_t)gone]->Release(), 0u);
        buffers[(size_t)gone] = nullptr;
    }
    buffers.push_back(vbuffer(36));
    dev->Release();
    dev = nullptr;
    for (IDirect3DVertexBuffer8 *b : buffers)
        if (b) {
            EXPECT_EQ(b->device(), nullptr);
            EXPECT_EQ(b->Release(), 0u);
        }
}

TEST_F(device_fixture, draws_are_checked_and_logged_in_order)
{
    IDirect3DVertexBuffer8 *vb = vbuffer(36 * 6);
    IDirect3DIndexBuffer8 *ib = nullptr;
    ASSERT_EQ(dev->CreateIndexBuffer(6 * 2, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), D3D_OK);
    dev->SetStreamSource(0, vb, 36);
    dev->SetIndices(ib, 0);
    rec->clear_log();

    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3DERR_INVALIDCALL); // outside a scene
    ASSERT_EQ(dev->BeginScene(), D3D_OK);
    EXPECT_EQ(dev->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF102030, 1.0f, 0), D3D_OK);
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 3), D3DERR_INVALIDCALL); // 9 vertices > 6
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_LINELIST, 2, 2), D3D_OK);
    EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 6, 3, 2), D3DERR_INVALIDCALL); // 6 indices only
    EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 6, 3, 1), D3D_OK);
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    EXPECT_EQ(dev->EndScene(), D3D_OK);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

    const recording_call_e expected[] = {recording_call_e::begin_scene, recording_call_e::clear,
                                         recording_call_e::draw,        recording_call_e::draw_indexed,
                                         recording_call_e::render_state, recording_call_e::end_scene,
                                         recording_call_e::present};
    ASSERT_EQ(rec->log.size(), std::size(expected));
    for (size_t i = 0; i < rec->log.size(); ++i)
        EXPECT_EQ(rec->log[i].call, expected[i]) << recording_call_text(rec->log[i]);
    EXPECT_EQ(rec->log[1].a, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
    EXPECT_EQ(rec->log[1].b, 0xFF102030u);
    EXPECT_EQ(rec->log[2].a, D3DPT_LINELIST);
    EXPECT_EQ(rec->log[2].b, 2u);
    EXPECT_EQ(rec->log[2].c, 2u);
    EXPECT_EQ(rec->log[2].ptr, vb);
    EXPECT_EQ(rec->log[3].c, 3u);
    EXPECT_EQ(rec->log[4].a, D3DRS_LIGHTING);

    rec->lose();
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    vb->Release();
    ib->Release();
}

TEST_F(device_fixture, lights_grow_on_use_and_bad_arguments_fail)
{
    D3DLIGHT8 l{};
    l.Type = D3DLIGHT_POINT;
    l.Range = 30.0f;
    ASSERT_EQ(dev->SetLight(5, &l), D3D_OK);
    D3DLIGHT8 back{};
    ASSERT_EQ(dev->GetLight(5, &back), D3D_OK);
    EXPECT_EQ(back.Range, 30.0f);
    BOOL on = TRUE;
    ASSERT_EQ(dev->GetLightEnable(2, &on), D3D_OK);
    EXPECT_FALSE(on);
    EXPECT_EQ(dev->GetLight(6, &back), D3DERR_INVALIDCALL);
    l.Type = 0;
    EXPECT_EQ(dev->SetLight(0, &l), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetRenderState(D3D_RENDER_STATE_COUNT, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetTextureStageState(D3D_MAX_TEXTURE_STAGES, D3DTSS_COLOROP, 0), D3DERR_INVALIDCALL);
    const D3DMATRIX m{};
    EXPECT_EQ(dev->SetTransform(1, &m), D3DERR_INVALIDCALL);
    D3DVIEWPORT8 vp{0, 0, 10, 10, 0.5f, 0.25f};
    EXPECT_EQ(dev->SetViewport(&vp), D3DERR_INVALIDCALL);
}

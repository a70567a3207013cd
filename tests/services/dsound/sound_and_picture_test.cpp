// Sound and picture agree: what the Direct3D service's camera draws on the right of the screen,
// the DirectSound service's listener hears on the right. Both services start with their own
// default orientation, as the program starts them.
#include "services/srvc_dsound.h"

#include "platform/d3d/d3dx8.h"
#include "tests/services/d3d/d3d_fixture.h"

#include <cstring>
#include <vector>

namespace {

class sound_and_picture : public d3d_fixture
{
protected:
    void SetUp() override
    {
        d3d_fixture::SetUp();
        dsound_select_device(DSOUND_DEVICE_MANUAL);
    }
    void TearDown() override
    {
        d3d_fixture::TearDown();
        dsound_select_device(DSOUND_DEVICE_SDL);
    }

    // Where the device's view and projection put a world point: x from -1 (left edge) to 1.
    float screen_x(const D3DXVECTOR3 &world)
    {
        D3DXMATRIX view, projection, both;
        d3d->device()->GetTransform(D3DTS_VIEW, &view);
        d3d->device()->GetTransform(D3DTS_PROJECTION, &projection);
        D3DXMatrixMultiply(&both, &view, &projection);
        D3DXVECTOR3 clip;
        D3DXVec3TransformCoord(&clip, &world, &both);
        return clip.x;
    }
};

TEST_F(sound_and_picture, a_source_drawn_on_the_right_is_louder_on_the_right)
{
    make_service();
    attribute_list_c format;
    add_attribute(nullptr, format, "sampling_bits", value_c(16), 0);
    add_attribute(nullptr, format, "sampling_rate", value_c(22050), 0);
    add_attribute(nullptr, format, "stereo", value_c(1), 0);
    dsound_service_c *sound = new dsound_service_c(root, &format);
    startup();
    ASSERT_TRUE(d3d->initialized());
    ASSERT_EQ(sound->m_initialized, 1);

    WAVEFORMATEX mono;
    make_wave_format(mono, 16, 22050, 1);
    DSBUFFERDESC desc{};
    desc.dwSize = DSBUFFERDESC_WIN32_SIZE;
    desc.dwFlags = DSBCAPS_CTRL3D | DSBCAPS_CTRLVOLUME;
    desc.dwBufferBytes = 800;
    desc.lpwfxFormat = &mono;
    IDirectSoundBuffer *buffer = nullptr;
    ASSERT_EQ(sound->get_dsound()->CreateSoundBuffer(&desc, &buffer, nullptr), DS_OK);
    void *p1, *p2;
    DWORD n1, n2;
    ASSERT_EQ(buffer->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
    const std::vector<int16_t> level(400, 16000);
    std::memcpy(p1, level.data(), n1);
    buffer->Unlock(p1, n1, p2, n2);
    IDirectSound3DBuffer *placed = nullptr;
    ASSERT_EQ(buffer->QueryInterface(IID_IDirectSound3DBuffer8, (void **)&placed), DS_OK);
    buffer->Play(0, 0, DSBPLAY_LOOPING);

    const D3DXVECTOR3 points[] = {{10, 3, 0}, {10, -3, 0}, {5, 1, 2}, {5, -1, -2}, {50, 20, 5}, {50, -20, 5}};
    for (const D3DXVECTOR3 &at : points) {
        SCOPED_TRACE(testing::Message() << at.x << "," << at.y << "," << at.z);
        const float x = screen_x(at);
        ASSERT_GT(std::abs(x), 0.1f);
        ASSERT_LT(std::abs(x), 1.0f) << "on the screen";
        // The sound manager places its buffers deferred; the service commits on the tick.
        placed->SetPosition(at.x, at.y, at.z, DS3D_DEFERRED);
        root->message(MSG_VAR(tick), 0, nullptr, MSG_ARG(0.0f), MSG_ARG(0.01f), MSG_ARGS_END);
        int16_t out[2];
        ASSERT_EQ(dsound_manual_render(sound->get_dsound(), out, 1), DS_OK);
        if (x > 0)
            EXPECT_GT(out[1], out[0]) << "drawn on the right";
        else
            EXPECT_GT(out[0], out[1]) << "drawn on the left";
    }
    placed->Release();
    buffer->Release();
}

} // namespace

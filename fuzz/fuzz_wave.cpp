// WAVE: the input is a sound file, loaded as the sound service loads it, made into a
// DirectSound buffer on the manual device and mixed for a few hundred frames looping, then
// again at another frequency, volume and pan.
#include "fuzz/fuzz_support.h"
#include "importers/waves_pcm.h"
#include "kernel/exception.h"
#include "platform/dsound/dsound.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

IDirectSound8 *g_ds = nullptr;

void mix(IDirectSoundBuffer *buffer)
{
    static std::vector<uint8_t> out(4 * 400);
    buffer->Play(0, 0, DSBPLAY_LOOPING);
    dsound_manual_render(g_ds, out.data(), 300);
    buffer->SetFrequency(31111);
    buffer->SetVolume(-1200);
    buffer->SetPan(2500);
    dsound_manual_render(g_ds, out.data(), 400);
    buffer->Stop();
}

} // namespace

void fuzz::harness_setup()
{
    dsound_select_device(DSOUND_DEVICE_MANUAL);
    if (DirectSoundCreate8(nullptr, &g_ds, nullptr) != DS_OK) {
        std::fprintf(stderr, "fuzz_wave: no manual sound device\n");
        std::abort();
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::put_data("sounds/input.wav", data, size);
    wave_file_c wave;
    try {
        if (!wave.load("sounds/input.wav"))
            return 0;
    } catch (const exception_c &e) {
        fuzz::refused(e);
        return 0;
    }
    if (!wave.data() && wave.data_amount() != 0)
        std::abort();
    IDirectSoundBuffer *buffer =
        wave.create_buffer(g_ds, DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY);
    if (buffer) {
        mix(buffer);
        buffer->Release();
    }
    return 0;
}

#include "platform/dsound/mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

bool mix_format_from_wave(const WAVEFORMATEX &wf, mix_format_s &out)
{
    if (wf.wFormatTag != WAVE_FORMAT_PCM)
        return false;
    if (wf.nChannels != 1 && wf.nChannels != 2)
        return false;
    if (wf.wBitsPerSample != 8 && wf.wBitsPerSample != 16)
        return false;
    if (wf.nSamplesPerSec < DSBFREQUENCY_MIN || wf.nSamplesPerSec > DSBFREQUENCY_MAX)
        return false;
    const unsigned block = wf.nChannels * wf.wBitsPerSample / 8u;
    if (wf.nBlockAlign != block || wf.nAvgBytesPerSec != wf.nSamplesPerSec * block)
        return false;
    out.channels = wf.nChannels;
    out.bits = wf.wBitsPerSample;
    out.rate = (int)wf.nSamplesPerSec;
    return true;
}

float mix_gain_of_volume(LONG volume)
{
    if (volume <= DSBVOLUME_MIN)
        return 0.0f;
    return (float)std::pow(10.0, volume / 2000.0);
}

namespace {

float read_sample(const mix_voice_s &v, DWORD frame, int channel)
{
    const uint8_t *p = v.ring.data() + (size_t)frame * v.format.block();
    if (v.format.bits == 8)
        return ((int)p[channel] - 128) * 256.0f;
    int16_t s;
    memcpy(&s, p + channel * 2, 2);
    return (float)s;
}

D3DVECTOR sub(const D3DVECTOR &a, const D3DVECTOR &b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
float dot(const D3DVECTOR &a, const D3DVECTOR &b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
D3DVECTOR cross(const D3DVECTOR &a, const D3DVECTOR &b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// Left and right gains of a 3D voice: distance attenuation, then a balance by how far to the
// right of the listener the source lies. The listener's right is top x front, DirectSound's
// left-handed rule: with front +x and top +z it is +y, where the Direct3D camera draws +y.
// Head-relative positions are taken in that default orientation.
void gains_3d(const mix_voice_s &v, const mix_listener_s &l, float &left, float &right)
{
    const mix_3d_s &p = v.applied;
    float distance, side;
    if (p.mode == DS3DMODE_HEADRELATIVE) {
        distance = std::sqrt(dot(p.position, p.position));
        side = p.position.y;
    } else {
        const D3DVECTOR rel = sub(p.position, l.position);
        distance = std::sqrt(dot(rel, rel));
        D3DVECTOR axis = cross(l.top, l.front);
        const float len = std::sqrt(dot(axis, axis));
        side = len > 0.0f ? dot(rel, axis) / len : 0.0f;
    }
    const float pan = distance > 0.0f ? std::clamp(side / distance, -1.0f, 1.0f) : 0.0f;
    float d = std::min(distance, p.max_distance);
    d = std::max(d, p.min_distance);
    float attenuation = 1.0f;
    if (d > p.min_distance) {
        const float denom = p.min_distance + l.rolloff_factor * (d - p.min_distance);
        attenuation = denom > 0.0f ? p.min_distance / denom : 0.0f;
    }
    left = attenuation * std::min(1.0f, 1.0f - pan);
    right = attenuation * std::min(1.0f, 1.0f + pan);
}

} // namespace

void mixer_c::mix_voice(mix_voice_s &v, DWORD frames, float master)
{
    const float gain = mix_gain_of_volume(v.volume) * master;
    float gl = gain, gr = gain;
    if (v.is_3d && v.applied.mode != DS3DMODE_DISABLE) {
        float l, r;
        gains_3d(v, m_listener, l, r);
        gl *= l;
        gr *= r;
    } else if (v.pan != 0) {
        gl *= mix_gain_of_volume(std::min<LONG>(0, -v.pan));
        gr *= mix_gain_of_volume(std::min<LONG>(0, v.pan));
    }
    if (v.frames == 0)
        return;
    const uint64_t step = ((uint64_t)v.frequency << 32) / (uint64_t)m_out.rate;
    const uint64_t end = (uint64_t)v.frames << 32;
    const int channels = v.format.channels;
    float *acc = m_acc.data();
    for (DWORD i = 0; i < frames; i++) {
        const DWORD idx = (DWORD)(v.position >> 32);
        const uint32_t frac = (uint32_t)v.position;
        float s[2] = {0.0f, 0.0f};
        for (int c = 0; c < channels; c++) {
            s[c] = read_sample(v, idx, c);
            if (frac) {
                float next = 0.0f;
                if (idx + 1 < v.frames)
                    next = read_sample(v, idx + 1, c);
                else if (v.looping)
                    next = read_sample(v, 0, c);
                s[c] += (next - s[c]) * (float)(frac * (1.0 / 4294967296.0));
            }
        }
        if (channels == 1)
            s[1] = s[0];
        acc[2 * i] += s[0] * gl;
        acc[2 * i + 1] += s[1] * gr;
        v.position += step;
        if (v.position >= end) {
            if (!v.looping) {
                v.playing = false;
                v.position = 0;
                return;
            }
            v.position %= end;
        }
    }
}

void mixer_c::render(void *out, DWORD frames)
{
    m_acc.assign((size_t)frames * 2, 0.0f);
    const float master = mix_gain_of_volume(m_master_volume);
    for (mix_voice_s *v : m_voices)
        if (v->playing)
            mix_voice(*v, frames, master);

    uint8_t *dst = static_cast<uint8_t *>(out);
    for (DWORD i = 0; i < frames; i++) {
        float s[2] = {m_acc[2 * i], m_acc[2 * i + 1]};
        if (m_out.channels == 1)
            s[0] = (s[0] + s[1]) * 0.5f;
        for (int c = 0; c < m_out.channels; c++) {
            if (m_out.bits == 8) {
                const long q = std::lrintf(s[c] / 256.0f) + 128;
                *dst++ = (uint8_t)std::clamp(q, 0L, 255L);
            } else {
                const int16_t q = (int16_t)std::lrintf(std::clamp(s[c], -32768.0f, 32767.0f));
                memcpy(dst, &q, 2);
                dst += 2;
            }
        }
    }
}

void mixer_c::advance(DWORD frames)
{
    for (mix_voice_s *v : m_voices) {
        if (!v->playing || v->frames == 0)
            continue;
        const uint64_t step = ((uint64_t)v->frequency << 32) / (uint64_t)m_out.rate;
        const uint64_t end = (uint64_t)v->frames << 32;
        // In pieces, so that the product stays within 64 bits.
        for (DWORD left = frames; left > 0 && v->playing;) {
            const DWORD piece = std::min<DWORD>(left, 4096);
            left -= piece;
            const uint64_t way = step * piece;
            if (way >= end - v->position) {
                if (!v->looping) {
                    v->playing = false;
                    v->position = 0;
                    break;
                }
                v->position = (v->position + way % end) % end;
            } else
                v->position += way;
        }
    }
}

void mixer_c::commit_deferred()
{
    m_listener = m_listener_pending;
    for (mix_voice_s *v : m_voices)
        if (v->is_3d)
            v->applied = v->pending;
}

#include "tools/soundgen/soundgen.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace soundgen {

namespace {

int16_t clip(double v)
{
    return (int16_t)std::lrint(std::clamp(v, -32768.0, 32767.0));
}

void put16(std::vector<uint8_t> &out, uint32_t v)
{
    out.push_back((uint8_t)(v & 0xFF));
    out.push_back((uint8_t)((v >> 8) & 0xFF));
}

void put32(std::vector<uint8_t> &out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void put_tag(std::vector<uint8_t> &out, const char *tag)
{
    out.insert(out.end(), tag, tag + 4);
}

int frames_of(int rate, double seconds)
{
    return std::max(0, (int)std::lrint(rate * seconds));
}

} // namespace

samples tone(int rate, int channels, double seconds, double hz, double amplitude, double pan)
{
    const int frames = frames_of(rate, seconds);
    const int fade = std::max(1, std::min(frames / 2, rate / 200));
    const double gains[2] = {channels == 2 ? std::min(1.0, 1.0 - pan) : 1.0,
                             channels == 2 ? std::min(1.0, 1.0 + pan) : 1.0};
    samples s((size_t)frames * channels);
    for (int i = 0; i < frames; i++) {
        const double envelope = std::min({1.0, (double)i / fade, (double)(frames - 1 - i) / fade});
        const double v = std::sin(2.0 * M_PI * hz * i / rate) * amplitude * envelope * 32767.0;
        for (int c = 0; c < channels; c++)
            s[(size_t)i * channels + c] = clip(v * gains[c]);
    }
    return s;
}

samples click(int rate, int channels, double seconds, double hz, unsigned seed)
{
    const int frames = frames_of(rate, seconds);
    samples s((size_t)frames * channels);
    uint32_t x = seed;
    double phase = 0.0;
    for (int i = 0; i < frames; i++) {
        x = x * 214013u + 2531011u;
        const double noise = (double)((x >> 16) & 0x7FFF) / 16384.0 - 1.0;
        const double t = (double)i / rate;
        const double decay = std::exp(-t * 60.0);
        phase += 2.0 * M_PI * hz * (1.0 - 0.5 * t / std::max(seconds, 1e-9)) / rate;
        const double v = (0.6 * std::sin(phase) + 0.4 * noise) * decay * 0.8 * 32767.0;
        for (int c = 0; c < channels; c++)
            s[(size_t)i * channels + c] = clip(v);
    }
    return s;
}

samples silence(int rate, int channels, double seconds)
{
    return samples((size_t)frames_of(rate, seconds) * channels, 0);
}

samples ramp(int channels, int frames)
{
    samples s((size_t)frames * channels);
    for (size_t i = 0; i < s.size(); i++)
        s[i] = (int16_t)(uint16_t)(i * 7 + 1);
    return s;
}

std::vector<uint8_t> make_wave(int channels, int rate, int bits, const samples &s)
{
    const uint32_t block = (uint32_t)(channels * bits / 8);
    const uint32_t data = bits == 8 ? (uint32_t)s.size() : (uint32_t)s.size() * 2;
    std::vector<uint8_t> out;
    put_tag(out, "RIFF");
    put32(out, 4 + 8 + 16 + 8 + data + (data & 1));
    put_tag(out, "WAVE");
    put_tag(out, "fmt ");
    put32(out, 16);
    put16(out, 1);
    put16(out, (uint32_t)channels);
    put32(out, (uint32_t)rate);
    put32(out, (uint32_t)rate * block);
    put16(out, block);
    put16(out, (uint32_t)bits);
    put_tag(out, "data");
    put32(out, data);
    for (int16_t v : s) {
        if (bits == 8)
            out.push_back((uint8_t)(((uint16_t)v >> 8) ^ 0x80));
        else
            put16(out, (uint16_t)v);
    }
    if (data & 1)
        out.push_back(0);
    return out;
}

std::vector<uint8_t> make_ogg(int channels, int rate, const samples &s, float quality, int serial)
{
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, channels, rate, quality) != 0) {
        vorbis_info_clear(&vi);
        throw std::runtime_error("soundgen: the Vorbis encoder refuses this format");
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block vb;
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, serial);

    std::vector<uint8_t> out;
    ogg_page og;
    auto put_page = [&] {
        out.insert(out.end(), og.header, og.header + og.header_len);
        out.insert(out.end(), og.body, og.body + og.body_len);
    };

    ogg_packet header, comments, codebooks;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &codebooks);
    while (ogg_stream_flush(&os, &og))
        put_page();

    const size_t frames = s.size() / (size_t)channels;
    const size_t chunk = 1024;
    size_t done = 0;
    bool eos = false;
    for (;;) {
        if (done < frames) {
            const size_t n = std::min(chunk, frames - done);
            float **buffer = vorbis_analysis_buffer(&vd, (int)n);
            for (size_t i = 0; i < n; i++)
                for (int c = 0; c < channels; c++)
                    buffer[c][i] = s[(done + i) * channels + c] / 32768.0f;
            vorbis_analysis_wrote(&vd, (int)n);
            done += n;
        } else if (!eos) {
            vorbis_analysis_wrote(&vd, 0);
            eos = true;
        } else {
            break;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&vd, &op)) {
                ogg_stream_packetin(&os, &op);
                while (ogg_stream_pageout(&os, &og))
                    put_page();
            }
        }
    }
    while (ogg_stream_flush(&os, &og))
        put_page();

    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

void write_file(const std::string &path, const std::vector<uint8_t> &bytes)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        throw std::runtime_error("soundgen: cannot create " + path);
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok)
        throw std::runtime_error("soundgen: cannot write " + path);
}

} // namespace soundgen

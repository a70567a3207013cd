// Builds RIFF WAVE images for tests: chunks padded to even length, "fmt " bodies of any size
// and tag, and a whole PCM file from its samples.
#pragma once

#include <cstdint>
#include <string>

namespace wave_corpus {

inline std::string le16(uint32_t v) { return std::string{(char)(v & 0xFF), (char)((v >> 8) & 0xFF)}; }
inline std::string le32(uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }

// A chunk with its size as given (default: the body's), body padded to an even length.
inline std::string chunk(const std::string &id, const std::string &body, int64_t size = -1)
{
    std::string c = id + le32(size < 0 ? (uint32_t)body.size() : (uint32_t)size) + body;
    if (body.size() & 1)
        c += '\0';
    return c;
}

inline std::string riff(const std::string &form, const std::string &chunks)
{
    return chunk("RIFF", form + chunks);
}

// A "fmt " body of `length` bytes (at least 16); block align and byte rate follow the fields.
inline std::string fmt_body(int tag, int channels, int rate, int bits, size_t length = 16)
{
    const int block = channels * bits / 8;
    std::string b = le16(tag) + le16(channels) + le32(rate) + le32(rate * block) + le16(block) + le16(bits);
    if (length >= 18)
        b += le16((uint32_t)(length - 18));
    b.resize(length, '\x5A');
    return b;
}

inline std::string pcm_wave(int channels, int rate, int bits, const std::string &samples)
{
    return riff("WAVE", chunk("fmt ", fmt_body(1, channels, rate, bits)) + chunk("data", samples));
}

} // namespace wave_corpus

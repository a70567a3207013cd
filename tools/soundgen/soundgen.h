// Sound generators for tests and for the demo data: synthesised 16-bit samples (tones, clicks,
// silence), the bytes of a PCM RIFF WAVE file made from them, and an Ogg Vorbis file encoded
// from them with libvorbisenc. Everything returns bytes in memory; write_file puts them on disk.
// Samples are interleaved signed 16-bit frames; every generator is deterministic, so a test
// that encodes the same samples twice gets the same file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace soundgen {

using samples = std::vector<int16_t>;

// A sine of `hz` at `amplitude` (0..1 of full scale), faded in and out over 5 ms so that it
// starts and ends without a crack. `pan` -1 (left only) .. 1 (right only) for stereo.
samples tone(int rate, int channels, double seconds, double hz, double amplitude, double pan = 0.0);
// A short percussive click: a decaying noise burst over a falling sine.
samples click(int rate, int channels, double seconds, double hz, unsigned seed);
samples silence(int rate, int channels, double seconds);
// A ramp whose every sample is different (frame i channel c: i * channels + c, wrapping), so
// that a test finds any lost, doubled or shifted sample.
samples ramp(int channels, int frames);

// A PCM WAVE file; bits 8 stores each sample's high byte, offset to unsigned.
std::vector<uint8_t> make_wave(int channels, int rate, int bits, const samples &s);

// An Ogg Vorbis file of one logical bitstream with the given serial number; quality -0.1..1.
// Throws std::runtime_error when the encoder refuses the format.
std::vector<uint8_t> make_ogg(int channels, int rate, const samples &s, float quality = 0.4f, int serial = 1);

// Throws std::runtime_error on failure.
void write_file(const std::string &path, const std::vector<uint8_t> &bytes);

} // namespace soundgen

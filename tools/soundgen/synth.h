// A small synthesiser for the demo's music and effects: notes of voices with harmonics and
// envelopes, noise bursts through band filters, all added into a stereo mix of floats, then
// brought to a loudness (ITU-R BS.1770 integrated loudness, LUFS) under a peak ceiling and
// turned into 16-bit samples. A mix made to loop wraps what runs past its end round to its
// start, so the loop joins without a click. Everything is deterministic: noise comes from the
// seed a caller gives.
#pragma once

#include "tools/soundgen/soundgen.h"

#include <cstdint>
#include <vector>

namespace soundgen {

// What a note sounds like: the amplitudes of its partials (1 = the fundamental), how much
// faster the upper partials die away (each partial k decays by exp(-t * k * brightness_decay)),
// an attack-decay-sustain-release envelope (seconds; sustain a level 0..1), and a vibrato.
struct voice
{
    std::vector<double> partials{1.0};
    double brightness_decay = 0.0;
    double attack = 0.01;
    double decay = 0.2;
    double sustain = 0.7;
    double release = 0.2;
    double vibrato_hz = 0.0;
    double vibrato_depth = 0.0; // relative frequency swing
    double glide = 0.0;         // frequency ratio reached at the end of the note (0: none)
};

// A noise burst: white noise from `seed` through a band pass (one-pole high pass at `low_hz`,
// two one-pole low passes at `high_hz`), shaped by a linear attack and an exponential decay of
// time constant `decay` (seconds), and faded out over its last `release` seconds.
struct burst
{
    double low_hz = 200.0;
    double high_hz = 4000.0;
    double attack = 0.002;
    double decay = 0.05;
    double release = 0.01; // a linear fade over the burst's last seconds
};

class mix
{
public:
    mix(int rate, double seconds, bool loop);

    int rate() const { return m_rate; }
    int frames() const { return (int)m_left.size(); }
    double seconds() const { return (double)frames() / m_rate; }

    // A note of `length` seconds (its release follows) starting at `start`; pan -1..1.
    void note(double start, double length, double hz, double amplitude, const voice &v, double pan = 0.0);
    // Several notes at once.
    void chord(double start, double length, const std::vector<double> &hz, double amplitude, const voice &v,
               double spread = 0.0);
    void noise(double start, double length, double amplitude, const burst &b, uint32_t seed, double pan = 0.0);

    // The mix as 16-bit stereo at `target_lufs`, its peaks held under `ceiling` (0..1 of full
    // scale; the default, -1.4 dBFS, leaves room for the overshoot of a lossy encoder) by a
    // limiter with a short look-ahead.
    samples finish(double target_lufs, double ceiling = 0.85) const;

private:
    void add(int frame, double left, double right);

    int m_rate;
    bool m_loop;
    std::vector<float> m_left, m_right;
};

// Integrated loudness in LUFS of interleaved 16-bit samples (1 or 2 channels): K-weighted,
// 400 ms blocks overlapping by 75 %, absolute gate at -70 LUFS and relative gate 10 LU below.
// A sound shorter than one block is measured as one block of what there is; silence gives
// -70 or less.
double integrated_loudness(const samples &s, int channels, int rate);
// The largest absolute sample, 0..1 of full scale (32768).
double peak_level(const samples &s);

// Note number to frequency: 69 is A4 (440 Hz).
double midi_hz(double note);

} // namespace soundgen

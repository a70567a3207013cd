#include "tools/soundgen/cues.h"

#include "tools/soundgen/synth.h"

#include <cmath>
#include <functional>
#include <stdexcept>

namespace soundgen {

namespace {

// ---- the band ----

// Partials, brightness decay; attack, decay, sustain, release; vibrato rate and depth.
const voice PAD{{1.0, 0.5, 0.33, 0.25, 0.2, 0.16, 0.12}, 0.6, 0.25, 1.2, 0.75, 0.5, 4.5, 0.002};
const voice KEYS{{1.0, 0.45, 0.3, 0.12, 0.08}, 3.0, 0.003, 0.35, 0.15, 0.25};
const voice BELL{{1.0, 0.25, 0.5, 0.1, 0.3, 0.0, 0.15, 0.0, 0.08}, 4.0, 0.002, 0.5, 0.0, 0.3};
const voice BASS{{1.0, 0.6, 0.3, 0.15, 0.08}, 2.0, 0.005, 0.25, 0.5, 0.08};
const voice BRASS{{1.0, 0.8, 0.6, 0.45, 0.32, 0.22, 0.14, 0.09}, 0.4, 0.035, 0.3, 0.8, 0.15, 5.5, 0.003};
const voice LEAD{{1.0, 0.25, 0.45, 0.1, 0.22, 0.05, 0.1}, 0.8, 0.02, 0.3, 0.6, 0.15, 5.0, 0.004};
const voice BUZZ{{1.0, 0.5, 0.5, 0.3, 0.35, 0.2, 0.25, 0.12, 0.15}, 0.5, 0.015, 0.2, 0.85, 0.1, 7.0, 0.01};

// A drum: a sine whose pitch falls by `drop` over the hit.
voice drum(double decay, double drop)
{
    return voice{{1.0, 0.2}, 0.0, 0.001, decay, 0.0, 0.02, 0.0, 0.0, drop};
}

void kick(mix &m, double at, double amplitude)
{
    m.note(at, 0.25, 95.0, amplitude, drum(0.09, 0.35));
    m.noise(at, 0.02, amplitude * 0.5, burst{300.0, 3000.0, 0.0005, 0.006}, (uint32_t)(at * 1000.0) + 7);
}

void snare(mix &m, double at, double amplitude, uint32_t seed)
{
    m.note(at, 0.1, 190.0, amplitude * 0.5, drum(0.05, 0.7));
    m.noise(at, 0.2, amplitude, burst{900.0, 6000.0, 0.001, 0.06}, seed);
}

void hat(mix &m, double at, double amplitude, uint32_t seed, double pan)
{
    m.noise(at, 0.06, amplitude, burst{6000.0, 14000.0, 0.0005, 0.018}, seed, pan);
}

void cymbal(mix &m, double at, double length, double amplitude, uint32_t seed)
{
    // Rings away over the last half of its length instead of stopping.
    const burst ring{3500.0, 15000.0, 0.003, length / 3.0, length / 2.0};
    m.noise(at, length, amplitude, ring, seed, -0.3);
    m.noise(at, length, amplitude, ring, seed + 101, 0.3);
}

// Many hands: claps of band-passed noise at random times, each hand at its own pace, the
// whole swelling in and dying away.
void claps(mix &m, double start, double length, int hands, double amplitude, uint32_t seed)
{
    uint32_t x = seed;
    auto unit = [&x] {
        x = x * 1103515245u + 12345u;
        return (double)((x >> 8) & 0xFFFF) / 65536.0;
    };
    for (int h = 0; h < hands; ++h) {
        const double pace = 3.5 + 2.5 * unit();
        const double pan = 1.8 * unit() - 0.9;
        const double low = 500.0 + 900.0 * unit(), high = 2500.0 + 3000.0 * unit();
        for (double t = start + unit() * 0.3; t < start + length; t += (1.0 + 0.25 * (unit() - 0.5)) / pace) {
            const double in = std::min(1.0, (t - start) / 0.35);
            const double out = std::min(1.0, (start + length - t) / (length * 0.45));
            m.noise(t, 0.09, amplitude * in * out * (0.6 + 0.4 * unit()), burst{low, high, 0.0008, 0.012 + 0.015 * unit()},
                    x, pan);
        }
    }
}

const double BEAT = 0.5; // 120 beats a minute

std::vector<double> chord_hz(const std::vector<double> &notes)
{
    std::vector<double> hz;
    for (double n : notes)
        hz.push_back(midi_hz(n));
    return hz;
}

// ---- the cues ----

// The show's theme: eight bars in A minor that end on the dominant and so lead back into the
// start: pads, bass, an arpeggio of keys, a lead melody and drums.
samples theme(const cue &c)
{
    mix m(CUE_RATE, c.seconds, true);
    const std::vector<std::vector<double>> chords = {{57, 60, 64}, {53, 57, 60}, {55, 60, 64}, {55, 59, 62},
                                                     {57, 60, 64}, {53, 57, 60}, {52, 56, 59}, {52, 56, 59}};
    const double roots[] = {45, 41, 48, 43, 45, 41, 40, 40};
    for (int bar = 0; bar < 8; ++bar) {
        const double at = bar * 4 * BEAT;
        m.chord(at, 4 * BEAT - 0.1, chord_hz(chords[(size_t)bar]), 0.05, PAD, 0.6);
        for (int e = 0; e < 8; ++e) {
            const double n = roots[bar] + ((e % 4 == 2) ? 12.0 : 0.0);
            m.note(at + e * BEAT / 2, BEAT / 2 - 0.05, midi_hz(n), 0.22, BASS);
            const double arp = chords[(size_t)bar][(size_t)(e % 3)] + 12.0 + (e >= 6 ? 12.0 : 0.0);
            m.note(at + e * BEAT / 2, BEAT / 2, midi_hz(arp), 0.05, KEYS, e % 2 ? 0.5 : -0.5);
        }
        for (int beat = 0; beat < 4; ++beat) {
            const double t = at + beat * BEAT;
            if (beat % 2 == 0)
                kick(m, t, 0.5);
            else
                snare(m, t, 0.25, (uint32_t)(bar * 8 + beat));
            hat(m, t, 0.06, (uint32_t)(bar * 16 + beat * 2 + 500), 0.4);
            hat(m, t + BEAT / 2, 0.1, (uint32_t)(bar * 16 + beat * 2 + 501), 0.4);
        }
        if (bar % 4 == 3)
            kick(m, at + 3.5 * BEAT, 0.35);
    }
    const double melody[][3] = {
        {0, 1, 76},    {1, 0.5, 74},  {1.5, 0.5, 72}, {2, 1, 71},    {3, 1, 72},   {4, 1.5, 69},   {5.5, 0.5, 72},
        {6, 2, 77},    {8, 1, 76},    {9, 0.5, 74},   {9.5, 0.5, 72}, {10, 1, 74},  {11, 1, 76},    {12, 2, 74},
        {14, 1, 71},   {15, 1, 67},   {16, 1, 76},    {17, 0.5, 74}, {17.5, 0.5, 72}, {18, 1, 71},  {19, 1, 72},
        {20, 1, 77},   {21, 1, 76},   {22, 1, 74},    {23, 1, 72},   {24, 1.5, 71}, {25.5, 0.5, 72}, {26, 1, 74},
        {27, 1, 71},   {28, 3, 68},   {31, 1, 71}};
    for (const auto &n : melody)
        m.note(n[0] * BEAT, n[1] * BEAT - 0.04, midi_hz(n[2]), 0.12, LEAD, 0.1);
    cymbal(m, 0.0, 1.5, 0.08, 77);
    return m.finish(c.target_lufs);
}

// The start of a round: a rising call of brass, a drum hit and a held major chord under a
// cymbal.
samples jingle(const cue &c)
{
    mix m(CUE_RATE, c.seconds, false);
    const double call[] = {67, 72, 76, 79};
    for (int i = 0; i < 4; ++i)
        m.note(0.05 + i * 0.13, 0.1, midi_hz(call[i]), 0.16, BRASS, -0.2 + 0.13 * i);
    const double hit = 0.05 + 4 * 0.13;
    m.chord(hit, 1.6, chord_hz({60, 64, 67, 72, 76}), 0.1, BRASS, 0.5);
    m.chord(hit, 1.8, chord_hz({48, 55}), 0.14, PAD, 0.0);
    m.note(hit, 0.3, midi_hz(36), 0.3, BASS);
    kick(m, hit, 0.7);
    cymbal(m, hit, 2.4, 0.12, 5);
    for (int i = 0; i < 6; ++i)
        m.note(hit + 0.1 + i * 0.08, 0.1, midi_hz(84 + (i % 3) * 4), 0.03, BELL, i % 2 ? 0.6 : -0.6);
    return m.finish(c.target_lufs);
}

// While a question waits for its answer: soft pads that turn every two bars, a ticking clock
// and a quiet pulse of bass.
samples question_bed(const cue &c)
{
    mix m(CUE_RATE, c.seconds, true);
    const std::vector<std::vector<double>> chords = {{57, 60, 64, 67}, {50, 57, 60, 65}, {53, 57, 60, 64}, {52, 56, 59, 62}};
    const double roots[] = {45, 38, 41, 40};
    for (int part = 0; part < 4; ++part) {
        const double at = part * 8 * BEAT;
        m.chord(at, 8 * BEAT - 0.2, chord_hz(chords[(size_t)part]), 0.06, PAD, 0.7);
        for (int e = 0; e < 16; ++e)
            m.note(at + e * BEAT, BEAT * 0.4, midi_hz(roots[part]), 0.1, BASS);
        m.note(at, 2.0, midi_hz(chords[(size_t)part][3] + 24.0), 0.04, BELL, 0.4);
        m.note(at + 4 * BEAT, 2.0, midi_hz(chords[(size_t)part][1] + 24.0), 0.035, BELL, -0.4);
    }
    for (int beat = 0; beat < 32; ++beat)
        hat(m, beat * BEAT, beat % 2 ? 0.05 : 0.08, (uint32_t)(900 + beat), beat % 2 ? 0.5 : -0.5);
    return m.finish(c.target_lufs);
}

// The vote: a low ostinato round a semitone, heartbeat drums and a high trembling note.
samples vote_bed(const cue &c)
{
    mix m(CUE_RATE, c.seconds, true);
    const double ostinato[] = {45, 45, 48, 45, 46, 45, 52, 45};
    const int eighths = (int)std::lrint(c.seconds / (BEAT / 2));
    for (int e = 0; e < eighths; ++e)
        m.note(e * BEAT / 2, BEAT / 2 - 0.06, midi_hz(ostinato[e % 8]), 0.18, BASS, e % 2 ? 0.2 : -0.2);
    for (int beat = 0; beat < eighths / 2; beat += 2) {
        kick(m, beat * BEAT, 0.45);
        kick(m, beat * BEAT + 0.22, 0.3);
    }
    m.chord(0.0, c.seconds - 0.5, chord_hz({57, 60, 64, 70}), 0.045, PAD, 0.8);
    for (int i = 0; i < eighths * 2; ++i)
        m.note(i * BEAT / 4, BEAT / 4 - 0.02, midi_hz(88), 0.02, KEYS, 0.5);
    return m.finish(c.target_lufs);
}

// A right answer: a bright rising ring of bells over a major chord.
samples sting_right(const cue &c)
{
    mix m(CUE_RATE, c.seconds, false);
    const double ring[] = {72, 76, 79, 84};
    for (int i = 0; i < 4; ++i)
        m.note(i * 0.07, 0.4, midi_hz(ring[i]), 0.2, BELL, -0.3 + 0.2 * i);
    m.chord(0.28, 0.5, chord_hz({72, 76, 79, 84}), 0.08, KEYS, 0.5);
    m.noise(0.28, 0.6, 0.05, burst{5000.0, 14000.0, 0.01, 0.2}, 3);
    return m.finish(c.target_lufs);
}

// A wrong answer: two buzzing notes falling a semitone, the second sagging, over a low thud.
samples sting_wrong(const cue &c)
{
    mix m(CUE_RATE, c.seconds, false);
    voice v = BUZZ;
    v.glide = 0.97;
    m.chord(0.0, 0.28, chord_hz({51, 57}), 0.14, v, 0.3);
    v.glide = 0.88;
    m.chord(0.36, 0.7, chord_hz({50, 56}), 0.14, v, 0.3);
    m.note(0.0, 0.3, 70.0, 0.35, drum(0.15, 0.6));
    m.note(0.36, 0.3, 65.0, 0.35, drum(0.2, 0.6));
    return m.finish(c.target_lufs);
}

// A player leaves: a falling minor line of brass, a deep boom and a sweep of air downwards.
samples sting_out(const cue &c)
{
    mix m(CUE_RATE, c.seconds, false);
    const double line[] = {69, 65, 62, 57};
    for (int i = 0; i < 4; ++i) {
        voice v = BRASS;
        if (i == 3)
            v.glide = 0.8;
        m.note(i * 0.22, i == 3 ? 1.1 : 0.18, midi_hz(line[i]), 0.14, v, 0.2 - 0.1 * i);
        m.note(i * 0.22, i == 3 ? 1.1 : 0.18, midi_hz(line[i] - 12.0), 0.1, v, 0.0);
    }
    m.note(0.66, 1.2, 55.0, 0.5, drum(0.5, 0.5));
    m.noise(0.0, 1.6, 0.12, burst{150.0, 1200.0, 0.5, 0.5}, 11);
    return m.finish(c.target_lufs);
}

// The winner: a brass call in triplets, then the tonic chord held high under drums, a cymbal
// crash and bells.
samples fanfare(const cue &c)
{
    mix m(CUE_RATE, c.seconds, false);
    const double triplet = 0.13;
    const double call[][3] = {{0, 1, 67}, {1, 1, 67}, {2, 1, 67}, {3, 3, 72}, {6, 3, 76}, {9, 2, 74}, {11, 1, 76}};
    for (const auto &n : call) {
        m.note(n[0] * triplet, n[1] * triplet - 0.02, midi_hz(n[2]), 0.16, BRASS, -0.15);
        m.note(n[0] * triplet, n[1] * triplet - 0.02, midi_hz(n[2] - 12.0), 0.1, BRASS, 0.15);
    }
    const double hit = 12 * triplet;
    m.chord(hit, 2.8, chord_hz({60, 64, 67, 72, 76, 79}), 0.09, BRASS, 0.6);
    m.chord(hit, 3.0, chord_hz({48, 55, 60}), 0.1, PAD, 0.3);
    m.note(hit, 2.5, midi_hz(84), 0.06, LEAD, 0.0);
    for (int i = 0; i < 10; ++i)
        kick(m, 3 * triplet + i * 0.07, 0.15 + 0.04 * i);
    kick(m, hit, 0.8);
    cymbal(m, hit, 3.0, 0.16, 21);
    for (int i = 0; i < 12; ++i)
        m.note(hit + 0.15 + i * 0.12, 0.2, midi_hz(84 + (i % 4) * 3 + (i / 4) * 2), 0.03, BELL, i % 2 ? 0.7 : -0.7);
    return m.finish(c.target_lufs);
}

// The audience: forty pairs of hands and the wash of the hall under them.
samples applause(const cue &c)
{
    mix m(CUE_RATE, c.seconds, false);
    claps(m, 0.0, c.seconds, 40, 0.25, 4242);
    m.noise(0.0, c.seconds, 0.05, burst{400.0, 5000.0, 0.35, c.seconds * 0.5}, 99);
    return m.finish(c.target_lufs);
}

// The studio's air: the rumble of the hall and the murmur of the audience, rising and
// falling; every layer crosses the loop's seam, so it has none.
samples ambience(const cue &c)
{
    mix m(CUE_RATE, c.seconds, true);
    const double second = 1.0;
    // Faded in over the second before the seam and out over the last one: a cross-fade.
    burst rumble{40.0, 300.0, second, 1e6, second};
    m.noise(-second, c.seconds + second, 0.5, rumble, 1, -0.4);
    m.noise(-second, c.seconds + second, 0.5, rumble, 2, 0.4);
    uint32_t seed = 300;
    for (double t = -1.5; t < c.seconds - 1.5; t += 1.1) {
        burst murmur{250.0, 1400.0, 1.0, 1.2, 0.5};
        m.noise(t, 3.0, 0.12, murmur, seed++, std::sin(t) * 0.7);
    }
    return m.finish(c.target_lufs);
}

samples (*const composers[])(const cue &) = {theme,       jingle,    question_bed, vote_bed, sting_right, sting_wrong,
                                              sting_out,   fanfare,   applause,     ambience};

} // namespace

const std::vector<cue> &demo_cues()
{
    // name, Ogg, music, looped, LUFS, seconds
    static const std::vector<cue> cues = {
        {"theme", true, true, true, -14.0, 16.0},         {"jingle", true, true, false, -14.0, 3.5},
        {"bed_question", true, true, true, -24.0, 16.0},  {"bed_vote", true, true, true, -20.0, 8.0},
        {"sting_right", false, false, false, -14.0, 1.2}, {"sting_wrong", false, false, false, -14.0, 1.3},
        {"sting_out", false, false, false, -14.0, 2.3},   {"fanfare", true, true, false, -14.0, 5.5},
        {"applause", true, false, false, -16.0, 5.0},     {"ambience", true, false, true, -30.0, 12.0},
    };
    return cues;
}

samples render_cue(const cue &c)
{
    const std::vector<cue> &all = demo_cues();
    for (size_t i = 0; i < all.size(); ++i)
        if (&all[i] == &c || std::string(all[i].name) == c.name)
            return composers[i](c);
    throw std::invalid_argument(std::string("soundgen: no cue ") + c.name);
}

} // namespace soundgen

// The demo's sound cues: the show's theme, its jingles, stings, beds, applause and the studio's
// air, composed with the synthesiser of synth.h. Each cue knows the file it becomes
// ("sounds/<name>.Ogg" or ".wav"), whether the game plays it as music (the music volume, and
// never two at once) and looped, and the loudness it is mixed to; its description
// data/sounds/<name>.sfd says the same to the game.
#pragma once

#include "tools/soundgen/soundgen.h"

#include <string>
#include <vector>

namespace soundgen {

struct cue
{
    const char *name;
    bool ogg; // Ogg Vorbis, else WAVE
    bool music;
    bool looped;
    double target_lufs;
    double seconds;
};

constexpr int CUE_RATE = 44100;

// Every cue, in the order make_sounds writes them.
const std::vector<cue> &demo_cues();
// The cue's interleaved stereo samples at CUE_RATE.
samples render_cue(const cue &c);

} // namespace soundgen

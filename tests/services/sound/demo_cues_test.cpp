// The show's cues as the sound generator makes them for the demo data: how loud they are, that
// nothing clips, that a loop joins without a click, and that each cue's description in
// data/sounds says what the cue is (file format, music, looped).
#include "services/manager_sound_files.h"

#include "basics/Vaultis.h"
#include "basics/vaultfile_obj.h"
#include "tools/soundgen/cues.h"
#include "tools/soundgen/synth.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using soundgen::samples;

TEST(loudness_meter, reads_the_reference_sines)
{
    // A full-scale 997 Hz sine reads 0 LUFS in both channels and -3.01 in one alone; the meter
    // must agree, or every figure below is wrong.
    const struct {
        double amplitude, pan, lufs;
    } cases[] = {{1.0, 0.0, 0.0}, {0.5, 0.0, -6.02}, {1.0, -1.0, -3.01}, {0.1, 1.0, -23.01}};
    for (const auto &c : cases) {
        const samples s = soundgen::tone(48000, 2, 3.0, 997.0, c.amplitude * 32767.0 / 32768.0, c.pan);
        EXPECT_NEAR(c.lufs, soundgen::integrated_loudness(s, 2, 48000), 0.05) << c.amplitude << " pan " << c.pan;
    }
    // The gates: as long a silence after the sine would take 3 LU off a plain mean; gated, only
    // the three blocks across the edge count (-6.19), and silence alone reads -70.
    samples gated = soundgen::tone(44100, 2, 4.0, 997.0, 0.5);
    const samples quiet = soundgen::silence(44100, 2, 4.0);
    gated.insert(gated.end(), quiet.begin(), quiet.end());
    EXPECT_NEAR(-6.19, soundgen::integrated_loudness(gated, 2, 44100), 0.05);
    EXPECT_LE(soundgen::integrated_loudness(quiet, 2, 44100), -70.0);
}

TEST(demo_cues, are_as_loud_as_mixed_never_clip_and_loop_without_a_click)
{
    for (const soundgen::cue &c : soundgen::demo_cues()) {
        SCOPED_TRACE(c.name);
        const samples s = soundgen::render_cue(c);
        ASSERT_EQ((size_t)std::lrint(c.seconds * soundgen::CUE_RATE) * 2, s.size());

        const double lufs = soundgen::integrated_loudness(s, 2, soundgen::CUE_RATE);
        EXPECT_NEAR(c.target_lufs, lufs, 1.0);
        // The show's level: the cues heard on their own about -14 LUFS, the beds and the hall's
        // air well below the stings that play over them.
        const std::string name = c.name;
        if (name == "bed_question" || name == "bed_vote" || name == "ambience") {
            EXPECT_LT(lufs, -18.0);
            EXPECT_GT(lufs, -34.0) << "still audible";
        } else {
            EXPECT_GT(lufs, -17.0);
            EXPECT_LT(lufs, -12.0);
        }

        // Under -1 dBFS with room for the Ogg Vorbis encoder's overshoot (a few tenths of a dB),
        // and no sample held at full scale.
        EXPECT_LT(soundgen::peak_level(s), 0.86);
        int largest_step = 0, at_full_scale = 0;
        for (size_t i = 0; i + 2 < s.size(); ++i) {
            largest_step = std::max(largest_step, std::abs(s[i + 2] - s[i]));
            at_full_scale += s[i] == 32767 || s[i] == -32768;
        }
        EXPECT_EQ(0, at_full_scale);

        if (c.looped) {
            // The last frame leads into the first as any frame into the next.
            for (int ch = 0; ch < 2; ++ch)
                EXPECT_LE(std::abs(s[(size_t)ch] - s[s.size() - 2 + (size_t)ch]), largest_step) << "channel " << ch;
        } else {
            // A cue played once starts and ends in silence.
            for (size_t i : {(size_t)0, (size_t)1, s.size() - 2, s.size() - 1})
                EXPECT_LT(std::abs(s[i]), 200) << "sample " << i;
        }
    }
}

TEST(demo_cues, descriptions_in_the_data_say_what_each_cue_is)
{
    VT::init(nullptr);
    // The data directory holds at most 31 characters: a relative one works from any checkout.
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(ENGINE_SOURCE_DIR);
    set_data_directory("data");
    for (const soundgen::cue &c : soundgen::demo_cues()) {
        SCOPED_TRACE(c.name);
        const sound_descr d = load_sound_descr((std::string("sounds/") + c.name).c_str());
        EXPECT_EQ(c.ogg ? SOUND_FILE_Ogg : SOUND_FILE_PCM, d.flags & (SOUND_FILE_Ogg | SOUND_FILE_PCM));
        EXPECT_EQ(c.music, (d.flags & SOUND_MUSIC) != 0);
        EXPECT_EQ(c.looped, (d.flags & SOUND_LOOPED) != 0);
        EXPECT_EQ(0, d.flags & SOUND_3D) << "a stereo cue cannot be placed";
    }
    std::filesystem::current_path(previous);
}

} // namespace

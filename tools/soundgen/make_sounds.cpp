// make_sounds <directory>: writes the demo sounds into <directory>/sounds: two WAVE clicks
// (click.wav, click2.wav), a chime heard where it rings in the studio (chime.wav) and the
// show's cues (cues.h: theme, jingle, beds, stings, fanfare, applause, ambience), each as the
// Ogg Vorbis or WAVE file its cue names. Their descriptions (.sfd) are hand-written demo data.
#include "tools/soundgen/cues.h"
#include "tools/soundgen/soundgen.h"

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sounds <directory>\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/sounds/";
    try {
        soundgen::write_file(dir + "click.wav",
                             soundgen::make_wave(1, 22050, 16, soundgen::click(22050, 1, 0.06, 1800.0, 1)));
        soundgen::write_file(dir + "click2.wav",
                             soundgen::make_wave(1, 22050, 16, soundgen::click(22050, 1, 0.09, 900.0, 2)));
        soundgen::write_file(dir + "chime.wav",
                             soundgen::make_wave(1, 22050, 16, soundgen::tone(22050, 1, 0.4, 660.0, 0.4)));
        for (const soundgen::cue &c : soundgen::demo_cues()) {
            const soundgen::samples s = soundgen::render_cue(c);
            soundgen::write_file(dir + c.name + (c.ogg ? ".Ogg" : ".wav"),
                                 c.ogg ? soundgen::make_ogg(2, soundgen::CUE_RATE, s, 0.4f)
                                       : soundgen::make_wave(2, soundgen::CUE_RATE, 16, s));
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "make_sounds: %s\n", e.what());
        return 1;
    }
    return 0;
}

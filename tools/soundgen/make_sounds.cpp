// make_sounds <directory>: writes the demo sounds into <directory>/sounds: two WAVE clicks
// (click.wav, click2.wav), a chime heard where it rings in the studio (chime.wav) and an Ogg
// Vorbis music loop (music.Ogg). Their descriptions (.sfd)
// are hand-written demo data.
#include "tools/soundgen/soundgen.h"

#include <cstdio>
#include <exception>
#include <string>

namespace {

// Four bars of an arpeggio, each note faded in and out, so the end joins the start cleanly.
soundgen::samples music_loop(int rate)
{
    static const double notes[] = {220.0, 277.18, 329.63, 440.0, 329.63, 277.18, 246.94, 329.63,
                                    196.0, 246.94, 293.66, 392.0, 293.66, 246.94, 220.0, 277.18};
    soundgen::samples out;
    int i = 0;
    for (double hz : notes) {
        const double pan = (i++ % 2) ? 0.4 : -0.4;
        soundgen::samples note = soundgen::tone(rate, 2, 0.5, hz, 0.35, pan);
        soundgen::samples fifth = soundgen::tone(rate, 2, 0.5, hz * 1.5, 0.12, -pan);
        for (size_t k = 0; k < note.size(); k++)
            note[k] = (int16_t)(note[k] + fifth[k]);
        out.insert(out.end(), note.begin(), note.end());
    }
    return out;
}

} // namespace

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
        soundgen::write_file(dir + "music.Ogg", soundgen::make_ogg(2, 44100, music_loop(44100), 0.3f));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "make_sounds: %s\n", e.what());
        return 1;
    }
    return 0;
}

// The reference of the startup benchmark: a minimal SDL2 + OpenGL program that opens a window
// of the game's size and, as the game does for its music, SDL's audio with an output of the
// game's format (44,100 Hz, 16 bits, stereo) on a thread of its own, started first; it clears
// the window to the game's clear colour, presents it, prints the time (CLOCK_MONOTONIC,
// seconds), and quits once the output has started, closing it as a plain program does.
#include <SDL.h>
#include <SDL_opengl.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <thread>

namespace {

void silence(void *, Uint8 *stream, int len)
{
    std::memset(stream, 0, size_t(len));
}

} // namespace

int main(int, char **)
{
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return 1;
    SDL_AudioDeviceID audio = 0;
    std::thread opener([&audio] {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return;
        SDL_AudioSpec want{}, have{};
        want.freq = 44100;
        want.format = AUDIO_S16LSB;
        want.channels = 2;
        want.samples = 1024;
        want.callback = &silence;
        audio = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (audio)
            SDL_PauseAudioDevice(audio, 0);
    });
    SDL_Window *window = SDL_CreateWindow("reference", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 1024, 768,
                                          SDL_WINDOW_OPENGL);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (!context) {
        opener.join();
        return 1;
    }
    glViewport(0, 0, 800, 600);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SDL_GL_SwapWindow(window);
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::printf("first frame %.6f\n", double(now.tv_sec) + double(now.tv_nsec) * 1e-9);
    std::fflush(stdout);
    opener.join();
    if (audio)
        SDL_CloseAudioDevice(audio);
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}

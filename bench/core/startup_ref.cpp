// The reference of the startup benchmark: a minimal SDL2 + OpenGL program that opens a window
// of the game's size, clears it to the game's clear colour, presents it, prints the time
// (CLOCK_MONOTONIC, seconds) and quits.
#include <SDL.h>
#include <SDL_opengl.h>

#include <cstdio>
#include <ctime>

int main(int, char **)
{
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return 1;
    SDL_Window *window = SDL_CreateWindow("reference", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 1024, 768,
                                          SDL_WINDOW_OPENGL);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (!context)
        return 1;
    glViewport(0, 0, 800, 600);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SDL_GL_SwapWindow(window);
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::printf("first frame %.6f\n", double(now.tv_sec) + double(now.tv_nsec) * 1e-9);
    std::fflush(stdout);
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}

// For the platform layer only (never included above platform/): the SDL window behind a window
// handle, so that other platform areas (the OpenGL device, input) can work on it. Windows are
// created with SDL_WINDOW_OPENGL. Null for a handle that is not a live window of the SDL backend.
#pragma once

#include "platform/sys/wintypes.h"

struct SDL_Window;

SDL_Window *window_sdl_handle(HWND hwnd);

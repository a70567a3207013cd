#include "platform/input/input_core.h"
#include "platform/window/keymap.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstring>

namespace {

int opened = 0;
LONG wheel_units = 0;
// Presses since the last read. A frame that takes longer than a click or a key tap would see
// both the press and the release in one pump and SDL's state already up again: the press is
// kept for the next read so that a slow frame loses no click and no key.
Uint32 pressed_buttons = 0;
bool pressed_keys[SDL_NUM_SCANCODES];
// Where the movement read so far has put the game's pointer: the sum of every movement
// reported since the mouse opened, from the window's top-left corner.
int shown_x = 0, shown_y = 0;

// The wheel has no state to ask SDL for: count its events as SDL queues them, and note the
// presses beside it.
int SDLCALL watch_input(void *, SDL_Event *ev)
{
    if (ev->type == SDL_MOUSEWHEEL)
        wheel_units += (ev->wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -ev->wheel.y : ev->wheel.y) * 120;
    else if (ev->type == SDL_MOUSEBUTTONDOWN && ev->button.button >= 1 && ev->button.button <= 32)
        pressed_buttons |= SDL_BUTTON(ev->button.button);
    else if (ev->type == SDL_KEYDOWN && ev->key.keysym.scancode >= 0 &&
             ev->key.keysym.scancode < SDL_NUM_SCANCODES)
        pressed_keys[ev->key.keysym.scancode] = true;
    return 0;
}

HRESULT sdl_check(dinput_call_e, int)
{
    return S_OK;
}

bool sdl_open()
{
    if (opened == 0) {
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
            return false;
        SDL_AddEventWatch(watch_input, nullptr);
        wheel_units = 0;
        pressed_buttons = 0;
        shown_x = shown_y = 0;
        std::memset(pressed_keys, 0, sizeof pressed_keys);
    }
    ++opened;
    return true;
}

void sdl_close()
{
    if (opened > 0 && --opened == 0) {
        SDL_DelEventWatch(watch_input, nullptr);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
}

bool sdl_read_keyboard(BYTE keys[256])
{
    SDL_PumpEvents();
    std::memset(keys, 0, 256);
    int count = 0;
    const Uint8 *state = SDL_GetKeyboardState(&count);
    for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc) {
        const bool down = (sc < count && state[sc]) || pressed_keys[sc];
        pressed_keys[sc] = false;
        if (!down)
            continue;
        if (const key_map_s *k = key_map_from_sdl_scancode(sc))
            keys[k->dik] = 0x80;
    }
    return true;
}

bool sdl_read_mouse(DIMOUSESTATE2 *state)
{
    SDL_PumpEvents();
    std::memset(state, 0, sizeof *state);
    int dx = 0, dy = 0;
    SDL_GetRelativeMouseState(&dx, &dy);
    int x = 0, y = 0;
    Uint32 buttons = SDL_GetMouseState(&x, &y) | pressed_buttons;
    pressed_buttons = 0;
    // In a window the movement leads the game's pointer to the system pointer, so the two never
    // part: summed motion alone starts at the corner whatever the system pointer does, and
    // loses whatever happens outside the window or beyond an edge of the screen. Outside the
    // window the game's pointer waits at the edge; it jumps to where the system pointer comes
    // back in. A full-screen window keeps the plain motion, which the pointer cannot leave.
    SDL_Window *window = SDL_GetMouseFocus();
    if (!window) {
        dx = dy = 0;
    } else if (!(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN)) {
        int w = 0, h = 0;
        SDL_GetWindowSize(window, &w, &h);
        // A press held over the edge still reports places outside; the game's pointer stops at it.
        x = std::clamp(x, 0, w);
        y = std::clamp(y, 0, h);
        dx = x - shown_x;
        dy = y - shown_y;
    }
    shown_x += dx;
    shown_y += dy;
    state->lX = dx;
    state->lY = dy;
    state->lZ = wheel_units;
    wheel_units = 0;
    state->rgbButtons[0] = (buttons & SDL_BUTTON_LMASK) ? 0x80 : 0;
    state->rgbButtons[1] = (buttons & SDL_BUTTON_RMASK) ? 0x80 : 0;
    state->rgbButtons[2] = (buttons & SDL_BUTTON_MMASK) ? 0x80 : 0;
    return true;
}

bool sdl_lost(int)
{
    return false;
}

} // namespace

const input_backend_s input_backend_sdl = {
    "sdl", sdl_check, sdl_open, sdl_close, sdl_read_keyboard, sdl_read_mouse, sdl_lost,
};

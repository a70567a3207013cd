#include "dinput_fixture.h"
#include "platform/input/input_core.h"
#include "platform/window/keymap.h"

#include <SDL2/SDL.h>

namespace {

// The SDL backend over the display, fed with events as SDL queues them.
class dinput_sdl_test : public dinput_fixture
{
protected:
    void select_backend() override { input_core_select(&input_backend_sdl); }
    void SetUp() override
    {
        dinput_fixture::SetUp();
        mouse = open(GUID_SysMouse, c_dfDIMouse2);
        keyboard = open(GUID_SysKeyboard, c_dfDIKeyboard);
    }
    void TearDown() override
    {
        dinput_fixture::TearDown();
        input_core_select(&input_backend_fake);
    }
    static void push_button(Uint32 type)
    {
        SDL_Event ev{};
        ev.type = type;
        ev.button.button = SDL_BUTTON_LEFT;
        ev.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        SDL_PushEvent(&ev);
    }
    static void push_key(Uint32 type)
    {
        SDL_Event ev{};
        ev.type = type;
        ev.key.keysym.scancode = SDL_SCANCODE_SPACE;
        ev.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        SDL_PushEvent(&ev);
    }
};

TEST_F(dinput_sdl_test, a_click_or_a_tap_between_two_reads_is_seen_once)
{
    DIMOUSESTATE2 state{};
    BYTE keys[256]{};
    const int space = key_map_from_sdl_scancode(SDL_SCANCODE_SPACE)->dik;
    // A slow frame: press and release both came before the read.
    push_button(SDL_MOUSEBUTTONDOWN);
    push_button(SDL_MOUSEBUTTONUP);
    push_key(SDL_KEYDOWN);
    push_key(SDL_KEYUP);
    ASSERT_EQ(mouse->GetDeviceState(sizeof state, &state), DI_OK);
    ASSERT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
    EXPECT_EQ(state.rgbButtons[0], 0x80);
    EXPECT_EQ(keys[space], 0x80);
    // The next frame sees them up.
    ASSERT_EQ(mouse->GetDeviceState(sizeof state, &state), DI_OK);
    ASSERT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
    EXPECT_EQ(state.rgbButtons[0], 0);
    EXPECT_EQ(keys[space], 0);
}

} // namespace

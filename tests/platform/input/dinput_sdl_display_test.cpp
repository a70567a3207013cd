#include "dinput_fixture.h"
#include "platform/input/input_core.h"
#include "platform/window/keymap.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

// Last: Xlib's macros (None, Bool, Status) would meet other headers' names.
#include "tools/screenshot/program_shot.h"

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

// A window of SDL's own beside the pointer, fed with the pointer events the X server would send
// it (sent to the window, so the real pointer, which other tests' windows share, never moves).
class dinput_pointer_test : public dinput_sdl_test
{
protected:
    void SetUp() override
    {
        dinput_sdl_test::SetUp();
        // Clear of the middle of the screen, where the real pointer rests.
        window = SDL_CreateWindow("pointer", 0, 0, 400, 300, SDL_WINDOW_SHOWN);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        ASSERT_TRUE(SDL_GetWindowWMInfo(window, &info));
        xid = info.info.x11.window;
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        ASSERT_TRUE(settled([this] {
            XWindowAttributes a{};
            return XGetWindowAttributes(display, xid, &a) && a.map_state == IsViewable;
        }));
        moved(); // whatever the window's appearance brought
    }
    void TearDown() override
    {
        if (display)
            XCloseDisplay(display);
        if (window)
            SDL_DestroyWindow(window);
        dinput_sdl_test::TearDown();
    }
    // Waits, pumping SDL's events, until the X server's events have made `done` true (10 s).
    static bool settled(const std::function<bool()> &done)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < end) {
            SDL_PumpEvents();
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    bool pointer_at(int x, int y) const
    {
        int px = -1, py = -1;
        SDL_GetMouseState(&px, &py);
        return SDL_GetMouseFocus() == window && px == x && py == y;
    }
    void enter(int x, int y)
    {
        program_shot::send_crossing(display, xid, x, y, true);
        ASSERT_TRUE(settled([&] { return pointer_at(x, y); }));
    }
    void leave(int x, int y)
    {
        program_shot::send_crossing(display, xid, x, y, false);
        ASSERT_TRUE(settled([] { return SDL_GetMouseFocus() == nullptr; }));
    }
    void move(int x, int y)
    {
        program_shot::send_pointer(display, xid, x, y, 0);
        ASSERT_TRUE(settled([&] { return pointer_at(x, y); }));
    }
    // The movement the mouse reports, added to where the game's pointer stood: "x,y".
    std::string moved()
    {
        DIMOUSESTATE2 state{};
        EXPECT_EQ(mouse->GetDeviceState(sizeof state, &state), DI_OK);
        game_pointer.x += state.lX;
        game_pointer.y += state.lY;
        return std::to_string(game_pointer.x) + "," + std::to_string(game_pointer.y);
    }

    SDL_Window *window = nullptr;
    Display *display = nullptr;
    Window xid = 0;
    SDL_Point game_pointer{0, 0};
};

// The movement read adds up to the system pointer's place in the window: from the first entry
// on, through moves, and across a time outside the window, whose movement the window never sees.
TEST_F(dinput_pointer_test, the_game_pointer_stays_where_the_system_pointer_is)
{
    game_pointer = {0, 0};
    enter(300, 200);
    EXPECT_EQ(moved(), "300,200") << "the pointer came in there, not at the corner";
    move(120, 80);
    move(130, 85);
    EXPECT_EQ(moved(), "130,85");
    EXPECT_EQ(moved(), "130,85") << "no movement, no change";

    leave(399, 85);
    EXPECT_EQ(moved(), "130,85") << "outside the window nothing moves";
    enter(10, 290);
    EXPECT_EQ(moved(), "10,290") << "back in where the system pointer came in";
    move(11, 291);
    EXPECT_EQ(moved(), "11,291");
}

} // namespace

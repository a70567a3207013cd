// The input services: the current keyboard and mouse state for the rest of the engine.
// Two interchangeable script classes: "dinput" (dinput_c) reads the system keyboard and mouse on
// every tick through the DirectInput-shaped devices; "win32input" (win32input_c) builds the same
// state from the main window's messages, as a handler registered with the main window. Both
// answer get_input (PTR to an input_service_c*); get_input_service finds the one in the tree.
//
// State: m_keys, 256 bytes by DIK_* scan code, non-zero = down (0x80 from DirectInput, 1 from
// window messages), read directly by its users (key_down checks the range); mouse movement
// (mickeys or pixels) and wheel (notches) accumulated until reset_mouse_state; three buttons,
// left, right, middle, 1 = down. All zero after construction and after on_shutdown.
#pragma once

#include <cstdint>

#include "kernel/abstract.h"
#include "platform/window/winuser.h"

class IDirectInput8;
class IDirectInputDevice8;

class input_service_c : public abstract_c
{
public:
    input_service_c(abstract_c *parent, const attribute_list_c *attributes);

    void on_shutdown() override;
    int handle_message(const msg_c *message, abstract_c *sender) override;
    virtual void init() = 0; // on app_startup
    virtual void poll() = 0; // on every tick

    void get_mouse_state(int &dx, int &dy, float &wheel) const;
    // Copies left, right, middle; returns how many are down.
    int get_mouse_buttons(int out[3]) const;
    // Movement and wheel to 0; the buttons stay.
    void reset_mouse_state();
    // Whether the key with that scan code is down; false for codes outside 0..255.
    bool key_down(int scan_code) const;

    uint8_t m_keys[256];

protected:
    void clear_state();

    int m_initialized;
    int m_mouse_dx;
    int m_mouse_dy;
    float m_wheel;
    int m_buttons[3];
};

// The input service of the tree, asked by for_who: assertions "m_root" (no root), the send of
// get_input not answered, and "ptr" (answered with null).
input_service_c *get_input_service(abstract_c *for_who);

class dinput_c : public input_service_c
{
public:
    dinput_c(abstract_c *parent, const attribute_list_c *attributes);
    ~dinput_c() noexcept(false) override;

    void on_shutdown() override;
    // "Already initialized"; "Could not Initialize DirectInput: " + the error name; a device
    // step's text followed directly by the error name. What was made is released first.
    void init() override;
    void poll() override;

private:
    void release();
    void open_device(IDirectInputDevice8 *&device, int keyboard, HWND hWnd);

    IDirectInput8 *m_pDI = nullptr;
    IDirectInputDevice8 *m_pMouse = nullptr;
    IDirectInputDevice8 *m_pKeyboard = nullptr;
};

class win32input_c : public input_service_c
{
public:
    win32input_c(abstract_c *parent, const attribute_list_c *attributes);
    ~win32input_c() noexcept(false) override;

    void on_shutdown() override;
    int handle_message(const msg_c *message, abstract_c *sender) override;
    void init() override;
    void poll() override {}

    // The last mouse position is kept for the whole program; tests start afresh with this.
    static void forget_mouse_position();

private:
    void window_message(UINT message, WPARAM wparam, LPARAM lparam);
    void buttons_from(WPARAM wparam);
    void unregister();

    HWND m_hWnd = nullptr;
    bool m_registered = false;
};

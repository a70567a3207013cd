#include "dinput_fixture.h"
#include "platform/input/dinput_fake.h"

namespace {

class dinput_test : public dinput_fixture
{
protected:
    void select_backend() override { dinput_fake_use(); }
    void TearDown() override
    {
        dinput_fixture::TearDown();
        EXPECT_EQ(dinput_fake_live_devices(), 0);
    }
};

TEST_F(dinput_test, reads_keys_and_accumulated_mouse)
{
    keyboard = open(GUID_SysKeyboard, c_dfDIKeyboard);
    mouse = open(GUID_SysMouse, c_dfDIMouse2);
    dinput_fake_key(0x1C, true);
    dinput_fake_key(300, true); // ignored
    BYTE keys[256];
    ASSERT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
    EXPECT_EQ(keys[0x1C], 0x80);
    EXPECT_EQ(keys[0x1D], 0);

    dinput_fake_mouse(3, -4, 120);
    dinput_fake_mouse(1, 1, 120);
    dinput_fake_button(2, true);
    DIMOUSESTATE2 m;
    ASSERT_EQ(mouse->GetDeviceState(sizeof m, &m), DI_OK);
    EXPECT_EQ(m.lX, 4);
    EXPECT_EQ(m.lY, -3);
    EXPECT_EQ(m.lZ, 240);
    EXPECT_EQ(m.rgbButtons[2], 0x80);
    ASSERT_EQ(mouse->GetDeviceState(sizeof m, &m), DI_OK);
    EXPECT_EQ(m.lX, 0) << "movement is since the previous read";
    EXPECT_EQ(m.rgbButtons[2], 0x80) << "buttons are state";
    EXPECT_EQ(mouse->GetDeviceState(sizeof keys, keys), DIERR_INVALIDPARAM);
}

TEST_F(dinput_test, lost_input_needs_a_new_acquire)
{
    keyboard = open(GUID_SysKeyboard, c_dfDIKeyboard);
    BYTE keys[256];
    dinput_fake_lose();
    EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DIERR_INPUTLOST);
    EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DIERR_NOTACQUIRED);
    EXPECT_EQ(keyboard->Acquire(), DI_OK);
    EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
}

TEST_F(dinput_test, refused_calls)
{
    IDirectInputDevice8 *d = nullptr;
    EXPECT_EQ(di->CreateDevice(GUID_NULL, &d, nullptr), DIERR_DEVICENOTREG);
    EXPECT_EQ(d, nullptr);
    ASSERT_EQ(di->CreateDevice(GUID_SysMouse, &mouse, nullptr), DI_OK);
    EXPECT_EQ(mouse->SetDataFormat(&c_dfDIKeyboard), DIERR_INVALIDPARAM);
    EXPECT_EQ(mouse->Acquire(), DIERR_INVALIDPARAM) << "no data format yet";
    EXPECT_EQ(mouse->SetCooperativeLevel(hwnd, DISCL_NONEXCLUSIVE | DISCL_EXCLUSIVE | DISCL_FOREGROUND),
              DIERR_INVALIDPARAM);
    DIMOUSESTATE2 m;
    EXPECT_EQ(mouse->GetDeviceState(sizeof m, &m), DIERR_NOTACQUIRED);

    dinput_fake_fail(dinput_call_e::acquire, 1, DIERR_OTHERAPPHASPRIO);
    ASSERT_EQ(di->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DI_OK);
    keyboard->SetDataFormat(&c_dfDIKeyboard);
    EXPECT_EQ(keyboard->Acquire(), DIERR_OTHERAPPHASPRIO);
    EXPECT_EQ(keyboard->Acquire(), DI_OK);

    IDirectInput8 *other = nullptr;
    dinput_fake_fail(dinput_call_e::create, 0, E_FAIL);
    EXPECT_EQ(DirectInput8Create(nullptr, DIRECTINPUT_VERSION, IID_IDirectInput8A, (void **)&other, nullptr), E_FAIL);
    EXPECT_NE(DirectInput8Create(nullptr, 0x0700, IID_IDirectInput8A, (void **)&other, nullptr), DI_OK);
    EXPECT_EQ(other, nullptr);
}

} // namespace

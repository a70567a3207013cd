// A plain window and a DirectInput object over the backend that select_backend() chooses;
// the devices in `mouse` and `keyboard` and the object are released at the end.
#pragma once

#include "platform/input/dinput.h"
#include "platform/window/window_fake.h"

#include <gtest/gtest.h>

class dinput_fixture : public ::testing::Test
{
protected:
    virtual void select_backend() = 0;

    void SetUp() override
    {
        window_fake_use();
        select_backend();
        WNDCLASSEX wc{};
        wc.lpfnWndProc = plain_proc;
        wc.lpszClassName = "c";
        RegisterClassEx(&wc);
        hwnd = CreateWindowEx(0, "c", "", WS_VISIBLE, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
        ASSERT_EQ(DirectInput8Create(nullptr, DIRECTINPUT_VERSION, IID_IDirectInput8A, (void **)&di, nullptr), DI_OK);
    }
    void TearDown() override
    {
        for (IDirectInputDevice8 *d : {mouse, keyboard})
            if (d)
                d->Release();
        if (di)
            di->Release();
    }

    IDirectInputDevice8 *open(REFGUID guid, const DIDATAFORMAT &format)
    {
        IDirectInputDevice8 *d = nullptr;
        EXPECT_EQ(di->CreateDevice(guid, &d, nullptr), DI_OK);
        EXPECT_EQ(d->SetDataFormat(&format), DI_OK);
        EXPECT_EQ(d->SetCooperativeLevel(hwnd, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND), DI_OK);
        EXPECT_EQ(d->Acquire(), DI_OK);
        return d;
    }

    HWND hwnd = nullptr;
    IDirectInput8 *di = nullptr;
    IDirectInputDevice8 *mouse = nullptr;
    IDirectInputDevice8 *keyboard = nullptr;

private:
    static LRESULT plain_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
    {
        return DefWindowProc(hwnd, message, wparam, lparam);
    }
};

// The keyboard table of the platform layer: for every key the system reports (by SDL scan code,
// the USB usage number), the Windows virtual key, the set-1 scan code with its extended bit as
// window messages carry them, and the DirectInput key code (DIK_*) that indexes key states.
// Codes outside the table or keys it does not know give null.
#pragma once

#include <cstdint>

struct key_map_s
{
    uint8_t vk;       // virtual key, wParam of key messages
    uint8_t scan;     // set-1 scan code, lParam bits 16-23
    uint8_t extended; // 1 when lParam bit 24 is set
    uint8_t dik;      // DirectInput key code, index into a 256-byte key state
};

const key_map_s *key_map_from_sdl_scancode(int scancode);

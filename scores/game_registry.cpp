#include "scores/game_registry.h"

#include "platform/registry/winreg.h"

namespace {
const char *const game_key = "Software\\Varnholt\\Telvoran";
}

std::vector<uint8_t> game_registry_read(const char *value_name)
{
    std::vector<uint8_t> bytes;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, game_key, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return bytes;
    DWORD size = 0;
    if (RegQueryValueExA(key, value_name, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
        bytes.resize(size);
        if (RegQueryValueExA(key, value_name, nullptr, nullptr, bytes.data(), &size) == ERROR_SUCCESS)
            bytes.resize(size);
        else
            bytes.clear();
    }
    RegCloseKey(key);
    return bytes;
}

void game_registry_write(const char *value_name, const void *data, size_t size)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, game_key, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS &&
        RegCreateKeyExA(HKEY_CURRENT_USER, game_key, 0, const_cast<char *>(""), 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    if (size <= REG_MAX_VALUE_SIZE)
        RegSetValueExA(key, value_name, 0, REG_BINARY, static_cast<const BYTE *>(data), DWORD(size));
    RegCloseKey(key);
}

#include "scores/game_registry.h"

#include "basics/console_log.h"
#include "platform/registry/winreg.h"

#include <string>

namespace {
const char *const game_key = "Software\\Varnholt\\Telvoran";
constexpr int KEEP_ASIDE_NAMES = 100;
}

std::vector<uint8_t> game_registry_read(const char *value_name, game_value_state *state)
{
    std::vector<uint8_t> bytes;
    game_value_state got = GAME_VALUE_MISSING;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, game_key, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        DWORD size = 0;
        LONG result = RegQueryValueExA(key, value_name, nullptr, nullptr, nullptr, &size);
        if (result == ERROR_SUCCESS) {
            bytes.resize(size);
            result = RegQueryValueExA(key, value_name, nullptr, nullptr, bytes.data(), &size);
            if (result == ERROR_SUCCESS)
                bytes.resize(size);
            else
                bytes.clear();
        }
        if (result == ERROR_SUCCESS)
            got = GAME_VALUE_READ;
        else if (result != ERROR_FILE_NOT_FOUND) {
            got = GAME_VALUE_UNREADABLE;
            print_message("Registry value '%s' could not be read (error %ld)\n", value_name, long(result));
        }
        RegCloseKey(key);
    }
    if (state)
        *state = got;
    return bytes;
}

bool game_registry_write(const char *value_name, const void *data, size_t size)
{
    HKEY key = nullptr;
    LONG result = RegOpenKeyExA(HKEY_CURRENT_USER, game_key, 0, KEY_ALL_ACCESS, &key);
    if (result != ERROR_SUCCESS)
        result = RegCreateKeyExA(HKEY_CURRENT_USER, game_key, 0, const_cast<char *>(""), 0, KEY_ALL_ACCESS, nullptr,
                                 &key, nullptr);
    if (result == ERROR_SUCCESS) {
        result = size <= REG_MAX_VALUE_SIZE
                     ? RegSetValueExA(key, value_name, 0, REG_BINARY, static_cast<const BYTE *>(data), DWORD(size))
                     : ERROR_INVALID_PARAMETER;
        RegCloseKey(key);
    }
    if (result != ERROR_SUCCESS)
        print_message("Registry value '%s' could not be saved (error %ld)\n", value_name, long(result));
    return result == ERROR_SUCCESS;
}

bool game_registry_keep_aside(const char *value_name)
{
    HKEY key = nullptr;
    LONG result = RegOpenKeyExA(HKEY_CURRENT_USER, game_key, 0, KEY_ALL_ACCESS, &key);
    if (result == ERROR_SUCCESS) {
        result = ERROR_ALREADY_EXISTS;
        for (int n = 1; n <= KEEP_ASIDE_NAMES && result == ERROR_ALREADY_EXISTS; ++n) {
            const std::string aside = std::string(value_name) + ".unreadable-" + std::to_string(n);
            result = reg_rename_value(key, value_name, aside.c_str());
            if (result == ERROR_SUCCESS)
                print_message("Registry value '%s' kept as '%s'\n", value_name, aside.c_str());
        }
        RegCloseKey(key);
    }
    if (result != ERROR_SUCCESS)
        print_message("Registry value '%s' could not be kept aside (error %ld); it is not overwritten\n", value_name,
                      long(result));
    return result == ERROR_SUCCESS;
}

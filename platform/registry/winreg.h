// The registry calls the game makes, over a store of plain files.
//
// Only keys under HKEY_CURRENT_USER\Software exist. "Software" (any ASCII case) stands for the
// store's root directory: $XDG_CONFIG_HOME when that is an absolute path, else $HOME/.config,
// or the directory given to reg_set_root. Each key below it is a directory, each value a file
// in its key's directory holding the value's bytes and nothing else, so that
// HKCU\Software\Varnholt\Telvoran value "Hiscore" is the file
// <root>/Varnholt/Telvoran/Hiscore.
//
// Names: key components (split at '\') and value names become file names with '%' written as
// "%25", '/' as "%2F" and a leading '.' as "%2E", so that no name leaves its key's directory
// ("..", "a/b") and none can be a temporary file of the store (those begin with '.'). Names
// are compared byte for byte (the original platform ignored case). Empty key components and
// empty or null value names are refused with ERROR_INVALID_PARAMETER.
//
// Values are REG_BINARY only, of at most REG_MAX_VALUE_SIZE bytes; a longer file, or a value
// that is not a regular file, does not read (ERROR_INVALID_DATA, ERROR_FILE_NOT_FOUND). A
// write goes to a temporary file of the key's directory, is flushed to the disk and then
// renamed over the value, so a reader sees the old bytes or the new ones, never a mix, and a
// failing write leaves the old value as it was.
//
// Results are the Windows error codes. Handles from RegOpenKeyExA and RegCreateKeyExA are
// released with RegCloseKey; an unknown handle gives ERROR_INVALID_HANDLE. Access rights and
// options are accepted and not checked. One thread; no locking.
#pragma once

#include "platform/sys/wintypes.h"

#include <cstdint>

struct platform_hkey_s;
typedef platform_hkey_s *HKEY;
typedef DWORD REGSAM;

#define HKEY_CURRENT_USER ((HKEY)(uintptr_t)0x80000001u)

constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr LONG ERROR_INVALID_DATA = 13;
constexpr LONG ERROR_WRITE_FAULT = 29;
constexpr LONG ERROR_READ_FAULT = 30;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_DISK_FULL = 112;
constexpr LONG ERROR_FILENAME_EXCED_RANGE = 206;
constexpr LONG ERROR_ALREADY_EXISTS = 183;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_KEY_DELETED = 1018;

constexpr DWORD REG_MAX_VALUE_SIZE = 1u << 20;

// Opens an existing key (sub_key null or empty: key itself again).
LONG RegOpenKeyExA(HKEY key, const char *sub_key, DWORD options, REGSAM sam, HKEY *result);
// Opens a key, making it and the keys above it when they are missing; disposition (may be
// null) receives REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY.
LONG RegCreateKeyExA(HKEY key, const char *sub_key, DWORD reserved, char *key_class, DWORD options, REGSAM sam,
                     void *security, HKEY *result, DWORD *disposition);
// Without data: *data_size receives the value's size. With data: *data_size is the buffer's
// size on entry and the value's size on return; a buffer too small gives ERROR_MORE_DATA and
// writes nothing to it. type (may be null) receives REG_BINARY.
LONG RegQueryValueExA(HKEY key, const char *value_name, DWORD *reserved, DWORD *type, BYTE *data, DWORD *data_size);
LONG RegSetValueExA(HKEY key, const char *value_name, DWORD reserved, DWORD type, const BYTE *data, DWORD data_size);
// HKEY_CURRENT_USER closes without effect.
LONG RegCloseKey(HKEY key);
// Not a Windows call: gives a value a new name in its key, never replacing a value of that name
// (ERROR_ALREADY_EXISTS), so that one that cannot be read is kept when a new one is written.
LONG reg_rename_value(HKEY key, const char *value_name, const char *new_name);

// The directory that stands for HKEY_CURRENT_USER\Software from now on (tests give each test
// its own); null returns to the environment's directory.
void reg_set_root(const char *dir);

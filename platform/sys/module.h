// The program's instance handle, as the Windows-shaped services expect one: a fixed non-zero
// value (the conventional image base), the same for every call, since a Linux process has no
// module handles. Only null (the program itself) is a known module name.
#pragma once

#include "platform/sys/wintypes.h"

HINSTANCE GetModuleHandle(const char *module_name);

#include "platform/sys/module.h"

HINSTANCE GetModuleHandle(const char *module_name)
{
    return module_name ? nullptr : (HINSTANCE)(uintptr_t)0x400000;
}

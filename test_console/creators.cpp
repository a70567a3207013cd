#include "test_console/creators.h"

#include "kernel/scripts.h"
#include "test_console/test_keyb.h"

void test_console_register_creators()
{
    register_creator("test_keyb", make_object<test_keyb_c>);
}

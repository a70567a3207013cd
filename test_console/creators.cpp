#include "test_console/creators.h"

#include "kernel/scripts.h"
#include "test_console/test_3d.h"
#include "test_console/test_console.h"
#include "test_console/test_keyb.h"

void test_console_register_creators()
{
    register_creator("test_3d", make_object<test_3d_c>);
    register_creator("test_console", make_object<test_console_c>);
    register_creator("test_crosshair", make_object<test_crosshair_c>);
    register_creator("test_keyb", make_object<test_keyb_c>);
}

// test_console_register_creators() registers the script classes of the test objects (see
// kernel/scripts.h): helpers for developing scenes and the engine, created by init.isc.
#pragma once

void test_console_register_creators();

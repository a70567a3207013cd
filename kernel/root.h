// The two engine classes that "scripts/init.isc" creates first.
//
// root_c ("root"): the root of the tree, made by the one parentless create of init.isc. It
// keeps the program-wide switches as attributes of its own, which a script must not give:
// stop_main_loop (INT 0; non-zero ends the main loop after the current pass) and app_active
// (INT 0; written by the main window, read by the input service). It requires the INT
// attribute sleep_interval, read once: on every tick the root, whose handler runs before any
// other, sleeps that many milliseconds (0 only yields, negative does not sleep); this is the
// loop's only pacing.
//
// clock_c ("clock"): keeps the seconds since the program started as of the latest tick (0
// before the first) and answers get_common_time (argument 0: a PTR to a double) by claiming it.
//
// kernel_register_creators() registers the kernel's classes "abstract", "root" and "clock"
// (see kernel/scripts.h); the program calls it once before the entry function.
#pragma once

#include "kernel/abstract.h"

void kernel_register_creators();

class root_c : public abstract_c
{
public:
    root_c(abstract_c *parent, const attribute_list_c *attributes);
    ~root_c() override;
    int handle_message(const msg_c *message, abstract_c *sender) override;

    int sleep_interval() const { return m_sleep_interval; }

private:
    attribute_c m_stop_main_loop;
    attribute_c m_app_active;
    int32_t m_sleep_interval;
};

class clock_c : public abstract_c
{
public:
    clock_c(abstract_c *parent, const attribute_list_c *attributes);
    int handle_message(const msg_c *message, abstract_c *sender) override;

    double common_time() const { return m_common_time; }

private:
    double m_common_time;
};

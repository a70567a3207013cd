// One-shot timers over the common time (the clock object's seconds since this PC's program
// started; PCs never share a time).
//
// net_clock_c: created under a parent with a period; its start is the common time at
// creation, asked of the root with get_common_time ("Cannot obtain common time ! ! !" when
// nobody answers: the timer is then not created and nothing is left in the tree). On the
// first tick whose time is >= start + period, while the period is above 0, it calls
// on_expire once and disarms itself (period -1). A period of 0 or below never fires.
// It claims no message: the tick goes on to every other object.
//
// net_clock_ext_c: the ping timer. On expiry it sends send_next_ping to the root and shuts
// itself down, to be deleted at the next collection of dead objects.
#pragma once

#include "kernel/abstract.h"

class net_clock_c : public abstract_c
{
public:
    net_clock_c(abstract_c *parent, double period);
    int handle_message(const msg_c *message, abstract_c *sender) override;
    virtual void on_expire() = 0;

    double start() const { return m_start; }
    double period() const { return m_period; }

protected:
    double m_start;
    double m_period;
};

class net_clock_ext_c : public net_clock_c
{
public:
    net_clock_ext_c(abstract_c *parent, double period);
    void on_expire() override;
};

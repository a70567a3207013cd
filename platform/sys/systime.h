// Time services of the platform, in the shape the engine's code calls them: a high-resolution
// counter with its frequency, a millisecond tick count, a thread sleep and the local calendar
// time. The counter never goes backwards (it does not follow changes of the wall clock); the
// tick count wraps after about 49 days like the original platform's. Nothing else is kept.
//
// The test clock: with ENGINE_CLOCK_RATE=<factor> in the environment (a number above 0, at most
// 1000; read once, at the first call) the counter and the tick count run that many times faster
// than the real clock from the moment of that first call, and Sleep sleeps its milliseconds of
// that clock, so that a test plays a whole game in a fraction of its real time while the
// program's timing code stays as it is. Timers, movers, animations and network keep-alives all
// read these; the sound output keeps the same pace through clock_rate(). A missing, malformed or
// out-of-range value leaves the real clock (factor 1). The calendar time is never scaled.
#pragma once

#include "platform/sys/wintypes.h"

#include <cstdint>

// Counts per second of the high-resolution counter; FALSE when the system has none.
BOOL QueryPerformanceFrequency(int64_t *frequency);
// The current value of the high-resolution counter.
BOOL QueryPerformanceCounter(int64_t *count);
// Milliseconds since the system started, modulo 2^32.
DWORD GetTickCount();
// Suspends the calling thread for the given milliseconds; 0 gives up the rest of the time slice.
void Sleep(DWORD milliseconds);
// The factor of the test clock (1 for the real one).
double clock_rate();
// The local date and time, Sunday being day 0 of the week.
void GetLocalTime(SYSTEMTIME *out);

// Time services of the platform, in the shape the engine's code calls them: a high-resolution
// counter with its frequency, a millisecond tick count, a thread sleep and the local calendar
// time. The counter never goes backwards (it does not follow changes of the wall clock); the
// tick count wraps after about 49 days like the original platform's. Nothing else is kept.
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
// The local date and time, Sunday being day 0 of the week.
void GetLocalTime(SYSTEMTIME *out);

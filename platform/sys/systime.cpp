#include "platform/sys/systime.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <sched.h>

namespace {

constexpr int64_t nanoseconds_per_second = 1000000000;

bool real_now(int64_t *ns)
{
    timespec ts;
    if (clock_gettime(CLOCK_MONOTONIC, &ts) != 0)
        return false;
    *ns = (int64_t)ts.tv_sec * nanoseconds_per_second + ts.tv_nsec;
    return true;
}

double rate_from_environment()
{
    const char *text = std::getenv("ENGINE_CLOCK_RATE");
    if (!text || !*text)
        return 1.0;
    char *end = nullptr;
    double rate = std::strtod(text, &end);
    if (*end != 0 || !std::isfinite(rate) || rate <= 0.0 || rate > 1000.0)
        return 1.0;
    return rate;
}

// The test clock's factor and the real moment from which it runs faster.
struct test_clock_s
{
    double rate = rate_from_environment();
    int64_t origin = 0;
    test_clock_s() { real_now(&origin); }
};

const test_clock_s &test_clock()
{
    static const test_clock_s clock;
    return clock;
}

bool monotonic_now(int64_t *ns)
{
    const test_clock_s &clock = test_clock();
    if (!real_now(ns))
        return false;
    if (clock.rate != 1.0)
        *ns = clock.origin + (int64_t)((double)(*ns - clock.origin) * clock.rate);
    return true;
}

} // namespace

BOOL QueryPerformanceFrequency(int64_t *frequency)
{
    timespec res;
    if (!frequency || clock_getres(CLOCK_MONOTONIC, &res) != 0)
        return FALSE;
    *frequency = nanoseconds_per_second;
    return TRUE;
}

BOOL QueryPerformanceCounter(int64_t *count)
{
    return count && monotonic_now(count) ? TRUE : FALSE;
}

DWORD GetTickCount()
{
    int64_t ns = 0;
    monotonic_now(&ns);
    return (DWORD)(uint64_t)(ns / 1000000);
}

double clock_rate()
{
    return test_clock().rate;
}

void Sleep(DWORD milliseconds)
{
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    const int64_t ns = (int64_t)((double)milliseconds * 1000000.0 / test_clock().rate);
    timespec left;
    left.tv_sec = (time_t)(ns / nanoseconds_per_second);
    left.tv_nsec = (long)(ns % nanoseconds_per_second);
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

void GetLocalTime(SYSTEMTIME *out)
{
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    time_t seconds = now.tv_sec;
    tm local;
    localtime_r(&seconds, &local);
    out->wYear = (WORD)(local.tm_year + 1900);
    out->wMonth = (WORD)(local.tm_mon + 1);
    out->wDayOfWeek = (WORD)local.tm_wday;
    out->wDay = (WORD)local.tm_mday;
    out->wHour = (WORD)local.tm_hour;
    out->wMinute = (WORD)local.tm_min;
    out->wSecond = (WORD)local.tm_sec;
    out->wMilliseconds = (WORD)(now.tv_nsec / 1000000);
}

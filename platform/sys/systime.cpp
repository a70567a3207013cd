#include "platform/sys/systime.h"

#include <cerrno>
#include <ctime>
#include <sched.h>

namespace {

constexpr int64_t nanoseconds_per_second = 1000000000;

bool monotonic_now(int64_t *ns)
{
    timespec ts;
    if (clock_gettime(CLOCK_MONOTONIC, &ts) != 0)
        return false;
    *ns = (int64_t)ts.tv_sec * nanoseconds_per_second + ts.tv_nsec;
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

void Sleep(DWORD milliseconds)
{
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    timespec left;
    left.tv_sec = milliseconds / 1000;
    left.tv_nsec = (long)(milliseconds % 1000) * 1000000L;
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

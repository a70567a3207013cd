#include "platform/sys/systime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

TEST(systime, counter_and_sleep_agree)
{
    int64_t frequency = 0, before = 0, after = 0;
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    ASSERT_GT(frequency, 0);
    ASSERT_TRUE(QueryPerformanceCounter(&before));
    DWORD ticks_before = GetTickCount();
    Sleep(20);
    ASSERT_TRUE(QueryPerformanceCounter(&after));
    double seconds = double(after - before) / double(frequency);
    EXPECT_GE(seconds, 0.019);
    EXPECT_LT(seconds, 2.0);
    EXPECT_GE(DWORD(GetTickCount() - ticks_before), 19u);
    Sleep(0);
    int64_t later = 0;
    QueryPerformanceCounter(&later);
    EXPECT_GE(later, after);
}

// Under zones of known offsets (POSIX rules, so no zone database is needed), the local time is
// the clock's UTC time moved by the offset, field by field, the weekday and date included.
TEST(systime, local_time_follows_the_zone)
{
    struct zone_s
    {
        const char *tz;
        int offset_minutes; // east of UTC
    };
    const zone_s zones[] = {{"ZZZ-05:30", 5 * 60 + 30}, {"ZZZ+10", -10 * 60}, {"UTC0", 0}};
    const char *saved = std::getenv("TZ");
    const std::string old_tz = saved ? saved : "";
    for (const zone_s &z : zones) {
        setenv("TZ", z.tz, 1);
        tzset();
        SYSTEMTIME st{};
        time_t before = 0, after = 1;
        // A read that straddles a second boundary is taken again.
        for (int attempt = 0; attempt < 5 && before != after; ++attempt) {
            before = std::time(nullptr);
            GetLocalTime(&st);
            after = std::time(nullptr);
        }
        ASSERT_EQ(before, after);
        const time_t shifted = before + time_t(z.offset_minutes) * 60;
        tm expected{};
        gmtime_r(&shifted, &expected);
        EXPECT_EQ(st.wYear, expected.tm_year + 1900) << z.tz;
        EXPECT_EQ(st.wMonth, expected.tm_mon + 1) << z.tz;
        EXPECT_EQ(st.wDay, expected.tm_mday) << z.tz;
        EXPECT_EQ(st.wDayOfWeek, expected.tm_wday) << z.tz;
        EXPECT_EQ(st.wHour, expected.tm_hour) << z.tz;
        EXPECT_EQ(st.wMinute, expected.tm_min) << z.tz;
        EXPECT_EQ(st.wSecond, expected.tm_sec) << z.tz;
        EXPECT_LE(st.wMilliseconds, 999) << z.tz;
    }
    if (saved)
        setenv("TZ", old_tz.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

#include "platform/sys/systime.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
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
        // A read that straddles a second boundary is taken again. The clock is the one the
        // program reads (time() is a coarser clock that may still show the second before).
        for (int attempt = 0; attempt < 5 && before != after; ++attempt) {
            timespec t;
            clock_gettime(CLOCK_REALTIME, &t);
            before = t.tv_sec;
            GetLocalTime(&st);
            clock_gettime(CLOCK_REALTIME, &t);
            after = t.tv_sec;
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

namespace {

// In a fresh process whose ENGINE_CLOCK_RATE is set: exits 0 when the clocks run by `rate`.
void check_clock_runs_by(double rate)
{
    using real = std::chrono::steady_clock;
    if (clock_rate() != rate) {
        std::fprintf(stderr, "rate %g\n", clock_rate());
        std::exit(1);
    }
    int64_t frequency = 0, before = 0, after = 0;
    QueryPerformanceFrequency(&frequency);
    const auto r0 = real::now();
    QueryPerformanceCounter(&before);
    const DWORD ticks_before = GetTickCount();
    const auto r1 = real::now();
    Sleep(400);
    const auto r2 = real::now();
    QueryPerformanceCounter(&after);
    const DWORD ticks_after = GetTickCount();
    const auto r3 = real::now();
    // The clock's time between two readings lies between the factor times the real time that
    // surely passed between them and the factor times the real time around them.
    const double least = std::chrono::duration<double>(r2 - r1).count() * rate;
    const double most = std::chrono::duration<double>(r3 - r0).count() * rate;
    const double counted = double(after - before) / double(frequency);
    const double ticked = double(DWORD(ticks_after - ticks_before)) / 1000.0;
    const double slept = std::chrono::duration<double>(r2 - r1).count();
    const bool ok = counted >= least - 1e-6 && counted <= most + 1e-6 && ticked >= least - 0.002 &&
                    ticked <= most + 0.002 && slept >= 0.4 / rate - 0.001 && counted >= 0.4 - 0.001;
    if (!ok)
        std::fprintf(stderr, "counted %g ticked %g, expected between %g and %g; slept %g s\n", counted, ticked, least,
                     most, slept);
    std::exit(ok ? 0 : 1);
}

} // namespace

// The test clock, each factor in a fresh process (the factor is read once): the counter and the
// tick count advance by the factor times the real time that passed between the readings, Sleep
// takes its milliseconds of that clock; a value that is no factor leaves the real clock.
TEST(systime, test_clock_runs_by_its_factor)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const struct
    {
        const char *text;
        double rate;
    } cases[] = {{"10", 10.0}, {"2.5", 2.5}, {"1", 1.0}, {"0", 1.0}, {"-4", 1.0}, {"fast", 1.0},
                 {"8x", 1.0}, {"1e9", 1.0}, {"", 1.0}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        setenv("ENGINE_CLOCK_RATE", c.text, 1);
        EXPECT_EXIT(check_clock_runs_by(c.rate), ::testing::ExitedWithCode(0), "");
    }
    unsetenv("ENGINE_CLOCK_RATE");
}

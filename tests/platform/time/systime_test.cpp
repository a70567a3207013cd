#include "platform/sys/systime.h"

#include <gtest/gtest.h>

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

TEST(systime, local_time_fields_in_range)
{
    SYSTEMTIME st;
    GetLocalTime(&st);
    EXPECT_GE(st.wYear, 2000);
    EXPECT_TRUE(st.wMonth >= 1 && st.wMonth <= 12);
    EXPECT_LE(st.wDayOfWeek, 6);
    EXPECT_TRUE(st.wDay >= 1 && st.wDay <= 31);
    EXPECT_LE(st.wHour, 23);
    EXPECT_LE(st.wMinute, 59);
    EXPECT_LE(st.wSecond, 60);
    EXPECT_LE(st.wMilliseconds, 999);
}

#include "basics/cyclic_buffer.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "kernel/exception.h"

namespace {

std::string assertion_of(const std::function<void()> &action)
{
    try {
        action();
    } catch (const exception_c &e) {
        EXPECT_EQ(e.source_file(), "basics/cyclic_buffer.cpp");
        return e.get_message();
    }
    return "(nothing thrown)";
}

std::string expression(const char *text)
{
    return std::string("Debug assertion failed! Expression: \"") + text + "\"";
}

} // namespace

TEST(cyclic_buffer, full_buffer_and_back)
{
    cyclic_buffer_c b;
    b.create(8);
    EXPECT_EQ(b.used(), 0u);
    EXPECT_EQ(b.free_space(), 8);
    b.write("abcdefgh", 8);
    EXPECT_EQ(b.in_ptr(), 0);
    EXPECT_EQ(b.out_ptr(), 0);
    EXPECT_TRUE(b.full());
    EXPECT_EQ(b.used(), 8u);
    char out[9] = {};
    b.read(out, 8);
    EXPECT_STREQ(out, "abcdefgh");
    EXPECT_EQ(b.used(), 0u);
    EXPECT_FALSE(b.full());
}

TEST(cyclic_buffer, wrapping_copies)
{
    cyclic_buffer_c b;
    b.create(8);
    char out[9] = {};
    b.write("012345", 6);
    b.read(out, 6);
    EXPECT_EQ(b.in_ptr(), 6);
    // 2 bytes to the end, 3 from the start.
    b.write("ABCDE", 5);
    EXPECT_EQ(b.in_ptr(), 3);
    EXPECT_EQ(b.used(), 5u);
    EXPECT_EQ(b.free_space(), 3);
    b.read(out, 1);
    EXPECT_EQ(out[0], 'A');
    b.read(out, 4);
    EXPECT_EQ(std::string(out, 4), "BCDE");
    EXPECT_EQ(b.out_ptr(), 3);
    EXPECT_EQ(b.used(), 0u);

    // Exactly the room up to the end: one piece, the index comes back to 0.
    b.write("xyzuv", 5);
    EXPECT_EQ(b.in_ptr(), 0);
    b.write("12", 2);
    EXPECT_EQ(b.used(), 7u);
    b.read(out, 7);
    EXPECT_EQ(std::string(out, 7), "xyzuv12");

    b.write("abc", 3);
    b.reset();
    EXPECT_EQ(b.used(), 0u);
    EXPECT_EQ(b.in_ptr(), 0);
    EXPECT_EQ(b.out_ptr(), 0);
}

TEST(cyclic_buffer, broken_preconditions_assert_and_change_nothing)
{
    cyclic_buffer_c b;
    EXPECT_EQ(assertion_of([&] { b.create(0); }), expression("size"));
    EXPECT_EQ(assertion_of([&] { b.used(); }), expression("m_in_ptr < m_size"));
    b.create(8);
    char out[16];
    b.write("abc", 3);
    EXPECT_EQ(assertion_of([&] { b.read(out, 4); }), expression("amount <= size()"));
    EXPECT_EQ(assertion_of([&] { b.read(out, 9); }), expression("amount <= m_size"));
    EXPECT_EQ(assertion_of([&] { b.write("0123456789", 9); }), expression("amount <= m_size"));
    EXPECT_EQ(assertion_of([&] { b.write("012345", 6); }), expression("free_space() >= amount"));
    EXPECT_EQ(b.used(), 3u);
    b.write("defgh", 5);
    EXPECT_EQ(assertion_of([&] { b.free_space(); }), expression("s < m_size"));
    EXPECT_EQ(assertion_of([&] { b.write("x", 1); }), expression("s < m_size"));
    EXPECT_EQ(b.used(), 8u);
    b.read(out, 8);
    EXPECT_EQ(std::string(out, 8), "abcdefgh");
}

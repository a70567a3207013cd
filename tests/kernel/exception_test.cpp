#include "kernel/exception.h"

#include <gtest/gtest.h>

TEST(exception, default_format)
{
    exception_c e;
    EXPECT_EQ(e.format(), "Exception: Default exception\nSource file: Nowhere, line 0\nSource modified: Never");
}

static void fail_assertion(int x)
{
    ENGINE_ASSERT(x < 3 && "three");
}

TEST(exception, assertion_quotes_expression_and_position)
{
    try {
        fail_assertion(5);
        FAIL() << "no throw";
    } catch (const exception_c &e) {
        EXPECT_EQ(e.get_message(), "Debug assertion failed! Expression: \"x < 3 && \"three\"\"");
        EXPECT_EQ(e.source_file(), "tests/kernel/exception_test.cpp");
        EXPECT_EQ(e.line(), 13);
        EXPECT_NE(e.format().find(", line 13\n"), std::string::npos);
    }
}

TEST(exception, derived_caught_as_base)
{
    bool caught = false;
    try {
        ENGINE_THROW(parser_exception_c, "bad token");
    } catch (const exception_c &e) {
        caught = e.get_message() == "bad token";
    }
    EXPECT_TRUE(caught);
}

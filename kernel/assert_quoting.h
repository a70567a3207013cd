// ENGINE_ASSERT_QUOTING(cond, text): an assertion (see kernel/exception.h) whose message quotes
// `text`, a string literal, rather than the C++ expression: for checks whose C++ spelling differs
// from the expression that callers and logs know them by.
#pragma once

#include "kernel/exception.h"

#define ENGINE_ASSERT_QUOTING(cond, text)                                                   \
    do {                                                                                    \
        if (!(cond))                                                                        \
            throw exception_c(__TIMESTAMP__, __FILE__, __LINE__,                            \
                              "Debug assertion failed! Expression: \"" text "\"");         \
    } while (0)

// Skips a test when no comma-decimal locale is installed, unless the run requires one (CI).
#pragma once

#include "support/tempdir.h"

#include <gtest/gtest.h>

#define XTALSP_ENTER_COMMA_LOCALE(guard)                                                           \
    ::xtalsp::test::CommaDecimalLocale guard;                                                      \
    if (!guard.active()) {                                                                         \
        if (::xtalsp::test::CommaDecimalLocale::required())                                        \
            FAIL() << "no comma-decimal locale installed (generate de_DE.UTF-8)";                  \
        GTEST_SKIP() << "no comma-decimal locale installed";                                       \
    }

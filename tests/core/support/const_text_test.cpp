// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/const_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace curvane {
namespace {

// Built at compile time, as the help tables use them; a wrong digit is a
// wrong number in the help.
TEST(ConstText, NumbersInFixedNotation) {
    static_assert(IntegerText(0).View() == "0");
    static_assert(IntegerText(2146483647).View() == "2146483647");
    static_assert(IntegerText(std::numeric_limits<std::int64_t>::min()).View() == "-9223372036854775808");
    static_assert(DecimalText(0.00001).View() == "0.00001");  // not 1E-5
    static_assert(DecimalText(0.1).View() == "0.1");
    static_assert(DecimalText(-2.5).View() == "-2.5");
    static_assert(DecimalText(1e15).View() == "1000000000000000");
    static_assert((TConstText("a") + IntegerText(-64) + "b").View() == "a-64b");
    SUCCEED();
}

}  // namespace
}  // namespace curvane

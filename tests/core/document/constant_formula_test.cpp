// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/document/constant_formula.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace curvane {
namespace {

TEST(ConstantFormula, NumbersAndFormulasReadToTheirExactDouble) {
    const struct { const char* Text; double Expected; } rows[] = {
        {"0.1", 0.1},  // plain text keeps its bits
        {" -1.5 ", -1.5},
        {"+2.", 2.0},  // a form only the plain reader takes
        {"1e-3", 1e-3},
        {"pi/2", 1.5707963267948966},
        {"2*pi", 2 * std::numbers::pi},
        {"-pi()", -std::numbers::pi},
        {"sqrt(2)", std::sqrt(2.0)},
        {"Fact(5)/2^3", 15},
    };
    for (const auto& r : rows) EXPECT_EQ(ParseConstant(r.Text), r.Expected) << r.Text;
}

TEST(ConstantFormula, WhatDoesNotGiveAFiniteNumberIsRefused) {
    const struct { const char* Text; const char* Why; } rows[] = {
        {"", "empty"},
        {"x", "the variables of the plots are no constants"},
        {"pi*t", "nor are those of the other kinds"},
        {"2x", "no implied product"},
        {"pi/", "syntax"},
        {"1,5", "a decimal comma"},
        {"inf", "no word for infinity"},
        {"1e400", "past the double range as text"},
        {"10^400", "past the double range as a result"},
        {"1/0", "division by zero"},
        {"ln(-1)", "a domain fault"},
    };
    for (const auto& r : rows) EXPECT_EQ(ParseConstant(r.Text), std::nullopt) << r.Text << ": " << r.Why;
}

}  // namespace
}  // namespace curvane

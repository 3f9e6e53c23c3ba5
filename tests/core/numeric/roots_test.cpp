// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/numeric/roots.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "core/core_test_helpers.h"
#include "core/document/compiled_function.h"
#include "core/document/shared_evaluators.h"

namespace curvane {
namespace {

using test::Compiled;

TEST(FindRoot, ConvergesByChords) {
    const struct { const char* Formula; double From, To, Expected, Tolerance; } rows[] = {
        {"x^2-2", 0, 2, std::numbers::sqrt2, 1e-5},
        // The first chord hits 0 exactly, and so does the second.
        {"x", -1, 1, 0, 0},
        {"x^3-x-2", 1, 2, 1.5213797068045676, 1e-5},
        // The chord's span and products overflow at these ends.
        {"x", -1e308, 1e308, 0, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Formula);
        EXPECT_NEAR(FindRoot(Compiled(row.Formula), row.From, row.To, 0.00001), row.Expected, row.Tolerance);
    }
}

TEST(FindRoot, FailsClearly) {
    EXPECT_THROW(
        try { FindRoot(Compiled("x^2+1"), 0, 1, 0.00001); } catch (const ENoRoots& e) {
            EXPECT_STREQ(e.what(), "No roots");
            throw;
        },
        ENoRoots);
    // A creeping chord: with accuracy 0 no two points are ever closer than
    // it, so only the round limit ends the search.
    EXPECT_THROW(
        try { FindRoot(Compiled("x^2-2"), 0, 2, 0, 50); } catch (const ENoConvergence& e) {
            EXPECT_STREQ(e.what(), "The chord method did not settle within 50 rounds. Try a narrower interval or a larger accuracy.");
            throw;
        },
        ENoConvergence);
    // The sign change of a pole is no root.
    EXPECT_THROW(FindRoot(Compiled("tg(x)"), 1, 2, 0.00001), ENoRoots);
    EXPECT_THROW(FindRoot(Compiled("ln(x)"), -1, 1, 0.00001), EInvalidOp);
    EXPECT_THROW(FindRoot(Compiled("x"), -INFINITY, 1, 0.00001), Exception);
}

TEST(FindIntersection, SinAndCosMeetAtQuarterPi) {
    const TIntersection point = FindIntersection(Compiled("sin(x)"), Compiled("cos(x)"), 0, 1, 0.00001);
    EXPECT_NEAR(point.X, std::numbers::pi / 4, 1e-5);
    EXPECT_EQ(point.Y, std::sin(point.X));
    EXPECT_EQ(IntersectionValueText({0.5, -1.0 / 3}), "X=0.50000000000000 Y=-0.33333333333333");
}

TEST(RootReports, FormatWithFixedDecimals) {
    EXPECT_EQ(RootReport("x^2-2", 0, 2, std::numbers::sqrt2), "Root for \"x^2-2\" in (0.0000,2.0000) is 1.41421356237310");
    EXPECT_EQ(IntersectionReport("sin(x)", "cos(x)", -0.5, 1.23456, {0.785398163397448, 0.707106781186547}),
              "Intersection for \"sin(x)\" & \"cos(x)\" in (-0.5000,1.2346) is: X=0.78539816339745 Y=0.70710678118655");
}

}  // namespace
}  // namespace curvane

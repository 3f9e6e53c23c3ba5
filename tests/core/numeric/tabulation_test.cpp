// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/numeric/tabulation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/core_test_helpers.h"
#include "core/document/compiled_function.h"
#include "core/document/shared_evaluators.h"
#include "core/support/exceptions.h"

namespace curvane {
namespace {

TEST(TabulationLine, ReplacesTheFirstOfEachPlaceholder) {
    const struct { const char* Pattern; double X, Y, Z; const char* Expected; } rows[] = {
        {"X=%x Y=%y Z=%z", 0.1, -2.5, 0, "X=0.1 Y=-2.5 Z=0"},
        {"%x;%y", 0, 0, 7, "0;0"},
        {"no placeholders", 1, 2, 3, "no placeholders"},
        {"%x %x %z%y", 1, 2, 3, "1 %x 32"},
        {"%X %y", 1, 1.0 / 3, 0, "%X 0.333333333333333"},
        {"%x", 1.5e20, 0, 0, "1.5E20"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Pattern);
        EXPECT_EQ(TabulationLine(row.Pattern, row.X, row.Y, row.Z), row.Expected);
    }
}

std::vector<std::string> Table2D(const char* formula, TTabulationRange x, const char* pattern = "%x:%y") {
    std::vector<std::string> lines;
    EXPECT_TRUE(Tabulate2D(test::Compiled(formula), pattern, x,
                           [&](const std::string& line) { lines.push_back(line); return true; }));
    return lines;
}

TEST(Tabulate2D, FaultingPointsBecomeMathErrorLines) {
    EXPECT_EQ(Table2D("ln(x)", {0, 2, 1}),
              (std::vector<std::string>{"Math error Floating point division by zero", "1:0", "2:0.693147180559945"}));
    EXPECT_EQ(Table2D("x", {0, 10, 0.1}).size(), 101u) << "0.1 added 100 times stays below 10";
    EXPECT_EQ(Table2D("x", {0, 10, 0.1}).back(), "9.99999999999998:9.99999999999998");
}

TEST(Tabulate2D, RefusesEndlessRangesAndObeysTheSink) {
    const TRealFunction x = [](double t) { return t; };
    const auto keep = [](const std::string&) { return true; };
    const struct { const char* Why; TTabulationRange Range; } refused[] = {
        {"step 0", {0, 1, 0}}, {"negative step", {0, 1, -1}}, {"infinite end", {0, INFINITY, 1}},
        {"step lost in rounding", {1e17, 2e17, 1}},
    };
    for (const auto& row : refused) {
        SCOPED_TRACE(row.Why);
        EXPECT_THROW(Tabulate2D(x, "%x", row.Range, keep), Exception);
    }
    int lines = 0;
    EXPECT_FALSE(Tabulate2D(x, "%x", {0, 100, 1}, [&](const std::string&) { return ++lines < 3; }));
    EXPECT_EQ(lines, 3);
}

TEST(Tabulate3D, VariesYFastest) {
    const TCompiledFunction f = TCompiledFunction::Private(EvalOrtho(), "x*10+y");
    std::vector<std::string> lines;
    EXPECT_TRUE(Tabulate3D([&](double x, double y) { return f.Evaluate(x, y); }, "%x %y %z", {0, 1, 0.5}, {0, 1, 0.5},
                           [&](const std::string& line) { lines.push_back(line); return true; }));
    EXPECT_EQ(lines, (std::vector<std::string>{"0 0 0", "0 0.5 0.5", "0 1 1", "0.5 0 5", "0.5 0.5 5.5", "0.5 1 6",
                                               "1 0 10", "1 0.5 10.5", "1 1 11"}));
    EXPECT_EQ(TabulationHeader("x*y", true)[2], "Z(x,y) = x*y");
}

}  // namespace
}  // namespace curvane

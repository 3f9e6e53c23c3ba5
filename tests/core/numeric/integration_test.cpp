// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/numeric/integration.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/core_test_helpers.h"
#include "core/document/compiled_function.h"
#include "core/document/shared_evaluators.h"
#include "core/numeric/compiled_integrand.h"
#include "core/support/exceptions.h"

namespace curvane {
namespace {

using test::Compiled;

TEST(IntegratePass, RulesOnCompiledFormulas) {
    using enum TIntegralMethod;
    const struct { const char* Why; const char* Formula; TIntegralMethod Method; double From, To; double Expected, Tolerance; } rows[] = {
        // Midpoints (k + 1/2)/64 and their sum are exact in binary.
        {"x by rectangles is exact", "x", imRectangles, 0, 1, 0.5, 0},
        {"x by trapezoids is exact", "x", imTrapezoids, 0, 1, 0.5, 0},
        {"x^2 by Simpson", "x^2", imSimpson, 0, 1, 1.0 / 3, 1e-15},
        {"equal limits give 0 even where f faults", "ln(x)", imSimpson, 0, 0, 0, 0},
        {"reversed limits change the sign", "x", imTrapezoids, 1, 0, -0.5, 0},
        {"midpoint rule falls short by h^2/12 for x^2", "x^2", imRectangles, 0, 1, 1.0 / 3 - 1.0 / (12 * 64 * 64), 1e-15},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Why);
        const TIntegralPass pass = IntegratePass(Compiled(row.Formula), row.Method, row.From, row.To, 64);
        EXPECT_NEAR(pass.Value, row.Expected, row.Tolerance);
        EXPECT_FALSE(pass.Stopped);
    }
}

TEST(IntegratePass, RefusesBadInputAndPassesFaultsOn) {
    const TRealFunction x = [](double t) { return t; };
    EXPECT_THROW(
        try { IntegratePass(x, TIntegralMethod::imSimpson, 0, INFINITY, 64); } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), "Invalid float value!");
            throw;
        },
        Exception);
    EXPECT_THROW(IntegratePass(x, TIntegralMethod::imSimpson, NAN, 1, 64), Exception);
    EXPECT_THROW(IntegratePass(x, TIntegralMethod::imSimpson, 0, 1, 0), Exception);
    EXPECT_THROW(IntegratePass(Compiled("ln(x)"), TIntegralMethod::imTrapezoids, 0, 1, 64), EZeroDivide);
    // A sum, and a span, beyond the double range.
    for (TIntegralMethod method : {TIntegralMethod::imRectangles, TIntegralMethod::imTrapezoids, TIntegralMethod::imSimpson}) {
        EXPECT_THROW(IntegratePass([](double) { return 1e308; }, method, 0, 10, 64), EOverflow);
        EXPECT_THROW(IntegratePass(x, method, -1e308, 1e308, 64), EOverflow);
    }
}

TEST(IntegratePass, BatchRoadGivesTheDigitsAndFaultsOfThePointRoad) {
    using enum TIntegralMethod;
    using test::OutcomeOf;
    const auto both = [](const char* formula, TIntegralMethod method, double from, double to, std::int64_t segments) {
        const TCompiledFunction f = TCompiledFunction::Private(EvalOrtho(), formula);
        return std::pair{OutcomeOf([&] { return IntegratePass(Compiled(formula), method, from, to, segments).Value; }),
                         OutcomeOf([&] { return IntegratePass(CompiledIntegrand(f), method, from, to, segments).Value; })};
    };
    // Counts below, at and past one batch; the limits and their reverse.
    for (const char* formula : {"sin(x)*x", "exp(-x*x)+1/(x+3)"})
        for (TIntegralMethod method : {imRectangles, imTrapezoids, imSimpson})
            for (std::int64_t segments : {1, 7, 1024, 1025, 3000})
                for (const auto& [from, to] : {std::pair{0.0, 10.0}, {-2.5, 7.0}, {7.0, -2.5}}) {
                    SCOPED_TRACE(testing::Message() << formula << " method " << int(method) << " n " << segments << " from " << from);
                    const auto [point, batch] = both(formula, method, from, to, segments);
                    EXPECT_EQ(point.Fault, TEvalFault::efNone);
                    EXPECT_TRUE(test::SameOutcome(point, batch)) << point << " against " << batch;
                }

    // ln(3000-x) over 4096 segments of 1: the first fault is in the third
    // batch; the ends reach 3000 (ln 0) before 3000.5 (ln of a negative),
    // the midpoints of the rectangles skip it. Fact raises its own error.
    const struct { const char* Formula; TIntegralMethod Method; double From, To; std::int64_t Segments; TEvalFault Fault; } faults[] = {
        {"ln(3000-x)", imRectangles, 0, 4096, 4096, TEvalFault::efInvalidOp},
        {"ln(3000-x)", imTrapezoids, 0, 4096, 4096, TEvalFault::efZeroDivide},
        {"ln(3000-x)", imSimpson, 0, 4096, 4096, TEvalFault::efZeroDivide},
        {"Fact(x*1e10)", imSimpson, 1, 2, 8, TEvalFault::efRangeError},
    };
    for (const auto& row : faults) {
        SCOPED_TRACE(testing::Message() << row.Formula << " method " << int(row.Method));
        const auto [point, batch] = both(row.Formula, row.Method, row.From, row.To, row.Segments);
        EXPECT_EQ(point.Fault, row.Fault);
        EXPECT_EQ(batch.Fault, row.Fault);
    }
}

TEST(Integrate, DoublesUntilTwoPassesAgree) {
    // Trapezoids over x^2 on [0,1] exceed 1/3 by 1/(6n^2), so two passes of n
    // and 2n differ by 1/(8n^2): 3.05e-5 for 64 -> 128 and 7.6e-6 for 128 ->
    // 256, the first difference within 1e-5.
    const TIntegralTask task{TIntegralMethod::imTrapezoids, 0, 1, 64, true, 0.00001};
    const TIntegralResult result = Integrate(Compiled("x^2"), task);
    EXPECT_EQ(result.Iterations, 3);
    EXPECT_EQ(result.Segments, 256);
    EXPECT_NEAR(result.Value, 1.0 / 3 + 1.0 / (6 * 256 * 256), 1e-15);
    EXPECT_FALSE(result.Stopped);

    const TIntegralResult once = Integrate(Compiled("x^2"), {TIntegralMethod::imTrapezoids, 0, 1, 64, false, 0});
    EXPECT_EQ(once.Iterations, 1);
    EXPECT_EQ(once.Segments, 64);
}

TEST(Integrate, StopRequestKeepsTheLastCompletePass) {
    // The request is polled once per IntegralStopPollSegments segments and
    // says stop at its `StopAt`th poll. An accuracy below 0 never settles.
    const struct { const char* Why; std::int64_t Segments; int StopAt; double Value; int Iterations; std::int64_t LastSegments; } rows[] = {
        {"during the first pass: its partial sum", 4 * IntegralStopPollSegments, 1, 0.25, 1, 4 * IntegralStopPollSegments},
        {"during the second pass: the first result", IntegralStopPollSegments, 3, 1, 2, 2 * IntegralStopPollSegments},
    };
    const TRealFunction one = [](double) { return 1.0; };
    const TIntegrand batch{one, [](const double*, std::size_t n, double* out, TEvalFault* faults) {
                               std::fill_n(out, n, 1.0);
                               std::fill_n(faults, n, TEvalFault::efNone);
                           }};
    for (const auto& row : rows)
        for (const TIntegrand& f : {TIntegrand{one, {}}, batch})
            for (TIntegralMethod method : {TIntegralMethod::imRectangles, TIntegralMethod::imTrapezoids, TIntegralMethod::imSimpson}) {
                SCOPED_TRACE(testing::Message() << row.Why << (f.Batch ? ", batched" : ", point by point") << ", method " << int(method));
                int polls = 0;
                const TIntegralResult result = Integrate(f, {method, 0, 1, row.Segments, true, -1},
                                                         [&] { return ++polls == row.StopAt; });
                EXPECT_TRUE(result.Stopped);
                EXPECT_EQ(polls, row.StopAt) << "asked again after saying stop";
                EXPECT_DOUBLE_EQ(result.Value, row.Value);
                EXPECT_EQ(result.Iterations, row.Iterations);
                EXPECT_EQ(result.Segments, row.LastSegments);
            }
}

}  // namespace
}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/core_test_helpers.h"
#include "core/evaluator/rapid_evaluator.h"

namespace curvane {
namespace {

using namespace test;

// "sin(x+(x+(x+...)))": every pending x waits in its own slot.
std::string Nested(int depth) {
    std::string f = "x";
    for (int i = 0; i < depth; ++i) f = "x*0.5+(" + f + ")";
    return "sin(" + f + ")+cos(" + f + ")";
}

// Batch loops whose body calls the C library run two points per pass. These
// formulas make the two lanes meet every situation that differs from the
// one-point body: an odd count, the output over the parameters, a value left
// in ST0 across the other lane's call (PowerFunc, the reciprocal functions),
// several variables, a frame too deep for 8-bit offsets, and faults in one
// lane only. Each point must come out bit for bit as Evaluate gives it, with
// the same fault.
TEST(BatchLoop, TwoPointPassesMatchEvaluate) {
    if (!TRapidEvaluator::JitAvailable()) GTEST_SKIP() << "no code generator on this machine";
    const std::string cases[] = {
        // PowerFunc and 1/tan leave extended values in ST0 at the lane switch.
        "x^1.5*2+ctg(x)", "sec(x)+cosec(x)*x^y-x^0.5",
        // Faults at some points only: ln and sqrt of negatives, 1/0, overflow.
        "ln(x)+sqrt(x-1)", "1/sin(x*0)+cos(x)", "exp(x*200)*1e300",
        // Variables other than the cell, and the cell read twice.
        "sin(y*x)+z*cos(x)-x", Nested(20),
        // Two-argument calls with pending operands; mod by floor(x) = 0 faults.
        "x-mod(x*3,floor(x))*min(ctg(x),x^y)+max(y,e)",
    };
    GlobalY = 1.25;
    GlobalZ = -3;
    for (const bool safeCall : {false, true}) for (const std::string& formula : cases) {
        TRapidEvaluator e;
        e.SetUseSafeCall(safeCall);
        e.SetFormula(formula);
        e.Compile();
        for (std::size_t n : {0u, 1u, 2u, 7u, 1030u}) {
            SCOPED_TRACE(formula + ", n=" + std::to_string(n) + (safeCall ? ", frame pointer" : ""));
            std::vector<double> params(n), out(n, 99);
            std::vector<TEvalFault> faults(n, TEvalFault::efRangeError);
            for (std::size_t i = 0; i < n; ++i) params[i] = -2.5 + 0.37 * static_cast<double>(i % 29);
            e.EvaluateBatch(&GlobalX, params.data(), n, out.data(), faults.data());
            for (std::size_t i = 0; i < n; ++i) {
                const TOutcome single = OutcomeOf([&] { return e.EvaluateAt(params[i]); });
                ASSERT_TRUE(SameOutcome({faults[i], out[i]}, single)) << "point " << i << ": " << single;
            }
            // Again without a fault array, the output over the parameters.
            e.EvaluateBatch(&GlobalX, params.data(), n, params.data(), nullptr);
            for (std::size_t i = 0; i < n; ++i)
                EXPECT_TRUE(faults[i] != TEvalFault::efNone || SameValue(params[i], out[i])) << "point " << i;
        }
    }
}

// x / c becomes x * (1 / c) only where that is the same number for every x;
// the interpreter divides, so any difference in value or fault shows here.
TEST(CodeGenerator, DivisionByPowersOfTwoKeepsValuesAndFaults) {
    if (!TRapidEvaluator::JitAvailable()) GTEST_SKIP() << "no code generator on this machine";
    // 2^-1022, 2^1023 (1/c is subnormal), a subnormal, and divisors that are no power of two.
    const char* const divisors[] = {"-0.5", "2.2250738585072014e-308", "8.98846567431158e307",
                                    "4.9406564584124654e-324", "3", "0"};
    const double xs[] = {1.5, -1e300, 1e-300, 4.9406564584124654e-324, 0.0, -0.0, 1e308, -7};
    for (const char* c : divisors) {
        for (const std::string& formula : {"x/" + std::string(c), "(x*x*x)/" + std::string(c) + "+1"}) {
            SCOPED_TRACE(formula);
            TRapidEvaluator jit, interpreter;
            interpreter.SetUseJit(false);
            jit.SetFormula(formula);
            interpreter.SetFormula(formula);
            jit.Compile();
            interpreter.Compile();
            for (double x : xs) {
                const TOutcome a = OutcomeOf([&] { return jit.EvaluateAt(x); });
                const TOutcome b = OutcomeOf([&] { return interpreter.EvaluateAt(x); });
                EXPECT_TRUE(SameOutcome(a, b)) << "x=" << x << ": " << a << " vs " << b;
            }
        }
    }
}

}  // namespace
}  // namespace curvane

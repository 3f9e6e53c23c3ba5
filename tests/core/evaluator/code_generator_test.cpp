#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/core_test_helpers.h"
#include "core/evaluator/rapid_evaluator.h"

namespace curvane {
namespace {

using test::OutcomeOf;
using test::SameOutcome;

// "sin(t+(t+(t+...)))": every pending t waits in its own slot.
std::string Nested(int depth) {
    std::string f = "t";
    for (int i = 0; i < depth; ++i) f = "t*0.5+(" + f + ")";
    return "sin(" + f + ")+cos(" + f + ")";
}

// Batch loops whose body calls the C library run two points per pass. These
// formulas make the two lanes meet every situation that differs from the
// one-point body: an odd count, a value left in ST0 across the other lane's
// call (PowerFunc, the reciprocal functions), several variables, a frame too
// deep for 8-bit offsets, and faults in one lane only. Each point must come
// out bit for bit as Evaluate gives it, with the same fault.
TEST(BatchLoop, TwoPointPassesMatchEvaluate) {
    if (!TRapidEvaluator::JitAvailable()) GTEST_SKIP() << "no code generator on this machine";
    const std::string cases[] = {
        "sin(t)*cos(t/2)+sqrt(t*t+1)-exp(-t*t/4)*3+ln(abs(t)+2)/(t^2+1)-arctg(t*0.5)*2",
        // PowerFunc and 1/tan leave extended values in ST0 at the lane switch.
        "t^1.5*2+ctg(t)",
        "sec(t)+cosec(t)*t^y-t^0.5",
        // Faults at some points only: ln and sqrt of negatives, 1/0, overflow.
        "ln(t)+sqrt(t-1)",
        "1/sin(t*0)+cos(t)",
        "exp(t*200)*1e300",
        // Variables other than the cell, and the cell read twice.
        "sin(y*t)+z*cos(t)-t",
        Nested(20),
    };
    double t = 0;
    GlobalY = 1.25;
    GlobalZ = -3;
    for (const bool safeCall : {false, true})
    for (const std::string& formula : cases) {
        TRapidEvaluator e;
        e.AddVariable("t", &t);
        e.SetUseSafeCall(safeCall);
        e.SetFormula(formula);
        e.Compile();
        for (std::size_t n : {0u, 1u, 2u, 3u, 7u, 1030u}) {
            SCOPED_TRACE(formula + ", n=" + std::to_string(n) + (safeCall ? ", frame pointer" : ""));
            std::vector<double> params(n), out(n, 99);
            std::vector<TEvalFault> faults(n, TEvalFault::efRangeError);
            for (std::size_t i = 0; i < n; ++i) params[i] = -2.5 + 0.37 * static_cast<double>(i % 29);
            t = 1234;
            e.EvaluateBatch(&t, params.data(), n, out.data(), faults.data());
            // The cell ends with the last point's parameter, or untouched.
            EXPECT_EQ(t, n ? params.back() : 1234);
            for (std::size_t i = 0; i < n; ++i) {
                t = params[i];
                const test::TOutcome single = OutcomeOf([&] { return e.Evaluate(); });
                ASSERT_TRUE(SameOutcome({faults[i], out[i]}, single)) << "point " << i << ": " << single;
            }
        }
    }
}

// Without a fault array, and with the output over the parameters.
TEST(BatchLoop, OutputMayReplaceTheParameters) {
    for (const bool jit : {false, true}) {
        double t = 0;
        TRapidEvaluator e;
        e.SetUseJit(jit);
        e.AddVariable("t", &t);
        e.SetFormula("sin(t)*t+1");
        e.Compile();
        for (std::size_t n : {5u, 6u}) {
            SCOPED_TRACE(testing::Message() << "n=" << n << (jit ? " jit" : " interpreter"));
            std::vector<double> values(n);
            for (std::size_t i = 0; i < n; ++i) values[i] = 0.5 * static_cast<double>(i);
            const std::vector<double> params = values;
            e.EvaluateBatch(&t, values.data(), n, values.data(), nullptr);
            for (std::size_t i = 0; i < n; ++i) {
                t = params[i];
                EXPECT_EQ(values[i], e.Evaluate()) << i;
            }
        }
    }
}

// x / c becomes x * (1 / c) only where that is the same number for every x;
// the interpreter divides, so any difference in value or fault shows here.
TEST(CodeGenerator, DivisionByPowersOfTwoKeepsValuesAndFaults) {
    if (!TRapidEvaluator::JitAvailable()) GTEST_SKIP() << "no code generator on this machine";
    const char* const divisors[] = {"2", "-0.5", "1024", "2.2250738585072014e-308" /* 2^-1022 */,
                                    "8.98846567431158e307" /* 2^1023: 1/c is subnormal */,
                                    "4.9406564584124654e-324" /* subnormal */, "3", "0", "1"};
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
                const test::TOutcome a = OutcomeOf([&] { return jit.EvaluateAt(x); });
                const test::TOutcome b = OutcomeOf([&] { return interpreter.EvaluateAt(x); });
                EXPECT_TRUE(SameOutcome(a, b)) << "x=" << x << ": " << a << " vs " << b;
            }
        }
    }
    GlobalX = 0;
}

}  // namespace
}  // namespace curvane

#include "core/document/shared_evaluators.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/evaluator/rapid_evaluator.h"
#include "core/support/exceptions.h"

namespace curvane {
namespace {

double Eval(TRapidEvaluator& e, const std::string& formula, double a1 = 0, double a2 = 0) {
    e.SetFormula(formula);
    e.Compile();
    EvalArg1 = a1;
    EvalArg2 = a2;
    return e.Evaluate();
}

TEST(SharedEvaluators, EachKnowsItsOwnVariablesOnly) {
    struct Row {
        const char* name;
        TRapidEvaluator& (*get)();
        const char* formula;  // first variable * 10 + second
        const char* foreign;  // a variable this one must not know
    };
    const Row rows[] = {
        {"Ortho", EvalOrtho, "x*10+y", "t"},
        {"Polar", EvalPolar, "a*10+2", "r"},
        {"Spherical", EvalSpherical, "a*10+f", "x"},
        {"Cylindrical", EvalCylindrical, "a*10+r", "z"},
        {"Param1", EvalParam1, "t*10+u", "x"},
        {"Param2", EvalParam2, "T*10+U", "y"},
        {"Param3", EvalParam3, "t*10+u", "a"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        TRapidEvaluator& e = r.get();
        EXPECT_EQ(Eval(e, r.formula, 3, 2), 32);
        GlobalX = GlobalY = GlobalZ = 99;  // the default cells are not behind any name
        EXPECT_EQ(Eval(e, r.formula, 4, 2), 42);
        e.SetFormula(r.foreign);
        EXPECT_THROW(e.Compile(), ESyntaxError);
        EXPECT_EQ(Eval(e, "pi*2"), 2 * 3.141592653589793);
        EXPECT_EQ(Eval(e, "Fact(5)"), 120);
    }
    EXPECT_EQ(&EvalOrtho(), &EvalOrtho());
}

TEST(SharedEvaluators, FactRoundsTiesToEvenAndReportsRangeAndOverflow) {
    struct Row {
        double n;
        double expected;
    };
    const Row rows[] = {{0, 1}, {-3, 1}, {2.5, 2}, {3.5, 24}, {1.4999, 1}, {10, 3628800}, {170, 7.257415615307994e306}};
    TRapidEvaluator& e = EvalOrtho();
    for (const auto& r : rows) {
        SCOPED_TRACE(r.n);
        EXPECT_EQ(Eval(e, "Fact(x)", r.n), r.expected);
    }
    const double tooBig[] = {2147483648.0, -2147483649.0, 1e300, std::numeric_limits<double>::quiet_NaN()};
    for (double n : tooBig) {
        SCOPED_TRACE(n);
        try {
            Eval(e, "Fact(x)", n);
            ADD_FAILURE() << "no error";
        } catch (const ERangeError& err) {
            EXPECT_EQ(std::string(err.what()), "Range check error");
        }
    }
    // 2147483647 still fits: the product overflows long before, and quickly.
    EXPECT_THROW(Eval(e, "Fact(x)", 2147483647.0), EOverflow);
    EXPECT_THROW(Eval(e, "Fact(x)", 171), EOverflow);
    std::int32_t status = 0;
    const double arg = 2147483647.5;  // rounds to 2^31 (ties to even): out of range
    ExtFact(&arg, &status);
    EXPECT_EQ(status, static_cast<std::int32_t>(TEvalFault::efRangeError));
}

TEST(SharedEvaluators, EvaluatorForEveryKind) {
    using K = TFuncKind;
    using T = TFuncType;
    EXPECT_EQ(EvaluatorForExpression(K::fkExplicit, T::ftOrtho2D), &EvalOrtho());
    EXPECT_EQ(EvaluatorForExpression(K::fkImplicit, T::ftOrtho3D), &EvalOrtho());
    EXPECT_EQ(EvaluatorForExpression(K::fkExplicit, T::ftPolar), &EvalPolar());
    EXPECT_EQ(EvaluatorForExpression(K::fkExplicit, T::ftSpherical), &EvalSpherical());
    EXPECT_EQ(EvaluatorForExpression(K::fkImplicit, T::ftCylindrical), &EvalCylindrical());
    EXPECT_EQ(EvaluatorForExpression(K::fkParametric, T::ftPolar), &EvalParam3());
    EXPECT_EQ(EvaluatorForExpression(K::fkExplicit, static_cast<T>(5)), nullptr);
    EXPECT_EQ(EvaluatorForExpression(static_cast<K>(3), T::ftOrtho2D), nullptr);
}

}  // namespace
}  // namespace curvane

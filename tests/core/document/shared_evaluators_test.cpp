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

TEST(SharedEvaluators, OneEvaluatorPerTextOfEveryKind) {
    using K = TFuncKind;
    using T = TFuncType;
    using S = TFormulaSlot;
    struct Row {
        K kind;
        T type;
        S slot;
        TRapidEvaluator* expected;
    };
    const Row rows[] = {
        {K::fkExplicit, T::ftOrtho2D, S::fsExpression, &EvalOrtho()},
        {K::fkImplicit, T::ftOrtho3D, S::fsExpression, &EvalOrtho()},
        {K::fkExplicit, T::ftPolar, S::fsExpression, &EvalPolar()},
        {K::fkExplicit, T::ftSpherical, S::fsExpression, &EvalSpherical()},
        {K::fkImplicit, T::ftCylindrical, S::fsExpression, &EvalCylindrical()},
        {K::fkExplicit, T::ftOrtho3D, S::fsExpression1, nullptr},
        {K::fkParametric, T::ftPolar, S::fsExpression, &EvalParam3()},
        {K::fkParametric, T::ftPolar, S::fsExpression1, &EvalParam1()},
        {K::fkParametric, T::ftPolar, S::fsExpression2, nullptr},  // 2D: two texts only
        {K::fkParametric, T::ftSpherical, S::fsExpression2, &EvalParam2()},
        {K::fkExplicit, static_cast<T>(5), S::fsExpression, nullptr},
        {K::fkParametric, static_cast<T>(5), S::fsExpression1, nullptr},
        {static_cast<K>(3), T::ftOrtho2D, S::fsExpression, nullptr},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "kind " << int(r.kind) << " type " << int(r.type) << " slot "
                                        << int(r.slot));
        EXPECT_EQ(SharedEvaluatorFor(r.kind, r.type, r.slot), r.expected);
    }
}

TEST(SharedEvaluators, EvaluatorLikeASharedOneReadsItsOwnCells) {
    double a = 3, f = 4;
    const auto e = MakeEvaluatorLike(EvalSpherical(), &a, &f);
    e->SetFormula("a*10+f+pi()*0+Fact(3)");
    e->Compile();
    EvalArg1 = EvalArg2 = 100;
    EXPECT_EQ(e->Evaluate(), 40);
    e->SetFormula("x");
    EXPECT_THROW(e->Compile(), ESyntaxError);
    TRapidEvaluator stranger;
    EXPECT_THROW(MakeEvaluatorLike(stranger, &a, &f), Exception);
}

}  // namespace
}  // namespace curvane

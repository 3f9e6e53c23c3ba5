// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/document/shared_evaluators.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <optional>

#include "core/document/constant_formula.h"
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
    const struct { const char* Name; TRapidEvaluator& (*Get)(); const char* Formula, *Foreign; } rows[] = {
        // The formula is the first variable * 10 + the second; the foreign
        // variable is one this evaluator must not know.
        {"Ortho", EvalOrtho, "x*10+y", "z"},
        {"Implicit3D", EvalImplicit3D, "x*10+y+z", "t"},
        {"Polar", EvalPolar, "a*10+2", "r"},
        {"Spherical", EvalSpherical, "a*10+f", "x"},
        {"Cylindrical", EvalCylindrical, "a*10+r", "z"},
        {"Param1", EvalParam1, "t*10+u", "x"},
        {"Param2", EvalParam2, "T*10+U", "y"},
        {"Param3", EvalParam3, "t*10+u", "a"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.Name);
        GlobalX = GlobalY = GlobalZ = 99;  // the default cells are not behind any name
        EvalArg3 = 0;
        // Every one knows pi and Fact.
        EXPECT_EQ(Eval(r.Get(), std::string(r.Formula) + "+pi*0+Fact(3)", 4, 2), 48);
        EXPECT_THROW(Eval(r.Get(), r.Foreign), ESyntaxError);
    }
}

TEST(SharedEvaluators, FactRoundsTiesToEvenAndReportsRangeAndOverflow) {
    TRapidEvaluator& e = EvalOrtho();
    const std::pair<double, double> rows[] = {{-3, 1}, {2.5, 2}, {3.5, 24}, {170, 7.257415615307994e306}};
    for (const auto& [n, expected] : rows) EXPECT_EQ(Eval(e, "Fact(x)", n), expected) << n;
    // 2147483647.5 rounds to 2^31 (ties to even): out of range.
    for (double n : {2147483647.5, -2147483649.0, double(NAN)}) EXPECT_THROW(Eval(e, "Fact(x)", n), ERangeError) << n;
    // 2147483647 still fits: the product overflows long before, and quickly.
    EXPECT_THROW(Eval(e, "Fact(x)", 2147483647.0), EOverflow);
    EXPECT_THROW(Eval(e, "Fact(x)", 171), EOverflow);
}

TEST(SharedEvaluators, OneEvaluatorPerTextOfEveryKind) {
    using enum TFuncKind;
    using enum TFuncType;
    using enum TFormulaSlot;
    const struct { TFuncKind Kind; TFuncType Type; TFormulaSlot Slot; TRapidEvaluator* Expected; } rows[] = {
        {fkImplicit, ftOrtho3D, fsExpression, &EvalImplicit3D()},  // the only one with z
        {fkExplicit, ftOrtho3D, fsExpression, &EvalOrtho()},
        {fkImplicit, ftOrtho2D, fsExpression, &EvalOrtho()},
        {fkExplicit, ftPolar, fsExpression, &EvalPolar()},
        {fkExplicit, ftSpherical, fsExpression, &EvalSpherical()},
        {fkImplicit, ftCylindrical, fsExpression, &EvalCylindrical()},
        {fkExplicit, ftOrtho3D, fsExpression1, nullptr},
        {fkParametric, ftPolar, fsExpression, &EvalParam3()},
        {fkParametric, ftPolar, fsExpression1, &EvalParam1()},
        {fkParametric, ftPolar, fsExpression2, nullptr},  // 2D: two texts only
        {fkParametric, ftSpherical, fsExpression2, &EvalParam2()},
        {static_cast<TFuncKind>(3), ftOrtho2D, fsExpression, nullptr},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << int(r.Kind) << " " << int(r.Type) << " " << int(r.Slot));
        EXPECT_EQ(SharedEvaluatorFor(r.Kind, r.Type, r.Slot), r.Expected);
    }
}

TEST(SharedEvaluators, EvaluatorLikeASharedOneReadsItsOwnCells) {
    double a = 3, f = 4;
    const auto e = MakeEvaluatorLike(EvalSpherical(), &a, &f);
    EXPECT_EQ(Eval(*e, "a*10+f+pi()*0+Fact(3)", 100, 100), 40);
    EXPECT_THROW(Eval(*e, "x"), ESyntaxError);
    TRapidEvaluator stranger;
    EXPECT_THROW(MakeEvaluatorLike(stranger, &a, &f), Exception);
}

// Number fields: plain text reads as ParseDouble reads it, anything else as a
// formula of the shared evaluators' language without variables.
TEST(SharedEvaluators, ConstantFormulasGiveAFiniteNumberOrNothing) {
    const struct { const char* Text; std::optional<double> Expected; } rows[] = {
        {"0.1", 0.1}, {" -1.5 ", -1.5}, {"+2.", 2.0}, {"1e-3", 1e-3},  // "+2." reads as plain text only
        {"pi/2", 1.5707963267948966}, {"2*pi", 2 * std::numbers::pi}, {"sqrt(2)", std::sqrt(2.0)}, {"Fact(5)/2^3", 15},
        {"", {}}, {"x", {}}, {"pi*t", {}},  // no variable of any kind is a constant
        {"2x", {}}, {"pi/", {}}, {"inf", {}}, {"1e400", {}},  // syntax, or past the range as text
        {"10^400", {}}, {"1/0", {}}, {"ln(-1)", {}},          // faults
    };
    for (const auto& r : rows) EXPECT_EQ(ParseConstant(r.Text), r.Expected) << r.Text;
}

}  // namespace
}  // namespace curvane

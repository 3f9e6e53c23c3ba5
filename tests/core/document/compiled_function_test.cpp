// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/document/compiled_function.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/core_test_helpers.h"
#include "core/evaluator/rapid_evaluator.h"
#include "core/support/exceptions.h"

namespace curvane {
namespace {

TEST(CompiledFunction, BatchEqualsPointByPoint) {
    // Each formula faults somewhere in -4 .. 4.2 (0 included); 2048 points
    // span several batch blocks, so clean and faulty blocks both occur.
    const char* const formulas[] = {
        "ln(x)",             // zero divide at 0, invalid below
        "x^0.5+exp(x*200)",  // invalid below 0, overflow above ~3.5
        "Fact(x*1e9)",       // range error (sfOther) beyond 2^31, overflow before
        "x*y+1/(y-x)",       // two parameters; zero divide where x = y = 2
    };
    std::vector<double> xs(2048), out(xs.size());
    for (std::size_t i = 0; i < xs.size(); ++i) xs[i] = (static_cast<double>(i) - 1000) / 250;
    std::vector<TSampleFault> faults(xs.size());
    for (const char* formula : formulas) {
        SCOPED_TRACE(formula);
        const TCompiledFunction f(EvalOrtho(), formula);
        f.EvaluateBatch(xs.data(), 2, xs.size(), out.data(), faults.data());
        int faulty = 0;
        for (std::size_t i = 0; i < xs.size(); ++i) {
            // TSampleFault numbers the faults as TEvalFault does.
            const test::TOutcome single = test::OutcomeOf([&] { return f.Evaluate(xs[i], 2); });
            ASSERT_TRUE(test::SameOutcome({static_cast<TEvalFault>(faults[i]), out[i]}, single)) << "x = " << xs[i];
            faulty += single.Fault != TEvalFault::efNone;
        }
        EXPECT_GT(faulty, 0) << "the table is meant to fault";
    }
}

TEST(CompiledFunction, TwoParametersAndPrivateEvaluators) {
    const TCompiledFunction shared(EvalSpherical(), "a*10+f");
    EXPECT_EQ(shared.Evaluate(1, 2), 12);
    EXPECT_EQ(shared.Evaluate(3), 32) << "the second parameter stays";
    const double as[] = {1, 2, 3};
    double out[3];
    TSampleFault faults[3];
    shared.EvaluateBatch(as, 5, 3, out, faults);
    EXPECT_EQ(out[2], 35);

    // A private evaluator: its own cells, untouched by a recompile of the
    // shared evaluator it was made like, and by a copy.
    const TCompiledFunction mine = TCompiledFunction::Private(EvalSpherical(), "a-f");
    EvalArg1 = EvalArg2 = 7;
    const TCompiledFunction other(EvalSpherical(), "a+f"), copy = mine;
    EXPECT_EQ(mine.Evaluate(5, 1), 4);
    EXPECT_EQ(EvalArg1, 7);
    EXPECT_EQ(copy.Evaluate(9, 1), 8);
    EXPECT_THROW(TCompiledFunction::Private(EvalSpherical(), "a+x"), ESyntaxError);
}

TEST(CompiledFunction, CompileFormulaUsesTheKindsEvaluator) {
    TFuncItem param("t*2", true);
    param.FuncKind = TFuncKind::fkParametric;
    param.Expression2 = "u+t";
    EXPECT_EQ(CompileFormula(param, TFormulaSlot::fsExpression2).Evaluate(1, 10), 11);
    EXPECT_EQ(&CompileFormula(param, TFormulaSlot::fsExpression).Evaluator(), &EvalParam3());
    EXPECT_THROW(CompileFormula(TFuncItem("x", false), TFormulaSlot::fsExpression1), Exception);
}

}  // namespace
}  // namespace curvane

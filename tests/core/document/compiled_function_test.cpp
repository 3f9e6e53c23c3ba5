#include "core/document/compiled_function.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/evaluator/rapid_evaluator.h"
#include "core/support/exceptions.h"

namespace curvane {
namespace {

// The fault Evaluate raises at one point, as a batch reports it.
TSampleFault PointFault(const TCompiledFunction& f, double x, double y, double& value) {
    try {
        value = f.Evaluate(x, y);
        return TSampleFault::sfNone;
    } catch (const EInvalidOp&) {
        return TSampleFault::sfInvalidOp;
    } catch (const EZeroDivide&) {
        return TSampleFault::sfZeroDivide;
    } catch (const EOverflow&) {
        return TSampleFault::sfOverflow;
    } catch (const ERangeError&) {
        return TSampleFault::sfOther;
    }
}

TEST(CompiledFunction, BatchEqualsPointByPoint) {
    // Each formula faults somewhere in -4 .. 4.2 (0 included); 2048 points
    // span several batch blocks, so clean and faulty blocks both occur.
    const char* const formulas[] = {
        "1/x",              // zero divide at 0
        "sqrt(x)",          // invalid below 0
        "ln(x)",            // zero divide at 0, invalid below
        "x^0.5+exp(x*200)", // invalid below 0, overflow above ~3.5
        "Fact(x*1e9)",      // range error beyond 2^31, overflow before
        "x*y+1/(y-x)",      // two parameters; zero divide where x = y = 2
    };
    std::vector<double> xs(2048);
    for (std::size_t i = 0; i < xs.size(); ++i) xs[i] = (static_cast<double>(i) - 1000) / 250;
    std::vector<double> out(xs.size());
    std::vector<TSampleFault> faults(xs.size());
    const double y = 2;
    for (const char* formula : formulas) {
        SCOPED_TRACE(formula);
        const TCompiledFunction f(EvalOrtho(), formula);
        f.EvaluateBatch(xs.data(), y, xs.size(), out.data(), faults.data());
        int faulty = 0;
        for (std::size_t i = 0; i < xs.size(); ++i) {
            double value = 0;
            const TSampleFault expected = PointFault(f, xs[i], y, value);
            ASSERT_EQ(faults[i], expected) << "x = " << xs[i];
            if (expected == TSampleFault::sfNone)
                ASSERT_EQ(out[i], value) << "x = " << xs[i];
            else
                ++faulty;
        }
        EXPECT_GT(faulty, 0) << "the table is meant to fault";
    }
}

TEST(CompiledFunction, TwoParametersAndPrivateEvaluators) {
    const TCompiledFunction shared(EvalSpherical(), "a*10+f");
    EXPECT_EQ(shared.Evaluate(1, 2), 12);
    EXPECT_EQ(EvalArg1, 1);
    EXPECT_EQ(EvalArg2, 2);
    EXPECT_EQ(shared.Evaluate(3), 32) << "the second parameter stays";
    const double as[] = {1, 2, 3};
    double out[3];
    TSampleFault faults[3];
    shared.EvaluateBatch(as, 5, 3, out, faults);
    EXPECT_EQ(out[2], 35);

    // A private evaluator: its own cells, untouched by a recompile of the
    // shared evaluator it was made like.
    const TCompiledFunction mine = TCompiledFunction::Private(EvalSpherical(), "a-f");
    EvalArg1 = EvalArg2 = 7;
    const TCompiledFunction other(EvalSpherical(), "a+f");
    EXPECT_EQ(mine.Evaluate(5, 1), 4);
    EXPECT_EQ(EvalArg1, 7);
    const TCompiledFunction copy = mine;
    EXPECT_EQ(copy.Evaluate(9, 1), 8);
    EXPECT_THROW(TCompiledFunction::Private(EvalSpherical(), "a+x"), ESyntaxError);
}

TEST(CompiledFunction, CompileFormulaUsesTheKindsEvaluator) {
    TFuncItem param("t*2", true);
    param.FuncKind = TFuncKind::fkParametric;
    param.Expression2 = "u+t";
    EXPECT_EQ(CompileFormula(param, TFormulaSlot::fsExpression2).Evaluate(1, 10), 11);
    EXPECT_EQ(&CompileFormula(param, TFormulaSlot::fsExpression).Evaluator(), &EvalParam3());
    TFuncItem explicit2D("x", false);
    EXPECT_THROW(CompileFormula(explicit2D, TFormulaSlot::fsExpression1), Exception);
}

}  // namespace
}  // namespace curvane

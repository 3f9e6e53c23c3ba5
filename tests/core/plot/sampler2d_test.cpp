#include "core/plot/sampler2d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "core/document/func_item.h"
#include "core/document/shared_evaluators.h"
#include "core/support/exceptions.h"

namespace curvane {
namespace {

// A formula of x (or t) on an evaluator of its own.
TCompiledFunction F(const char* formula) { return TCompiledFunction::Private(EvalOrtho(), formula); }
TCompiledFunction FT(const char* formula) { return TCompiledFunction::Private(EvalParam1(), formula); }

// Records the questions asked and answers them as told.
class TScriptedDialog : public TSamplerDialog {
public:
    bool Swap = true;
    bool Long = true;
    int SwapAsked = 0, EqualShown = 0, LongAsked = 0, Refused = 0;
    std::string LastRefusal;

    bool ConfirmSwap() override { ++SwapAsked; return Swap; }
    void WarnEqual() override { ++EqualShown; }
    bool ConfirmLongDrawing() override { ++LongAsked; return Long; }
    void RefuseRange(const std::string& message) override { ++Refused; LastRefusal = message; }
};

TPline Sample(const TCompiledFunction& value, TSampleRange range, std::vector<TSampleMark>* marks = nullptr,
              bool derivative = false, TCurveShape shape = TCurveShape::csCartesian,
              const TCompiledFunction* abscissa = nullptr) {
    TPline curve(3);
    std::vector<TSampleMark> local;
    TCurvePlan plan;
    plan.Value = &value;
    plan.Abscissa = abscissa;
    plan.Derivative = derivative;
    plan.Shape = shape;
    SampleCurve(plan, range, curve, marks ? *marks : local);
    return curve;
}

double X(const TPline& p, int i) { return p.GetVertex(i)[0]; }
double Y(const TPline& p, int i) { return p.GetVertex(i)[1]; }

TEST(SampleCurve, VisitsParametersByRepeatedAdditionAndAtLeastOnce) {
    struct Row {
        const char* why;
        TSampleRange range;
        int count;
    };
    const Row rows[] = {
        {"0, 0.25 .. 1 gives five points", {0, 1, 0.25}, 5},
        {"From = To samples one point", {2, 2, 0.5}, 1},
        {"From > To still samples From once", {3, 1, 0.5}, 1},
        // 0.1 added ten times is 0.9999999999999999, still below 1.
        {"accumulated steps of 0.1 up to 1", {0, 1, 0.1}, 11},
        {"more than one batch", {0, 2000, 1}, 2001},
    };
    const TCompiledFunction id = F("x");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        const TPline curve = Sample(id, row.range);
        ASSERT_EQ(curve.Count(), row.count);
        EXPECT_EQ(X(curve, 0), row.range.From);
        double t = row.range.From;
        for (int i = 1; i < curve.Count(); ++i) {
            t += row.range.Step;
            ASSERT_EQ(X(curve, i), t) << "point " << i;
        }
        EXPECT_EQ(curve.GetVertex(0)[2], 0.0);
    }
}

TEST(SampleCurve, DropsFaultsAndHugeValuesAndMarksDivisionsByZero) {
    struct Row {
        const char* formula;
        TSampleRange range;
        std::vector<double> xs;  // the accepted points
        int marks;
    };
    const Row rows[] = {
        {"1/x", {-2, 2, 1}, {-2, -1, 1, 2}, 1},
        {"sqrt(x)", {-1, 1, 1}, {0, 1}, 0},           // invalid: no mark
        {"exp(x)", {0, 2000, 1000}, {0}, 0},          // overflow: no mark
        {"1e10*x", {-2, 2, 1}, {0}, 0},               // |v| >= 1e10 is cut
        {"-9.999999e9", {0, 0, 1}, {0}, 0},           // just below the cut
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.formula);
        std::vector<TSampleMark> marks;
        const TPline curve = Sample(F(row.formula), row.range, &marks);
        ASSERT_EQ(curve.Count(), static_cast<int>(row.xs.size()));
        for (int i = 0; i < curve.Count(); ++i) EXPECT_EQ(X(curve, i), row.xs[i]);
        EXPECT_EQ(static_cast<int>(marks.size()), row.marks);
    }

    // Sampling the same view again (a redraw after a pan back) adds no second
    // mark at the same place, but a new position gets its own.
    std::vector<TSampleMark> marks;
    Sample(F("1/x"), {-3, 3, 1}, &marks);
    Sample(F("1/x"), {-3, 3, 1}, &marks);
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].Position, 0);
    EXPECT_EQ(marks[0].Text, "x=0.000000>");
    Sample(F("1/(x-0.5)"), {0.5, 0.5, 1}, &marks);
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[1].Text, "x=0.500000>");
}

TEST(SampleCurve, OtherErrorsStopSamplingWithTheirOwnError) {
    // Fact(1e9) and Fact(2e9) overflow (dropped); 3e9 does not fit 32 bits.
    const TCompiledFunction f = F("Fact(x*1e9)");
    TPline curve(3);
    std::vector<TSampleMark> marks;
    TCurvePlan plan;
    plan.Value = &f;
    EXPECT_THROW(SampleCurve(plan, {0, 5, 1}, curve, marks), ERangeError);
    EXPECT_EQ(curve.Count(), 1) << "the points before the error stay";
}

TEST(SampleCurve, DerivativeIsTheBackwardDifferenceOfAcceptedValues) {
    // 0/(x-0.5) is an invalid operation at 0.5 only: a gap, prev stays at 0.25.
    const TCompiledFunction square = F("x*x+0/(x-0.5)");
    const double step = 0.25;
    const TPline curve = Sample(square, {-1, 1, step}, nullptr, true);
    // Nine samples, one faulted, the first accepted one only primes prev.
    ASSERT_EQ(curve.Count(), 7);
    for (int i = 0; i < curve.Count(); ++i) {
        const double x = X(curve, i);
        SCOPED_TRACE(x);
        if (x == 0.75)  // difference across the gap, still divided by one step
            EXPECT_DOUBLE_EQ(Y(curve, i), (0.75 * 0.75 - 0.25 * 0.25) / step);
        else
            EXPECT_DOUBLE_EQ(Y(curve, i), 2 * x - step);
    }
    EXPECT_EQ(X(curve, 0), -0.75);
}

TEST(SampleCurve, PolarAndParametricShapes) {
    const TPline circle = Sample(F("1"), {0, 2 * std::numbers::pi, std::numbers::pi / 180}, nullptr, false,
                                 TCurveShape::csPolar);
    EXPECT_GE(circle.Count(), 360);
    EXPECT_LE(circle.Count(), 361);
    EXPECT_NEAR(X(circle, 90), 0.0, 1e-12);
    EXPECT_NEAR(Y(circle, 90), 1.0, 1e-12);

    // Parametric over t = 0..3: X(t) divides by zero at 1, where Y(t) is an
    // invalid operation; the abscissa's fault wins, so t = 1 leaves a mark.
    // The cut-off looks at Y(t) only: X(t) = 1e11 stays.
    const TCompiledFunction xs = FT("1e11/(t-1)");
    const TCompiledFunction ys = F("0/(x-1)+x");
    std::vector<TSampleMark> marks;
    const TPline param = Sample(ys, {0, 3, 1}, &marks, false, TCurveShape::csCartesian, &xs);
    ASSERT_EQ(param.Count(), 3);
    const double expected[3][2] = {{-1e11, 0}, {1e11, 2}, {5e10, 3}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(X(param, i), expected[i][0]);
        EXPECT_EQ(Y(param, i), expected[i][1]);
    }
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].Text, "x=1.000000>");

    // Polar parametric: angle A(t) = t, radius R(t) = 2.
    const TCompiledFunction angle = FT("t");
    const TPline polar = Sample(F("2"), {0, std::numbers::pi, std::numbers::pi / 2}, nullptr, false,
                                TCurveShape::csPolar, &angle);
    ASSERT_EQ(polar.Count(), 3);
    EXPECT_NEAR(X(polar, 1), 0, 1e-12);
    EXPECT_NEAR(Y(polar, 1), 2, 1e-12);
    EXPECT_NEAR(X(polar, 2), -2, 1e-12);
}

TFuncItem Manual(double from, double to, double step, bool degrees = false) {
    TFuncItem f("x", false);
    f.ManualLimits = true;
    f.From = from;
    f.To = to;
    f.Step = step;
    f.ConvToDeg = degrees;
    return f;
}

TEST(ChooseRange, AutomaticRangesAreWrittenBackIntoTheRecord) {
    const TSampleView view{-10, 10, 400};
    TScriptedDialog dialog;
    TSampleRange range;

    TFuncItem cartesian("x", false);
    ASSERT_EQ(ChooseRange(cartesian, view, dialog, range), TRangeOutcome::roSample);
    EXPECT_EQ(range.From, -10);
    EXPECT_EQ(range.To, 10);
    EXPECT_DOUBLE_EQ(range.Step, 0.05);
    EXPECT_EQ(cartesian.Step, range.Step);

    TFuncItem polar("1", false);
    polar.FuncType = TFuncType::ftPolar;
    TFuncItem parametric("sin(t)", false);
    parametric.FuncKind = TFuncKind::fkParametric;
    for (TFuncItem* f : {&polar, &parametric}) {
        SCOPED_TRACE(f->Expression);
        ASSERT_EQ(ChooseRange(*f, view, dialog, range), TRangeOutcome::roSample);
        EXPECT_EQ(range.From, 0);
        EXPECT_EQ(range.To, 2 * std::numbers::pi);
        EXPECT_EQ(range.Step, std::numbers::pi / 180);
        EXPECT_EQ(f->Step, std::numbers::pi / 180);
    }
    EXPECT_EQ(dialog.SwapAsked + dialog.EqualShown + dialog.LongAsked + dialog.Refused, 0);
}

TEST(ChooseRange, ManualLimitsAskTheirQuestions) {
    struct Row {
        const char* why;
        TFuncItem func;
        bool swapAnswer, longAnswer;
        TRangeOutcome outcome;
        int swapAsked, equalShown, longAsked, refused;
        double from, to;  // the record afterwards
    };
    const Row rows[] = {
        {"plain", Manual(-1, 2, 0.5), true, true, TRangeOutcome::roSample, 0, 0, 0, 0, -1, 2},
        {"swap accepted", Manual(5, 1, 1), true, true, TRangeOutcome::roSample, 1, 0, 0, 0, 1, 5},
        {"swap cancelled", Manual(5, 1, 1), false, true, TRangeOutcome::roCancel, 1, 0, 0, 0, 5, 1},
        {"equal limits warn and sample", Manual(3, 3, 1), true, true, TRangeOutcome::roSample, 0, 1, 0, 0, 3, 3},
        {"long drawing accepted", Manual(0, 1, 1e-7), true, true, TRangeOutcome::roSample, 0, 0, 1, 0, 0, 1},
        {"long drawing declined", Manual(0, 1, 1e-7), true, false, TRangeOutcome::roSkip, 0, 0, 1, 0, 0, 1},
        {"exactly a million samples is not long", Manual(0, 500000, 0.5), true, false, TRangeOutcome::roSample,
         0, 0, 0, 0, 0, 500000},
        // Swapped limits with a tiny step still ask before the long run.
        {"swap then long", Manual(1, 0, 1e-7), true, false, TRangeOutcome::roSkip, 1, 0, 1, 0, 0, 1},
        {"zero step refused", Manual(0, 1, 0), true, true, TRangeOutcome::roSkip, 0, 0, 0, 1, 0, 1},
        {"negative step refused", Manual(0, 1, -0.1), true, true, TRangeOutcome::roSkip, 0, 0, 0, 1, 0, 1},
        {"zero step with equal limits refused", Manual(2, 2, 0), true, true, TRangeOutcome::roSkip, 0, 1, 0, 1,
         2, 2},
        {"NaN step refused", Manual(0, 1, std::nan("")), true, true, TRangeOutcome::roSkip, 0, 0, 0, 1, 0, 1},
        {"infinite limit refused", Manual(0, INFINITY, 1), true, true, TRangeOutcome::roSkip, 0, 0, 0, 1, 0,
         INFINITY},
        // 1e17 + 1 == 1e17: t would never move.
        {"step below the spacing of doubles", Manual(1e17, 1e17 + 100, 1), true, true, TRangeOutcome::roSkip, 0,
         0, 0, 1, 1e17, 1e17 + 100},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        TFuncItem func = row.func;
        TScriptedDialog dialog;
        dialog.Swap = row.swapAnswer;
        dialog.Long = row.longAnswer;
        TSampleRange range;
        EXPECT_EQ(ChooseRange(func, {-10, 10, 400}, dialog, range), row.outcome);
        EXPECT_EQ(dialog.SwapAsked, row.swapAsked);
        EXPECT_EQ(dialog.EqualShown, row.equalShown);
        EXPECT_EQ(dialog.LongAsked, row.longAsked);
        EXPECT_EQ(dialog.Refused, row.refused);
        EXPECT_EQ(func.From, row.from);
        EXPECT_EQ(func.To, row.to);
        if (row.refused) {
            EXPECT_NE(dialog.LastRefusal.find("\"x\""), std::string::npos) << dialog.LastRefusal;
        }
        if (row.outcome == TRangeOutcome::roSample) {
            EXPECT_EQ(range.From, func.From);
            EXPECT_EQ(range.To, func.To);
            EXPECT_EQ(range.Step, func.Step) << "manual limits are not rewritten";
        }
    }
}

TEST(ChooseRange, DegreesAreConvertedForSamplingButKeptInTheRecord) {
    TFuncItem func = Manual(0, 180, 90, true);
    TScriptedDialog dialog;
    TSampleRange range;
    ASSERT_EQ(ChooseRange(func, {-10, 10, 400}, dialog, range), TRangeOutcome::roSample);
    EXPECT_DOUBLE_EQ(range.To, std::numbers::pi);
    EXPECT_DOUBLE_EQ(range.Step, std::numbers::pi / 2);
    EXPECT_EQ(func.To, 180);
    EXPECT_EQ(func.Step, 90);
}

// The whole sampler with the shared evaluators and real formulas.
TEST(SampleFunction2D, RealFormulasThroughTheSharedEvaluators) {
    struct Row {
        const char* why;
        const char* expression;
        double from, to, step;
        int count;        // points on the curve
        int marks;        // division-by-zero marks
    };
    const Row rows[] = {
        {"pole at 0 gives a mark", "1/x", -1, 1, 0.5, 4, 1},
        {"square root of negatives is dropped", "sqrt(x)", -1, 1, 0.5, 3, 0},
        {"overflow is dropped", "exp(x)", 0, 1000, 500, 1, 0},
        {"values at 1e10 and beyond are cut", "exp(x)", 23, 23.1, 0.1, 1, 0},  // e^23.1 = 1.08e10
        {"pi and Fact are known", "pi()*0+Fact(x)", 0, 3, 1, 4, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        TFuncItem f = Manual(row.from, row.to, row.step);
        f.Expression = row.expression;
        TScriptedDialog dialog;
        TPline curve(3);
        curve.AddVertex({9, 9, 9});  // stale points are cleared first
        std::vector<TSampleMark> marks;
        EXPECT_EQ(SampleFunction2D(f, {-10, 10, 400}, dialog, curve, marks), TRangeOutcome::roSample);
        EXPECT_EQ(curve.Count(), row.count);
        EXPECT_EQ(static_cast<int>(marks.size()), row.marks);
    }
}

TEST(SampleFunction2D, KindsAndSkips) {
    const TSampleView view{-10, 10, 400};
    TScriptedDialog dialog;
    std::vector<TSampleMark> marks;
    TPline curve(3);

    TFuncItem circle("sin(t)", false);
    circle.FuncKind = TFuncKind::fkParametric;
    circle.Expression1 = "cos(t)";
    ASSERT_EQ(SampleFunction2D(circle, view, dialog, curve, marks), TRangeOutcome::roSample);
    ASSERT_NEAR(curve.Count(), 361, 1);
    EXPECT_NEAR(curve.GetVertex(0)[0], 1, 1e-12);  // X(0) = cos 0
    EXPECT_NEAR(curve.GetVertex(0)[1], 0, 1e-12);

    TFuncItem rose("cos(2*a)", false);
    rose.FuncType = TFuncType::ftPolar;
    ASSERT_EQ(SampleFunction2D(rose, view, dialog, curve, marks), TRangeOutcome::roSample);
    EXPECT_NEAR(curve.GetVertex(0)[0], 1, 1e-12);

    // The automatic range is written back even for a function that is then
    // skipped for its empty text; hidden functions keep their record.
    TFuncItem empty("", false);
    EXPECT_EQ(SampleFunction2D(empty, view, dialog, curve, marks), TRangeOutcome::roSkip);
    EXPECT_EQ(empty.From, -10);
    TFuncItem hidden("x", false);
    hidden.Active = false;
    EXPECT_EQ(SampleFunction2D(hidden, view, dialog, curve, marks), TRangeOutcome::roSkip);
    EXPECT_EQ(hidden.From, -5);
    EXPECT_EQ(curve.Count(), 0);

    // A 3D coordinate system (only a file can put one into a 2D window) is no
    // 2D function: skipped before its limits are looked at.
    TFuncItem foreign("x", false);
    foreign.FuncType = TFuncType::ftSpherical;
    EXPECT_EQ(SampleFunction2D(foreign, view, dialog, curve, marks), TRangeOutcome::roSkip);
    EXPECT_EQ(foreign.From, -5);

    TFuncItem implicit("x^2+y^2-1", false);
    implicit.FuncKind = TFuncKind::fkImplicit;
    EXPECT_EQ(SampleFunction2D(implicit, view, dialog, curve, marks), TRangeOutcome::roSample);
    EXPECT_EQ(curve.Count(), 0);
}

TEST(SampleFunction2D, CompileAndOtherErrorsPropagate) {
    const TSampleView view{-10, 10, 400};
    TScriptedDialog dialog;
    std::vector<TSampleMark> marks;
    TPline curve(3);
    curve.AddVertex({1, 2, 3});

    TFuncItem broken("sin(", false);
    EXPECT_THROW(SampleFunction2D(broken, view, dialog, curve, marks), ESyntaxError);
    EXPECT_EQ(curve.Count(), 0);

    // The second text of a parametric function is compiled too.
    TFuncItem param("t", false);
    param.FuncKind = TFuncKind::fkParametric;
    param.Expression1 = "t+";
    EXPECT_THROW(SampleFunction2D(param, view, dialog, curve, marks), ESyntaxError);

    // Fact of a number beyond 32 bits is a range error, not a floating-point
    // fault: sampling stops and the error goes to the caller.
    TFuncItem fact = Manual(0, 3e9, 1e9);
    fact.Expression = "Fact(x)";
    EXPECT_THROW(SampleFunction2D(fact, view, dialog, curve, marks), ERangeError);
}

}  // namespace
}  // namespace curvane

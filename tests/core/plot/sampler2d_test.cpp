// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/plot/sampler2d.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "core/document/func_item.h"
#include "core/document/shared_evaluators.h"
#include "core/support/exceptions.h"

namespace curvane {
namespace {

constexpr double Pi = std::numbers::pi;

// Records the questions asked and answers them as told.
class TScriptedDialog : public TSamplerDialog {
public:
    bool Swap = true, Long = true;
    int SwapAsked = 0, EqualShown = 0, LongAsked = 0, Refused = 0;
    std::string LastRefusal;

    bool ConfirmSwap() override { ++SwapAsked; return Swap; }
    void WarnEqual() override { ++EqualShown; }
    bool ConfirmLongDrawing() override { ++LongAsked; return Long; }
    void RefuseRange(const std::string& message) override { ++Refused; LastRefusal = message; }
};

// Samples v(t) (a formula of x) against a(t) (a formula of t, else t itself),
// for the picture `view` when one is given.
TPline Sample(const char* value, TSampleRange range, std::vector<TSampleMark>* marks = nullptr,
              TCurveShape shape = TCurveShape::csCartesian, const char* abscissa = nullptr, bool derivative = false,
              const TSampleView* view = nullptr) {
    const TCompiledFunction v = TCompiledFunction::Private(EvalOrtho(), value);
    const TCompiledFunction a = TCompiledFunction::Private(EvalParam1(), abscissa ? abscissa : "t");
    TPline curve(3);
    std::vector<TSampleMark> local;
    SampleCurve({&v, abscissa ? &a : nullptr, shape, derivative, view}, range, curve, marks ? *marks : local);
    return curve;
}

double X(const TPline& p, int i) { return p.GetVertex(i)[0]; }
double Y(const TPline& p, int i) { return p.GetVertex(i)[1]; }

// The pairs of neighbouring vertices with a gap vertex between them, checking
// that no gap ends the curve or follows another.
std::vector<std::pair<const double*, const double*>> Gaps(const TPline& curve) {
    std::vector<std::pair<const double*, const double*>> gaps;
    for (int i = 0; i < curve.Count(); ++i) {
        if (!IsGapVertex(curve.GetVertex(i))) continue;
        EXPECT_TRUE(i > 0 && i + 1 < curve.Count()) << "gap at an end, vertex " << i;
        if (i == 0 || i + 1 == curve.Count()) continue;
        EXPECT_FALSE(IsGapVertex(curve.GetVertex(i - 1))) << "double gap at " << i;
        EXPECT_TRUE(std::isnan(Y(curve, i)) && curve.GetVertex(i)[2] == 0);
        gaps.emplace_back(curve.GetVertex(i - 1), curve.GetVertex(i + 1));
    }
    return gaps;
}

TEST(SampleCurve, VisitsParametersByRepeatedAdditionAndAtLeastOnce) {
    const struct { const char* Why; TSampleRange Range; int Count; } rows[] = {
        {"From > To still samples From once", {3, 1, 0.5}, 1},
        // 0.1 added ten times is 0.9999999999999999, still below 1.
        {"accumulated steps of 0.1 up to 1", {0, 1, 0.1}, 11},
        {"more than one batch", {0, 2000, 1}, 2001},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Why);
        const TPline curve = Sample("x", row.Range);
        ASSERT_EQ(curve.Count(), row.Count);
        double t = row.Range.From;
        for (int i = 0; i < curve.Count(); ++i, t += row.Range.Step) ASSERT_EQ(X(curve, i), t) << "point " << i;
    }
}

TEST(SampleCurve, DropsFaultsAndHugeValuesAndMarksDivisionsByZero) {
    // NAN stands for a gap vertex; none at either end.
    const struct { const char* Formula; TSampleRange Range; std::vector<double> Xs; int Marks; } rows[] = {
        {"1/x", {-2, 2, 1}, {-2, -1, NAN, 1, 2}, 1},
        {"sqrt(x)", {-1, 1, 1}, {0, 1}, 0},   // invalid: no mark
        {"exp(x)", {0, 2000, 1000}, {0}, 0},  // overflow: no mark
        {"1e10*x", {-2, 2, 1}, {0}, 0},       // |v| >= 1e10 is cut
        {"-9.999999e9", {0, 0, 1}, {0}, 0},   // just below the cut
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Formula);
        std::vector<TSampleMark> marks;
        const TPline curve = Sample(row.Formula, row.Range, &marks);
        ASSERT_EQ(curve.Count(), static_cast<int>(row.Xs.size()));
        for (int i = 0; i < curve.Count(); ++i)
            EXPECT_TRUE(X(curve, i) == row.Xs[i] || (std::isnan(row.Xs[i]) && IsGapVertex(curve.GetVertex(i)))) << i;
        EXPECT_EQ(static_cast<int>(marks.size()), row.Marks);
    }
    // Sampling the same view again (a redraw after a pan back) adds no second
    // mark at the same place, but a new position gets its own.
    std::vector<TSampleMark> marks;
    Sample("1/x", {-3, 3, 1}, &marks);
    Sample("1/x", {-3, 3, 1}, &marks);
    Sample("1/(x-0.5)", {0.5, 0.5, 1}, &marks);
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[0].Text, "x=0.000000>");
    EXPECT_EQ(marks[1].Position, 0.5);
}

TEST(SampleCurve, DerivativeIsTheBackwardDifferenceOfAcceptedValues) {
    // 0/(x-0.5) is an invalid operation at 0.5 only. The first accepted sample
    // only primes the difference, and so does the first one after the gap:
    // no difference is ever taken across it.
    const TPline curve = Sample("x*x+0/(x-0.5)", {-1, 1, 0.25}, nullptr, TCurveShape::csCartesian, nullptr, true);
    ASSERT_EQ(curve.Count(), 7);
    EXPECT_EQ(X(curve, 0), -0.75);
    EXPECT_DOUBLE_EQ(Y(curve, 0), (0.75 * 0.75 - 1) / 0.25);
    EXPECT_TRUE(IsGapVertex(curve.GetVertex(5)));
    EXPECT_EQ(X(curve, 6), 1);
    EXPECT_DOUBLE_EQ(Y(curve, 6), (1 - 0.75 * 0.75) / 0.25);
}

TEST(SampleCurve, ParametricShapes) {
    // X(t) divides by zero at 1, where Y(t) is an invalid operation; the
    // abscissa's fault wins, so t = 1 leaves a mark. The cut-off looks at
    // Y(t) only: X(t) = 1e11 stays.
    std::vector<TSampleMark> marks;
    const TPline param = Sample("0/(x-1)+x", {0, 3, 1}, &marks, TCurveShape::csCartesian, "1e11/(t-1)");
    ASSERT_EQ(param.Count(), 4);
    const double expected[4][2] = {{-1e11, 0}, {NAN, NAN}, {1e11, 2}, {5e10, 3}};
    for (int i = 0; i < 4; ++i) {
        const double* v = param.GetVertex(i);
        const bool gap = std::isnan(expected[i][0]);
        EXPECT_EQ(IsGapVertex(v), gap) << i;
        if (!gap) {
            EXPECT_EQ((std::array{v[0], v[1]}), (std::array{expected[i][0], expected[i][1]})) << i;
        }
    }
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].Position, 1);

    // Polar parametric: angle A(t) = t, radius R(t) = 2.
    const TPline polar = Sample("2", {0, Pi, Pi / 2}, nullptr, TCurveShape::csPolar, "t");
    ASSERT_EQ(polar.Count(), 3);
    EXPECT_NEAR(Y(polar, 1), 2, 1e-12);
    EXPECT_NEAR(X(polar, 2), -2, 1e-12);
}

// Between two neighbouring samples the curve is broken where it runs off to
// infinity, jumps or is undefined, and joined where it is only steep.
TEST(SampleCurve, BreaksAtPolesJumpsAndFaultsOnly) {
    const double h = Pi / 2;
    // The view (its x range also gives the automatic range when Range is
    // empty) and the places where the curve must break, and nowhere else.
    const struct { const char* Formula; TSampleView View; TSampleRange Range; std::vector<double> Breaks; } rows[] = {
        {"tg(x)", {-10, 10, 400, -2000, 2000, 400}, {}, {-5 * h, -3 * h, -h, h, 3 * h, 5 * h}},
        // No sample lands on 0.1 nor on 0: the breaks come from looking closer.
        {"1/(x-0.1)", {-1, 1, 400, -200, 200, 400}, {-1, 1, 0.03}, {0.1}},
        {"abs(x)/x", {-1, 1, 400, -2, 2, 400}, {-1, 1, 0.03}, {0}},
        // Steps far smaller than the view, none across 0.
        {"floor(x)", {-3, 3, 400, -3, 3, 400}, {-2.995, 2.995, 0.03}, {-2, -1, 0, 1, 2}},
        {"round(x/2)*0.2", {-3, 3, 400, -3, 3, 400}, {-2.995, 2.995, 0.03}, {-1, 1}},
        {"x^3", {-100, 100, 400, -10, 10, 400}, {}, {}},
        {"100000*sin(x)", {-10, 10, 400, -10, 10, 400}, {}, {}},
        {"sin(1/x)", {-1, 1, 400, -1.5, 1.5, 300}, {}, {}},
        {"sqrt(x*x-1)", {-2, 2, 400, -2, 2, 400}, {}, {0}},  // undefined between -1 and 1
        {"ln(x)", {-2, 2, 400, -2, 2, 400}, {}, {}},         // undefined up to 0, then one piece
    };
    for (const auto& row : rows)
        for (const bool derivative : {false, true}) {
            SCOPED_TRACE(std::string(row.Formula) + (derivative ? ", derivative" : ""));
            const TSampleView& v = row.View;
            const TSampleRange automatic{v.WorldLeft, v.WorldRight, (v.WorldRight - v.WorldLeft) / v.Width};
            const TSampleRange range = row.Range.Step > 0 ? row.Range : automatic;
            const TPline curve = Sample(row.Formula, range, nullptr, TCurveShape::csCartesian, nullptr, derivative, &v);
            ASSERT_GT(curve.Count(), 50);
            // A derivative drops the difference taken across a pole or step:
            // still one gap there.
            const auto gaps = Gaps(curve);
            EXPECT_EQ(gaps.size(), row.Breaks.size());
            for (const auto& [before, after] : gaps)
                EXPECT_TRUE(std::any_of(row.Breaks.begin(), row.Breaks.end(),
                                        [&](double b) { return before[0] < b && b < after[0]; }))
                    << "gap between " << before[0] << " and " << after[0];
            for (int i = 1; i < curve.Count(); ++i)
                for (double b : row.Breaks)
                    ASSERT_FALSE(X(curve, i - 1) < b && b < X(curve, i)) << "joined across " << b;
        }

    // In the plane: r = 1/(a-1) leaves to infinity on one side of the origin
    // and comes back on the other; a circle crossing the axes is left whole.
    const TSampleView view{-10, 10, 400, -10, 10, 400};
    const TSampleRange turn{0, 2 * Pi, Pi / 180};
    EXPECT_EQ(Gaps(Sample("1/(x-1)", turn, nullptr, TCurveShape::csPolar, nullptr, false, &view)).size(), 1u);
    EXPECT_EQ(Gaps(Sample("9", turn, nullptr, TCurveShape::csPolar, nullptr, false, &view)).size(), 0u);
}

// The count a benchmark divides by: every sample, and every point of a closer
// look (two evaluations each for a derivative).
TEST(SampleCurve, CountsEveryEvaluation) {
    const TSampleView view{-2, 2, 400, -2, 2, 400};
    const TSampleRange range{-2, 2, 1.0 / 128};
    const TCompiledFunction v = TCompiledFunction::Private(EvalOrtho(), "sqrt(1-x*x)+tg(5*x)");
    for (const bool derivative : {false, true}) {
        SCOPED_TRACE(derivative ? "derivative" : "value");
        std::uint64_t bare = 0, looking = 0;
        TPline curve(3);
        std::vector<TSampleMark> marks;
        SampleCurve({&v, nullptr, TCurveShape::csCartesian, derivative, nullptr, &bare}, range, curve, marks);
        EXPECT_EQ(bare, 513u);  // no view, no closer look
        SampleCurve({&v, nullptr, TCurveShape::csCartesian, derivative, &view, &looking}, range, curve, marks);
        ASSERT_GT(looking, bare);  // the poles of tg at least are bisected
        if (derivative) {
            EXPECT_EQ((looking - bare) % 2, 0u);
        }
    }
}

TFuncItem Manual(double from, double to, double step, const char* expression = "x") {
    TFuncItem f(expression, false);
    f.ManualLimits = true;
    f.From = from;
    f.To = to;
    f.Step = step;
    return f;
}

TEST(ChooseRange, AutomaticRangesAreWrittenBackIntoTheRecord) {
    TScriptedDialog dialog;
    TSampleRange range;
    TFuncItem cartesian("x", false), polar("1", false), parametric("sin(t)", false);
    polar.FuncType = TFuncType::ftPolar;
    parametric.FuncKind = TFuncKind::fkParametric;
    const struct { TFuncItem* Func; TSampleRange Expected; } rows[] = {
        {&cartesian, {-10, 10, 0.05}}, {&polar, {0, 2 * Pi, Pi / 180}}, {&parametric, {0, 2 * Pi, Pi / 180}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Func->Expression);
        ASSERT_EQ(ChooseRange(*row.Func, {-10, 10, 400}, dialog, range), TRangeOutcome::roSample);
        EXPECT_EQ((std::array{range.From, range.To}), (std::array{row.Expected.From, row.Expected.To}));
        EXPECT_DOUBLE_EQ(range.Step, row.Expected.Step);
        EXPECT_EQ(row.Func->Step, range.Step);
    }
    EXPECT_EQ(dialog.SwapAsked + dialog.EqualShown + dialog.LongAsked + dialog.Refused, 0);
}

TEST(ChooseRange, ManualLimitsAskTheirQuestions) {
    using enum TRangeOutcome;
    // The answers, the outcome, how often each question came, the record afterwards.
    const struct { const char* Why; TFuncItem Func; bool SwapAnswer, LongAnswer; TRangeOutcome Outcome;
                   std::array<int, 4> Asked; double From, To; } rows[] = {
        {"swap cancelled", Manual(5, 1, 1), false, true, roCancel, {1, 0, 0, 0}, 5, 1},
        {"equal limits warn and sample", Manual(3, 3, 1), true, true, roSample, {0, 1, 0, 0}, 3, 3},
        {"exactly a million samples is not long", Manual(0, 500000, 0.5), true, false, roSample, {0, 0, 0, 0}, 0, 5e5},
        // Swapped limits with a tiny step still ask before the long run.
        {"swap accepted, then long drawing declined", Manual(1, 0, 1e-7), true, false, roSkip, {1, 0, 1, 0}, 0, 1},
        {"negative step refused", Manual(0, 1, -0.1), true, true, roSkip, {0, 0, 0, 1}, 0, 1},
        {"zero step with equal limits refused", Manual(2, 2, 0), true, true, roSkip, {0, 1, 0, 1}, 2, 2},
        {"NaN step refused", Manual(0, 1, NAN), true, true, roSkip, {0, 0, 0, 1}, 0, 1},
        {"infinite limit refused", Manual(0, INFINITY, 1), true, true, roSkip, {0, 0, 0, 1}, 0, INFINITY},
        // 1e17 + 1 == 1e17: t would never move.
        {"step lost in rounding", Manual(1e17, 1e17 + 100, 1), true, true, roSkip, {0, 0, 0, 1}, 1e17, 1e17 + 100},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Why);
        TFuncItem func = row.Func;
        TScriptedDialog dialog;
        dialog.Swap = row.SwapAnswer;
        dialog.Long = row.LongAnswer;
        TSampleRange range;
        EXPECT_EQ(ChooseRange(func, {-10, 10, 400}, dialog, range), row.Outcome);
        EXPECT_EQ((std::array{dialog.SwapAsked, dialog.EqualShown, dialog.LongAsked, dialog.Refused}), row.Asked);
        EXPECT_EQ(func.From, row.From);
        EXPECT_EQ(func.To, row.To);
        // A refusal names the function; manual limits are not rewritten.
        EXPECT_TRUE(!row.Asked[3] || dialog.LastRefusal.find("\"x\"") != std::string::npos) << dialog.LastRefusal;
        EXPECT_TRUE(row.Outcome != roSample || range.Step == func.Step);
    }
}

TEST(ChooseRange, DegreesAreConvertedForSamplingButKeptInTheRecord) {
    TFuncItem func = Manual(0, 180, 90);
    func.ConvToDeg = true;
    TScriptedDialog dialog;
    TSampleRange range;
    ASSERT_EQ(ChooseRange(func, {-10, 10, 400}, dialog, range), TRangeOutcome::roSample);
    EXPECT_DOUBLE_EQ(range.To, Pi);
    EXPECT_DOUBLE_EQ(range.Step, Pi / 2);
    EXPECT_EQ(func.To, 180);
    EXPECT_EQ(func.Step, 90);
}

// The whole sampler, with the shared evaluators of each kind.
TEST(SampleFunction2D, KindsSkipsAndErrors) {
    const TSampleView view{-10, 10, 400};
    TScriptedDialog dialog;
    std::vector<TSampleMark> marks;
    TPline curve(3);
    curve.AddVertex({9, 9, 9});  // stale points are cleared first
    TFuncItem known = Manual(0, 3, 1, "pi()*0+Fact(x)/x");
    ASSERT_EQ(SampleFunction2D(known, view, dialog, curve, marks), TRangeOutcome::roSample);
    EXPECT_EQ(curve.Count(), 3);  // a step of 20 pixels: the samples only
    EXPECT_EQ(marks.size(), 1u);

    TFuncItem circle("sin(t)", false);
    circle.FuncKind = TFuncKind::fkParametric;
    circle.Expression1 = "cos(t)";
    TFuncItem rose("cos(2*a)", false);
    rose.FuncType = TFuncType::ftPolar;
    for (TFuncItem* f : {&circle, &rose}) {
        ASSERT_EQ(SampleFunction2D(*f, view, dialog, curve, marks), TRangeOutcome::roSample);
        EXPECT_NEAR(X(curve, 0), 1, 1e-12);  // X(0) = cos 0; the rose's radius at angle 0
        EXPECT_NEAR(Y(curve, 0), 0, 1e-12);
    }

    // The automatic range is written back even for a function that is then
    // skipped for its empty text; hidden functions, and a 3D coordinate system
    // (only a file can put one into a 2D window), keep their record.
    TFuncItem empty("", false), hidden("x", false), foreign("x", false), implicit("x^2+y^2-1", false);
    hidden.Active = false;
    foreign.FuncType = TFuncType::ftSpherical;
    implicit.FuncKind = TFuncKind::fkImplicit;
    EXPECT_EQ(SampleFunction2D(empty, view, dialog, curve, marks), TRangeOutcome::roSkip);
    EXPECT_EQ(empty.From, -10);
    for (TFuncItem* f : {&hidden, &foreign}) {
        EXPECT_EQ(SampleFunction2D(*f, view, dialog, curve, marks), TRangeOutcome::roSkip);
        EXPECT_EQ(f->From, -5);
    }
    EXPECT_EQ(SampleFunction2D(implicit, view, dialog, curve, marks), TRangeOutcome::roSample);
    EXPECT_GT(curve.Count(), 0);

    // Compile errors (the second text of a parametric function too) leave the
    // curve empty; Fact beyond 32 bits is a range error that stops sampling.
    TFuncItem broken("sin(", false), param("t", false), fact = Manual(0, 3e9, 1e9, "Fact(x)");
    param.FuncKind = TFuncKind::fkParametric;
    param.Expression1 = "t+";
    curve.AddVertex({1, 2, 3});
    EXPECT_THROW(SampleFunction2D(broken, view, dialog, curve, marks), ESyntaxError);
    EXPECT_EQ(curve.Count(), 0);
    EXPECT_THROW(SampleFunction2D(param, view, dialog, curve, marks), ESyntaxError);
    EXPECT_THROW(SampleFunction2D(fact, view, dialog, curve, marks), ERangeError);
}

}  // namespace
}  // namespace curvane

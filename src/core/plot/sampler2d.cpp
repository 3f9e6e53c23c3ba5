// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/plot/sampler2d.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "core/document/func_item.h"
#include "core/document/shared_evaluators.h"
#include "core/plot/sampler_implicit.h"

namespace curvane {

std::string ZeroDivideMarkText(double t) {
    char text[64];
    std::snprintf(text, sizeof text, "x=%f>", t);
    return text;
}

namespace {

// Builds the next run of parameter values by repeated addition, exactly as a
// loop "t = t + step while t <= to" visits them (not From + k*Step, which
// rounds differently). Returns how many were written; 0 once t passed To.
std::size_t NextParams(double& t, bool& first, const TSampleRange& range, double* params,
                       std::size_t capacity) {
    std::size_t n = 0;
    while (n < capacity) {
        if (first) {
            first = false;  // the first value is sampled even when From > To
        } else {
            const double next = t + range.Step;
            // A step below the spacing of doubles at t would never end the loop;
            // ChooseRange refuses such steps, this is the last line of defence.
            if (!(next > t) || !(next <= range.To)) {
                t = next;
                break;
            }
            t = next;
        }
        params[n++] = t;
    }
    return n;
}

struct TPlanePoint {
    double X, Y;
};

TPlanePoint Place(TCurveShape shape, double a, double r) {
    if (shape == TCurveShape::csPolar) return {r * std::cos(a), r * std::sin(a)};
    return {a, r};
}

// Halvings a suspicious segment may take. A steep but continuous piece comes
// below a pixel long before; a jump keeps its height to the end, and a pole
// reaches SampleCutOff or a fault on the way.
constexpr int MaxJoinSteps = 60;

// Decides whether two neighbouring points of a curve are joined, looking at
// the picture the curve is drawn into. Every segment costs a few comparisons;
// only those that jump by more than the view, change sign over more than two
// pixels, or move several times as far as the segment before them (a step of
// floor or mod, small against the view) are bisected, each step one
// evaluation (two for a derivative). A merely steep curve moves about as far
// from one segment to the next and is never looked at closer.
class TJoinCheck {
public:
    TJoinCheck(const TCurvePlan& plan, double step) : FPlan(plan), FStep(step) {
        const TSampleView* view = plan.View;
        if (!view) return;
        FLeft = view->WorldLeft;
        FRight = view->WorldRight;
        FBottom = view->WorldBottom;
        FTop = view->WorldTop;
        FPixelX = (FRight - FLeft) / std::max(view->Width, 1);
        FPixelY = (FTop - FBottom) / std::max(view->Height, 1);
        // A view with no size (or NaN edges) joins everything, as before.
        FActive = FPixelX > 0 && FPixelY > 0 && std::isfinite(FPixelX) && std::isfinite(FPixelY);
    }

    // p0 and p1 are the points at parameters t0 < t1; `before` is how far the
    // curve moved to p0 from the point joined before it (Move), negative when
    // p0 begins a piece.
    bool Joined(double t0, TPlanePoint p0, double t1, TPlanePoint p1, double before) const {
        if (!FActive || !Suspicious(p0, p1, before)) return true;
        for (int k = 0; k < MaxJoinSteps; ++k) {
            if (Pixels(p0, p1) <= 1) return true;
            const double m = t0 + (t1 - t0) / 2;
            // No parameter left between them, and still more than a pixel apart.
            if (!(t0 < m && m < t1)) return false;
            TPlanePoint pm;
            if (!PointAt(m, pm)) return false;  // undefined, or off to infinity, in between
            // Follow the half that moves more: the pole or the step is there.
            if (Pixels(p0, pm) >= Pixels(pm, p1)) {
                t1 = m;
                p1 = pm;
            } else {
                t0 = m;
                p0 = pm;
            }
        }
        return false;
    }

    // The larger of the distances across and down, in pixels.
    double Move(TPlanePoint p, TPlanePoint q) const { return FActive ? Pixels(p, q) : 0; }

private:
    // Moving four times as far as before, and more than 4 pixels: along a
    // curve sampled about once a pixel only a step does that, or a pole,
    // which the bisection tells apart from a steep piece.
    static constexpr double StepRatio = 4;

    bool Suspicious(TPlanePoint p0, TPlanePoint p1, double before) const {
        // A segment wholly beyond one edge is cut away whether it is joined or not.
        auto beyond = [](double u, double w, double lo, double hi) { return (u < lo && w < lo) || (u > hi && w > hi); };
        if (beyond(p0.X, p1.X, FLeft, FRight) || beyond(p0.Y, p1.Y, FBottom, FTop)) return false;
        auto jumps = [](double u, double w, double extent, double pixel) {
            const double d = std::fabs(w - u);
            return d > extent || (u * w < 0 && d > 2 * pixel);
        };
        if (jumps(p0.X, p1.X, FRight - FLeft, FPixelX) || jumps(p0.Y, p1.Y, FTop - FBottom, FPixelY)) return true;
        return before >= 0 && Pixels(p0, p1) > StepRatio * std::max(before, 1.0);
    }

    double Pixels(TPlanePoint p, TPlanePoint q) const {
        return std::max(std::fabs(q.X - p.X) / FPixelX, std::fabs(q.Y - p.Y) / FPixelY);
    }

    // The point the curve has at parameter t, by the rules of the samples:
    // false where an evaluation faults or the value reaches SampleCutOff.
    bool PointAt(double t, TPlanePoint& p) const {
        double a = t;
        if (FPlan.Abscissa && !EvaluateOne(*FPlan.Abscissa, t, a)) return false;
        double v = 0;
        if (!EvaluateValue(t, v)) return false;
        if (FPlan.Derivative) {
            double before = 0;
            if (!EvaluateValue(t - FStep, before)) return false;
            v = (v - before) / FStep;
        }
        p = Place(FPlan.Shape, a, v);
        return true;
    }

    bool EvaluateValue(double t, double& v) const {
        return EvaluateOne(*FPlan.Value, t, v) && std::fabs(v) < SampleCutOff;
    }

    static bool EvaluateOne(const TCompiledFunction& f, double t, double& out) {
        TSampleFault fault = TSampleFault::sfNone;
        f.EvaluateBatch(&t, 1, &out, &fault);
        return fault == TSampleFault::sfNone;
    }

    const TCurvePlan& FPlan;
    double FStep;
    bool FActive = false;
    double FLeft = 0, FRight = 0, FBottom = 0, FTop = 0;
    double FPixelX = 1, FPixelY = 1;
};

}  // namespace

void SampleCurve(const TCurvePlan& plan, const TSampleRange& range, TPline& curve,
                 std::vector<TSampleMark>& marks) {
    std::array<double, SampleChunk> params;
    std::array<double, SampleChunk> values;
    std::array<double, SampleChunk> abscissas;
    std::array<TSampleFault, SampleChunk> faults;
    std::array<TSampleFault, SampleChunk> abscissaFaults;

    // One pixel per sample for the automatic range, so reserving up front
    // spares the curve most of its growth steps.
    const double expected = (range.To - range.From) / range.Step + 2;
    if (expected > 0 && expected < 1 << 20)
        curve.SetCapacity(std::max(curve.Capacity(), curve.Count() + static_cast<std::int32_t>(expected)));

    const TJoinCheck join(plan, range.Step);
    double t = range.From;
    bool first = true;
    bool havePrev = false;  // a derivative's previous value, from the sample just before
    double prev = 0;
    bool havePoint = false;  // the curve has a point of this run, at lastT
    double lastT = 0;
    TPlanePoint last{0, 0};
    bool lastAfterJump = false;  // that point follows a gap the join check made
    double lastMove = -1;        // TJoinCheck::Move to that point, -1 if it begins a piece
    bool broken = false;         // the next point starts a new piece
    auto dropPoint = [&] {
        broken = true;
        havePrev = false;  // never a difference across what was dropped
    };
    for (;;) {
        const std::size_t n = NextParams(t, first, range, params.data(), params.size());
        if (n == 0) break;
        if (plan.Abscissa)
            plan.Abscissa->EvaluateBatch(params.data(), n, abscissas.data(), abscissaFaults.data());
        plan.Value->EvaluateBatch(params.data(), n, values.data(), faults.data());
        if (plan.Evaluations) *plan.Evaluations += n;
        for (std::size_t i = 0; i < n; ++i) {
            // The abscissa is evaluated first, so its fault is the one raised.
            TSampleFault fault = plan.Abscissa ? abscissaFaults[i] : TSampleFault::sfNone;
            const TCompiledFunction* faulting = plan.Abscissa;
            if (fault == TSampleFault::sfNone) {
                fault = faults[i];
                faulting = plan.Value;
            }
            switch (fault) {
                case TSampleFault::sfNone:
                    break;
                case TSampleFault::sfInvalidOp:
                case TSampleFault::sfOverflow:
                    dropPoint();
                    continue;
                case TSampleFault::sfZeroDivide: {
                    const double at = params[i];
                    // Repeated recalculations of the same view would pile up the
                    // same mark; one per position is enough.
                    const bool known = std::any_of(marks.begin(), marks.end(),
                                                   [at](const TSampleMark& m) { return m.Position == at; });
                    if (!known) marks.push_back({at, ZeroDivideMarkText(at)});
                    dropPoint();
                    continue;
                }
                case TSampleFault::sfOther:
                    faulting->Evaluate(params[i]);
                    // The single evaluation did not fail after all: nothing
                    // sensible to plot for a point the batch refused.
                    dropPoint();
                    continue;
            }
            const double v = values[i];
            if (!(std::fabs(v) < SampleCutOff)) {  // NaN fails too
                dropPoint();
                continue;
            }
            const double a = plan.Abscissa ? abscissas[i] : params[i];
            double r = v;
            if (plan.Derivative) {
                if (!havePrev) {
                    havePrev = true;
                    prev = v;
                    continue;
                }
                r = (v - prev) / range.Step;
                prev = v;
            }
            const TPlanePoint here = Place(plan.Shape, a, r);
            bool jumped = false;
            const bool joining = havePoint && !broken;
            if (joining && !join.Joined(lastT, last, params[i], here, lastMove)) {
                jumped = true;
                if (plan.Derivative && lastAfterJump) {
                    // A difference with a pole or step on both sides was taken
                    // across it: no value of the derivative. It goes, and the
                    // gap before it serves for both.
                    curve.SetCount(curve.Count() - 1);
                } else {
                    broken = true;
                }
            }
            if (havePoint && broken) AddGapVertex(curve);
            broken = false;
            const double point[3] = {here.X, here.Y, 0};
            curve.Add(point);
            lastAfterJump = jumped;
            lastMove = joining && !jumped ? join.Move(last, here) : -1;
            havePoint = true;
            lastT = params[i];
            last = here;
        }
    }
}

TRangeOutcome ChooseRange(TFuncItem& func, const TSampleView& view, TSamplerDialog& dialog,
                          TSampleRange& range) {
    if (func.ManualLimits) {
        if (!std::isfinite(func.From) || !std::isfinite(func.To) || !std::isfinite(func.Step)) {
            dialog.RefuseRange("The limits of \"" + func.Expression +
                               "\" are not finite numbers. The function is not drawn.");
            return TRangeOutcome::roSkip;
        }
        if (func.From > func.To) {
            if (!dialog.ConfirmSwap()) return TRangeOutcome::roCancel;
            std::swap(func.From, func.To);
        } else if (func.From == func.To) {
            dialog.WarnEqual();
        }
        if (!(func.Step > 0)) {
            dialog.RefuseRange("The step of \"" + func.Expression +
                               "\" must be greater than 0. The function is not drawn.");
            return TRangeOutcome::roSkip;
        }
        const double scale = func.ConvToDeg ? std::numbers::pi / 180 : 1.0;
        range.From = func.From * scale;
        range.To = func.To * scale;
        range.Step = func.Step * scale;
        // A step below the spacing of doubles at the ends of the range would
        // leave t where it is for ever.
        const double far = std::max(std::fabs(range.From), std::fabs(range.To));
        if (!(range.Step > 0) || far + range.Step == far) {
            dialog.RefuseRange("The step of \"" + func.Expression +
                               "\" is too small for its limits. The function is not drawn.");
            return TRangeOutcome::roSkip;
        }
        if (std::fabs(func.To - func.From) / func.Step > LongDrawingSamples && !dialog.ConfirmLongDrawing())
            return TRangeOutcome::roSkip;
        return TRangeOutcome::roSample;
    }

    const bool angular = func.FuncKind == TFuncKind::fkParametric || func.FuncType == TFuncType::ftPolar;
    if (angular) {
        range.From = 0;
        range.To = 2 * std::numbers::pi;
        range.Step = std::numbers::pi / 180;
    } else {
        range.From = view.WorldLeft;
        range.To = view.WorldRight;
        range.Step = (view.WorldRight - view.WorldLeft) / std::max(view.Width, 1);
        if (!(range.Step > 0) || !std::isfinite(range.Step)) return TRangeOutcome::roSkip;
    }
    func.From = range.From;
    func.To = range.To;
    func.Step = range.Step;
    return TRangeOutcome::roSample;
}

}  // namespace curvane

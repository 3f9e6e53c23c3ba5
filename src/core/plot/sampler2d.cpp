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

    double t = range.From;
    bool first = true;
    bool havePrev = false;
    double prev = 0;
    for (;;) {
        const std::size_t n = NextParams(t, first, range, params.data(), params.size());
        if (n == 0) break;
        if (plan.Abscissa)
            plan.Abscissa->EvaluateBatch(params.data(), n, abscissas.data(), abscissaFaults.data());
        plan.Value->EvaluateBatch(params.data(), n, values.data(), faults.data());
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
                    continue;
                case TSampleFault::sfZeroDivide: {
                    const double at = params[i];
                    // Repeated recalculations of the same view would pile up the
                    // same mark; one per position is enough.
                    const bool known = std::any_of(marks.begin(), marks.end(),
                                                   [at](const TSampleMark& m) { return m.Position == at; });
                    if (!known) marks.push_back({at, ZeroDivideMarkText(at)});
                    continue;
                }
                case TSampleFault::sfOther:
                    faulting->Evaluate(params[i]);
                    // The single evaluation did not fail after all: nothing
                    // sensible to plot for a point the batch refused.
                    continue;
            }
            const double v = values[i];
            if (!(std::fabs(v) < SampleCutOff)) continue;  // NaN fails too
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
            double point[3];
            if (plan.Shape == TCurveShape::csPolar) {
                point[0] = r * std::cos(a);
                point[1] = r * std::sin(a);
            } else {
                point[0] = a;
                point[1] = r;
            }
            point[2] = 0;
            curve.Add(point);
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

TRangeOutcome SampleFunction2D(TFuncItem& func, const TSampleView& view, TSamplerDialog& dialog,
                               TPline& curve, std::vector<TSampleMark>& marks) {
    curve.Clear();
    if (!func.Active) return TRangeOutcome::roSkip;
    // Only a file can hold such a function; it has no caption in a 2D window
    // either, and nobody is asked about its limits.
    const bool valid2D = func.FuncType == TFuncType::ftOrtho2D || func.FuncType == TFuncType::ftPolar;
    if (!valid2D || SharedEvaluatorFor(func.FuncKind, func.FuncType, TFormulaSlot::fsExpression) == nullptr)
        return TRangeOutcome::roSkip;
    if (func.FuncKind == TFuncKind::fkImplicit) {
        // The polar evaluator knows the angle only; a curve F = 0 needs both
        // coordinates.
        if (func.FuncType != TFuncType::ftOrtho2D) return TRangeOutcome::roSkip;
        TImplicitArea area;
        const TRangeOutcome outcome = ChooseImplicitArea(func, view, dialog, area);
        if (outcome != TRangeOutcome::roSample) return outcome;
        if (func.Expression.empty()) return TRangeOutcome::roSkip;
        SampleImplicit(CompileFormula(func, TFormulaSlot::fsExpression), area, curve);
        return TRangeOutcome::roSample;
    }
    TSampleRange range;
    const TRangeOutcome outcome = ChooseRange(func, view, dialog, range);
    if (outcome != TRangeOutcome::roSample) return outcome;
    if (func.Expression.empty()) return TRangeOutcome::roSkip;

    TCurvePlan plan;
    plan.Derivative = func.Derivative;
    plan.Shape = func.FuncType == TFuncType::ftPolar ? TCurveShape::csPolar : TCurveShape::csCartesian;
    switch (func.FuncKind) {
        case TFuncKind::fkExplicit: {
            const TCompiledFunction value = CompileFormula(func, TFormulaSlot::fsExpression);
            plan.Value = &value;
            SampleCurve(plan, range, curve, marks);
            break;
        }
        case TFuncKind::fkParametric: {
            const TCompiledFunction abscissa = CompileFormula(func, TFormulaSlot::fsExpression1);
            const TCompiledFunction value = CompileFormula(func, TFormulaSlot::fsExpression);
            plan.Abscissa = &abscissa;
            plan.Value = &value;
            SampleCurve(plan, range, curve, marks);
            break;
        }
        case TFuncKind::fkImplicit:
            break;  // traced above
    }
    return TRangeOutcome::roSample;
}

}  // namespace curvane

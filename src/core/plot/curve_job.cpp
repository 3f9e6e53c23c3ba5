// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/plot/curve_job.h"

#include "core/document/func_item.h"
#include "core/document/parameter_cells.h"
#include "core/document/shared_evaluators.h"
#include "core/evaluator/rapid_evaluator.h"
#include "core/support/exceptions.h"

namespace curvane {

struct TPrivateEvaluators::TSlot {
    double Arg1 = 0;
    double Arg2 = 0;
    const TRapidEvaluator* Like = nullptr;
    std::unique_ptr<TRapidEvaluator> Evaluator;
};

TPrivateEvaluators::TPrivateEvaluators() = default;
TPrivateEvaluators::~TPrivateEvaluators() = default;

TCompiledFunction TPrivateEvaluators::Compile(std::size_t index, const TRapidEvaluator& like,
                                              const std::string& formula) {
    if (index >= FSlots.size()) FSlots.resize(index + 1);
    std::unique_ptr<TSlot>& slot = FSlots[index];
    if (!slot) slot = std::make_unique<TSlot>();
    if (slot->Like != &like) {
        slot->Evaluator = MakeEvaluatorLike(like, &slot->Arg1, &slot->Arg2);
        slot->Like = &like;
    }
    // The parameters of this run: the cells of the run before may be gone.
    const std::shared_ptr<TParameterCells>& cells = BoundParameterCells();
    slot->Evaluator->SetSharedVarTable(cells ? &cells->Table() : nullptr);
    return TCompiledFunction(*slot->Evaluator, formula, &slot->Arg1, &slot->Arg2);
}

namespace {

TCompiledFunction Compile(const TFuncItem& func, TFormulaSlot slot, TEvaluatorUse use, TPrivateEvaluators* kept,
                          std::size_t index) {
    if (use == TEvaluatorUse::euShared) return CompileFormula(func, slot);
    const TRapidEvaluator* like = SharedEvaluatorFor(func.FuncKind, func.FuncType, slot);
    if (like == nullptr) throw Exception("CompileFormula: this kind of function has no such formula text");
    TCompiledFunction compiled = kept ? kept->Compile(index, *like, FormulaText(func, slot))
                                      : TCompiledFunction::Private(*like, FormulaText(func, slot));
    // Private code is new code, unless kept from the run before; written
    // now, the whole run's new code becomes executable in one go instead of
    // one system call per function.
    compiled.Evaluator().PrepareBatch();
    return compiled;
}

}  // namespace

TCurveJob PrepareCurveJob(TFuncItem& func, const TSampleView& view, TSamplerDialog& dialog, TEvaluatorUse use,
                          TPrivateEvaluators* kept, std::size_t slot) {
    TCurveJob job;
    job.View = view;
    if (!func.Active) return job;
    // Only a file can hold such a function; it has no caption in a 2D window
    // either, and nobody is asked about its limits.
    const bool valid2D = func.FuncType == TFuncType::ftOrtho2D || func.FuncType == TFuncType::ftPolar;
    if (!valid2D || SharedEvaluatorFor(func.FuncKind, func.FuncType, TFormulaSlot::fsExpression) == nullptr)
        return job;
    if (func.FuncKind == TFuncKind::fkImplicit) {
        // The polar evaluator knows the angle only; a curve F = 0 needs both
        // coordinates.
        if (func.FuncType != TFuncType::ftOrtho2D) return job;
        TImplicitArea area;
        job.Outcome = ChooseImplicitArea(func, view, dialog, area);
        if (job.Outcome != TRangeOutcome::roSample) return job;
        if (func.Expression.empty()) {
            job.Outcome = TRangeOutcome::roSkip;
            return job;
        }
        job.Area = area;
        job.Value = Compile(func, TFormulaSlot::fsExpression, use, kept, 2 * slot);
        return job;
    }
    job.Outcome = ChooseRange(func, view, dialog, job.Range);
    if (job.Outcome != TRangeOutcome::roSample) return job;
    if (func.Expression.empty()) {
        job.Outcome = TRangeOutcome::roSkip;
        return job;
    }
    job.Derivative = func.Derivative;
    job.Shape = func.FuncType == TFuncType::ftPolar ? TCurveShape::csPolar : TCurveShape::csCartesian;
    // The abscissa first: with the shared evaluators its compile error is the
    // one reported, as it always was.
    if (func.FuncKind == TFuncKind::fkParametric)
        job.Abscissa = Compile(func, TFormulaSlot::fsExpression1, use, kept, 2 * slot + 1);
    job.Value = Compile(func, TFormulaSlot::fsExpression, use, kept, 2 * slot);
    return job;
}

void SampleCurveJob(const TCurveJob& job, TPline& curve, std::vector<TSampleMark>& marks,
                    std::uint64_t* evaluations) {
    if (job.Outcome != TRangeOutcome::roSample || !job.Value) return;
    if (job.Area) return SampleImplicit(*job.Value, *job.Area, curve);
    TCurvePlan plan;
    plan.Value = &*job.Value;
    plan.Abscissa = job.Abscissa ? &*job.Abscissa : nullptr;
    plan.Shape = job.Shape;
    plan.Derivative = job.Derivative;
    plan.View = &job.View;
    plan.Evaluations = evaluations;
    SampleCurve(plan, job.Range, curve, marks);
}

TRangeOutcome SampleFunction2D(TFuncItem& func, const TSampleView& view, TSamplerDialog& dialog,
                               TPline& curve, std::vector<TSampleMark>& marks) {
    curve.Clear();
    const TCurveJob job = PrepareCurveJob(func, view, dialog, TEvaluatorUse::euShared);
    SampleCurveJob(job, curve, marks);
    return job.Outcome;
}

}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/document/compiled_function.h"
#include "core/plot/pline.h"
#include "core/plot/sampler2d.h"
#include "core/plot/sampler_implicit.h"

namespace curvane {

class TFuncItem;

// Which evaluators a function's formulas are compiled into.
enum class TEvaluatorUse : std::uint8_t {
    // The shared evaluators: the function must be sampled before the next
    // formula is compiled, on the user-interface thread.
    euShared,
    // Evaluators of the function's own (TCompiledFunction::Private), whose
    // variables live in cells of their own and whose parameters are read
    // from the cells of the binding in force: many functions can be compiled
    // one after another and then sampled side by side on several threads.
    euPrivate,
};

// Private evaluators kept from one run of a plot to the next. Compiled into
// the same evaluator with the same variable cells, a formula gives the same
// code as in the run before, which the code pool still holds: a run of many
// functions then costs no new code pages, no system call and no evaluators
// built and torn down. Used by one run at a time, on the thread that
// compiles.
class TPrivateEvaluators {
public:
    TPrivateEvaluators();
    ~TPrivateEvaluators();
    TPrivateEvaluators(const TPrivateEvaluators&) = delete;
    TPrivateEvaluators& operator=(const TPrivateEvaluators&) = delete;

    // Compiles formula into evaluator number `index`, made like the shared
    // evaluator `like` (MakeEvaluatorLike) the first time or when `like`
    // changed, and reading the parameters of the binding in force. The result
    // computes what it should until the next Compile of the same index.
    TCompiledFunction Compile(std::size_t index, const TRapidEvaluator& like, const std::string& formula);

private:
    struct TSlot;
    std::vector<std::unique_ptr<TSlot>> FSlots;
};

// One 2D function between choosing its range and sampling it: SampleFunction2D
// in two steps, so that the questions about limits and the compiles can stay on
// the user-interface thread, in the order of the functions, while the sampling
// goes wherever it is cheapest.
struct TCurveJob {
    TRangeOutcome Outcome = TRangeOutcome::roSkip;  // only roSample has anything to sample
    TSampleView View;
    TSampleRange Range;                 // explicit and parametric functions
    std::optional<TImplicitArea> Area;  // implicit functions
    TCurveShape Shape = TCurveShape::csCartesian;
    bool Derivative = false;
    std::optional<TCompiledFunction> Value;
    std::optional<TCompiledFunction> Abscissa;  // parametric functions
};

// Everything SampleFunction2D does before it samples: the checks, the range
// (with its questions, settled in func) and the compiles. Raises ESyntaxError
// for a formula that does not compile. With euPrivate and `kept`, the
// formulas go into kept evaluators 2 * slot and 2 * slot + 1.
TCurveJob PrepareCurveJob(TFuncItem& func, const TSampleView& view, TSamplerDialog& dialog, TEvaluatorUse use,
                          TPrivateEvaluators* kept = nullptr, std::size_t slot = 0);

// Appends the curve of a job whose Outcome is roSample, and its marks, as
// SampleFunction2D does; `evaluations` as TCurvePlan::Evaluations. A job
// compiled with euPrivate may be sampled on any thread, beside other jobs
// that have curves and marks of their own.
void SampleCurveJob(const TCurveJob& job, TPline& curve, std::vector<TSampleMark>& marks,
                    std::uint64_t* evaluations = nullptr);

}  // namespace curvane

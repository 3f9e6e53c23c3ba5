// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/numeric/detached_commands.h"

#include <algorithm>

#include "core/document/shared_evaluators.h"
#include "core/evaluator/rapid_evaluator.h"

namespace curvane {

TDetachedCommands DetachCommands(const TRapidEvaluator& like, const std::string& formula,
                                 const std::vector<const double*>& unknowns) {
    double arg1 = 0, arg2 = 0;
    const std::unique_ptr<TRapidEvaluator> evaluator = MakeEvaluatorLike(like, &arg1, &arg2);
    // Only the parse is wanted: the interpreter's "code" costs nothing to make.
    evaluator->SetUseJit(false);
    evaluator->SetFormula(formula);
    evaluator->Compile();
    TDetachedCommands detached;
    detached.Commands = evaluator->Commands();
    const auto functions = std::count_if(detached.Commands.begin(), detached.Commands.end(), [](const TStackItem& item) {
        return item.Kind == TCommandKind::ckExtFunction;
    });
    detached.Functions = std::make_unique<TExtFunction[]>(static_cast<std::size_t>(functions));
    std::size_t next = 0;
    for (TStackItem& item : detached.Commands) {
        if (item.Kind == TCommandKind::ckExtFunction) {
            detached.Functions[next] = *reinterpret_cast<const TExtFunction*>(item.Address);
            item.Address = reinterpret_cast<std::uintptr_t>(&detached.Functions[next++]);
            continue;
        }
        if (item.Kind != TCommandKind::ckVariable) continue;
        const auto* cell = reinterpret_cast<const double*>(item.Address);
        if (cell == &arg1) {
            item.Address = DetachedX;
            continue;
        }
        const auto unknown = std::find(unknowns.begin(), unknowns.end(), cell);
        if (unknown != unknowns.end()) {
            item.Address = 1 + static_cast<std::uintptr_t>(unknown - unknowns.begin());
            continue;
        }
        item.Kind = TCommandKind::ckConstant;
        item.Value = *cell;
    }
    return detached;
}

}  // namespace curvane

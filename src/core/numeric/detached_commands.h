// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/evaluator/command_list.h"
#include "core/evaluator/evaluator_types.h"

namespace curvane {

class TRapidEvaluator;

// A formula's commands, parsed as `like` parses it and made independent of
// every evaluator and cell, so that they may be walked on any thread after
// the evaluator is gone:
//  - x (the evaluator's first argument) is the variable DetachedX;
//  - the cell unknowns[i] is the variable i + 1;
//  - every other cell (parameters, the second argument) is a constant of
//    the value it holds now;
//  - each external function points at a copy of its routine held here.
struct TDetachedCommands {
    TCommandList Commands;
    std::unique_ptr<TExtFunction[]> Functions;
};

inline constexpr std::uintptr_t DetachedX = 0;

// Raises ESyntaxError for a formula that does not parse.
TDetachedCommands DetachCommands(const TRapidEvaluator& like, const std::string& formula,
                                 const std::vector<const double*>& unknowns = {});

}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/document/constant_formula.h"

#include <cmath>
#include <string>

#include "core/document/shared_evaluators.h"
#include "core/evaluator/rapid_evaluator.h"
#include "core/support/exceptions.h"
#include "core/support/number_format.h"

namespace curvane {

std::optional<double> ParseConstant(std::string_view text) {
    // Plain numbers take the path they always took, so a stored limit or a
    // script's option keeps its last bit whatever the evaluator would fold.
    if (const std::optional<double> plain = ParseDouble(text)) return plain;
    TRapidEvaluator evaluator;
    // The interpreter: the fields read their text at every keystroke, and
    // generated code would seal a page of executable memory for each one.
    evaluator.SetUseJit(false);
    AddSharedFunctions(evaluator);
    for (const char* name : {"X", "Y", "Z"}) evaluator.DeleteVariable(name);
    try {
        evaluator.SetFormula(std::string(text));
        evaluator.Compile();
        const double value = evaluator.Evaluate();
        if (std::isfinite(value)) return value;
    } catch (const Exception&) {
        // A syntax error or a fault: the field does not read.
    }
    return std::nullopt;
}

}  // namespace curvane

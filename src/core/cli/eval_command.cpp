// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/cli/eval_command.h"

#include <ostream>

#include "core/document/constant_formula.h"
#include "core/document/shared_evaluators.h"
#include "core/evaluator/rapid_evaluator.h"
#include "core/support/exceptions.h"
#include "core/support/number_format.h"

namespace curvane {

int RunEvalCommand(const std::string& formula, double x, double y, std::ostream& out, std::ostream& err) {
    // The evaluator of Cartesian functions, so the command knows exactly what
    // a plotted Y(x) knows (pi, Fact and X, Y bound to the shared cells).
    TRapidEvaluator& evaluator = EvalOrtho();
    try {
        evaluator.SetFormula(formula);
        evaluator.Compile();
    } catch (const Exception& e) {
        err << e.what() << '\n';
        return eeFormulaError;
    }
    try {
        EvalArg1 = x;
        EvalArg2 = y;
        const double value = evaluator.Evaluate();
        out << FormatShortest(value) << '\n';
        return eeSuccess;
    } catch (const Exception& e) {
        err << e.what() << '\n';
        return eeMathError;
    }
}

int RunEvalCommand(const std::string& formula, const std::optional<std::string>& x,
                   const std::optional<std::string>& y, std::ostream& out, std::ostream& err) {
    double values[2] = {0, 0};
    const std::optional<std::string>* given[2] = {&x, &y};
    const char* names[2] = {"--x", "--y"};
    for (int i = 0; i < 2; ++i) {
        if (!*given[i]) continue;
        const std::optional<double> v = ParseConstant(**given[i]);
        if (!v) {
            err << "curvane: " << names[i] << " needs a number, not \"" << **given[i] << "\"\n";
            return eeUsage;
        }
        values[i] = *v;
    }
    return RunEvalCommand(formula, values[0], values[1], out, err);
}

}  // namespace curvane

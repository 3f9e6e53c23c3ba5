// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/cli/eval_command.h"

#include <ostream>

#include "core/cli/command_line.h"
#include "core/cli/parameter_settings.h"
#include "core/document/constant_formula.h"
#include "core/support/exceptions.h"
#include "core/support/number_format.h"

namespace curvane {

int RunEvalCommand(const std::string& formula, double x, double y, std::ostream& out, std::ostream& err,
                   const TParameterList& parameters) {
    // Like the evaluator of Cartesian functions, so the command knows exactly
    // what a plotted Y(x) knows (pi, Fact, X and Y), and the parameters.
    std::optional<TCompiledFunction> f;
    try {
        f = CompileCommandFormula(formula, parameters);
    } catch (const Exception& e) {
        err << e.what() << '\n';
        return eeFormulaError;
    }
    try {
        const double value = f->Evaluate(x, y);
        out << FormatShortest(value) << '\n';
        return eeSuccess;
    } catch (const Exception& e) {
        err << e.what() << '\n';
        return eeMathError;
    }
}

int RunEvalCommand(const std::string& formula, const std::optional<std::string>& x,
                   const std::optional<std::string>& y, std::ostream& out, std::ostream& err,
                   const std::vector<std::string>& sets) {
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
    TParameterList parameters;
    try {
        parameters = ParametersForFormulas(ParseParameterSettings(sets, eeUsage), {formula}, eeUsage);
    } catch (const ECommandLine& e) {
        err << "curvane: " << e.what() << '\n';
        return e.Status();
    }
    return RunEvalCommand(formula, values[0], values[1], out, err, parameters);
}

}  // namespace curvane

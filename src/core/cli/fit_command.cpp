// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/cli/fit_command.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/cli/parameter_settings.h"
#include "core/data/data_reader.h"
#include "core/document/parameter_cells.h"
#include "core/document/shared_evaluators.h"
#include "core/evaluator/lookup_table.h"
#include "core/numeric/fit.h"
#include "core/support/exceptions.h"
#include "core/support/number_format.h"

namespace curvane {

namespace {

constexpr int Usage = static_cast<int>(TFitExit::feUsage);

// 17 significant digits: every double reads back as itself. to_chars
// writes "." whatever the locale.
std::string Full(double value) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 17).ptr;
    return std::string(buffer, end);
}

// "2,3" or "2,3,4": the columns of x, y and dy, counting from 1.
TDataColumns Columns(const TCommandLine& line) {
    TDataColumns columns;
    const std::optional<std::string> text = line.Value("columns");
    if (!text) return columns;
    std::vector<int> numbers;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = std::min(text->find(',', start), text->size());
        const std::optional<long long> n = ParseInteger(text->substr(start, comma - start));
        if (!n || *n < 1 || *n > 1000000) {
            numbers.clear();
            break;
        }
        numbers.push_back(static_cast<int>(*n));
        if (comma == text->size()) break;
        start = comma + 1;
    }
    if (numbers.size() != 2 && numbers.size() != 3)
        throw ECommandLine("--columns takes X,Y or X,Y,DY, whole numbers from 1, not \"" + *text + "\"", Usage);
    columns.X = numbers[0];
    columns.Y = numbers[1];
    columns.DY = numbers.size() == 3 ? numbers[2] : 0;
    return columns;
}

}  // namespace

int RunFitCommand(const TCommandLine& line, std::ostream& out, std::ostream& err) {
    const std::string formula = line.Value("fit").value_or("");
    TDataTable table;
    TParameterList fixed;
    std::vector<TParameterSetting> starts;
    try {
        const TDataColumns columns = Columns(line);
        fixed = ParametersForFormulas(ParseParameterSettings(line.Values("set"), Usage), {formula}, Usage);
        starts = ParseParameterSettings(line.Values("start"), Usage, "--start");
        for (const TParameterSetting& s : starts)
            if (fixed.Find(s.Name))
                throw ECommandLine("--start: " + s.Name + " is held by --set, not fitted", Usage);
        table = ReadDataFile(line.Value("data").value_or(""), {columns});
    } catch (const ECommandLine& e) {
        err << "curvane: " << e.what() << '\n';
        return Usage;
    } catch (const Exception& e) {
        err << "curvane: " << e.what() << '\n';
        return Usage;
    }
    for (const TSkippedLine& skipped : table.Skipped)
        err << "curvane: skipped " << DescribeSkippedLine(skipped) << '\n';
    if (table.SkippedCount > table.Skipped.size())
        err << "curvane: skipped " << table.SkippedCount - table.Skipped.size() << " more lines\n";

    std::optional<TFitModel> model;
    std::vector<double> start;
    try {
        std::vector<std::string> unknowns;
        {
            const TParameterBinding binding(fixed);
            unknowns = UnknownVariableNames(formula, EvalOrtho());
        }
        // Compiled first: a name no parameter may have (t, z) is left out of
        // the unknowns and shows here as the evaluator's unknown name.
        model = TFitModel::Make(EvalOrtho(), formula, unknowns, fixed);
        if (unknowns.empty()) {
            err << "curvane: --fit: the formula has no unknowns to fit\n";
            return static_cast<int>(TFitExit::feFormulaError);
        }
        for (const TParameterSetting& s : starts)
            if (std::none_of(unknowns.begin(), unknowns.end(),
                             [&](const std::string& u) { return SameName(u, s.Name); }))
                throw ECommandLine("--start: " + s.Name + " is not an unknown of the formula", Usage);
        for (const std::string& name : unknowns) {
            const auto given = std::find_if(starts.begin(), starts.end(),
                                            [&](const TParameterSetting& s) { return SameName(s.Name, name); });
            start.push_back(given == starts.end() ? 1.0 : given->Value);
        }
    } catch (const ECommandLine& e) {
        err << "curvane: " << e.what() << '\n';
        return Usage;
    } catch (const Exception& e) {
        err << e.what() << '\n';
        return static_cast<int>(TFitExit::feFormulaError);
    }

    TFitResult result;
    try {
        result = FitModel(*model, TFitData{table.X, table.Y, table.DY}, start);
    } catch (const Exception& e) {
        err << "curvane: " << e.what() << '\n';
        return Usage;
    }
    for (std::size_t j = 0; j < result.Names.size(); ++j)
        out << result.Names[j] << " = " << Full(result.Values[j]) << " \u00b1 " << Full(result.StandardErrors[j])
            << '\n';
    out << "RSS = " << Full(result.RSS) << '\n'
        << "R2 = " << Full(result.R2) << '\n'
        << "dof = " << result.Dof << '\n'
        << "iterations = " << result.Iterations << '\n'
        << "stopped: " << FitStopName(result.Stop) << '\n';
    return static_cast<int>(result.Succeeded() ? TFitExit::feConverged : TFitExit::feNotConverged);
}

}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/cli/numeric_commands.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/cli/eval_command.h"
#include "core/cli/parameter_settings.h"
#include "core/document/compiled_function.h"
#include "core/document/constant_formula.h"
#include "core/document/parameter_cells.h"
#include "core/document/shared_evaluators.h"
#include "core/numeric/compiled_integrand.h"
#include "core/numeric/integration.h"
#include "core/numeric/point_search.h"
#include "core/numeric/roots.h"
#include "core/numeric/tabulation.h"
#include "core/support/exceptions.h"
#include "core/support/number_format.h"

namespace curvane {

namespace {

// Bad option values are reported as the parser reports a bad command line,
// "curvane: " and one line; ECommandLine carries them out of the readers.
ECommandLine Usage(const std::string& message) { return ECommandLine(message, eeUsage); }

std::string Given(std::string_view name) { return "--" + std::string(name); }

// Parse makes sure every required option is there; a line made otherwise
// still gets a message rather than an empty optional dereferenced.
std::string Text(const TCommandLine& line, std::string_view name) {
    std::optional<std::string> text = line.Value(name);
    if (!text) throw Usage(Given(name) + " is missing");
    return std::move(*text);
}

double Number(const TCommandLine& line, std::string_view name) {
    const std::string text = Text(line, name);
    const std::optional<double> value = ParseConstant(text);
    if (!value) throw Usage(Given(name) + " needs a number, not \"" + text + "\"");
    return *value;
}

// An accuracy of 0 or less is never met: the doubling of --integrate would
// run until the segment count overflows, the chord method to its round limit.
double Accuracy(const TCommandLine& line, double fallback) {
    if (!line.IsSet("accuracy")) return fallback;
    const double value = Number(line, "accuracy");
    if (!(value > 0)) throw Usage("--accuracy needs a number above 0, not \"" + *line.Value("accuracy") + "\"");
    return value;
}

TIntegralMethod Rule(const TCommandLine& line) {
    const std::optional<std::string> text = line.Value("rule");
    if (!text || *text == "rectangles") return TIntegralMethod::imRectangles;
    if (*text == "trapezoids") return TIntegralMethod::imTrapezoids;
    if (*text == "simpson") return TIntegralMethod::imSimpson;
    throw Usage("--rule takes rectangles, trapezoids or simpson, not \"" + *text + "\"");
}

std::int64_t Segments(const TCommandLine& line) {
    const std::optional<std::string> text = line.Value("segments");
    if (!text) return DefaultSegments;
    const std::optional<long long> value = ParseInteger(*text);
    if (!value || *value < MinSegments || *value > MaxSegments)
        throw Usage("--segments needs a whole number from " + std::to_string(MinSegments) + " to " +
                    std::to_string(MaxSegments) + ", not \"" + *text + "\"");
    return *value;
}

TTabulationRange Range(const TCommandLine& line, std::string_view from, std::string_view to, std::string_view step) {
    return {Number(line, from), Number(line, to), Number(line, step)};
}

// The parameters --set defines for the formulas of the command.
TParameterList Parameters(const TCommandLine& line, const std::vector<std::string>& formulas) {
    return ParametersForFormulas(ParseParameterSettings(line.Values("set"), eeUsage), formulas, eeUsage);
}

TRealFunction OfX(const TCompiledFunction& f) {
    return [&f](double x) { return f.Evaluate(x); };
}

// Limits given high to low are put in order; the warning says which range
// the result is for.
void OrderLimits(double& from, double& to, std::ostream& err) {
    if (from <= to) return;
    std::swap(from, to);
    err << "curvane: warning: the limits were swapped, searching from " << FormatShortest(from) << " to "
        << FormatShortest(to) << '\n';
}

// "root 3.141592653589793 [3.141592653589793, 3.1415926535897936] unique";
// an intersection adds its Y, so the first fields read alike in every mode.
std::string PointLine(const TPointOfInterest& p) {
    std::string text = std::string(PointKindName(p.Kind)) + ' ' + FormatShortest(p.X) + " [" + FormatShortest(p.XLo) +
                       ", " + FormatShortest(p.XHi) + "] " + PointStatusName(p.Status);
    if (p.Kind == TPointKind::pkIntersection) text += ' ' + FormatShortest(p.Y);
    return text;
}

// Runs one command in its three stages, each with its own status for an
// Exception: reading the options (eeUsage), compiling (eeFormulaError) and
// computing (`computeStatus`).
template <class TRead, class TCompile, class TCompute>
int Run(std::ostream& err, TRead&& read, TCompile&& compile, TCompute&& compute, int computeStatus) {
    try {
        read();
    } catch (const ECommandLine& e) {
        err << "curvane: " << e.what() << '\n';
        return eeUsage;
    }
    try {
        compile();
    } catch (const Exception& e) {
        err << e.what() << '\n';
        return eeFormulaError;
    }
    try {
        compute();
    } catch (const Exception& e) {
        err << e.what() << '\n';
        return computeStatus;
    }
    return eeSuccess;
}

}  // namespace

int RunTabulateCommand(const TCommandLine& line, std::ostream& out, std::ostream& err) {
    TTabulationRange x, y;
    bool surface = false;
    std::string formula, pattern;
    TParameterList parameters;
    std::optional<TCompiledFunction> f;
    const auto read = [&] {
        x = Range(line, "from", "to", "step");
        const int yOptions = line.IsSet("y-from") + line.IsSet("y-to") + line.IsSet("y-step");
        if (yOptions != 0 && yOptions != 3) throw Usage("--y-from, --y-to and --y-step go together");
        surface = yOptions == 3;
        if (surface) y = Range(line, "y-from", "y-to", "y-step");
        pattern = line.Value("pattern").value_or(DefaultTabulationPattern);
        formula = Text(line, "tabulate");
        parameters = Parameters(line, {formula});
    };
    const auto compile = [&] { f = CompileCommandFormula(formula, parameters); };
    // A stream that fails (a full disk) ends the table; a closed pipe ends
    // the process before that, as it does for any filter.
    const TLineSink sink = [&](const std::string& text) { return static_cast<bool>(out << text << '\n'); };
    const auto compute = [&] {
        if (surface)
            Tabulate3D([&](double px, double py) { return f->Evaluate(px, py); }, pattern, x, y, sink);
        else
            Tabulate2D(OfX(*f), pattern, x, sink);
    };
    return Run(err, read, compile, compute, eeUsage);
}

int RunIntegrateCommand(const TCommandLine& line, std::ostream& out, std::ostream& err) {
    TIntegralTask task;
    std::string formula;
    TParameterList parameters;
    std::optional<TCompiledFunction> f;
    const auto read = [&] {
        task.From = Number(line, "from");
        task.To = Number(line, "to");
        task.Method = Rule(line);
        task.Segments = Segments(line);
        task.LimitAccuracy = line.IsSet("accuracy");
        task.Accuracy = Accuracy(line, task.Accuracy);
        formula = Text(line, "integrate");
        parameters = Parameters(line, {formula});
    };
    const auto compile = [&] { f = CompileCommandFormula(formula, parameters); };
    // Limits given high to low integrate to the negative: a script takes the
    // number as the answer to what it asked, so they are not swapped.
    const auto compute = [&] {
        out << FormatShortest(Integrate(CompiledIntegrand(*f), task).Value) << '\n';
    };
    return Run(err, read, compile, compute, eeMathError);
}

int RunRootCommand(const TCommandLine& line, std::ostream& out, std::ostream& err) {
    double from = 0, to = 0, accuracy = 0;
    std::string formula;
    std::optional<std::string> other;
    TParameterList parameters;
    std::optional<TCompiledFunction> f, g;
    const auto read = [&] {
        from = Number(line, "from");
        to = Number(line, "to");
        accuracy = Accuracy(line, DefaultRootAccuracy);
        formula = Text(line, "root");
        other = line.Value("with");
        parameters = Parameters(line, other ? std::vector{formula, *other} : std::vector{formula});
    };
    const auto compile = [&] {
        f = CompileCommandFormula(formula, parameters);
        if (other) g = CompileCommandFormula(*other, parameters);
    };
    const auto compute = [&] {
        OrderLimits(from, to, err);
        if (other)
            out << IntersectionReport(formula, *other, from, to, FindIntersection(OfX(*f), OfX(*g), from, to, accuracy))
                << '\n';
        else
            out << RootReport(formula, from, to, FindRoot(OfX(*f), from, to, accuracy)) << '\n';
    };
    return Run(err, read, compile, compute, eeMathError);
}

int RunPointsCommand(const TCommandLine& line, std::ostream& out, std::ostream& err) {
    const TCliMode mode = line.Mode();
    const std::string_view option = mode == TCliMode::cmExtrema         ? "extrema"
                                    : mode == TCliMode::cmIntersections ? "intersections"
                                                                        : "roots";
    double from = 0, to = 0;
    std::string formula;
    std::optional<std::string> other;
    TParameterList parameters;
    std::optional<TPointFormula> f, g;
    TPointSearch found;
    const auto read = [&] {
        from = Number(line, "from");
        to = Number(line, "to");
        formula = Text(line, option);
        if (mode == TCliMode::cmIntersections) other = Text(line, "with");
        parameters = Parameters(line, other ? std::vector{formula, *other} : std::vector{formula});
    };
    // The formulas take the parameters' values as they are made and keep them.
    const auto compile = [&] {
        const TParameterBinding binding(parameters);
        f = TPointFormula::Make(EvalOrtho(), formula);
        if (other) g = TPointFormula::Make(EvalOrtho(), *other);
    };
    const auto compute = [&] {
        OrderLimits(from, to, err);
        const TSearchEnds ends = line.IsSet("ends") ? TSearchEnds::seInclude : TSearchEnds::seExclude;
        if (mode == TCliMode::cmIntersections)
            found = FindIntersections(*f, *g, from, to, TPointSearchLimits{RequestedPointSearchBoxes});
        else if (mode == TCliMode::cmExtrema)
            found = FindExtrema(*f, from, to, ends, TPointSearchLimits{RequestedPointSearchBoxes});
        else
            found = FindRoots(*f, from, to, TPointSearchLimits{RequestedPointSearchBoxes});
        for (const TPointOfInterest& p : found.Points) out << PointLine(p) << '\n';
    };
    // eeUsage and eeFormulaError are the TPointExit statuses of the same name.
    if (const int status = Run(err, read, compile, compute, eeFormulaError); status != eeSuccess) return status;
    if (!found.WorkLimitReached) return static_cast<int>(TPointExit::peSuccess);
    err << "curvane: the search reached its work limit: the points printed are right, but the interval may hold "
           "others, and a point whose status is possible may be none\n";
    return static_cast<int>(TPointExit::peWorkLimit);
}

}  // namespace curvane

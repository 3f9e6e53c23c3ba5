// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/numeric/tabulation.h"

#include <cmath>

#include "core/support/exceptions.h"
#include "core/support/number_format.h"
#include "core/support/version.h"

namespace curvane {

namespace {

void ReplaceFirst(std::string& text, const char* placeholder, double value) {
    const std::size_t at = text.find(placeholder);
    if (at != std::string::npos) text.replace(at, 2, FormatGeneral(value, 15));
}

// Refuses ranges whose loop would never end. The step check is repeated at
// every point by the loops themselves, since a step that moves 0 on may
// stop moving 1e17 on.
void CheckRange(const TTabulationRange& range) {
    if (!std::isfinite(range.From) || !std::isfinite(range.To) || !std::isfinite(range.Step))
        throw Exception("Invalid float value!");
    if (range.Step <= 0) throw Exception("Tabulate: the step must be greater than 0");
}

double Advance(double value, double step) {
    const double next = value + step;
    if (next == value)
        throw Exception("Tabulate: the step " + FormatGeneral(step, 15) + " is too small to move on from " +
                        FormatGeneral(value, 15));
    return next;
}

// The line of one point, or "Math error ..." when computing it raises.
template <class TLine>
std::string PointLine(TLine&& line) {
    try {
        return line();
    } catch (const Exception& e) {
        return std::string("Math error ") + e.what();
    }
}

}  // namespace

std::string TabulationLine(const std::string& pattern, double x, double y, double z) {
    std::string line = pattern;
    ReplaceFirst(line, "%x", x);
    ReplaceFirst(line, "%y", y);
    ReplaceFirst(line, "%z", z);
    return line;
}

std::vector<std::string> TabulationHeader(const std::string& formula, bool surface) {
    const std::string rule(45, '-');
    return {std::string("Function tabulation made by Curvane v") + Version + " - https://curvane.org", rule,
            (surface ? "Z(x,y) = " : "Y(x) = ") + formula, rule};
}

bool Tabulate2D(const TRealFunction& f, const std::string& pattern, const TTabulationRange& x, const TLineSink& sink) {
    CheckRange(x);
    for (double px = x.From; px <= x.To; px = Advance(px, x.Step))
        if (!sink(PointLine([&] { return TabulationLine(pattern, px, f(px), 0); }))) return false;
    return true;
}

bool Tabulate3D(const TRealFunction2& f, const std::string& pattern, const TTabulationRange& x,
                const TTabulationRange& y, const TLineSink& sink) {
    CheckRange(x);
    CheckRange(y);
    for (double px = x.From; px <= x.To; px = Advance(px, x.Step))
        for (double py = y.From; py <= y.To; py = Advance(py, y.Step))
            if (!sink(PointLine([&] { return TabulationLine(pattern, px, py, f(px, py)); }))) return false;
    return true;
}

}  // namespace curvane

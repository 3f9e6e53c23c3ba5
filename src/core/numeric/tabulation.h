// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/numeric/integration.h"

namespace curvane {

// f(x, y) for a table of a surface; raises as TRealFunction does.
using TRealFunction2 = std::function<double(double, double)>;

// Receives each line of a table; returning false ends the table there (a
// dialog capping its text, a closed pipe).
using TLineSink = std::function<bool(const std::string&)>;

// Values From, From + Step, ... by repeated addition while the value is <= To,
// so whether To itself is reached depends on rounding (0 to 10 by 0.1 ends at
// 9.99999999999998).
struct TTabulationRange {
    double From = 0;
    double To = 10;
    double Step = 0.1;
};

// The pattern the tabulation tools start with.
inline constexpr const char* DefaultTabulationPattern = "X=%x Y=%y Z=%z";

// `pattern` with its first "%x" replaced by x, then the first "%y" by y, then
// the first "%z" by z, each in the general form of at most 15 significant
// digits; later occurrences stay as written.
std::string TabulationLine(const std::string& pattern, double x, double y, double z);

// The four lines above a table: credit, rule, "Y(x) = formula" (or
// "Z(x,y) = formula" for a surface), rule.
std::vector<std::string> TabulationHeader(const std::string& formula, bool surface);

// Writes one line per x of `x`: the pattern with (x, f(x), 0). A point where f
// (or the formatting) raises an Exception gives "Math error " and its message
// instead, and the table goes on. Raises Exception "Invalid float value!" for
// a bound that is not finite, and a message saying so for a step that is not
// above 0 or too small to move x on (either would never end). Returns false
// when the sink ended the table.
bool Tabulate2D(const TRealFunction& f, const std::string& pattern, const TTabulationRange& x, const TLineSink& sink);

// The same over x and y, y varying fastest: lines of (x, y, f(x, y)).
bool Tabulate3D(const TRealFunction2& f, const std::string& pattern, const TTabulationRange& x,
                const TTabulationRange& y, const TLineSink& sink);

}  // namespace curvane

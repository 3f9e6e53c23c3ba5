// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string_view>

namespace curvane {

// Reads a number field or number option: a plain decimal number ("0.1",
// "-1.5", "1e-3") exactly as ParseDouble reads it, or else a constant formula
// of the language the functions are written in ("pi/2", "2*pi", "sqrt(2)",
// "Fact(5)"), with its functions and constants but no variables. Gives nullopt
// for a text that does not compile, a fault while computing it, or a result
// that is not a finite number: the caller shows its own message for a field
// that does not read.
std::optional<double> ParseConstant(std::string_view text);

}  // namespace curvane

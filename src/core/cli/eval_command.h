// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "core/document/parameters.h"

namespace curvane {

// Exit statuses of `curvane --eval`.
enum TEvalExit : int {
    eeSuccess = 0,
    eeUsage = 1,         // a malformed --x / --y value
    eeFormulaError = 2,  // the evaluator's syntax message on stderr
    eeMathError = 3,     // a floating-point fault (or a range error) on stderr
};

// Evaluates `formula` with X and Y bound to x and y, and the parameters with
// their values, and writes the value in the shortest form that reads back to
// the same double, or the error message. Returns the exit status.
int RunEvalCommand(const std::string& formula, double x, double y, std::ostream& out, std::ostream& err,
                   const TParameterList& parameters = {});

// The same with --x / --y and the texts of every --set as given on the
// command line (absent: 0, no parameters).
int RunEvalCommand(const std::string& formula, const std::optional<std::string>& x,
                   const std::optional<std::string>& y, std::ostream& out, std::ostream& err,
                   const std::vector<std::string>& sets = {});

}  // namespace curvane

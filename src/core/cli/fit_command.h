// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>

#include "core/cli/command_line.h"

namespace curvane {

// Exit statuses of `curvane --fit`; scripts test these numbers.
enum class TFitExit : int {
    feConverged = 0,
    feUsage = 1,         // a malformed option, or a data file that cannot be read
    feFormulaError = 2,  // the model does not compile, or has nothing to fit
    feNotConverged = 3,  // the iteration limit, a singular Jacobian, a model not computable at the start
};

// --fit FORMULA --data FILE: fits the unknowns of FORMULA (the names it uses
// that are neither x nor known, less those --set holds) to the points of
// FILE, starting from --start or 1, and writes one line "NAME = VALUE ± SE"
// per unknown, then "RSS = ", "R2 = ", "dof = ", "iterations = " and
// "stopped: " with the reason; numbers with 17 significant digits. Lines of
// the file that give no point are listed on `err`. Returns a TFitExit.
int RunFitCommand(const TCommandLine& line, std::ostream& out, std::ostream& err);

}  // namespace curvane

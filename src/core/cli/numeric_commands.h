// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>

#include "core/cli/command_line.h"
#include "core/numeric/point_search.h"

namespace curvane {

// The numerical modes of the command line. Each reads its options from a
// line parsed for its mode, compiles its formulas as --eval does (X and Y as
// a plotted function has them, Y = 0 where only X is given), writes its
// result to `out` and messages to `err`, and returns an exit status of
// TEvalExit: eeUsage for a malformed number or option, eeFormulaError with
// the evaluator's message, eeMathError with the message of a fault.

// --tabulate: the lines of Tabulate2D, or of Tabulate3D with --y-from, --y-to
// and --y-step, as they come. The range errors the tabulation raises (a step
// not above 0 or too small to move on) are usage errors; points that fault
// are lines of the table.
int RunTabulateCommand(const TCommandLine& line, std::ostream& out, std::ostream& err);

// --integrate: the value of Integrate in its shortest form.
int RunIntegrateCommand(const TCommandLine& line, std::ostream& out, std::ostream& err);

// --root: the report line of FindRoot, or of FindIntersection with --with.
// "No roots" and a search that does not converge are faults.
int RunRootCommand(const TCommandLine& line, std::ostream& out, std::ostream& err);

// Exit statuses of --roots, --extrema and --intersections: those of --eval,
// except that 3 means an unfinished search rather than a fault.
enum class TPointExit : int {
    peSuccess = eeSuccess,            // the search finished; no point is an answer too
    peUsage = eeUsage,                // a malformed number or option
    peFormulaError = eeFormulaError,  // the evaluator's message on stderr
    peWorkLimit = 3,                  // the points found are printed, the note is on stderr
};


// --roots, --extrema (--ends) and --intersections (--with): one line per
// point in increasing x, "KIND X [LO, HI] STATUS", an intersection followed
// by its Y; numbers in their shortest form. Returns a TPointExit.
int RunPointsCommand(const TCommandLine& line, std::ostream& out, std::ostream& err);

}  // namespace curvane

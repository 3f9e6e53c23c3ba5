// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace curvane {

// What went wrong while evaluating one point. The values double as the status
// codes that external functions report (see TExtFunction).
enum class TEvalFault : std::uint8_t {
    efNone = 0,
    efInvalidOp = 1,   // EInvalidOp
    efZeroDivide = 2,  // EZeroDivide
    efOverflow = 3,    // EOverflow
    efRangeError = 4,  // ERangeError ("Range check error"), e.g. Fact(-1)
};

// Raises the exception that belongs to a fault; efNone raises nothing.
void RaiseEvalFault(TEvalFault fault);

// Calling convention of external functions (x86-64 System V, and the same on
// every other platform since it is a plain C++ function pointer):
//
//   double fn(const double* args, std::int32_t* status)
//
// args[0] .. args[ParamCount-1] are the arguments in the order the formula
// writes them (args may point at unused memory when ParamCount is 0). The
// function returns its value and must not throw: generated code has no unwind
// information, so an exception would terminate the process. To report an
// error it stores a non-zero TEvalFault code into *status and returns any
// value (NaN is customary); Evaluate then raises the matching exception after
// the formula has run to its end. Status is only ever set, never cleared, by
// the functions. The function may read and write variable cells; a formula
// reads each variable at its place in the formula, after any call before it.
using TExtFunction = double (*)(const double* args, std::int32_t* status);

}  // namespace curvane

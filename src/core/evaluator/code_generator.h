// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

#include "core/evaluator/command_list.h"

namespace curvane {

// True where GenerateX64 produces runnable code (x86-64 System V).
bool X64CodeGeneratorAvailable() noexcept;

// Translates a parsed command list into one x86-64 routine
//
//   double routine(std::int32_t* status)
//
// position-independent except for the absolute addresses of variable cells,
// external-function entries and helper functions it embeds. The routine
// neither clears nor reads fault flags; external functions get `status`.
//
// Numbers: the value being worked on is kept in x87 ST0 at extended
// precision; a pending operand waits as a double in the routine's frame (it is
// rounded to a double when another operand is pushed on top of it, and only
// then); arguments of C library functions, of PowerFunc and of external
// functions are doubles. A variable or constant is not loaded until the
// command that consumes it, where it becomes a memory operand of the x87
// instruction; a result consumed by the next command never leaves ST0.
// Throws Exception "OPERATION NOT SUPPORTED" / "UNSUPPORTED FUNCTION" for
// commands the parser never produces.
std::vector<std::uint8_t> GenerateX64(const TCommandList& commands, bool useSafeCall);

// The same formula as a batch loop
//
//   void loop(double* cell, const double* params, std::size_t n, double* out,
//             std::int32_t* status)
//
// which for each i stores params[i] into *cell and the formula's value into
// out[i], with exactly the instructions of GenerateX64's routine in between.
// A formula that calls the C library (and no external function) is run two
// points per pass, each point on frame cells of its own, reading copies of
// its variables taken when its parameter is in the cell; the cell holds
// params[n - 1] at the end. out may be params itself but must not overlap
// the formula's variable cells.
std::vector<std::uint8_t> GenerateX64Loop(const TCommandList& commands, bool useSafeCall);

}  // namespace curvane

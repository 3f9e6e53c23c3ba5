// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace curvane {

// Sticky floating-point fault flags, gathered from both units that generated
// formulas touch: the x87 (arithmetic in extended precision) and SSE (the C
// library's transcendental functions). Exceptions stay masked throughout, so a
// fault never traps; it only leaves a flag behind for the caller to read.
enum TFpuFlag : std::uint32_t {
    fpuInvalid = 1u << 0,
    fpuZeroDivide = 1u << 2,
    fpuOverflow = 1u << 3,
};
constexpr std::uint32_t FpuFaultMask = fpuInvalid | fpuZeroDivide | fpuOverflow;

// Clears the sticky flags of both units (the control words are left alone).
void ClearFpuFlags() noexcept;

// The union of the sticky flags of both units, as TFpuFlag bits. Denormal,
// underflow and precision flags are reported too but callers ignore them.
std::uint32_t ReadFpuFlags() noexcept;

}  // namespace curvane

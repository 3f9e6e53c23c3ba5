// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace curvane {

// The precision of the value being worked on: the x87's 64-bit mantissa
// where there is an x87; elsewhere long double is often a software format
// many times slower than double, and double is what the hardware has.
#if defined(__x86_64__) || defined(__i386__)
using TExtended = long double;
#else
using TExtended = double;
#endif

// Base ^ Exponent in extended precision; the one routine behind "^" (generated
// code calls it directly, the interpreter too):
//   Exponent = 0                          -> 1 (also 0^0 and NaN^0)
//   Base = 0, Exponent > 0                -> 0
//   integral Exponent, |Exponent| < 2^31  -> repeated squaring over the bits
//                                            of |n|; 1/result for n < 0
//   otherwise                             -> exp(Exponent * ln Base); a
//                                            negative Base is invalid (NaN)
// Faults show only as floating-point flags; nothing is thrown.
TExtended PowerFunc(double base, double exponent) noexcept;

// The largest |n| that PowerFunc raises by repeated squaring.
constexpr double PowerIntegerLimit = 2147483647.0;

// Built-ins computed by the C library in double precision. Returns null for
// the built-ins computed on the x87 (NEG, ABS, SQRT, PI, SUM).
using TLibraryFunction = double (*)(double);
TLibraryFunction LibraryFunction(std::int32_t funcCode) noexcept;
// CTG, SEC and COSEC are 1 / (tan, cos, sin), the division in extended precision.
bool IsReciprocalFunction(std::int32_t funcCode) noexcept;

}  // namespace curvane

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

// Built-ins computed in double precision by a call: the C library's own
// functions, and SIGN, which the C library lacks. Returns null for the
// built-ins computed on the x87 (NEG, ABS, SQRT, PI, SUM), for the constant
// E and for the two-argument ones below.
using TLibraryFunction = double (*)(double);
TLibraryFunction LibraryFunction(std::int32_t funcCode) noexcept;

// MIN, MAX and MOD: two doubles in, one double out, by a call like the ones
// above (null for every other code). Faults show only as floating-point
// flags, as for the C library:
//   MIN, MAX   a NaN argument gives NaN (never the other argument); of -0
//              and +0, MIN gives -0 and MAX +0
//   MOD(a, b)  a - b*floor(a/b) computed exactly (fmod), then rounded once:
//              the sign of b, +0 or -0 as b for a remainder of 0; b = 0 or
//              an infinite a is an invalid operation
using TLibraryFunction2 = double (*)(double, double);
TLibraryFunction2 LibraryFunction2(std::int32_t funcCode) noexcept;

// The constant E as the double nearest to e (PI, computed by fldpi, is pi to
// the x87's 64 bits).
constexpr double EulerNumber = 2.718281828459045;
// CTG, SEC and COSEC are 1 / (tan, cos, sin), the division in extended precision.
bool IsReciprocalFunction(std::int32_t funcCode) noexcept;

}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/evaluator/math_functions.h"

#include <math.h>

#include <cmath>

#include "core/evaluator/command_list.h"

namespace curvane {

TExtended PowerFunc(double base, double exponent) noexcept {
    if (exponent == 0) return 1;
    if (base == 0 && exponent > 0) return 0;
    if (std::trunc(exponent) == exponent && std::fabs(exponent) <= PowerIntegerLimit) {
        const auto n = static_cast<std::int64_t>(exponent);
        std::uint64_t bits = static_cast<std::uint64_t>(n < 0 ? -n : n);
        // Generated code inlines constant integer exponents with exactly this
        // sequence of multiplications, so both give bit-identical results.
        TExtended square = base;
        TExtended result = 1;
        bool haveResult = false;
        while (bits != 0) {
            if (bits & 1) {
                result = haveResult ? result * square : square;
                haveResult = true;
            }
            bits >>= 1;
            if (bits != 0) square = square * square;
        }
        return n < 0 ? 1 / result : result;
    }
    return std::exp(static_cast<TExtended>(exponent) * std::log(static_cast<TExtended>(base)));
}

namespace {
// The C library's own entry points: generated code calls them directly, and
// the interpreter calls the same ones, so both get identical values.
constexpr TLibraryFunction Sin = &::sin;
constexpr TLibraryFunction Cos = &::cos;
constexpr TLibraryFunction Tan = &::tan;
constexpr TLibraryFunction Atan = &::atan;
constexpr TLibraryFunction Asin = &::asin;
constexpr TLibraryFunction Acos = &::acos;
constexpr TLibraryFunction Exp = &::exp;
constexpr TLibraryFunction Log = &::log;
constexpr TLibraryFunction Log10 = &::log10;
constexpr TLibraryFunction Log2 = &::log2;
constexpr TLibraryFunction Sinh = &::sinh;
constexpr TLibraryFunction Cosh = &::cosh;
constexpr TLibraryFunction Tanh = &::tanh;
constexpr TLibraryFunction Floor = &::floor;
constexpr TLibraryFunction Ceil = &::ceil;
// Halves away from zero, and exactly: floor(x + 0.5) would round
// 0.49999999999999994 up, since the sum rounds to 1.
constexpr TLibraryFunction Round = &::round;

// A quiet NaN passes through these without a fault, as through the C
// library's functions. Hence the test for NaN first everywhere: < and > on a
// NaN raise the invalid-operation flag (comisd), and the comparisons alone
// would make MIN and MAX return the other argument.

// Both zeros give +0.
double Sign(double x) noexcept {
    if (std::isnan(x)) return x;
    if (x > 0) return 1;
    return x < 0 ? -1 : 0;
}

double Min(double a, double b) noexcept {
    if (std::isnan(a) || std::isnan(b)) return a + b;
    if (a == b) return std::signbit(a) ? a : b;
    return a < b ? a : b;
}

double Max(double a, double b) noexcept {
    if (std::isnan(a) || std::isnan(b)) return a + b;
    if (a == b) return std::signbit(a) ? b : a;
    return a > b ? a : b;
}

// fmod is exact, where a - b*floor(a/b) loses the remainder as soon as a/b
// is large (mod(1e17, 3) would give 0, not 1). Moving a remainder of the
// wrong sign by b rounds once. fmod itself raises the invalid-operation flag
// for b = 0 and for an infinite a.
double Mod(double a, double b) noexcept {
    const double r = std::fmod(a, b);
    if (std::isnan(r)) return r;
    if (r == 0) return std::copysign(0.0, b);
    return (r < 0) != (b < 0) ? r + b : r;
}
}  // namespace

TLibraryFunction LibraryFunction(std::int32_t funcCode) noexcept {
    switch (funcCode) {
        case fcSin:
        case fcCosec: return Sin;
        case fcCos:
        case fcSec: return Cos;
        case fcTg:
        case fcCtg: return Tan;
        case fcArctg: return Atan;
        case fcArcsin: return Asin;
        case fcArccos: return Acos;
        case fcExp: return Exp;
        case fcLn: return Log;
        case fcLog10: return Log10;
        case fcLog2: return Log2;
        case fcSinh: return Sinh;
        case fcCosh: return Cosh;
        case fcTanh: return Tanh;
        case fcFloor: return Floor;
        case fcCeil: return Ceil;
        case fcRound: return Round;
        case fcSign: return &Sign;
        default: return nullptr;
    }
}

TLibraryFunction2 LibraryFunction2(std::int32_t funcCode) noexcept {
    switch (funcCode) {
        case fcMin: return &Min;
        case fcMax: return &Max;
        case fcMod: return &Mod;
        default: return nullptr;
    }
}

bool IsReciprocalFunction(std::int32_t funcCode) noexcept {
    return funcCode == fcCtg || funcCode == fcSec || funcCode == fcCosec;
}

}  // namespace curvane

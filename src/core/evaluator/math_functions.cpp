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
        default: return nullptr;
    }
}

bool IsReciprocalFunction(std::int32_t funcCode) noexcept {
    return funcCode == fcCtg || funcCode == fcSec || funcCode == fcCosec;
}

}  // namespace curvane

#include "core/evaluator/math_functions.h"

#include <cmath>

#include "core/evaluator/command_list.h"

namespace curvane {

long double PowerFunc(double base, double exponent) noexcept {
    if (exponent == 0) return 1.0L;
    if (base == 0 && exponent > 0) return 0.0L;
    if (std::trunc(exponent) == exponent && std::fabs(exponent) <= PowerIntegerLimit) {
        const auto n = static_cast<std::int64_t>(exponent);
        std::uint64_t bits = static_cast<std::uint64_t>(n < 0 ? -n : n);
        // Generated code inlines constant integer exponents with exactly this
        // sequence of multiplications, so both give bit-identical results.
        long double square = base;
        long double result = 1.0L;
        bool haveResult = false;
        while (bits != 0) {
            if (bits & 1) {
                result = haveResult ? result * square : square;
                haveResult = true;
            }
            bits >>= 1;
            if (bits != 0) square = square * square;
        }
        return n < 0 ? 1.0L / result : result;
    }
    return std::exp(static_cast<long double>(exponent) * std::log(static_cast<long double>(base)));
}

namespace {
double Sin(double x) { return std::sin(x); }
double Cos(double x) { return std::cos(x); }
double Tan(double x) { return std::tan(x); }
double Atan(double x) { return std::atan(x); }
double Asin(double x) { return std::asin(x); }
double Acos(double x) { return std::acos(x); }
double Exp(double x) { return std::exp(x); }
double Log(double x) { return std::log(x); }
double Log10(double x) { return std::log10(x); }
double Log2(double x) { return std::log2(x); }
}  // namespace

TLibraryFunction LibraryFunction(std::int32_t funcCode) noexcept {
    switch (funcCode) {
        case fcSin:
        case fcCosec: return &Sin;
        case fcCos:
        case fcSec: return &Cos;
        case fcTg:
        case fcCtg: return &Tan;
        case fcArctg: return &Atan;
        case fcArcsin: return &Asin;
        case fcArccos: return &Acos;
        case fcExp: return &Exp;
        case fcLn: return &Log;
        case fcLog10: return &Log10;
        case fcLog2: return &Log2;
        default: return nullptr;
    }
}

bool IsReciprocalFunction(std::int32_t funcCode) noexcept {
    return funcCode == fcCtg || funcCode == fcSec || funcCode == fcCosec;
}

}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/numeric/auto_diff.h"

#include "core/document/shared_evaluators.h"
#include "core/evaluator/math_functions.h"

namespace curvane {

bool ad::IsPiFunction(TExtFunction fn) { return fn == &ExtPi; }
bool ad::IsFactFunction(TExtFunction fn) { return fn == &ExtFact; }

namespace ad {

double Power(double base, double exponent) { return static_cast<double>(PowerFunc(base, exponent)); }

// CTG, SEC and COSEC divide in extended precision, as the evaluator does.
double Ctg(double x) { return static_cast<double>(1 / static_cast<TExtended>(std::tan(x))); }
double Sec(double x) { return static_cast<double>(1 / static_cast<TExtended>(std::cos(x))); }
double Cosec(double x) { return static_cast<double>(1 / static_cast<TExtended>(std::sin(x))); }
double Sign(double x) { return LibraryFunction(fcSign)(x); }
double Min(double a, double b) { return LibraryFunction2(fcMin)(a, b); }
double Max(double a, double b) { return LibraryFunction2(fcMax)(a, b); }
double Mod(double a, double b) { return LibraryFunction2(fcMod)(a, b); }

double Fact(double x) {
    std::int32_t status = 0;
    const double r = ExtFact(&x, &status);
    return status == 0 ? r : std::numeric_limits<double>::quiet_NaN();
}

double Library(std::int32_t code, double x) {
    switch (code) {
        case fcAbs: return std::fabs(x);
        case fcSqrt: return std::sqrt(x);
        case fcCtg: return Ctg(x);
        case fcSec: return Sec(x);
        case fcCosec: return Cosec(x);
        default: break;
    }
    if (TLibraryFunction fn = LibraryFunction(code)) return fn(x);
    return std::numeric_limits<double>::quiet_NaN();
}

double KinkSlope(double x) {
    if (x > 0) return 1;
    if (x < 0) return -1;
    return std::numeric_limits<double>::quiet_NaN();
}

TInterval Library(std::int32_t code, const TInterval& x) {
    switch (code) {
        case fcSin: return curvane::Sin(x);
        case fcCos: return curvane::Cos(x);
        case fcTg: return curvane::Tg(x);
        case fcCtg: return curvane::Ctg(x);
        case fcSec: return curvane::Sec(x);
        case fcCosec: return curvane::Cosec(x);
        case fcArctg: return curvane::Arctg(x);
        case fcArcsin: return curvane::Arcsin(x);
        case fcArccos: return curvane::Arccos(x);
        case fcAbs: return curvane::Abs(x);
        case fcLn: return curvane::Ln(x);
        case fcLog10: return curvane::Log10(x);
        case fcLog2: return curvane::Log2(x);
        case fcSqrt: return curvane::Sqrt(x);
        case fcExp: return curvane::Exp(x);
        case fcSinh: return curvane::Sinh(x);
        case fcCosh: return curvane::Cosh(x);
        case fcTanh: return curvane::Tanh(x);
        case fcFloor: return curvane::Floor(x);
        case fcCeil: return curvane::Ceil(x);
        case fcRound: return curvane::Round(x);
        case fcSign: return curvane::Sign(x);
        default: return TInterval::Whole();
    }
}

TInterval KinkSlope(const TInterval& x) {
    if (x.IsEmpty()) return x;
    if (x.Lo > 0) return {1, 1, x.Decoration};
    if (x.Hi < 0) return {-1, -1, x.Decoration};
    return {-1, 1, Worst(x.Decoration, TDecoration::dcMaybeUndefined)};
}

TInterval Guard(const TInterval& value, const TInterval& d) {
    if (value.Decoration == TDecoration::dcContinuous) return d;
    return TInterval::Whole(Worst(d.Decoration, TDecoration::dcMaybeUndefined));
}

TInterval Join(const TInterval& a, const TInterval& b) {
    return WithDecoration(Hull(a, b), TDecoration::dcMaybeUndefined);
}

int Compare(const TInterval& a, const TInterval& b) {
    if (a.Hi < b.Lo) return -1;
    if (a.Lo > b.Hi) return 1;
    return 0;
}

TInterval Taint(TInterval d, const TInterval& v) {
    // A slope is no better defined than its value; a value that may jump
    // has no slope across the jump.
    if (v.Decoration == TDecoration::dcUndefined) return TInterval::Empty();
    if (v.Decoration != TDecoration::dcContinuous) d.Decoration = Worst(d.Decoration, TDecoration::dcMaybeUndefined);
    return d;
}

}  // namespace ad

}  // namespace curvane

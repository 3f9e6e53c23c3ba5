// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

namespace curvane {

// What an interval result says about the formula on the whole input box,
// ordered from best to worst; an operation's result is the worst of its
// inputs' and its own.
enum class TDecoration : std::uint8_t {
    dcContinuous,      // defined and continuous at every point of the box
    dcDefined,         // defined everywhere, maybe discontinuous (a step of floor, sign, Fact ...)
    dcMaybeUndefined,  // maybe undefined somewhere: a pole, ln of a partly non-positive box, overflow ...
    dcUndefined,       // undefined everywhere: the interval is empty
};

inline TDecoration Worst(TDecoration a, TDecoration b) { return a > b ? a : b; }

// A closed interval of reals enclosing every value a formula takes on an
// input box, and every value the evaluator computes there (its roundings
// included, in double or in the x87's extended precision). Lo may be -inf
// and Hi +inf where the values are unbounded; the bounds themselves are
// never values. Every operation rounds outward by std::nextafter rather
// than switching the rounding mode: compiled formulas share the FPU state.
struct TInterval {
    double Lo = 0;
    double Hi = 0;
    TDecoration Decoration = TDecoration::dcContinuous;

    constexpr TInterval() = default;
    constexpr explicit TInterval(double point) : Lo(point), Hi(point) {}
    constexpr TInterval(double lo, double hi, TDecoration decoration = TDecoration::dcContinuous)
        : Lo(lo), Hi(hi), Decoration(decoration) {}

    static TInterval Empty() {
        return {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN(),
                TDecoration::dcUndefined};
    }
    static TInterval Whole(TDecoration decoration = TDecoration::dcMaybeUndefined) {
        return {-std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(), decoration};
    }

    bool IsEmpty() const { return Decoration == TDecoration::dcUndefined; }
    bool Contains(double x) const { return !IsEmpty() && Lo <= x && x <= Hi; }
    bool IsPoint() const { return !IsEmpty() && Lo == Hi; }
    double Width() const { return Hi - Lo; }
    // A point of the interval near its middle (finite for a finite interval).
    double Mid() const { return Lo == Hi ? Lo : Lo * 0.5 + Hi * 0.5; }
};

// Enclosures of real constants: the true value and the double the
// evaluator uses both lie inside.
TInterval PiInterval();
TInterval EInterval();
TInterval Ln10Interval();
TInterval Ln2Interval();

// The smallest interval holding both; decorations combine.
TInterval Hull(const TInterval& a, const TInterval& b);
// The common part, empty if none; keeps a's decoration.
TInterval Intersect(const TInterval& a, const TInterval& b);
// The interval with its decoration worsened to at least `decoration`.
TInterval WithDecoration(TInterval a, TDecoration decoration);

TInterval operator-(const TInterval& a);
TInterval operator+(const TInterval& a, const TInterval& b);
TInterval operator-(const TInterval& a, const TInterval& b);
TInterval operator*(const TInterval& a, const TInterval& b);
// Division by an interval holding 0 is maybe undefined (whole line unless a
// side of the divisor is 0); by [0, 0] undefined.
TInterval operator/(const TInterval& a, const TInterval& b);

// "^" with the evaluator's rules: a point integral exponent (|n| < 2^31)
// raises negative bases too, 0^0 = 1, otherwise exp(e*ln b) where a
// negative base is undefined.
TInterval Power(const TInterval& base, const TInterval& exponent);

// The built-in functions, as the evaluator computes them.
TInterval Sin(const TInterval& x);
TInterval Cos(const TInterval& x);
TInterval Tg(const TInterval& x);
TInterval Ctg(const TInterval& x);  // 1/tan
TInterval Sec(const TInterval& x);
TInterval Cosec(const TInterval& x);
TInterval Arctg(const TInterval& x);
TInterval Arcsin(const TInterval& x);
TInterval Arccos(const TInterval& x);
TInterval Abs(const TInterval& x);
TInterval Ln(const TInterval& x);
TInterval Log10(const TInterval& x);
TInterval Log2(const TInterval& x);
TInterval Sqrt(const TInterval& x);
TInterval Exp(const TInterval& x);
TInterval Sinh(const TInterval& x);
TInterval Cosh(const TInterval& x);
TInterval Tanh(const TInterval& x);
TInterval Floor(const TInterval& x);
TInterval Ceil(const TInterval& x);
TInterval Round(const TInterval& x);  // halves away from zero
TInterval Sign(const TInterval& x);   // 0 for both zeros
TInterval Min(const TInterval& a, const TInterval& b);
TInterval Max(const TInterval& a, const TInterval& b);
TInterval Mod(const TInterval& a, const TInterval& b);  // a - b*floor(a/b), the sign of b
// Fact(n): n rounded to the nearest integer (ties to even), then n!; 1 for
// n <= 0; undefined past 170 (overflow) and outside 32 signed bits.
TInterval Fact(const TInterval& x);

}  // namespace curvane

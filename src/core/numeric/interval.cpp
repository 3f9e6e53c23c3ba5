// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/numeric/interval.h"

#include <cmath>
#include <cstdint>

#include "core/evaluator/math_functions.h"

namespace curvane {

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double MaxDouble = std::numeric_limits<double>::max();
using D = TDecoration;

double Down(double x) { return std::nextafter(x, -Inf); }
double Up(double x) { return std::nextafter(x, Inf); }

// A rounded result r and the sign of (exact - r): the bound moves by a ulp
// only on the side the exact value lies, and not at all for an exact
// result, so 3 - 1 stays the point 2 (an integral exponent stays one).
double Below(double r, double error) { return error < 0 ? Down(r) : r; }
double Above(double r, double error) { return error > 0 ? Up(r) : r; }

// Knuth's two-sum: a + b = s + error exactly (round to nearest, no overflow).
double SumError(double a, double b, double s) {
    const double bb = s - a;
    return (a - (s - bb)) + (b - bb);
}

// Dekker's product: a * b = p + error exactly while nothing over- or
// underflows; the caller checks the range.
void Split(double a, double& hi, double& lo) {
    const double t = 134217729.0 * a;  // 2^27 + 1
    hi = t - (t - a);
    lo = a - hi;
}
double ProductError(double a, double b, double p) {
    double ah, al, bh, bl;
    Split(a, ah, al);
    Split(b, bh, bl);
    return ((ah * bh - p) + ah * bl + al * bh) + al * bl;
}
// Where Dekker's product is exact: no overflow in the split, no underflow
// in the error term.
bool SafeForProduct(double a, double b, double p) {
    const double aa = std::fabs(a), ab = std::fabs(b), ap = std::fabs(p);
    return aa < 0x1p995 && ab < 0x1p995 && ap < 0x1p995 && (ap > 0x1p-900 || p == 0) && aa > 0x1p-450 &&
           ab > 0x1p-450;
}

// The bounds of an operation's rounded result r, given the exact error
// where it can be had and one ulp each way where not.
void Round2(double r, bool known, double error, double& lo, double& hi) {
    if (!known || !std::isfinite(r)) {
        lo = Down(r);
        hi = Up(r);
        return;
    }
    lo = Below(r, error);
    hi = Above(r, error);
}
double AddDown(double a, double b) {
    const double s = a + b;
    return std::isfinite(s) ? Below(s, SumError(a, b, s)) : Down(s);
}
double AddUp(double a, double b) {
    const double s = a + b;
    return std::isfinite(s) ? Above(s, SumError(a, b, s)) : Up(s);
}
// 0 * inf is 0 here: the bounds are not values, and every real times 0 is 0.
double MulDown(double a, double b) {
    if (a == 0 || b == 0) return 0;
    const double p = a * b;
    if (!SafeForProduct(a, b, p)) return Down(p);
    return Below(p, ProductError(a, b, p));
}
double MulUp(double a, double b) {
    if (a == 0 || b == 0) return 0;
    const double p = a * b;
    if (!SafeForProduct(a, b, p)) return Up(p);
    return Above(p, ProductError(a, b, p));
}
// The sign of (a/b - q): the remainder a - q*b is exact.
double QuotientError(double a, double b, double q) {
    const double e = ProductError(q, b, q * b);
    const double r = (a - q * b) - e;
    return b > 0 ? r : -r;
}
double DivDown(double a, double b) {
    if (a == 0) return 0;
    const double q = a / b;
    if (!std::isfinite(q) || !SafeForProduct(q, b, q * b) || std::fabs(a) < 0x1p-900) return Down(q);
    return Below(q, QuotientError(a, b, q));
}
double DivUp(double a, double b) {
    if (a == 0) return 0;
    const double q = a / b;
    if (!std::isfinite(q) || !SafeForProduct(q, b, q * b) || std::fabs(a) < 0x1p-900) return Up(q);
    return Above(q, QuotientError(a, b, q));
}

// glibc documents at most 1 to 2 ulp of error for the double functions used
// here on x86-64 (sin, cos, tan, exp, log, sinh ...); four ulp leave room for
// another C library and for the evaluator's extended-precision steps, and
// still give enclosures some 1e-15 wide relative to the value.
constexpr int LibraryUlps = 4;
double DownLib(double x) {
    for (int i = 0; i < LibraryUlps; ++i) x = Down(x);
    return x;
}
double UpLib(double x) {
    for (int i = 0; i < LibraryUlps; ++i) x = Up(x);
    return x;
}

// Builds a result: an infinite bound can only come from a pole or from
// overflow (a fault in the evaluator), so the result is at most maybe
// defined; bounds beyond the other end (every value overflowed) leave
// nothing defined.
TInterval Make(double lo, double hi, D decoration) {
    if (decoration == D::dcUndefined || std::isnan(lo) || std::isnan(hi) || lo == Inf || hi == -Inf)
        return TInterval::Empty();
    if (lo == -Inf || hi == Inf) decoration = Worst(decoration, D::dcMaybeUndefined);
    return {lo, hi, decoration};
}

D Dec(const TInterval& a, const TInterval& b) { return Worst(a.Decoration, b.Decoration); }

// A monotone increasing library function over [lo, hi], clipped to its range.
template <class F>
TInterval Increasing(const TInterval& x, F f, double rangeLo = -Inf, double rangeHi = Inf) {
    if (x.IsEmpty()) return x;
    const double lo = std::max(rangeLo, DownLib(f(x.Lo)));
    const double hi = std::min(rangeHi, UpLib(f(x.Hi)));
    return Make(lo, hi, x.Decoration);
}

// The residues mod 4 of the integers k for which k*pi/2 may lie in [lo, hi]
// (bit k mod 4 set); all four for a wide or far box. The quotient by pi/2 is
// off by a few ulp, so a multiple at a distance of that order from the box
// counts as inside: the result only widens.
unsigned QuarterTurns(double lo, double hi) {
    constexpr unsigned All = 0xF;
    constexpr double HalfPi = 1.5707963267948966;
    if (!(hi - lo < 6.0) || !(std::fabs(lo) < 1e15) || !(std::fabs(hi) < 1e15)) return All;
    const double qlo = lo / HalfPi, qhi = hi / HalfPi;
    const double slack = 1e-14 * std::max(std::fabs(qlo), std::fabs(qhi)) + 1e-300;
    const auto kmin = static_cast<std::int64_t>(std::ceil(qlo - slack));
    const auto kmax = static_cast<std::int64_t>(std::floor(qhi + slack));
    if (kmax - kmin >= 3) return All;
    unsigned bits = 0;
    for (std::int64_t k = kmin; k <= kmax; ++k) bits |= 1u << static_cast<unsigned>(((k % 4) + 4) % 4);
    return bits;
}

// sin or cos: the hull of the ends, opened to +-1 where a crest or trough
// may lie inside. maxTurn is the residue of the crests (sin: 1, cos: 0).
TInterval Wave(const TInterval& x, double (*f)(double), unsigned maxTurn) {
    if (x.IsEmpty()) return x;
    if (x.Lo == -Inf || x.Hi == Inf) return {-1, 1, x.Decoration};
    const unsigned turns = QuarterTurns(x.Lo, x.Hi);
    const double a = f(x.Lo), b = f(x.Hi);
    double lo = DownLib(std::min(a, b)), hi = UpLib(std::max(a, b));
    if (turns & (1u << maxTurn)) hi = 1;
    if (turns & (1u << ((maxTurn + 2) % 4))) lo = -1;
    return {std::max(lo, -1.0), std::min(hi, 1.0), x.Decoration};
}

bool HasPole(const TInterval& x, unsigned poleTurns) { return (QuarterTurns(x.Lo, x.Hi) & poleTurns) != 0; }

constexpr unsigned OddTurns = 0b1010;   // pi/2 + k*pi
constexpr unsigned EvenTurns = 0b0101;  // k*pi

// b^n for a point b and an integer n >= 0, by repeated squaring over
// intervals, so the bounds hold the evaluator's own squaring.
TInterval IntegerPower(const TInterval& b, std::uint64_t n) {
    TInterval result(1.0), square = b;
    while (n != 0) {
        if (n & 1) result = result * square;
        n >>= 1;
        if (n != 0) square = square * square;
    }
    return result;
}

TInterval IntegerPower(const TInterval& b, std::int64_t n) {
    const std::uint64_t m = static_cast<std::uint64_t>(n < 0 ? -n : n);
    TInterval p;
    if (b.Lo >= 0 || (m % 2 == 1)) {
        p = {IntegerPower(TInterval(b.Lo), m).Lo, IntegerPower(TInterval(b.Hi), m).Hi, b.Decoration};
    } else if (b.Hi <= 0) {
        p = {IntegerPower(TInterval(b.Hi), m).Lo, IntegerPower(TInterval(b.Lo), m).Hi, b.Decoration};
    } else {
        const double far = std::max(-b.Lo, b.Hi);
        p = {0.0, IntegerPower(TInterval(far), m).Hi, b.Decoration};
    }
    p = Make(p.Lo, p.Hi, p.Decoration);
    return n < 0 ? TInterval(1.0) / p : p;
}

// b^e = exp(e*ln b) for b > 0.
TInterval PositivePower(const TInterval& b, const TInterval& e) { return Exp(e * Ln(b)); }

}  // namespace

TInterval PiInterval() { return {3.141592653589793, Up(3.141592653589793)}; }
TInterval EInterval() { return {EulerNumber, Up(EulerNumber)}; }
TInterval Ln10Interval() { return {Down(2.302585092994046), Up(2.302585092994046)}; }
TInterval Ln2Interval() { return {Down(0.6931471805599453), Up(0.6931471805599453)}; }

TInterval Hull(const TInterval& a, const TInterval& b) {
    if (a.IsEmpty()) return b;
    if (b.IsEmpty()) return a;
    return {std::min(a.Lo, b.Lo), std::max(a.Hi, b.Hi), Dec(a, b)};
}

TInterval Intersect(const TInterval& a, const TInterval& b) {
    if (a.IsEmpty() || b.IsEmpty()) return TInterval::Empty();
    const double lo = std::max(a.Lo, b.Lo), hi = std::min(a.Hi, b.Hi);
    if (lo > hi) return TInterval::Empty();
    return {lo, hi, a.Decoration};
}

TInterval WithDecoration(TInterval a, TDecoration decoration) {
    if (decoration == D::dcUndefined) return TInterval::Empty();
    a.Decoration = Worst(a.Decoration, decoration);
    return a;
}

TInterval operator-(const TInterval& a) { return {-a.Hi, -a.Lo, a.Decoration}; }

TInterval operator+(const TInterval& a, const TInterval& b) {
    if (a.IsEmpty() || b.IsEmpty()) return TInterval::Empty();
    return Make(AddDown(a.Lo, b.Lo), AddUp(a.Hi, b.Hi), Dec(a, b));
}

TInterval operator-(const TInterval& a, const TInterval& b) {
    if (a.IsEmpty() || b.IsEmpty()) return TInterval::Empty();
    return Make(AddDown(a.Lo, -b.Hi), AddUp(a.Hi, -b.Lo), Dec(a, b));
}

TInterval operator*(const TInterval& a, const TInterval& b) {
    if (a.IsEmpty() || b.IsEmpty()) return TInterval::Empty();
    const double lo = std::min(std::min(MulDown(a.Lo, b.Lo), MulDown(a.Lo, b.Hi)),
                               std::min(MulDown(a.Hi, b.Lo), MulDown(a.Hi, b.Hi)));
    const double hi = std::max(std::max(MulUp(a.Lo, b.Lo), MulUp(a.Lo, b.Hi)),
                               std::max(MulUp(a.Hi, b.Lo), MulUp(a.Hi, b.Hi)));
    return Make(lo, hi, Dec(a, b));
}

TInterval operator/(const TInterval& a, const TInterval& b) {
    if (a.IsEmpty() || b.IsEmpty()) return TInterval::Empty();
    const D d = Dec(a, b);
    if (b.Lo == 0 && b.Hi == 0) return TInterval::Empty();
    if (b.Lo < 0 && b.Hi > 0) return TInterval::Whole(Worst(d, D::dcMaybeUndefined));
    if (b.Lo == 0 || b.Hi == 0) {
        // One side of the divisor touches 0: a half line, unless the
        // dividend holds 0 too (then 0/0 and both signs).
        const D maybe = Worst(d, D::dcMaybeUndefined);
        if (a.Lo <= 0 && a.Hi >= 0) return TInterval::Whole(maybe);
        if (b.Hi > 0) {
            if (a.Lo > 0) return {Down(a.Lo / b.Hi), Inf, maybe};
            return {-Inf, Up(a.Hi / b.Hi), maybe};
        }
        if (a.Lo > 0) return {-Inf, Up(a.Lo / b.Lo), maybe};
        return {Down(a.Hi / b.Lo), Inf, maybe};
    }
    if (std::isinf(a.Lo) || std::isinf(a.Hi) || std::isinf(b.Lo) || std::isinf(b.Hi)) {
        // inf/inf has no bound of its own; through the reciprocal, 0 * inf
        // becomes the 0 it stands for.
        const double lo = std::isinf(b.Hi) ? 0.0 : DivDown(1, b.Hi), hi = std::isinf(b.Lo) ? 0.0 : DivUp(1, b.Lo);
        const TInterval reciprocal = Make(lo, hi, b.Decoration);
        return a * reciprocal;
    }
    const double lo = std::min(std::min(DivDown(a.Lo, b.Lo), DivDown(a.Lo, b.Hi)),
                               std::min(DivDown(a.Hi, b.Lo), DivDown(a.Hi, b.Hi)));
    const double hi = std::max(std::max(DivUp(a.Lo, b.Lo), DivUp(a.Lo, b.Hi)),
                               std::max(DivUp(a.Hi, b.Lo), DivUp(a.Hi, b.Hi)));
    return Make(lo, hi, d);
}

TInterval Power(const TInterval& base, const TInterval& exponent) {
    if (base.IsEmpty() || exponent.IsEmpty()) return TInterval::Empty();
    const D d = Dec(base, exponent);
    if (exponent.IsPoint()) {
        const double e = exponent.Lo;
        if (e == 0) return {1, 1, d};
        if (std::trunc(e) == e && std::fabs(e) <= PowerIntegerLimit)
            return WithDecoration(IntegerPower(base, static_cast<std::int64_t>(e)), d);
        // exp(e*ln b): 0 for a zero base and e > 0, undefined for a negative
        // base, and for a zero base with e < 0 (ln 0 divides by zero).
        const double floorBase = e > 0 ? 0.0 : std::nextafter(0.0, 1.0);
        if (base.Hi < floorBase) return TInterval::Empty();
        const D domain = base.Lo < floorBase ? Worst(d, D::dcMaybeUndefined) : d;
        const TInterval b{std::max(base.Lo, floorBase), base.Hi, domain};
        if (b.Lo > 0) return WithDecoration(PositivePower(b, exponent), domain);
        // e > 0 and the box reaches down to 0, where b^e is 0.
        if (b.Hi == 0) return {0, 0, domain};
        const TInterval upper = PositivePower(TInterval(b.Hi), exponent);
        return Make(0, upper.Hi, Worst(domain, upper.Decoration));
    }
    // A varying exponent. Positive bases follow exp(e*ln b); a zero base
    // gives 0, 1 or a fault by the sign of e; a negative base is defined only
    // at the integral exponents, where |b|^e bounds the value.
    TInterval result = TInterval::Empty();
    D d2 = d;
    if (base.Hi > 0) {
        const TInterval positive{std::max(base.Lo, std::nextafter(0.0, 1.0)), base.Hi, d};
        result = Hull(result, PositivePower(positive, exponent));
    }
    if (base.Lo <= 0 && base.Hi >= 0) {
        if (exponent.Hi > 0) result = Hull(result, TInterval(0.0));
        if (exponent.Lo <= 0 && exponent.Hi >= 0) result = Hull(result, TInterval(1.0));
        if (exponent.Lo < 0) d2 = Worst(d2, D::dcMaybeUndefined);
        d2 = Worst(d2, D::dcDefined);  // 0^e jumps where e crosses 0
    }
    if (base.Lo < 0) {
        d2 = Worst(d2, D::dcMaybeUndefined);
        const TInterval magnitude{std::max(0.0, -std::min(base.Hi, 0.0)), -base.Lo, d};
        TInterval m = magnitude.Lo > 0 ? PositivePower(magnitude, exponent)
                                       : Hull(PositivePower({std::nextafter(0.0, 1.0), magnitude.Hi}, exponent),
                                              TInterval(1.0));
        if (!m.IsEmpty()) result = Hull(result, TInterval(-m.Hi, m.Hi));
    }
    if (result.IsEmpty()) return result;
    return Make(result.Lo, result.Hi, Worst(result.Decoration, d2));
}

TInterval Sin(const TInterval& x) { return Wave(x, &::sin, 1); }
TInterval Cos(const TInterval& x) { return Wave(x, &::cos, 0); }

TInterval Tg(const TInterval& x) {
    if (x.IsEmpty()) return x;
    if (x.Lo == -Inf || x.Hi == Inf || HasPole(x, OddTurns)) return TInterval::Whole(Worst(x.Decoration, D::dcMaybeUndefined));
    return Make(DownLib(std::tan(x.Lo)), UpLib(std::tan(x.Hi)), x.Decoration);
}

TInterval Ctg(const TInterval& x) {
    if (x.IsEmpty()) return x;
    if (x.Lo == -Inf || x.Hi == Inf || HasPole(x, EvenTurns)) return TInterval::Whole(Worst(x.Decoration, D::dcMaybeUndefined));
    // Across pi/2 + k*pi the tangent jumps but its reciprocal passes 0 smoothly.
    if (HasPole(x, OddTurns)) return Cos(x) / Sin(x);
    return TInterval(1.0) / Tg(x);
}

TInterval Sec(const TInterval& x) { return TInterval(1.0) / Cos(x); }
TInterval Cosec(const TInterval& x) { return TInterval(1.0) / Sin(x); }

TInterval Arctg(const TInterval& x) {
    constexpr double HalfPiUp = 1.5707963267948968;
    return Increasing(x, [](double v) { return std::atan(v); }, -HalfPiUp, HalfPiUp);
}

TInterval Arcsin(const TInterval& x) {
    if (x.IsEmpty() || x.Lo > 1 || x.Hi < -1) return TInterval::Empty();
    const D d = (x.Lo < -1 || x.Hi > 1) ? Worst(x.Decoration, D::dcMaybeUndefined) : x.Decoration;
    const TInterval in{std::max(x.Lo, -1.0), std::min(x.Hi, 1.0), d};
    constexpr double HalfPiUp = 1.5707963267948968;
    return Increasing(in, [](double v) { return std::asin(v); }, -HalfPiUp, HalfPiUp);
}

TInterval Arccos(const TInterval& x) {
    if (x.IsEmpty() || x.Lo > 1 || x.Hi < -1) return TInterval::Empty();
    const D d = (x.Lo < -1 || x.Hi > 1) ? Worst(x.Decoration, D::dcMaybeUndefined) : x.Decoration;
    const double lo = std::max(x.Lo, -1.0), hi = std::min(x.Hi, 1.0);
    return {std::max(0.0, DownLib(std::acos(hi))), std::min(3.1415926535897936, UpLib(std::acos(lo))), d};
}

TInterval Abs(const TInterval& x) {
    if (x.IsEmpty()) return x;
    if (x.Lo >= 0) return x;
    if (x.Hi <= 0) return -x;
    return {0, std::max(-x.Lo, x.Hi), x.Decoration};
}

namespace {
// A logarithm: undefined at and below 0 (ln 0 divides by zero).
TInterval Logarithm(const TInterval& x, double (*f)(double)) {
    if (x.IsEmpty() || x.Hi <= 0) return TInterval::Empty();
    if (x.Lo <= 0) return {-Inf, UpLib(f(x.Hi)), Worst(x.Decoration, D::dcMaybeUndefined)};
    return Make(DownLib(f(x.Lo)), UpLib(f(x.Hi)), x.Decoration);
}
}  // namespace

TInterval Ln(const TInterval& x) { return Logarithm(x, &::log); }
TInterval Log10(const TInterval& x) { return Logarithm(x, &::log10); }
TInterval Log2(const TInterval& x) { return Logarithm(x, &::log2); }

TInterval Sqrt(const TInterval& x) {
    if (x.IsEmpty() || x.Hi < 0) return TInterval::Empty();
    const D d = x.Lo < 0 ? Worst(x.Decoration, D::dcMaybeUndefined) : x.Decoration;
    auto bounds = [](double v, double& lo, double& hi) {
        const double r = std::sqrt(v);
        const bool known = SafeForProduct(r, r, r * r) && std::isfinite(v);
        Round2(r, known, known ? (v - r * r) - ProductError(r, r, r * r) : 0, lo, hi);
    };
    double lo = 0, hi = 0, ignored = 0;
    if (x.Lo > 0) bounds(x.Lo, lo, ignored);
    if (x.Hi > 0) bounds(x.Hi, ignored, hi);
    return Make(std::max(lo, 0.0), hi, d);
}

TInterval Exp(const TInterval& x) {
    return Increasing(x, [](double v) { return std::exp(v); }, 0.0, Inf);
}

TInterval Sinh(const TInterval& x) { return Increasing(x, [](double v) { return std::sinh(v); }); }

TInterval Cosh(const TInterval& x) {
    if (x.IsEmpty()) return x;
    const TInterval a = Abs(x);
    return Make(std::max(1.0, DownLib(std::cosh(a.Lo))), UpLib(std::cosh(a.Hi)), x.Decoration);
}

TInterval Tanh(const TInterval& x) { return Increasing(x, [](double v) { return std::tanh(v); }, -1.0, 1.0); }

namespace {
// A step function that rises with its argument and is exact on doubles.
TInterval Staircase(const TInterval& x, double (*f)(double)) {
    if (x.IsEmpty()) return x;
    const double lo = f(x.Lo), hi = f(x.Hi);
    return Make(lo, hi, lo == hi ? x.Decoration : Worst(x.Decoration, D::dcDefined));
}
}  // namespace

TInterval Floor(const TInterval& x) { return Staircase(x, &::floor); }
TInterval Ceil(const TInterval& x) { return Staircase(x, &::ceil); }
TInterval Round(const TInterval& x) { return Staircase(x, &::round); }

TInterval Sign(const TInterval& x) {
    return Staircase(x, [](double v) -> double { return v > 0 ? 1 : v < 0 ? -1 : 0; });
}

TInterval Min(const TInterval& a, const TInterval& b) {
    if (a.IsEmpty() || b.IsEmpty()) return TInterval::Empty();
    return {std::min(a.Lo, b.Lo), std::min(a.Hi, b.Hi), Dec(a, b)};
}

TInterval Max(const TInterval& a, const TInterval& b) {
    if (a.IsEmpty() || b.IsEmpty()) return TInterval::Empty();
    return {std::max(a.Lo, b.Lo), std::max(a.Hi, b.Hi), Dec(a, b)};
}

TInterval Mod(const TInterval& a, const TInterval& b) {
    if (a.IsEmpty() || b.IsEmpty()) return TInterval::Empty();
    if (b.Lo == 0 && b.Hi == 0) return TInterval::Empty();
    D d = Dec(a, b);
    if (b.Lo <= 0 && b.Hi >= 0) {
        // b = 0 is an invalid operation; elsewhere the remainder lies
        // between 0 and b.
        return {std::min(b.Lo, 0.0), std::max(b.Hi, 0.0), Worst(d, D::dcMaybeUndefined)};
    }
    if (a.Lo == -Inf || a.Hi == Inf) return {std::min(b.Lo, 0.0), std::max(b.Hi, 0.0), Worst(d, D::dcMaybeUndefined)};
    const TInterval q = Floor(a / b);
    if (q.Decoration <= D::dcContinuous && q.Lo == q.Hi) {
        // No multiple of b inside: a - b*k with k fixed, clipped to the
        // remainder's range.
        const TInterval r = a - b * TInterval(q.Lo);
        const double lo = b.Lo > 0 ? std::max(r.Lo, 0.0) : std::max(r.Lo, b.Lo);
        const double hi = b.Lo > 0 ? std::min(r.Hi, b.Hi) : std::min(r.Hi, 0.0);
        if (lo <= hi) return {lo, hi, Worst(d, r.Decoration)};
    }
    return {std::min(b.Lo, 0.0), std::max(b.Hi, 0.0), Worst(d, D::dcDefined)};
}

TInterval Fact(const TInterval& x) {
    if (x.IsEmpty()) return x;
    // Past 170 the product overflows; outside 32 signed bits the argument is
    // a range error. Either is a fault of the evaluator.
    constexpr double Largest = 170, Smallest = -2147483648.0;
    const double nlo = std::nearbyint(x.Lo), nhi = std::nearbyint(x.Hi);
    if (nlo > Largest || nhi < Smallest) return TInterval::Empty();
    D d = x.Decoration;
    if (nhi > Largest || nlo < Smallest) d = Worst(d, D::dcMaybeUndefined);
    if (nlo != nhi) d = Worst(d, D::dcDefined);
    auto product = [](double n) {
        TInterval p(1.0);
        for (int i = 2; i <= n; ++i) p = p * TInterval(static_cast<double>(i));
        return p;
    };
    return {product(std::max(nlo, 1.0)).Lo, product(std::min(nhi, Largest)).Hi, d};
}

}  // namespace curvane

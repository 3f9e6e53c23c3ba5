// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "core/evaluator/command_list.h"
#include "core/evaluator/evaluator_types.h"
#include "core/evaluator/math_functions.h"
#include "core/numeric/interval.h"

namespace curvane {

// Forward-mode automatic differentiation over a formula's postfix commands.
// One walker (WalkCommands) runs the commands as the interpreter does, over
// any number type of this family:
//   double                 the value at a point, as the evaluator computes it
//   TInterval              an enclosure of the values on a box
//   TDual<T>               a value and its derivative, over double or TInterval
//   TDual<TDual<T>> ...    nested: second, third derivative
// Points where the formula is not differentiable are never differentiated
// through: over a box holding a kink (abs at 0, a min/max switch) or a jump
// (floor, round, sign, mod, Fact) the derivative is the whole line, maybe
// undefined (for double: NaN at a kink; a jump between two doubles is
// invisible to a point).

namespace ad {

template <class T>
struct TDual {
    T V{};  // the value
    T D{};  // its derivative with respect to the chosen cell
};

// What each number type builds its constants from.
template <class T>
struct TNumberTraits;

template <>
struct TNumberTraits<double> {
    // value: the double the evaluator uses; [lo, hi] holds it and the true constant
    static double Constant(double value, double, double) { return value; }
    static double Whole() { return std::numeric_limits<double>::quiet_NaN(); }
};

template <>
struct TNumberTraits<TInterval> {
    static TInterval Constant(double, double lo, double hi) { return {lo, hi}; }
    static TInterval Whole() { return TInterval::Whole(); }
};

template <class T>
struct TNumberTraits<TDual<T>> {
    static TDual<T> Constant(double value, double lo, double hi) {
        return {TNumberTraits<T>::Constant(value, lo, hi), TNumberTraits<T>::Constant(0, 0, 0)};
    }
    static TDual<T> Whole() { return {TNumberTraits<T>::Whole(), TNumberTraits<T>::Whole()}; }
};

template <class T>
T ConstantOf(double value) {
    return TNumberTraits<T>::Constant(value, value, value);
}

// A cell's value x (a double or a box) as a number of type T whose
// derivative is `slope` at the first level and 0 beyond: x itself for the
// cell differentiated by (slope 1), a constant for every other (slope 0).
template <class T, class B>
struct TLift {
    static T Make(const B& x, double) { return x; }
};
template <class U, class B>
struct TLift<TDual<U>, B> {
    static TDual<U> Make(const B& x, double slope) { return {TLift<U, B>::Make(x, slope), TLift<U, B>::Make(B(slope), 0)}; }
};
template <class T, class B>
T Lift(const B& x, double slope) {
    return TLift<T, B>::Make(x, slope);
}

// The k-th component of a nested dual: 0 the value, 1 the first derivative ...
inline const double& Component(const double& x, int) { return x; }
inline const TInterval& Component(const TInterval& x, int) { return x; }
template <class T>
auto Component(const TDual<T>& x, int k) -> decltype(Component(x.V, 0)) {
    return k == 0 ? Component(x.V, 0) : Component(x.D, k - 1);
}

// ---- double: the evaluator's own functions ----
double Power(double base, double exponent);
double Ctg(double x);
double Sec(double x);
double Cosec(double x);
double Sign(double x);
double Min(double a, double b);
double Max(double a, double b);
double Mod(double a, double b);
double Fact(double x);
double Library(std::int32_t code, double x);  // sin .. round through the evaluator's table
// The slope of |x|: NaN at 0.
double KinkSlope(double x);
// Whether the value came out of a continuous piece (doubles do not know).
inline double Guard(double, double d) { return d; }
// Both slopes where they agree, else NaN.
inline double Join(double a, double b) { return a == b ? a : std::numeric_limits<double>::quiet_NaN(); }
// -1: a < b, 1: a > b, 0: neither known.
inline int Compare(double a, double b) { return a < b ? -1 : a > b ? 1 : 0; }
inline bool IsZero(double a) { return a == 0; }
inline double Taint(double d, double v) { return std::isnan(v) ? v : d; }

// ---- TInterval ----
TInterval Library(std::int32_t code, const TInterval& x);
TInterval KinkSlope(const TInterval& x);
TInterval Guard(const TInterval& value, const TInterval& d);
TInterval Join(const TInterval& a, const TInterval& b);
int Compare(const TInterval& a, const TInterval& b);
inline bool IsZero(const TInterval& a) { return a.Lo == 0 && a.Hi == 0 && a.Decoration == TDecoration::dcContinuous; }
TInterval Taint(TInterval d, const TInterval& v);
using curvane::Ctg;
using curvane::Cosec;
using curvane::Fact;
using curvane::Max;
using curvane::Min;
using curvane::Mod;
using curvane::Power;
using curvane::Sec;
using curvane::Sign;

// ---- TDual<T> ----

template <class T>
TDual<T> Make(T v, T d) {
    d = Taint(d, v);
    return {std::move(v), std::move(d)};
}

template <class T>
TDual<T> operator+(const TDual<T>& a, const TDual<T>& b) { return Make<T>(a.V + b.V, a.D + b.D); }
template <class T>
TDual<T> operator-(const TDual<T>& a, const TDual<T>& b) { return Make<T>(a.V - b.V, a.D - b.D); }
template <class T>
TDual<T> operator-(const TDual<T>& a) { return {-a.V, -a.D}; }
template <class T>
TDual<T> operator*(const TDual<T>& a, const TDual<T>& b) { return Make<T>(a.V * b.V, a.D * b.V + a.V * b.D); }
template <class T>
TDual<T> operator/(const TDual<T>& a, const TDual<T>& b) {
    T q = a.V / b.V;
    T d = (a.D - q * b.D) / b.V;
    return Make<T>(std::move(q), std::move(d));
}

template <class T>
T Sqr(const T& x) { return x * x; }

template <class T>
TDual<T> Library(std::int32_t code, const TDual<T>& a);

template <class T>
TDual<T> Power(const TDual<T>& b, const TDual<T>& e) {
    T v = Power(b.V, e.V);
    if (IsZero(e.D)) {
        // A constant exponent: n*b^(n-1) holds for negative bases with an
        // integral n too, where b^e*ln b would not.
        if (IsZero(e.V)) return {v, ConstantOf<T>(0)};
        return Make<T>(v, e.V * Power(b.V, e.V - ConstantOf<T>(1)) * b.D);
    }
    T d = v * (e.D * Library(fcLn, b.V) + e.V * b.D / b.V);
    return Make<T>(std::move(v), std::move(d));
}

template <class T>
TDual<T> KinkSlope(const TDual<T>& a) { return {KinkSlope(a.V), Guard(KinkSlope(a.V), ConstantOf<T>(0))}; }
template <class T>
TDual<T> Guard(const TDual<T>& value, const TDual<T>& d) { return {Guard(value.V, d.V), Guard(value.V, d.D)}; }
template <class T>
TDual<T> Join(const TDual<T>& a, const TDual<T>& b) { return {Join(a.V, b.V), Join(a.D, b.D)}; }
template <class T>
int Compare(const TDual<T>& a, const TDual<T>& b) { return Compare(a.V, b.V); }
template <class T>
bool IsZero(const TDual<T>& a) { return IsZero(a.V) && IsZero(a.D); }
template <class T>
TDual<T> Taint(const TDual<T>& d, const TDual<T>& v) { return {Taint(d.V, v.V), Taint(d.D, v.V)}; }

// A step function: its slope is 0 on a piece, and the whole line across a step.
template <class T>
TDual<T> Step(T v, const TDual<T>& a) {
    T d = Guard(v, ConstantOf<T>(0) * a.D);
    return Make<T>(std::move(v), std::move(d));
}

template <class T>
TDual<T> Library(std::int32_t code, const TDual<T>& a) {
    const T one = ConstantOf<T>(1);
    switch (code) {
        case fcSin: return Make<T>(Library(fcSin, a.V), Library(fcCos, a.V) * a.D);
        case fcCos: return Make<T>(Library(fcCos, a.V), -Library(fcSin, a.V) * a.D);
        case fcTg: {
            T t = Library(fcTg, a.V);
            return Make<T>(t, (one + t * t) * a.D);
        }
        case fcCtg: {
            T c = Ctg(a.V);
            return Make<T>(c, -(one + c * c) * a.D);
        }
        case fcSec: {
            T s = Sec(a.V);
            return Make<T>(s, s * Library(fcTg, a.V) * a.D);
        }
        case fcCosec: {
            T c = Cosec(a.V);
            return Make<T>(c, -c * Ctg(a.V) * a.D);
        }
        case fcArctg: return Make<T>(Library(fcArctg, a.V), a.D / (one + a.V * a.V));
        case fcArcsin: return Make<T>(Library(fcArcsin, a.V), a.D / Library(fcSqrt, one - a.V * a.V));
        case fcArccos: return Make<T>(Library(fcArccos, a.V), -a.D / Library(fcSqrt, one - a.V * a.V));
        case fcAbs: return Make<T>(Library(fcAbs, a.V), KinkSlope(a.V) * a.D);
        case fcLn: return Make<T>(Library(fcLn, a.V), a.D / a.V);
        case fcLog10:
            return Make<T>(Library(fcLog10, a.V),
                           a.D / (a.V * TNumberTraits<T>::Constant(2.302585092994046, Ln10Interval().Lo, Ln10Interval().Hi)));
        case fcLog2:
            return Make<T>(Library(fcLog2, a.V),
                           a.D / (a.V * TNumberTraits<T>::Constant(0.6931471805599453, Ln2Interval().Lo, Ln2Interval().Hi)));
        case fcSqrt: {
            T s = Library(fcSqrt, a.V);
            return Make<T>(s, a.D / (ConstantOf<T>(2) * s));
        }
        case fcExp: {
            T e = Library(fcExp, a.V);
            return Make<T>(e, e * a.D);
        }
        case fcSinh: return Make<T>(Library(fcSinh, a.V), Library(fcCosh, a.V) * a.D);
        case fcCosh: return Make<T>(Library(fcCosh, a.V), Library(fcSinh, a.V) * a.D);
        case fcTanh: {
            T t = Library(fcTanh, a.V);
            return Make<T>(t, (one - t * t) * a.D);
        }
        case fcFloor:
        case fcCeil:
        case fcRound: return Step(Library(code, a.V), a);
        default: return {TNumberTraits<T>::Whole(), TNumberTraits<T>::Whole()};
    }
}

template <class T>
TDual<T> Sign(const TDual<T>& a) { return Step(Sign(a.V), a); }
template <class T>
TDual<T> Fact(const TDual<T>& a) { return Step(Fact(a.V), a); }
template <class T>
TDual<T> Ctg(const TDual<T>& a) { return Library(fcCtg, a); }
template <class T>
TDual<T> Sec(const TDual<T>& a) { return Library(fcSec, a); }
template <class T>
TDual<T> Cosec(const TDual<T>& a) { return Library(fcCosec, a); }

// min and max follow the smaller (larger) side; where the sides may cross,
// the slope is either side's, flagged as maybe undefined.
template <class T>
TDual<T> Min(const TDual<T>& a, const TDual<T>& b) {
    switch (Compare(a, b)) {
        case -1: return a;
        case 1: return b;
        default: return Make<T>(Min(a.V, b.V), Join(a.D, b.D));
    }
}
template <class T>
TDual<T> Max(const TDual<T>& a, const TDual<T>& b) {
    switch (Compare(a, b)) {
        case -1: return b;
        case 1: return a;
        default: return Make<T>(Max(a.V, b.V), Join(a.D, b.D));
    }
}

// mod(a, b) = a - b*floor(a/b) between the jumps.
template <class T>
TDual<T> Mod(const TDual<T>& a, const TDual<T>& b) {
    T v = Mod(a.V, b.V);
    T d = Guard(v, a.D - b.D * Library(fcFloor, a.V / b.V));
    return Make<T>(std::move(v), std::move(d));
}

// The external functions the walker knows by their routine (pi() and
// Fact(n) of the shared evaluators); any other gives the whole line, maybe
// undefined (for double the routine is called).
bool IsPiFunction(TExtFunction fn);
bool IsFactFunction(TExtFunction fn);

inline double External(TExtFunction fn, const double* args, std::size_t) {
    std::int32_t status = 0;
    const double r = fn(args, &status);
    return status == 0 ? r : std::numeric_limits<double>::quiet_NaN();
}
inline TInterval External(TExtFunction, const TInterval*, std::size_t) { return TInterval::Whole(); }
template <class T>
TDual<T> External(TExtFunction, const TDual<T>*, std::size_t) { return TNumberTraits<TDual<T>>::Whole(); }

// Runs the commands over numbers of type T; variable(item) gives the value
// of the ckVariable command `item`. Walks the stack as the interpreter does.
template <class T, class TVariable>
T WalkCommands(const TCommandList& commands, TVariable&& variable) {
    if (commands.empty()) return ConstantOf<T>(0);
    constexpr std::size_t LocalDepth = 24;
    T local[LocalDepth];
    std::vector<T> heap;
    T* stack = local;
    if (commands.size() > LocalDepth) {
        heap.resize(commands.size());
        stack = heap.data();
    }
    std::size_t top = 0;
    for (const TStackItem& item : commands) {
        switch (item.Kind) {
            case TCommandKind::ckConstant: stack[top++] = ConstantOf<T>(item.Value); break;
            case TCommandKind::ckVariable: stack[top++] = variable(item); break;
            case TCommandKind::ckOperator: {
                const T right = stack[--top];
                T& left = stack[top - 1];
                switch (item.Operation) {
                    case opAdd: left = left + right; break;
                    case opSubtract: left = left - right; break;
                    case opMultiply: left = left * right; break;
                    case opDivide: left = left / right; break;
                    case opPower: left = Power(left, right); break;
                    default: left = TNumberTraits<T>::Whole(); break;
                }
                break;
            }
            case TCommandKind::ckFunction: {
                const auto code = static_cast<std::int32_t>(item.Address);
                if (code == fcPi) {
                    stack[top++] = TNumberTraits<T>::Constant(static_cast<double>(3.14159265358979323846264338327950288L),
                                                              PiInterval().Lo, PiInterval().Hi);
                    break;
                }
                if (code == fcE) {
                    stack[top++] = TNumberTraits<T>::Constant(EulerNumber, EInterval().Lo, EInterval().Hi);
                    break;
                }
                if (code == fcSum || code == fcMin || code == fcMax || code == fcMod) {
                    const T right = stack[--top];
                    T& left = stack[top - 1];
                    switch (code) {
                        case fcSum: left = left + right; break;
                        case fcMin: left = Min(left, right); break;
                        case fcMax: left = Max(left, right); break;
                        default: left = Mod(left, right); break;
                    }
                    break;
                }
                T& x = stack[top - 1];
                switch (code) {
                    case fcNeg: x = -x; break;
                    case fcSign: x = Sign(x); break;
                    case fcCtg: x = Ctg(x); break;
                    case fcSec: x = Sec(x); break;
                    case fcCosec: x = Cosec(x); break;
                    default: x = Library(code, x); break;
                }
                break;
            }
            case TCommandKind::ckExtFunction: {
                const std::size_t n = static_cast<std::size_t>(item.ParamCount);
                const TExtFunction fn = *reinterpret_cast<const TExtFunction*>(item.Address);
                top -= n;
                T r;
                if (IsPiFunction(fn))
                    r = TNumberTraits<T>::Constant(3.141592653589793, PiInterval().Lo, PiInterval().Hi);
                else if (IsFactFunction(fn) && n == 1)
                    r = Fact(stack[top]);
                else
                    r = External(fn, stack + top, n);
                stack[top++] = r;
                break;
            }
        }
    }
    return stack[top - 1];
}

}  // namespace ad

using ad::TDual;
using ad::WalkCommands;

}  // namespace curvane

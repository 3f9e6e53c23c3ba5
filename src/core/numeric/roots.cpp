// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/numeric/roots.h"

#include <algorithm>
#include <cmath>
#include <charconv>

namespace curvane {

namespace {

// "%.Nf" without printf: QCoreApplication sets the user's LC_NUMERIC, and
// these texts always use ".". to_chars prints the exact decimal expansion
// rounded to `decimals`, as printf does.
std::string Fixed(double value, int decimals) {
    char text[400];  // DBL_MAX has 309 integer digits
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
    return std::string(text, end);
}

std::string Quoted(const std::string& text) { return '"' + text + '"'; }

}  // namespace

ENoConvergence::ENoConvergence(int rounds)
    : Exception("The chord method did not settle within " + std::to_string(rounds) +
                " rounds. Try a narrower interval or a larger accuracy.") {}

namespace {

// Where the chord from (a, fa) to (b, fb) crosses zero; a for a flat chord.
double ChordPoint(double a, double b, double fa, double fb) {
    if (fa - fb == 0) return a;
    const double x = a - (b - a) * fa / (fb - fa);
    if (std::isfinite(x)) return x;
    // b - a or a product overflowed (ends near the largest doubles): scale
    // the values into [-1, 1] and mix the ends by the share t, which lies in
    // [0, 1] across a sign change, so neither term can overflow.
    const double scale = std::max(std::fabs(fa), std::fabs(fb));
    if (!std::isfinite(scale)) return x;
    const double t = (fa / scale) / (fa / scale - fb / scale);
    return a * (1 - t) + b * t;
}

}  // namespace

double FindRoot(const TRealFunction& f, double from, double to, double accuracy, int roundLimit) {
    if (!std::isfinite(from) || !std::isfinite(to)) throw Exception("Invalid float value!");
    double a = from, b = to, previous = 0;
    for (int round = 0; round < roundLimit; ++round) {
        const double fa = f(a);
        const double fb = f(b);
        const double x = ChordPoint(a, b, fa, fb);
        if (round > 0 && std::fabs(x - previous) < accuracy) {
            // A sign change through a pole or a jump settles too: a root is
            // where f came closer to zero than at either limit. An exact zero
            // is a root even at a limit.
            const double fx = f(x);
            if (fx != 0 && !(std::fabs(fx) < std::min(std::fabs(f(from)), std::fabs(f(to))))) throw ENoRoots();
            return x;
        }
        previous = x;
        const double fx = f(x);
        if (fa * fx <= 0)
            b = x;
        else if (fx * fb <= 0)
            a = x;
        else
            throw ENoRoots();
    }
    throw ENoConvergence(roundLimit);
}

TIntersection FindIntersection(const TRealFunction& f1, const TRealFunction& f2, double from, double to,
                               double accuracy, int roundLimit) {
    const double x = FindRoot([&](double t) { return f1(t) - f2(t); }, from, to, accuracy, roundLimit);
    return {x, f1(x)};
}

std::string RootReport(const std::string& formula, double from, double to, double x) {
    return "Root for " + Quoted(formula) + " in (" + Fixed(from, 4) + "," + Fixed(to, 4) + ") is " + Fixed(x, 14);
}

std::string IntersectionReport(const std::string& formula1, const std::string& formula2, double from, double to,
                               const TIntersection& point) {
    return "Intersection for " + Quoted(formula1) + " & " + Quoted(formula2) + " in (" + Fixed(from, 4) + "," +
           Fixed(to, 4) + ") is: " + IntersectionValueText(point);
}

std::string IntersectionValueText(const TIntersection& point) {
    return "X=" + Fixed(point.X, 14) + " Y=" + Fixed(point.Y, 14);
}

}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "core/numeric/integration.h"
#include "core/support/exceptions.h"

namespace curvane {

// The chord method found no sign change to follow. what() is "No roots",
// what the result field and the command line print; NoRootsExplanation is
// the longer text a dialog shows in its message box first.
class ENoRoots : public Exception {
public:
    ENoRoots() : Exception("No roots") {}
};

inline constexpr const char* NoRootsExplanation =
    "Function doesn't seems to contain any root in given interval. "
    "Try to specify the root interval more precise.";

// The chord method ran its round limit without settling.
class ENoConvergence : public Exception {
public:
    explicit ENoConvergence(int rounds);
};

// The accuracy the root tools start with.
inline constexpr double DefaultRootAccuracy = 0.00001;

// Rounds after which FindRoot gives up: a function for which the chord creeps
// (one end staying fixed) or an accuracy of 0 would otherwise hold the program.
constexpr int ChordRoundLimit = 10000;

// One root of f between from and to by the chord method (regula falsi): each
// round evaluates f at both ends afresh, takes the point where the chord
// crosses zero (the left end when the chord is flat), and stops when that
// point moved by less than `accuracy` since the previous round; otherwise the
// end on the side without the sign change moves to it. The point it settles
// on is a root only where |f| is below both |f(from)| and |f(to)| (or f is
// exactly 0 there): a pole or a jump also changes sign. Raises ENoRoots when
// neither side of the chord point changes sign (NaN values included) or it
// settles on no root,
// ENoConvergence after `roundLimit` rounds, Exception "Invalid float value!"
// for a limit that is not finite, and f's own exceptions.
double FindRoot(const TRealFunction& f, double from, double to, double accuracy, int roundLimit = ChordRoundLimit);

struct TIntersection {
    double X = 0;
    double Y = 0;  // f1(X)
};

// Where f1 and f2 meet: FindRoot over f1(x) - f2(x), then Y = f1(X).
TIntersection FindIntersection(const TRealFunction& f1, const TRealFunction& f2, double from, double to,
                               double accuracy, int roundLimit = ChordRoundLimit);

// The log lines of a root and of an intersection, and the value text of an
// intersection ("X=... Y=..."), with "." for the decimal point.
std::string RootReport(const std::string& formula, double from, double to, double x);
std::string IntersectionReport(const std::string& formula1, const std::string& formula2, double from, double to,
                               const TIntersection& point);
std::string IntersectionValueText(const TIntersection& point);

}  // namespace curvane

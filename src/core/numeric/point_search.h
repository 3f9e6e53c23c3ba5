// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "core/numeric/interval.h"

namespace curvane {

class TRapidEvaluator;

// What a point of interest is.
enum class TPointKind : std::uint8_t {
    pkRoot,
    pkMinimum,
    pkMaximum,
    pkIntersection,
    pkYIntercept,
    pkEnd,  // an end of the searched interval (extrema with TSearchEnds::seInclude)
};

// What the search proved about a point.
enum class TPointStatus : std::uint8_t {
    psUnique,      // exactly one point in the enclosure (interval Newton maps it into itself)
    psSignChange,  // at least one (a sign change of a continuous function), uniqueness not proved
    psPossible,    // not excluded, nothing proved (a double root, a box left at the work limit)
};

// The words the command line and the tables print: "root", "minimum",
// "maximum", "intersection", "y-intercept", "end"; "unique", "sign-change",
// "possible".
const char* PointKindName(TPointKind kind);
const char* PointStatusName(TPointStatus status);

// One point: an enclosure of x proved to hold it (for psPossible: every
// such point of the box), the best estimate inside it, and an enclosure of
// the curve's value there.
struct TPointOfInterest {
    TPointKind Kind = TPointKind::pkRoot;
    TPointStatus Status = TPointStatus::psPossible;
    double XLo = 0, XHi = 0;
    double X = 0;  // XLo <= X <= XHi
    double YLo = 0, YHi = 0;
    double Y = 0;  // YLo <= Y <= YHi
    friend bool operator==(const TPointOfInterest&, const TPointOfInterest&) = default;
};

// Which curve a function draws: its formula or the formula's derivative.
enum class TCurveOrder : std::uint8_t { coValue, coDerivative };

// Whether the extrema search adds the interval's ends as points.
enum class TSearchEnds : std::uint8_t { seExclude, seInclude };

// Boxes one search may split before it stops and reports the rest as
// psPossible; keeps every call bounded (tens of milliseconds).
inline constexpr std::size_t DefaultPointSearchBoxes = 4000;

struct TPointSearchLimits {
    std::size_t MaxBoxes = DefaultPointSearchBoxes;
    friend bool operator==(const TPointSearchLimits&, const TPointSearchLimits&) = default;
};

// A formula of x taken as it stands now: its commands, with every other cell
// (parameters) read at construction, so a search on another thread computes
// what the user sees at that moment and nothing shared is touched. Copies
// are cheap and may be used on several threads at once.
class TPointFormula {
public:
    // Parses formula as `like` (EvalOrtho for Y(x)) would and takes the
    // current values of the parameters it uses. Raises ESyntaxError.
    static TPointFormula Make(const TRapidEvaluator& like, const std::string& formula,
                              TCurveOrder order = TCurveOrder::coValue);
    TCurveOrder Order() const;

    struct TData;  // the commands in a form the interval rules walk
    const TData& Data() const { return *FData; }

private:
    explicit TPointFormula(std::shared_ptr<const TData> data) : FData(std::move(data)) {}
    std::shared_ptr<const TData> FData;
};

// The outcome of one search: points in increasing x, and whether the work
// limit cut it short (the points found are still right; some boxes are
// reported as psPossible or not examined).
struct TPointSearch {
    std::vector<TPointOfInterest> Points;
    bool WorkLimitReached = false;
    bool Stopped = false;  // the stop token asked it to end; Points is incomplete
};

// Every root of the curve on [from, to] (the derivative's roots for
// coDerivative). A sign change across a pole or a jump is never a root.
TPointSearch FindRoots(const TPointFormula& f, double from, double to, const TPointSearchLimits& limits = {},
                       std::stop_token stop = {});
// Minima and maxima: roots of the curve's derivative where it changes sign;
// with seInclude, also the ends of [from, to] where the curve is defined.
TPointSearch FindExtrema(const TPointFormula& f, double from, double to, TSearchEnds ends = TSearchEnds::seExclude,
                         const TPointSearchLimits& limits = {}, std::stop_token stop = {});
// Where the curves of f and g meet: roots of f - g, Y the value of f.
TPointSearch FindIntersections(const TPointFormula& f, const TPointFormula& g, double from, double to,
                               const TPointSearchLimits& limits = {}, std::stop_token stop = {});
// The curve's value at x = 0, when it is defined there.
std::optional<TPointOfInterest> FindYIntercept(const TPointFormula& f);

// An enclosure of every value the curve (the derivative for coDerivative)
// takes on [lo, hi], with its decoration: what the search works with, for
// callers that want one bound (a whole view's range) or to check it.
TInterval CurveEnclosure(const TPointFormula& f, double lo, double hi);

// A number of the enclosure [lo, hi] written with the digits it proves and
// no more: every digit shown is the same for every number of the enclosure
// (after rounding to the shown digits, the whole enclosure rounds alike),
// "." for the decimal point. A point enclosure gives the shortest text that
// reads back as it.
std::string ProvedDigits(double lo, double hi);

}  // namespace curvane

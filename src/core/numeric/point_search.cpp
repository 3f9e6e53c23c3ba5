// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/numeric/point_search.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/numeric/auto_diff.h"
#include "core/numeric/detached_commands.h"
#include "core/support/number_format.h"

namespace curvane {

// The commands as the evaluator parsed them, made independent of it (x the
// one variable, parameters constants of the values they held at Make).
struct TPointFormula::TData {
    TDetachedCommands Detached;
    TCurveOrder Order = TCurveOrder::coValue;
};

TPointFormula TPointFormula::Make(const TRapidEvaluator& like, const std::string& formula, TCurveOrder order) {
    auto data = std::make_shared<TData>();
    data->Detached = DetachCommands(like, formula);
    data->Order = order;
    return TPointFormula(std::move(data));
}

TCurveOrder TPointFormula::Order() const { return FData->Order; }

const char* PointKindName(TPointKind kind) {
    switch (kind) {
        case TPointKind::pkRoot: return "root";
        case TPointKind::pkMinimum: return "minimum";
        case TPointKind::pkMaximum: return "maximum";
        case TPointKind::pkIntersection: return "intersection";
        case TPointKind::pkYIntercept: return "y-intercept";
        case TPointKind::pkEnd: return "end";
    }
    return "";
}

const char* PointStatusName(TPointStatus status) {
    switch (status) {
        case TPointStatus::psUnique: return "unique";
        case TPointStatus::psSignChange: return "sign-change";
        case TPointStatus::psPossible: return "possible";
    }
    return "";
}

namespace {

using TData = TPointFormula::TData;
using TDual1 = TDual<TInterval>;
using TDual2 = TDual<TDual1>;
using TDual3 = TDual<TDual2>;

int OrderOf(const TData& f) { return f.Order == TCurveOrder::coDerivative ? 1 : 0; }

template <class T>
T Walk(const TData& f, const TInterval& x) {
    // x is the formula's only variable.
    return WalkCommands<T>(f.Detached.Commands, [&](const TStackItem&) { return ad::Lift<T>(x, 1.0); });
}

// The curve a formula draws (its value or its derivative) on a box.
TInterval CurveOn(const TData& f, const TInterval& x) {
    if (OrderOf(f) == 0) return Walk<TInterval>(f, x);
    return Walk<TDual1>(f, x).D;
}

// The function whose zeros are searched: the Shift-th derivative of the
// curve of F, less that of G when there is one. Curve says whether the
// drawn curves themselves are continuous on the box.
struct TTarget {
    const TData* F = nullptr;
    const TData* G = nullptr;
    int Shift = 0;  // 0: roots and intersections, 1: extrema
};

struct TBoxValue {
    TInterval H;   // the searched function
    TInterval DH;  // its derivative
    TDecoration Curve = TDecoration::dcContinuous;
};

template <class T>
TBoxValue EvaluateAs(const TTarget& t, const TInterval& x) {
    const T f = Walk<T>(*t.F, x);
    const int fo = OrderOf(*t.F) + t.Shift;
    TBoxValue r{Component(f, fo), Component(f, fo + 1), Component(f, fo - t.Shift).Decoration};
    if (t.G != nullptr) {
        const T g = Walk<T>(*t.G, x);
        const int go = OrderOf(*t.G) + t.Shift;
        r.H = r.H - Component(g, go);
        r.DH = r.DH - Component(g, go + 1);
        r.Curve = Worst(r.Curve, Component(g, go - t.Shift).Decoration);
    }
    return r;
}

TBoxValue Evaluate(const TTarget& t, const TInterval& x) {
    int depth = OrderOf(*t.F);
    if (t.G != nullptr) depth = std::max(depth, OrderOf(*t.G));
    switch (depth + t.Shift) {
        case 0: return EvaluateAs<TDual1>(t, x);
        case 1: return EvaluateAs<TDual2>(t, x);
        default: return EvaluateAs<TDual3>(t, x);
    }
}

bool Finite(const TInterval& a) { return !a.IsEmpty() && std::isfinite(a.Lo) && std::isfinite(a.Hi); }
bool Defined(const TInterval& a) { return !a.IsEmpty() && a.Decoration <= TDecoration::dcDefined; }

// The work of one evaluation of a formula this long (twice as long for the
// extremum search, which carries second derivatives) is one unit of the
// work limit; longer formulas take more.
constexpr std::size_t CommandsPerBox = 16;

struct TCandidate {
    double Lo = 0, Hi = 0;
    TPointStatus Status = TPointStatus::psPossible;
    int Slope = 0;  // +1: the searched function rises through 0, -1: falls, 0: not known
    double ULo = 0, UHi = 0;  // psUnique: the box holding no other zero
};

// Branch and bound over [from, to] with interval Newton steps. Boxes are
// taken left to right; each is dropped when its enclosure excludes 0,
// narrowed by a Newton step, proved to hold exactly one zero when the step
// maps it into itself, or split; a box too narrow to split is kept as a sign
// change (the curve continuous and the ends certified of opposite signs) or
// as possible.
class TZeroSearch {
public:
    TZeroSearch(const TTarget& target, double from, double to, const TPointSearchLimits& limits,
                std::stop_token stop)
        : FTarget(target), FFrom(from), FTo(to), FLimits(limits), FStop(std::move(stop)) {}

    void Run();
    std::vector<TCandidate> Candidates;
    bool WorkLimitReached = false;
    bool Stopped = false;

private:
    void Process(const TInterval& x);
    void Terminal(const TInterval& x, const TBoxValue& v);
    bool Prove(TInterval z);
    // Every evaluation counts against the work limit, weighed by the
    // formula's length, so that the limit bounds the time of any formula.
    TBoxValue Box(const TInterval& x) {
        FWork += FCost;
        return Evaluate(FTarget, x);
    }
    TBoxValue PointValue(double x) { return Box(TInterval(x)); }
    double Tolerance(const TInterval& x) const {
        const double scale = std::max(std::fabs(x.Lo), std::fabs(x.Hi));
        return std::max((FTo - FFrom) * 0x1p-44, scale * 0x1p-49);
    }
    void Finish();

    TTarget FTarget;
    double FFrom, FTo;
    TPointSearchLimits FLimits;
    std::stop_token FStop;
    std::vector<TInterval> FPending;  // the last is the leftmost
    std::size_t FWork = 0;
    std::size_t FCost = 1;
};

void TZeroSearch::Run() {
    if (!(FFrom <= FTo) || !std::isfinite(FFrom) || !std::isfinite(FTo)) return;
    std::size_t commands = FTarget.F->Detached.Commands.size();
    if (FTarget.G) commands += FTarget.G->Detached.Commands.size();
    FCost = 1 + (commands + (FTarget.Shift > 0 ? commands : 0)) / CommandsPerBox;
    FPending.push_back({FFrom, FTo});
    while (!FPending.empty()) {
        if (FStop.stop_requested()) {
            Stopped = true;
            FPending.clear();
            break;
        }
        if (FWork >= FLimits.MaxBoxes) {
            WorkLimitReached = true;
            break;
        }
        const TInterval x = FPending.back();
        FPending.pop_back();
        Process(x);
    }
    // What is left at the work limit: every box that one enclosure cannot
    // clear stays possible.
    while (!FPending.empty()) {
        const TInterval x = FPending.back();
        FPending.pop_back();
        const TBoxValue v = Evaluate(FTarget, x);
        if (v.H.Contains(0)) Candidates.push_back({x.Lo, x.Hi, TPointStatus::psPossible, 0});
    }
    Finish();
}

void TZeroSearch::Process(const TInterval& x) {
    const TBoxValue v = Box(x);
    if (!v.H.Contains(0)) return;
    if (v.H.Lo == 0 && v.H.Hi == 0 && Defined(v.H)) {
        // Zero over the whole box: every point a root, and for a flat curve
        // no extremum in the strict sense. Splitting would only spend the
        // work limit.
        if (FTarget.Shift == 0) Candidates.push_back({x.Lo, x.Hi, TPointStatus::psPossible, 0});
        return;
    }
    const bool smooth = v.Curve == TDecoration::dcContinuous && Defined(v.DH) && Finite(v.DH);
    if (smooth) {
        const double m = x.Mid();
        const TBoxValue vm = PointValue(m);
        if (Defined(vm.H) && Finite(vm.H)) {
            // The mean value form clears boxes the plain enclosure cannot.
            const TInterval centred = vm.H + v.DH * (x - TInterval(m));
            if (!centred.Contains(0)) return;
            if (!v.DH.Contains(0)) {
                const TInterval n = TInterval(m) - vm.H / v.DH;
                const TInterval y = Intersect(n, x);
                if (y.IsEmpty()) return;
                if (n.Lo >= x.Lo && n.Hi <= x.Hi) {
                    Prove(x);
                    return;
                }
                // The zero is near an edge of the box, or in a neighbour:
                // a box grown around the step's result may prove it.
                const double w = n.Width();
                if (w < 0.25 * x.Width()) {
                    const double grow = std::max(w, Tolerance(x));
                    if (Prove({n.Lo - grow, n.Hi + grow})) return;
                }
                if (y.Width() < 0.75 * x.Width()) {
                    FPending.push_back(y);
                    return;
                }
            }
        }
    }
    if (x.Width() <= Tolerance(x)) {
        Terminal(x, v);
        return;
    }
    // Split a little off the middle: a zero at the exact middle of a
    // symmetric range (sin x on [-10, 10]) would otherwise sit on the seam
    // of two boxes, provable in neither.
    const double s = x.Lo + (x.Hi - x.Lo) * 0.4990234375;
    FPending.push_back({s, x.Hi});
    FPending.push_back({x.Lo, s});
}

// Interval Newton on z: when the step maps z into itself, z holds exactly
// one zero (the derivative excludes 0), which further steps then narrow
// down to the step's fixed point.
bool TZeroSearch::Prove(TInterval z) {
    bool proved = false;
    TInterval uniqueBox;
    int slope = 0;
    for (int round = 0; round < 64; ++round) {
        const TBoxValue v = Box(z);
        if (v.Curve != TDecoration::dcContinuous || !Defined(v.DH) || !Finite(v.DH) || v.DH.Contains(0)) break;
        const double m = z.Mid();
        const TBoxValue vm = PointValue(m);
        if (!Defined(vm.H) || !Finite(vm.H)) break;
        const TInterval n = TInterval(m) - vm.H / v.DH;
        if (!proved) {
            if (!(n.Lo >= z.Lo && n.Hi <= z.Hi)) return false;
            proved = true;
            uniqueBox = z;
            slope = v.DH.Lo > 0 ? 1 : -1;
        }
        const TInterval next = Intersect(n, z);
        if (next.IsEmpty()) break;
        const bool progress = next.Width() < z.Width();
        z = next;
        if (!progress) break;
    }
    if (!proved) return false;
    Candidates.push_back({z.Lo, z.Hi, TPointStatus::psUnique, slope, uniqueBox.Lo, uniqueBox.Hi});
    // The boxes waiting to the right hold no other zero inside the unique box.
    while (!FPending.empty() && FPending.back().Lo < uniqueBox.Hi) {
        TInterval& next = FPending.back();
        if (next.Hi <= uniqueBox.Hi) FPending.pop_back();
        else next.Lo = uniqueBox.Hi;
    }
    return true;
}

void TZeroSearch::Terminal(const TInterval& x, const TBoxValue& v) {
    const TBoxValue a = PointValue(x.Lo), b = PointValue(x.Hi);
    const bool endsDefined = Defined(a.H) && Defined(b.H);
    const bool negLo = endsDefined && a.H.Hi < 0, posLo = endsDefined && a.H.Lo > 0;
    const bool negHi = endsDefined && b.H.Hi < 0, posHi = endsDefined && b.H.Lo > 0;
    // An end clear of 0, or next to a pole (the values there unbounded);
    // an end where the curve is undefined (sqrt x at 0-) is not.
    auto clear = [](const TInterval& h) { return !h.IsEmpty() && (h.Lo > 0 || h.Hi < 0 || !Finite(h)); };
    if (v.Curve == TDecoration::dcContinuous) {
        if (negLo && posHi) {
            Candidates.push_back({x.Lo, x.Hi, TPointStatus::psSignChange, 1});
            return;
        }
        if (posLo && negHi) {
            Candidates.push_back({x.Lo, x.Hi, TPointStatus::psSignChange, -1});
            return;
        }
    } else if (clear(a.H) && clear(b.H)) {
        // Both ends clear of 0 across a pole or a jump: that is where the
        // sign changes, not at a zero.
        return;
    }
    int slope = 0;
    if (endsDefined && a.H.Mid() < 0 && b.H.Mid() > 0) slope = 1;
    if (endsDefined && a.H.Mid() > 0 && b.H.Mid() < 0) slope = -1;
    Candidates.push_back({x.Lo, x.Hi, TPointStatus::psPossible, slope});
}

void TZeroSearch::Finish() {
    std::sort(Candidates.begin(), Candidates.end(),
              [](const TCandidate& a, const TCandidate& b) { return a.Lo < b.Lo; });
    std::vector<TCandidate> kept;
    auto insideUnique = [](const TCandidate& c, const TCandidate& u) {
        return u.Status == TPointStatus::psUnique && c.Lo >= u.ULo && c.Hi <= u.UHi;
    };
    // reach[i] bounds how far right kept[0..i] extend, boxes holding one
    // zero included: the scan for a box to merge with stops where nothing
    // further left can reach the candidate, so thousands of points (a search
    // at a high work limit) cost no more than their sort.
    std::vector<double> reach;
    auto extent = [](const TCandidate& k) {
        return k.Status == TPointStatus::psUnique ? std::max(k.Hi, k.UHi) : k.Hi;
    };
    for (const TCandidate& c : Candidates) {
        if (c.Hi < FFrom || c.Lo > FTo) continue;
        bool merged = false;
        const double from = c.Status == TPointStatus::psUnique ? std::min(c.Lo, c.ULo) : c.Lo;
        for (std::size_t i = kept.size(); i-- > 0 && reach[i] >= from;) {
            TCandidate& k = kept[i];
            // A box holding exactly one zero: whatever else lies inside it is that zero.
            if (insideUnique(c, k) || (c.Status == TPointStatus::psUnique && insideUnique(k, c))) {
                if (k.Status == TPointStatus::psUnique && c.Status == TPointStatus::psUnique) {
                    k.Lo = std::max(k.Lo, c.Lo);
                    k.Hi = std::min(k.Hi, c.Hi);
                    if (k.Lo > k.Hi) std::swap(k.Lo, k.Hi);
                } else if (c.Status == TPointStatus::psUnique) {
                    k = c;
                    for (std::size_t j = i; j < reach.size(); ++j) reach[j] = std::max(reach[j], extent(k));
                }
                merged = true;
                break;
            }
        }
        if (merged) continue;
        if (!kept.empty() && c.Status == TPointStatus::psPossible && kept.back().Status == TPointStatus::psPossible &&
            c.Lo <= kept.back().Hi) {
            kept.back().Hi = std::max(kept.back().Hi, c.Hi);
            reach.back() = std::max(reach.back(), kept.back().Hi);
            if (kept.back().Slope != c.Slope) kept.back().Slope = kept.back().Slope == 0 ? c.Slope : 0;
            continue;
        }
        kept.push_back(c);
        reach.push_back(std::max(reach.empty() ? extent(c) : reach.back(), extent(c)));
    }
    // Merged boxes may show across their joint what neither showed alone
    // (a kink right on the seam of two boxes).
    for (TCandidate& c : kept) {
        if (c.Status != TPointStatus::psPossible || FStop.stop_requested()) continue;
        const TInterval x{c.Lo, c.Hi};
        const TBoxValue v = Evaluate(FTarget, x), a = Evaluate(FTarget, TInterval(c.Lo)),
                        b = Evaluate(FTarget, TInterval(c.Hi));
        if (!Defined(a.H) || !Defined(b.H)) continue;
        const int sign = a.H.Hi < 0 && b.H.Lo > 0 ? 1 : a.H.Lo > 0 && b.H.Hi < 0 ? -1 : 0;
        if (sign != 0 && v.Curve == TDecoration::dcContinuous) {
            c.Status = TPointStatus::psSignChange;
            c.Slope = sign;
        }
    }
    Candidates = std::move(kept);
}

TPointOfInterest PointOf(const TCandidate& c, TPointKind kind) {
    TPointOfInterest p;
    p.Kind = kind;
    p.Status = c.Status;
    p.XLo = c.Lo;
    p.XHi = c.Hi;
    p.X = std::clamp(TInterval(c.Lo, c.Hi).Mid(), c.Lo, c.Hi);
    return p;
}

// The curve's value at a point: an enclosure over the whole x enclosure,
// and the estimate at the point.
void SetY(TPointOfInterest& p, const TData& f) {
    const TInterval range = CurveOn(f, {p.XLo, p.XHi});
    const TInterval at = CurveOn(f, TInterval(p.X));
    if (range.IsEmpty()) {
        p.YLo = p.YHi = p.Y = std::numeric_limits<double>::quiet_NaN();
        return;
    }
    p.YLo = range.Lo;
    p.YHi = range.Hi;
    p.Y = at.IsEmpty() ? range.Mid() : std::clamp(at.Mid(), range.Lo, range.Hi);
}

TPointSearch Search(const TTarget& target, double from, double to, const TPointSearchLimits& limits,
                    std::stop_token stop, std::vector<TCandidate>& candidates) {
    TZeroSearch search(target, from, to, limits, std::move(stop));
    search.Run();
    candidates = std::move(search.Candidates);
    TPointSearch result;
    result.WorkLimitReached = search.WorkLimitReached;
    result.Stopped = search.Stopped;
    return result;
}

}  // namespace

TPointSearch FindRoots(const TPointFormula& f, double from, double to, const TPointSearchLimits& limits,
                       std::stop_token stop) {
    std::vector<TCandidate> candidates;
    TPointSearch result = Search({&f.Data(), nullptr, 0}, from, to, limits, std::move(stop), candidates);
    for (const TCandidate& c : candidates) {
        TPointOfInterest p = PointOf(c, TPointKind::pkRoot);
        if (c.Status == TPointStatus::psPossible) {
            SetY(p, f.Data());
            if (p.YLo <= 0 && 0 <= p.YHi) p.Y = 0;
        }
        result.Points.push_back(p);
    }
    return result;
}

TPointSearch FindExtrema(const TPointFormula& f, double from, double to, TSearchEnds ends,
                         const TPointSearchLimits& limits, std::stop_token stop) {
    std::vector<TCandidate> candidates;
    TPointSearch result = Search({&f.Data(), nullptr, 1}, from, to, limits, std::move(stop), candidates);
    auto addEnd = [&](double x) {
        const TInterval y = CurveOn(f.Data(), TInterval(x));
        if (!Defined(y) || !Finite(y)) return;
        TPointOfInterest p;
        p.Kind = TPointKind::pkEnd;
        p.Status = TPointStatus::psUnique;
        p.XLo = p.XHi = p.X = x;
        p.YLo = y.Lo;
        p.YHi = y.Hi;
        p.Y = y.Mid();
        result.Points.push_back(p);
    };
    if (ends == TSearchEnds::seInclude && !result.Stopped && from <= to) addEnd(from);
    for (const TCandidate& c : candidates) {
        // The slope of the derivative at its zero tells the kind; a zero
        // with no sign change to show for it (x^3 at 0) is no extremum.
        if (c.Slope == 0) continue;
        TPointOfInterest p = PointOf(c, c.Slope > 0 ? TPointKind::pkMinimum : TPointKind::pkMaximum);
        SetY(p, f.Data());
        result.Points.push_back(p);
    }
    if (ends == TSearchEnds::seInclude && !result.Stopped && from < to) addEnd(to);
    return result;
}

TPointSearch FindIntersections(const TPointFormula& f, const TPointFormula& g, double from, double to,
                               const TPointSearchLimits& limits, std::stop_token stop) {
    std::vector<TCandidate> candidates;
    TPointSearch result = Search({&f.Data(), &g.Data(), 0}, from, to, limits, std::move(stop), candidates);
    for (const TCandidate& c : candidates) {
        TPointOfInterest p = PointOf(c, TPointKind::pkIntersection);
        SetY(p, f.Data());
        result.Points.push_back(p);
    }
    return result;
}

std::optional<TPointOfInterest> FindYIntercept(const TPointFormula& f) {
    const TInterval y = CurveOn(f.Data(), TInterval(0.0));
    if (!Defined(y) || !Finite(y)) return std::nullopt;
    TPointOfInterest p;
    p.Kind = TPointKind::pkYIntercept;
    p.Status = TPointStatus::psUnique;
    p.YLo = y.Lo;
    p.YHi = y.Hi;
    p.Y = y.Mid();
    return p;
}

TInterval CurveEnclosure(const TPointFormula& f, double lo, double hi) { return CurveOn(f.Data(), {lo, hi}); }

namespace {

// A double rounded to a multiple of 10^Place: Digits (no leading zeros,
// "0" for zero) times 10^Place.
struct TRounded {
    bool Negative = false;
    std::string Digits;
    int Place = 0;
    bool operator==(const TRounded&) const = default;
};

// The exact decimal digits of a double (at most 767 significant ones) and
// the power of ten of the first.
struct TExactDecimal {
    bool Negative = false;
    bool Zero = false;
    std::string Digits;
    int Exponent = 0;

    explicit TExactDecimal(double v) : Negative(v < 0), Zero(v == 0) {
        char buffer[1100];
        std::snprintf(buffer, sizeof buffer, "%.800e", std::fabs(v));
        const char* e = std::strchr(buffer, 'e');
        Digits.assign(buffer, 1);
        Digits.append(buffer + 2, static_cast<std::size_t>(e - (buffer + 2)));
        Exponent = std::atoi(e + 1);
    }

    // Rounded half away from zero to a multiple of 10^place.
    TRounded RoundAt(int place) const {
        TRounded r;
        r.Place = place;
        r.Digits = "0";
        const int keep = Exponent - place + 1;  // digits at or above 10^place
        if (Zero || keep < 0) return r;
        std::string kept = Digits.substr(0, static_cast<std::size_t>(keep));
        if (static_cast<std::size_t>(keep) < Digits.size() && Digits[static_cast<std::size_t>(keep)] >= '5') {
            int i = static_cast<int>(kept.size()) - 1;
            while (i >= 0 && kept[static_cast<std::size_t>(i)] == '9') kept[static_cast<std::size_t>(i--)] = '0';
            if (i < 0) kept.insert(kept.begin(), '1');
            else ++kept[static_cast<std::size_t>(i)];
        }
        const std::size_t first = kept.find_first_not_of('0');
        if (first != std::string::npos) r.Digits = kept.substr(first);
        r.Negative = Negative && r.Digits != "0";
        return r;
    }
};

std::string Render(const TRounded& r) {
    const std::string sign = r.Negative ? "-" : "";
    if (r.Digits == "0") {
        if (r.Place <= 0) return "0";
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "0e+%02d", r.Place);
        return buffer;
    }
    const int lead = static_cast<int>(r.Digits.size()) - 1 + r.Place;  // power of ten of the first digit
    if (r.Place <= 0 && lead >= -5 && lead < 15) {
        std::string text = r.Digits;
        const int decimals = -r.Place;
        const int digits = static_cast<int>(text.size());
        if (digits <= decimals) text.insert(0, static_cast<std::size_t>(decimals - digits + 1), '0');
        if (decimals > 0) text.insert(text.size() - static_cast<std::size_t>(decimals), ".");
        return sign + text;
    }
    std::string text = r.Digits.substr(0, 1);
    if (r.Digits.size() > 1) text += "." + r.Digits.substr(1);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "e%c%02d", lead < 0 ? '-' : '+', std::abs(lead));
    return sign + text + buffer;
}

}  // namespace

std::string ProvedDigits(double lo, double hi) {
    if (std::isnan(lo) || std::isnan(hi)) return "nan";
    if (lo > hi) std::swap(lo, hi);
    if (lo == hi) return FormatShortest(lo);
    if (!std::isfinite(lo) || !std::isfinite(hi)) return "?";
    // Two numbers a width w apart never round alike to a finer step than w.
    const TExactDecimal low(lo), high(hi);
    const double width = hi - lo;
    int place = std::isfinite(width) ? static_cast<int>(std::floor(std::log10(width))) - 1 : 307;
    for (;; ++place) {
        const TRounded a = low.RoundAt(place), b = high.RoundAt(place);
        if (a == b) return Render(a);
    }
}

}  // namespace curvane

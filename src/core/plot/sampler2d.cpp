// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/plot/sampler2d.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>
#include <utility>

#include "core/document/func_item.h"

namespace curvane {

std::string ZeroDivideMarkText(double t) {
    char text[64];
    std::snprintf(text, sizeof text, "x=%f>", t);
    return text;
}

void AddSampleMark(std::vector<TSampleMark>& marks, TSampleMark mark) {
    const bool known = std::any_of(marks.begin(), marks.end(),
                                   [&](const TSampleMark& m) { return m.Position == mark.Position; });
    if (!known) marks.push_back(std::move(mark));
}

namespace {

// Builds the next run of parameter values by repeated addition, exactly as a
// loop "t = t + step while t <= to" visits them (not From + k*Step, which
// rounds differently). Returns how many were written; 0 once t passed To.
std::size_t NextParams(double& t, bool& first, const TSampleRange& range, double* params,
                       std::size_t capacity) {
    std::size_t n = 0;
    while (n < capacity) {
        if (first) {
            first = false;  // the first value is sampled even when From > To
        } else {
            const double next = t + range.Step;
            // A step below the spacing of doubles at t would never end the loop;
            // ChooseRange refuses such steps, this is the last line of defence.
            if (!(next > t) || !(next <= range.To)) {
                t = next;
                break;
            }
            t = next;
        }
        params[n++] = t;
    }
    return n;
}

struct TPlanePoint {
    double X, Y;
};

TPlanePoint Place(TCurveShape shape, double a, double r) {
    if (shape == TCurveShape::csPolar) return {r * std::cos(a), r * std::sin(a)};
    return {a, r};
}

// Halvings a suspicious segment may take. A steep but continuous piece comes
// below a pixel long before; a jump keeps its height to the end, and a pole
// reaches SampleCutOff or a fault on the way.
constexpr int MaxJoinSteps = 60;
// Evaluations the closer looks at domain ends, branches running off the view
// and turning points may spend in one pixel column (one sample interval of a
// parametric or polar curve). It bounds a frame at this many times the samples
// however wild the curve; the join check's own bisection is bounded by
// MaxJoinSteps per segment instead, since a pole left joined would draw a line
// across the view.
constexpr int MaxCloserLooksPerColumn = 48;
// Halvings following a piece to the end of its domain or to the view's edge.
// From a pixel wide bracket this reaches far below the spacing of doubles of
// any useful view.
constexpr int MaxFollowSteps = 48;
// A piece's end has settled when a halving moves it less than this, in pixels
// along both axes; what is left beyond is a fraction of a pixel.
constexpr double SettledMove = 0.1;
// A turning point is added where it lies this many pixels off the polyline.
constexpr double PeakTolerance = 0.5;
// The search for a turning point stops when its bracket is this narrow in
// pixels: a cusp of slope 40 (40 pixels up per pixel across) is then found to
// within half a pixel of its height.
constexpr double PeakBracket = 0.01;
// A turn is taken from the parabola through three samples where the curve
// halfway between them lies this close to it, in pixels.
constexpr double SmoothTolerance = 0.05;

struct TCurvePoint {
    double T;
    TPlanePoint P;
};

// Points of one curve in the order they are drawn, gap vertices included
// ({NaN, NaN}); written into the TPline once at the end, which spares the
// per-point bounds and growth checks of TPline::Add.
using TCurvePoints = std::vector<TPlanePoint>;

constexpr TPlanePoint GapPoint{std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN()};

// Looks closer at a curve between neighbouring samples, in the picture the
// curve is drawn into: whether two points are joined, where a piece ends at
// the edge of its domain or runs off the view, and where the value turns.
//
// Joining costs every segment a few comparisons; only those that jump by more
// than the view, change sign over more than two pixels, or move several times
// as far as the segment before them (a step of floor or mod, small against
// the view) are bisected, each step one evaluation (two for a derivative). A
// merely steep curve moves about as far from one segment to the next and is
// never looked at closer.
class TJoinCheck {
public:
    // When a segment is not joined, the bisection's last points on either
    // side of the jump, and whether the curve was undefined (a fault or beyond
    // SampleCutOff) between them, at TMid.
    struct TJumpEnds {
        TCurvePoint Before{}, After{};
        bool Undefined = false;
        double TMid = 0;
    };

    TJoinCheck(const TCurvePlan& plan, double step) : FPlan(plan), FStep(step) {
        const TSampleView* view = plan.View;
        if (!view) return;
        FLeft = view->WorldLeft;
        FRight = view->WorldRight;
        FBottom = view->WorldBottom;
        FTop = view->WorldTop;
        const double pixelX = (FRight - FLeft) / std::max(view->Width, 1);
        const double pixelY = (FTop - FBottom) / std::max(view->Height, 1);
        // A view with no size (or NaN edges) joins everything, as before.
        FActive = pixelX > 0 && pixelY > 0 && std::isfinite(pixelX) && std::isfinite(pixelY);
        if (!FActive) return;
        FPixelX = pixelX;
        FPixelY = pixelY;
        FPerPixelX = 1 / pixelX;
        FPerPixelY = 1 / pixelY;
        const bool columns = !plan.Abscissa && plan.Shape == TCurveShape::csCartesian;
        FCreditPerSample = MaxCloserLooksPerColumn * (columns ? std::min(step * FPerPixelX, 1.0) : 1.0);
    }

    bool Active() const { return FActive; }

    // p0 and p1 are the points at parameters t0 < t1; `before` is how far the
    // curve moved to p0 from the point joined before it, negative when p0
    // begins a piece. `move` receives how far it moves to p1 (Pixels).
    bool Joined(double t0, TPlanePoint p0, double t1, TPlanePoint p1, double before, double& move,
                TJumpEnds& ends) const {
        if (!FActive) {
            move = 0;
            return true;
        }
        move = Pixels(p0, p1);
        if (!Suspicious(p0, p1, move, before)) return true;
        ends.Undefined = false;
        for (int k = 0; k < MaxJoinSteps; ++k) {
            if (Pixels(p0, p1) <= 1) return true;
            const double m = t0 + (t1 - t0) / 2;
            // No parameter left between them, and still more than a pixel apart.
            if (!(t0 < m && m < t1)) break;
            TPlanePoint pm;
            if (!PointAt(m, pm)) {  // undefined, or off to infinity, in between
                ends.Undefined = true;
                ends.TMid = m;
                break;
            }
            // Follow the half that moves more: the pole or the step is there.
            if (Pixels(p0, pm) >= Pixels(pm, p1)) {
                t1 = m;
                p1 = pm;
            } else {
                t0 = m;
                p0 = pm;
            }
        }
        ends.Before = {t0, p0};
        ends.After = {t1, p1};
        return false;
    }

    // Grants the closer looks of the next sample interval their share of the
    // column's budget. Samples closer than a pixel apart share one budget per
    // column; parametric and polar curves have no columns, and every sample
    // interval gets the whole budget. (A credit rather than the column's
    // number: finding that number cost as much as the rest of a sample.)
    void NextSample() { FCredit = std::min(FCredit + FCreditPerSample, double{MaxCloserLooksPerColumn}); }

    // What lies at the far end of a piece being followed.
    enum class TFarEnd : std::uint8_t {
        feUndefined,  // the curve is undefined there
        feBeyond,     // the curve's point there lies beyond the view's edge
    };

    // Carries the piece that ends at `from` on toward `to`, where the curve is
    // undefined or lies beyond the view's edge (`end` says which): appends to
    // found the points of the curve on the way, nearest to `from` first. It
    // halves the parameter interval until the end settles (moves less than
    // SettledMove pixels), or, for a piece inside the view, until it crosses
    // the view's edge within a pixel, ending with a point just beyond the edge.
    // `to` may lie before or after `from`.
    void Follow(TCurvePoint from, TCurvePoint to, TFarEnd end, TCurvePoints& found) {
        const bool fromInside = Inside(from.P);
        bool toDefined = end == TFarEnd::feBeyond;
        for (int k = 0; k < MaxFollowSteps && FCredit >= 1; ++k) {
            if (toDefined && Pixels(from.P, to.P) <= 1) {
                found.push_back(to.P);
                return;
            }
            const double m = from.T + (to.T - from.T) / 2;
            if (!(std::min(from.T, to.T) < m && m < std::max(from.T, to.T))) return;
            TPlanePoint pm;
            if (!PointAt(m, pm)) {
                to = {m, pm};
                toDefined = false;
                continue;
            }
            if (fromInside && !Inside(pm)) {
                to = {m, pm};
                toDefined = true;
                continue;
            }
            // A piece ending outside the view is followed only while it comes
            // nearer: going further out it stays unseen.
            if (!fromInside && Beyond(pm) > Beyond(from.P)) return;
            const double moved = Pixels(from.P, pm);
            from = {m, pm};
            found.push_back(pm);
            if (!toDefined && moved < SettledMove) return;
        }
    }

    enum class TTurnKind : std::uint8_t { tkMaximum, tkMinimum };

    // Looks for the turning point of y between a and c, where b, the sample
    // between them, is higher than both (tkMaximum) or lower than both.
    // Returns it when it lies more than PeakTolerance pixels off the polyline
    // a-b-c.
    bool Turn(TCurvePoint a, TCurvePoint b, TCurvePoint c, TTurnKind kind, TCurvePoint& turn) {
        const bool maximum = kind == TTurnKind::tkMaximum;
        // Beyond the edge the turn takes it further out, or the columns are not shown.
        const bool above = a.P.Y > FTop && b.P.Y > FTop && c.P.Y > FTop;
        const bool below = a.P.Y < FBottom && b.P.Y < FBottom && c.P.Y < FBottom;
        if (maximum ? above : below) return false;
        if (c.P.X < FLeft || a.P.X > FRight) return false;
        // First the points halfway to either neighbour, in one evaluation of
        // two. Where they lie on the parabola through a, b and c the curve is
        // smooth there, and the parabola's vertex stands for the turn: most
        // turns of most curves are settled so, without the search.
        double halves[2] = {a.T + (b.T - a.T) / 2, b.T + (c.T - b.T) / 2}, heights[2];
        if (FCredit < 2 || !ValuesAt(halves, 2, heights)) return false;
        auto parabola = [&](double t) {
            return a.P.Y * (t - b.T) * (t - c.T) / ((a.T - b.T) * (a.T - c.T)) +
                   b.P.Y * (t - a.T) * (t - c.T) / ((b.T - a.T) * (b.T - c.T)) +
                   c.P.Y * (t - a.T) * (t - b.T) / ((c.T - a.T) * (c.T - b.T));
        };
        const double smooth = SmoothTolerance * FPixelY;
        if (std::fabs(parabola(halves[0]) - heights[0]) < smooth &&
            std::fabs(parabola(halves[1]) - heights[1]) < smooth) {
            const double ha = a.T - b.T, hc = c.T - b.T;  // the parabola as b + p s + q s^2, s = t - b.T
            const double da = (a.P.Y - b.P.Y) / ha, dc = (c.P.Y - b.P.Y) / hc;
            const double q = (dc - da) / (hc - ha), p = da - q * ha;
            if (q != 0 && std::fabs(p / (2 * q)) < std::max(-ha, hc)) {
                // The vertex's own height decides; it is looked up only where
                // the parabola's puts it off the polyline, which is seldom.
                turn.T = b.T - p / (2 * q);
                turn.P = {turn.T, b.P.Y - p * p / (4 * q)};
                return OffLine(a, b, c, turn) && FCredit >= 1 && ValuesAt(&turn.T, 1, &turn.P.Y) &&
                       OffLine(a, b, c, turn);
            }
        }
        // Not smooth (a cusp, or a peak narrower than the samples): the
        // halves narrow the bracket to the one the turn lies in.
        auto better = [maximum](double u, double v) { return maximum ? u > v : u < v; };
        double lo = a.T, hi = c.T;
        if (better(heights[0], b.P.Y) && !better(heights[1], heights[0])) {
            hi = b.T;
        } else if (better(heights[1], b.P.Y)) {
            lo = b.T;
        } else {
            lo = halves[0];
            hi = halves[1];
        }
        // Golden-section search: it needs no derivative, so it finds cusps too.
        constexpr double g = 0.38196601125010515;
        TCurvePoint u{lo + g * (hi - lo), {}}, v{hi - g * (hi - lo), {}};
        if (FCredit < 2 || !PointAt(u.T, u.P) || !PointAt(v.T, v.P)) return false;
        while ((hi - lo) * FPerPixelX > PeakBracket && FCredit >= 1) {
            if (!better(v.P.Y, u.P.Y)) {
                hi = v.T;
                v = u;
                u.T = lo + g * (hi - lo);
                if (!PointAt(u.T, u.P)) return false;
            } else {
                lo = u.T;
                u = v;
                v.T = hi - g * (hi - lo);
                if (!PointAt(v.T, v.P)) return false;
            }
        }
        turn = better(v.P.Y, u.P.Y) ? v : u;
        return better(turn.P.Y, b.P.Y) && OffLine(a, b, c, turn);
    }

    // Whether the turn found between a and c lies more than PeakTolerance
    // pixels above or below the polyline a-b-c.
    bool OffLine(TCurvePoint a, TCurvePoint b, TCurvePoint c, TCurvePoint turn) const {
        const TPlanePoint& p = turn.P.X < b.P.X ? a.P : c.P;
        if (p.X == b.P.X) return false;
        const double line = b.P.Y + (p.Y - b.P.Y) * (turn.P.X - b.P.X) / (p.X - b.P.X);
        return std::fabs(turn.P.Y - line) * FPerPixelY > PeakTolerance;
    }

    bool Inside(TPlanePoint p) const { return p.X >= FLeft && p.X <= FRight && p.Y >= FBottom && p.Y <= FTop; }

    // Whether samples this far apart (in parameter units) aim at the pixels:
    // at most two pixels apart along x for a Cartesian curve; parametric and
    // polar curves are sampled by angle, which says nothing about pixels.
    bool FineSteps(double step) const {
        return FPlan.Abscissa || FPlan.Shape == TCurveShape::csPolar || step * FPerPixelX <= 2;
    }

    // Whether QuietRun applies to samples of this spacing (in world units) at
    // parameters within [from, to]: a plain Cartesian curve sampled within
    // the view's columns at most two pixels apart, whose x never jumps.
    bool QuietColumns(double from, double to, double step) const {
        return FActive && !FPlan.Abscissa && FPlan.Shape == TCurveShape::csCartesian && from >= FLeft &&
               to <= FRight && step * FPerPixelX <= 2;
    }

    // Appends the run of quiet samples that starts at sample `from` of a
    // batch (QuietColumns; t and y are its parameters and values), following
    // the samples at yb and y0, themselves joined without a closer look.
    // Quiet means joined with nothing to look at: defined, rising or falling
    // on from the samples before (no turn), not across y = 0 (where Joined
    // looks at a change of sign), and moving no more than the view's height
    // and than StepRatio times the segment before (Suspicious). Each of those
    // takes the general way instead, which decides exactly; most samples of
    // most curves are quiet and cost a few instructions here. Returns where
    // the run ended.
    std::size_t QuietRun(const double* t, const double* y, const TSampleFault* faults, std::size_t from,
                         std::size_t n, double yb, double y0, double step, TCurvePoints& out) {
        const double tall = FTop - FBottom;
        const double least = std::max(step * FPerPixelX, 1.0) * FPixelY;  // a segment moves at least this
        std::size_t i = from;
        for (; i < n; ++i) {
            const double y1 = y[i], dy = y1 - y0, db = y0 - yb;
            const bool quiet = faults[i] == TSampleFault::sfNone && std::fabs(y1) < SampleCutOff && dy * db > 0 &&
                               y0 * y1 >= 0 && std::fabs(dy) <= tall &&
                               std::fabs(dy) <= StepRatio * std::max(least, std::fabs(db));
            if (!quiet) break;
            out.push_back({t[i], y1});
            yb = y0;
            y0 = y1;
        }
        FCredit = std::min(FCredit + FCreditPerSample * static_cast<double>(i - from), double{MaxCloserLooksPerColumn});
        return i;
    }

    // How far the curve moves from p to q, in pixels (Joined's `move`).
    double Move(TPlanePoint p, TPlanePoint q) const { return FActive ? Pixels(p, q) : 0; }

private:
    // Moving four times as far as before, and more than 4 pixels: along a
    // curve sampled about once a pixel only a step does that, or a pole,
    // which the bisection tells apart from a steep piece.
    static constexpr double StepRatio = 4;

    // `pixels` is Pixels(p0, p1).
    bool Suspicious(TPlanePoint p0, TPlanePoint p1, double pixels, double before) const {
        // A segment wholly beyond one edge is cut away whether it is joined or not.
        auto beyond = [](double u, double w, double lo, double hi) { return (u < lo && w < lo) || (u > hi && w > hi); };
        if (beyond(p0.X, p1.X, FLeft, FRight) || beyond(p0.Y, p1.Y, FBottom, FTop)) return false;
        auto jumps = [](double u, double w, double extent, double pixel) {
            const double d = std::fabs(w - u);
            return d > extent || (u * w < 0 && d > 2 * pixel);
        };
        if (jumps(p0.X, p1.X, FRight - FLeft, FPixelX) || jumps(p0.Y, p1.Y, FTop - FBottom, FPixelY)) return true;
        return before >= 0 && pixels > StepRatio * std::max(before, 1.0);
    }

    // The larger of the distances across and down, in pixels.
    double Pixels(TPlanePoint p, TPlanePoint q) const {
        return std::max(std::fabs(q.X - p.X) * FPerPixelX, std::fabs(q.Y - p.Y) * FPerPixelY);
    }

    // How far p lies beyond the view's edges, in pixels; 0 inside.
    double Beyond(TPlanePoint p) const {
        return std::max({0.0, (FLeft - p.X) * FPerPixelX, (p.X - FRight) * FPerPixelX, (FBottom - p.Y) * FPerPixelY,
                         (p.Y - FTop) * FPerPixelY});
    }

    // The point the curve has at parameter t, by the rules of the samples:
    // false where an evaluation faults or the value reaches SampleCutOff.
    bool PointAt(double t, TPlanePoint& p) const {
        const int cost = FPlan.Derivative ? 2 : 1;
        FCredit -= cost;
        if (FPlan.Evaluations) *FPlan.Evaluations += cost;
        double a = t;
        if (FPlan.Abscissa && !EvaluateOne(*FPlan.Abscissa, t, a)) return false;
        double v = 0;
        if (!EvaluateValue(t, v)) return false;
        if (FPlan.Derivative) {
            double before = 0;
            if (!EvaluateValue(t - FStep, before)) return false;
            v = (v - before) / FStep;
        }
        p = Place(FPlan.Shape, a, v);
        // An abscissa may be NaN or infinite without a fault; such a point
        // would read as a gap vertex.
        return std::isfinite(p.X) && std::isfinite(p.Y);
    }

    // The values of a Cartesian curve at n parameters, in one evaluation:
    // false if one of them is undefined. A single evaluation costs about as
    // much as four points of a batch.
    bool ValuesAt(const double* t, std::size_t n, double* v) const {
        FCredit -= static_cast<double>(n);
        if (FPlan.Evaluations) *FPlan.Evaluations += n;
        std::array<TSampleFault, 2> faults;
        FPlan.Value->EvaluateBatch(t, n, v, faults.data());
        for (std::size_t i = 0; i < n; ++i)
            if (faults[i] != TSampleFault::sfNone || !(std::fabs(v[i]) < SampleCutOff)) return false;
        return true;
    }

    bool EvaluateValue(double t, double& v) const {
        return EvaluateOne(*FPlan.Value, t, v) && std::fabs(v) < SampleCutOff;
    }

    static bool EvaluateOne(const TCompiledFunction& f, double t, double& out) {
        TSampleFault fault = TSampleFault::sfNone;
        f.EvaluateBatch(&t, 1, &out, &fault);
        return fault == TSampleFault::sfNone;
    }

    const TCurvePlan& FPlan;
    double FStep;
    bool FActive = false;
    double FLeft = 0, FRight = 0, FBottom = 0, FTop = 0;
    double FPixelX = 1, FPixelY = 1, FPerPixelX = 1, FPerPixelY = 1;
    double FCreditPerSample = 0;
    mutable double FCredit = 0;  // evaluations the closer looks may still spend
};

// One side of a jump the join check found between two samples: `side` is the
// sample on that side, `near` the bisection's last point on it. Appends to out
// the points that carry the piece from `side` to the jump, nearest first: to
// the view's edge where the curve leaves the view on the way (a pole), to the
// end of its domain where it is undefined in between. A step's sides stay at
// their samples, and so does a piece outside the view.
void FollowJump(TJoinCheck& join, TCurvePoint side, TCurvePoint near, const TJoinCheck::TJumpEnds& ends,
                TCurvePoints& out) {
    if (!join.Inside(side.P)) return;
    if (!join.Inside(near.P)) {
        join.Follow(side, near, TJoinCheck::TFarEnd::feBeyond, out);
        return;
    }
    if (!ends.Undefined) return;
    if (near.T != side.T) out.push_back(near.P);
    join.Follow(near, {ends.TMid, {}}, TJoinCheck::TFarEnd::feUndefined, out);
}

// Writes the points after the curve's own vertices, each as (x, y, 0, ...).
void WritePoints(const TCurvePoints& points, TPline& curve) {
    const std::int32_t dimension = curve.Dimension();
    double* out = curve.AppendUnfilled(static_cast<std::int32_t>(points.size()));
    for (const TPlanePoint& p : points) {
        out[0] = p.X;
        if (dimension > 1) out[1] = p.Y;
        for (std::int32_t c = 2; c < dimension; ++c) out[c] = 0;
        out += dimension;
    }
}

}  // namespace

void SampleCurve(const TCurvePlan& plan, const TSampleRange& range, TPline& curve,
                 std::vector<TSampleMark>& marks) {
    std::array<double, SampleChunk> params;
    std::array<double, SampleChunk> values;
    std::array<double, SampleChunk> abscissas;
    std::array<TSampleFault, SampleChunk> faults;
    std::array<TSampleFault, SampleChunk> abscissaFaults;

    // One pixel per sample for the automatic range, so reserving up front
    // spares the points most of their growth steps.
    TCurvePoints points;
    const double expected = (range.To - range.From) / range.Step + 2;
    if (expected > 0 && expected < 1 << 20) points.reserve(static_cast<std::size_t>(expected) + 64);

    TJoinCheck join(plan, range.Step);
    // Every curve is followed to the ends of its domain; a derivative's is
    // where its backward difference is defined, a step after the function's
    // own. Past a pole a derivative keeps to its samples, whose differences
    // across the pole it leaves out, and its turns are not looked for: a turn
    // of a difference quotient is no point of the curve's own. Turning points
    // are looked for in y, which is the value only for a Cartesian curve.
    // A Cartesian function sampled more coarsely than the pixels (an
    // Increment of its own) is drawn through the samples it asked for.
    const bool edges = join.Active() && join.FineSteps(range.Step);
    const bool follow = edges && !plan.Derivative;
    const bool turns = follow && !plan.Abscissa && plan.Shape == TCurveShape::csCartesian;
    // Plain Cartesian curves take the quiet samples on a short path.
    const bool quick = turns && join.QuietColumns(range.From, range.To, range.Step);
    TCurvePoints found;  // points of one closer look, before they are placed
    TJoinCheck::TJumpEnds ends;

    double t = range.From;
    bool first = true;
    bool havePrev = false;  // a derivative's previous value, from the sample just before
    double prev = 0;
    bool havePoint = false;  // the curve has a point of this run, `last`
    TCurvePoint last{0, {0, 0}};
    bool lastAfterJump = false;  // that point follows a gap the join check made
    double lastMove = -1;        // how far the curve moved to that point, -1 if it begins a piece
    bool broken = false;         // the next point starts a new piece
    // The previous sample was dropped, at undefinedT: the next defined one
    // begins a piece whose start is looked for between them.
    bool afterUndefined = false;
    double undefinedT = 0;
    // The samples just before the current one that were joined one to the
    // next without closer looks between them (up to two), for turning points.
    int plain = 0;
    TCurvePoint before{0, {0, 0}};

    auto dropPoint = [&](double at) {
        // The piece that ends here is followed to the end of its domain.
        if (edges && havePoint && !broken) {
            join.NextSample();
            join.Follow(last, {at, {}}, TJoinCheck::TFarEnd::feUndefined, points);
        }
        broken = true;
        havePrev = false;  // never a difference across what was dropped
        afterUndefined = true;
        undefinedT = at;
        plain = 0;
    };
    try {
        for (;;) {
            const std::size_t n = NextParams(t, first, range, params.data(), params.size());
            if (n == 0) break;
            if (plan.Evaluations) *plan.Evaluations += n;
            if (plan.Abscissa)
                plan.Abscissa->EvaluateBatch(params.data(), n, abscissas.data(), abscissaFaults.data());
            plan.Value->EvaluateBatch(params.data(), n, values.data(), faults.data());
            for (std::size_t i = 0; i < n; ++i) {
                if (quick && plain >= 2) {
                    // The two samples before were joined without a closer look:
                    // the quiet ones that follow them go the short way.
                    const std::size_t end = join.QuietRun(params.data(), values.data(), faults.data(), i, n,
                                                          before.P.Y, last.P.Y, range.Step, points);
                    if (end > i) {
                        const std::size_t k = end - 1;
                        before = end - i >= 2 ? TCurvePoint{params[k - 1], {params[k - 1], values[k - 1]}} : last;
                        last = {params[k], {params[k], values[k]}};
                        lastMove = join.Move(before.P, last.P);
                        plain += static_cast<int>(end - i);
                        i = end;
                        if (i == n) break;
                    }
                }
                // The abscissa is evaluated first, so its fault is the one raised.
                TSampleFault fault = plan.Abscissa ? abscissaFaults[i] : TSampleFault::sfNone;
                const TCompiledFunction* faulting = plan.Abscissa;
                if (fault == TSampleFault::sfNone) {
                    fault = faults[i];
                    faulting = plan.Value;
                }
                switch (fault) {
                    case TSampleFault::sfNone:
                        break;
                    case TSampleFault::sfInvalidOp:
                    case TSampleFault::sfOverflow:
                        dropPoint(params[i]);
                        continue;
                    case TSampleFault::sfZeroDivide: {
                        const double at = params[i];
                        AddSampleMark(marks, {at, ZeroDivideMarkText(at)});
                        dropPoint(at);
                        continue;
                    }
                    case TSampleFault::sfOther:
                        faulting->Evaluate(params[i]);
                        // The single evaluation did not fail after all: nothing
                        // sensible to plot for a point the batch refused.
                        dropPoint(params[i]);
                        continue;
                }
                const double v = values[i];
                if (!(std::fabs(v) < SampleCutOff)) {  // NaN fails too
                    dropPoint(params[i]);
                    continue;
                }
                const double a = plan.Abscissa ? abscissas[i] : params[i];
                double r = v;
                if (plan.Derivative) {
                    if (!havePrev) {
                        havePrev = true;
                        prev = v;
                        continue;
                    }
                    r = (v - prev) / range.Step;
                    prev = v;
                }
                const TCurvePoint here{params[i], Place(plan.Shape, a, r)};
                if (edges) join.NextSample();
                bool jumped = false;
                bool looked = false;  // points of a closer look stand before `here`
                double move = -1;
                const bool joining = havePoint && !broken;
                if (joining && !join.Joined(last.T, last.P, here.T, here.P, lastMove, move, ends)) {
                    jumped = true;
                    if (plan.Derivative && lastAfterJump) {
                        // A difference with a pole or step on both sides was taken
                        // across it: no value of the derivative. It goes, and the
                        // gap before it serves for both.
                        points.pop_back();
                    } else {
                        broken = true;
                        if (follow) {
                            // Each side of a pole runs on to the view's edge; a side
                            // that ends in an undefined stretch, to its domain's end.
                            FollowJump(join, last, ends.Before, ends, points);
                            found.clear();
                            FollowJump(join, here, ends.After, ends, found);
                            looked = true;
                        }
                    }
                } else if (edges && afterUndefined) {
                    // The piece begins between the dropped sample and this one.
                    found.clear();
                    join.Follow(here, {undefinedT, {}}, TJoinCheck::TFarEnd::feUndefined, found);
                    looked = true;
                }
                if (havePoint && broken) points.push_back(GapPoint);
                if (looked) points.insert(points.end(), found.rbegin(), found.rend());
                found.clear();
                broken = false;
                afterUndefined = false;
                points.push_back(here.P);
                if (turns) {
                    plain = looked || jumped || !joining ? 1 : plain + 1;
                    if (plain >= 3) {
                        const TCurvePoint& b = last;
                        const bool maximum = b.P.Y > before.P.Y && b.P.Y >= here.P.Y;
                        const bool minimum = b.P.Y < before.P.Y && b.P.Y <= here.P.Y;
                        TCurvePoint turn;
                        using TTurnKind = TJoinCheck::TTurnKind;
                        if ((maximum || minimum) &&
                            join.Turn(before, b, here, maximum ? TTurnKind::tkMaximum : TTurnKind::tkMinimum, turn))
                            points.insert(points.end() - (turn.T < b.T ? 2 : 1), turn.P);
                    }
                    before = last;
                }
                lastAfterJump = jumped;
                lastMove = joining && !jumped ? move : -1;
                havePoint = true;
                last = here;
            }
        }
    } catch (...) {
        WritePoints(points, curve);
        throw;
    }
    WritePoints(points, curve);
}

TRangeOutcome ChooseRange(TFuncItem& func, const TSampleView& view, TSamplerDialog& dialog,
                          TSampleRange& range) {
    if (func.ManualLimits) {
        if (!std::isfinite(func.From) || !std::isfinite(func.To) || !std::isfinite(func.Step)) {
            dialog.RefuseRange("The limits of \"" + func.Expression +
                               "\" are not finite numbers. The function is not drawn.");
            return TRangeOutcome::roSkip;
        }
        if (func.From > func.To) {
            if (!dialog.ConfirmSwap()) return TRangeOutcome::roCancel;
            std::swap(func.From, func.To);
        } else if (func.From == func.To) {
            dialog.WarnEqual();
        }
        if (!(func.Step > 0)) {
            dialog.RefuseRange("The step of \"" + func.Expression +
                               "\" must be greater than 0. The function is not drawn.");
            return TRangeOutcome::roSkip;
        }
        const double scale = func.ConvToDeg ? std::numbers::pi / 180 : 1.0;
        range.From = func.From * scale;
        range.To = func.To * scale;
        range.Step = func.Step * scale;
        // A step below the spacing of doubles at the ends of the range would
        // leave t where it is for ever.
        const double far = std::max(std::fabs(range.From), std::fabs(range.To));
        if (!(range.Step > 0) || far + range.Step == far) {
            dialog.RefuseRange("The step of \"" + func.Expression +
                               "\" is too small for its limits. The function is not drawn.");
            return TRangeOutcome::roSkip;
        }
        if (std::fabs(func.To - func.From) / func.Step > LongDrawingSamples && !dialog.ConfirmLongDrawing())
            return TRangeOutcome::roSkip;
        return TRangeOutcome::roSample;
    }

    const bool angular = func.FuncKind == TFuncKind::fkParametric || func.FuncType == TFuncType::ftPolar;
    if (angular) {
        range.From = 0;
        range.To = 2 * std::numbers::pi;
        range.Step = std::numbers::pi / 180;
    } else {
        range.From = view.WorldLeft;
        range.To = view.WorldRight;
        range.Step = (view.WorldRight - view.WorldLeft) / std::max(view.Width, 1);
        if (!(range.Step > 0) || !std::isfinite(range.Step)) return TRangeOutcome::roSkip;
    }
    func.From = range.From;
    func.To = range.To;
    func.Step = range.Step;
    return TRangeOutcome::roSample;
}

}  // namespace curvane

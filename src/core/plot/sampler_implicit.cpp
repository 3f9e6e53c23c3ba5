// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/plot/sampler_implicit.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "core/document/func_item.h"
#include "core/support/exceptions.h"

namespace curvane {

namespace {

constexpr double Undefined = std::numeric_limits<double>::quiet_NaN();
// Secant steps at most that move a vertex onto the zero along a cell edge.
constexpr int CrossingSteps = 24;
// The steps stop once the bracket is this share of the edge: far below what
// any picture shows.
constexpr double CrossingTolerance = 1e-11;
// A crossing whose |F| stays above this share of the larger end value is the
// sign change of a pole or a jump: there |F| grows, or stays, as the bracket
// closes in, while at a true zero it falls by orders of magnitude.
constexpr double PoleRatio = 1e-2;
// A cell without a change of sign is still split when its values come this
// close to zero against their spread across the cell and their bend (the
// centre's distance from the corners' mean). For a curve F ~ quadratic near
// its turning point, a loop inside the cell or a bump through one edge keeps
// the nearest value below the bend; twice that, plus a quarter of the
// spread, leaves room for what is not quite quadratic.
constexpr double SpreadShare = 0.25;
constexpr double BendShare = 2;

// Zero counts as positive, so an edge ending exactly on the curve has its
// crossing at that end and both cells beside it agree.
bool Negative(double v) { return v < 0; }
bool Defined(double v) { return !std::isnan(v); }
bool SignChanges(double a, double b) { return Defined(a) && Defined(b) && Negative(a) != Negative(b); }

using TKey = std::uint64_t;

// Vertices are numbered on the finest grid, (i, j) from the bottom left; both
// stay within 64 * 2^10, so they pack into one key, rows first.
TKey VertexKey(std::int64_t i, std::int64_t j) {
    return (static_cast<std::uint64_t>(j) << 32) | static_cast<std::uint64_t>(i);
}
// The edge from vertex (i, j) towards +x (horizontal) or +y.
TKey EdgeKey(std::int64_t i, std::int64_t j, bool vertical) { return VertexKey(i, j) * 2 + (vertical ? 1 : 0); }

// Keys to small values, open addressing with linear probing: a trace keeps
// tens of thousands of entries, too many for a node each. A row's vertices
// take neighbouring slots, so the walks along rows stay in the cache.
// Insert may move every entry: a pointer into the table lasts until the next
// Insert.
template <class V>
class TKeyTable {
public:
    TKeyTable() { Resize(MinSize); }

    // The entry of key, with fresh inserted when there was none; second is
    // true when it was inserted.
    std::pair<V*, bool> Insert(TKey key, const V& fresh) {
        if (2 * (FCount + 1) > FKeys.size()) Resize(2 * FKeys.size());
        std::size_t at = Slot(key);
        for (; FKeys[at] != Empty; at = (at + 1) & FMask)
            if (FKeys[at] == key) return {&FValues[at], false};
        FKeys[at] = key;
        FValues[at] = fresh;
        ++FCount;
        return {&FValues[at], true};
    }
    const V* Find(TKey key) const {
        for (std::size_t at = Slot(key); FKeys[at] != Empty; at = (at + 1) & FMask)
            if (FKeys[at] == key) return &FValues[at];
        return nullptr;
    }
    V* Find(TKey key) { return const_cast<V*>(std::as_const(*this).Find(key)); }
    std::size_t Count() const { return FCount; }

    // Empties the table and keeps its storage, unless a trace of a noisy
    // formula made it huge.
    void Clear() {
        if (FKeys.size() > MaxKeptSize) {
            FKeys.clear();
            FValues.clear();
            FCount = 0;
            Resize(MinSize);
            return;
        }
        std::fill(FKeys.begin(), FKeys.end(), Empty);
        FCount = 0;
    }

private:
    static constexpr TKey Empty = ~TKey{0};  // no vertex or edge has this key
    static constexpr std::size_t MinSize = 1 << 12;
    static constexpr std::size_t MaxKeptSize = 1 << 20;

    // The row through Fibonacci hashing, the column added on.
    std::size_t Slot(TKey key) const {
        return static_cast<std::size_t>((((key >> 32) * 0x9E3779B97F4A7C15u) >> FShift) + (key & 0xFFFFFFFFu)) &
               FMask;
    }
    void Resize(std::size_t size) {
        std::vector<TKey> keys(size, Empty);
        std::vector<V> values(size);
        std::swap(keys, FKeys);
        std::swap(values, FValues);
        FMask = size - 1;
        FShift = 64 - std::countr_zero(size);
        for (std::size_t k = 0; k < keys.size(); ++k) {
            if (keys[k] == Empty) continue;
            std::size_t at = Slot(keys[k]);
            while (FKeys[at] != Empty) at = (at + 1) & FMask;
            FKeys[at] = keys[k];
            FValues[at] = std::move(values[k]);
        }
    }

    std::vector<TKey> FKeys;
    std::vector<V> FValues;
    std::size_t FCount = 0;
    std::size_t FMask = 0;
    int FShift = 64;
};

struct TCell {
    std::int32_t I;
    std::int32_t J;
};

struct TCrossing {
    double X = 0;
    double Y = 0;
    bool Valid = false;  // false: a pole, a jump or an undefined point on the edge
};

// One piece of the curve inside a cell, from one edge crossing to another.
struct TSegment {
    std::array<TKey, 2> Edges;
    std::array<TCrossing, 2> Ends;
};

// What a trace allocates, kept between traces: a redraw traces every curve
// again, and fresh memory costs a page fault every 4 KB.
struct TImplicitScratch {
    TKeyTable<double> Values;
    TKeyTable<TCrossing> Crossings;
    TKeyTable<char> Cells;
    std::vector<TKey> Pending;
    std::vector<double> Xs;
    std::vector<double> Out;
    std::vector<TSampleFault> Faults;
    std::vector<TSegment> Segments;
    std::vector<std::pair<TKey, int>> Ends;
    bool Busy = false;

    void Clear() {
        Values.Clear();
        Crossings.Clear();
        Cells.Clear();
        Pending.clear();
        Segments.clear();
        Ends.clear();
    }
};

// Marching squares over a quadtree: coarse cells that may hold the curve are
// split level by level down to cells smaller than a pixel, the values of each
// level evaluated in one batch per grid row. The finest cells the curve
// crosses give its segments, which are joined into chains through the edges
// they share.
class TImplicitTracer {
public:
    TImplicitTracer(const TCompiledFunction& function, const TImplicitArea& area, TImplicitScratch& scratch);
    void Trace(TPline& curve);

private:
    double X(std::int64_t i) const { return FArea.Left + FSpanX * (static_cast<double>(i) / FCells); }
    double Y(std::int64_t j) const { return FArea.Bottom + FSpanY * (static_cast<double>(j) / FCells); }
    double Accept(TSampleFault fault, double value, double x, double y) const;
    double EvaluateAt(double x, double y) const;
    double Value(std::int64_t i, std::int64_t j);
    // Queues a vertex whose value is not known yet; Flush evaluates the queue.
    void Need(std::int64_t i, std::int64_t j);
    void Flush();
    bool MayHoldCurve(const TCell& cell, std::int32_t side) const;
    bool Crossed(const TCell& cell, std::int32_t side) const;
    std::vector<TCell> Refine();
    void Close(std::vector<TCell>& cells);
    // The crossing of the curve with an edge, worked out on first use.
    TCrossing Crossing(TKey edge, double xa, double ya, double fa, double xb, double yb, double fb);
    TCrossing Locate(double xa, double ya, double fa, double xb, double yb, double fb) const;
    void March(const std::vector<TCell>& cells);
    void Join(TPline& curve);

    const TCompiledFunction& FFunction;
    const TImplicitArea FArea;
    const double FSpanX;
    const double FSpanY;
    TImplicitScratch& FScratch;
    TKeyTable<double>& FValues;
    std::int64_t FCells = ImplicitCoarseCells;  // finest cells per side
    int FLevels = 0;
    std::int32_t FSide = 1;  // side of the cells March works on, in finest cells
};

TImplicitTracer::TImplicitTracer(const TCompiledFunction& function, const TImplicitArea& area,
                                 TImplicitScratch& scratch)
    : FFunction(function),
      FArea(area),
      FSpanX(area.Right - area.Left),
      FSpanY(area.Top - area.Bottom),
      FScratch(scratch),
      FValues(scratch.Values) {
    // Halve until a cell is below one pixel both ways.
    const double coarse = std::max(FSpanX / area.PixelWidth, FSpanY / area.PixelHeight) / ImplicitCoarseCells;
    while (FLevels < ImplicitMaxLevels && !(coarse / static_cast<double>(std::int64_t{1} << FLevels) < 1)) ++FLevels;
    FCells = std::int64_t{ImplicitCoarseCells} << FLevels;
}

double TImplicitTracer::Accept(TSampleFault fault, double value, double x, double y) const {
    switch (fault) {
        case TSampleFault::sfNone:
            return std::isfinite(value) ? value : Undefined;
        case TSampleFault::sfOther:
            FFunction.Evaluate(x, y);
            return Undefined;  // the single evaluation did not fail after all
        case TSampleFault::sfInvalidOp:
        case TSampleFault::sfZeroDivide:
        case TSampleFault::sfOverflow:
            break;
    }
    return Undefined;
}

double TImplicitTracer::EvaluateAt(double x, double y) const {
    // One point at a time the batch entry costs several plain evaluations;
    // a math error is rare here (a pole or a domain border on a cell edge)
    // and worth its exception. Others (Fact's range error) end the trace.
    try {
        const double value = FFunction.Evaluate(x, y);
        return std::isfinite(value) ? value : Undefined;
    } catch (const EMathError&) {
        return Undefined;
    }
}

double TImplicitTracer::Value(std::int64_t i, std::int64_t j) {
    const auto [value, inserted] = FValues.Insert(VertexKey(i, j), Undefined);
    if (inserted) *value = EvaluateAt(X(i), Y(j));
    return *value;
}

void TImplicitTracer::Need(std::int64_t i, std::int64_t j) {
    const TKey key = VertexKey(i, j);
    if (FValues.Insert(key, Undefined).second) FScratch.Pending.push_back(key);
}

void TImplicitTracer::Flush() {
    // Keys sort by row, then column: each run of one row is one batch.
    std::vector<TKey>& pending = FScratch.Pending;
    std::sort(pending.begin(), pending.end());
    std::vector<double>& xs = FScratch.Xs;
    std::vector<double>& out = FScratch.Out;
    std::vector<TSampleFault>& faults = FScratch.Faults;
    for (std::size_t start = 0; start < pending.size();) {
        const TKey row = pending[start] >> 32;
        std::size_t end = start;
        xs.clear();
        while (end < pending.size() && pending[end] >> 32 == row) xs.push_back(X(pending[end++] & 0xFFFFFFFFu));
        out.resize(xs.size());
        faults.resize(xs.size());
        const double y = Y(static_cast<std::int64_t>(row));
        FFunction.EvaluateBatch(xs.data(), y, xs.size(), out.data(), faults.data());
        for (std::size_t k = 0; k < xs.size(); ++k) *FValues.Find(pending[start + k]) = Accept(faults[k], out[k], xs[k], y);
        start = end;
    }
    pending.clear();
}

// True when the curve may pass through the cell: a change of sign among its
// corners and centre, a domain border inside it, or values near zero (see
// SpreadShare).
bool TImplicitTracer::MayHoldCurve(const TCell& cell, std::int32_t side) const {
    const std::int32_t half = side / 2;
    const std::array<TKey, 5> keys = {VertexKey(cell.I, cell.J), VertexKey(cell.I + side, cell.J),
                                      VertexKey(cell.I + side, cell.J + side), VertexKey(cell.I, cell.J + side),
                                      VertexKey(cell.I + half, cell.J + half)};
    std::array<double, 5> v;
    int defined = 0;
    for (int k = 0; k < 5; ++k) {
        v[k] = *FValues.Find(keys[k]);
        if (Defined(v[k])) ++defined;
    }
    if (defined == 0) return false;
    bool negative = false, positive = false;
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    double nearest = lo;
    for (double value : v) {
        if (!Defined(value)) continue;
        (Negative(value) ? negative : positive) = true;
        lo = std::min(lo, value);
        hi = std::max(hi, value);
        nearest = std::min(nearest, std::fabs(value));
    }
    if (negative && positive) return true;
    // A lone defined point says nothing about its neighbourhood.
    if (defined == 1) return true;
    const double bend = defined == 5 ? std::fabs(v[4] - (v[0] + v[1] + v[2] + v[3]) / 4) : 0;
    return nearest <= SpreadShare * (hi - lo) + BendShare * bend;
}

bool TImplicitTracer::Crossed(const TCell& c, std::int32_t s) const {
    const double v[4] = {*FValues.Find(VertexKey(c.I, c.J)), *FValues.Find(VertexKey(c.I + s, c.J)),
                         *FValues.Find(VertexKey(c.I + s, c.J + s)), *FValues.Find(VertexKey(c.I, c.J + s))};
    return SignChanges(v[0], v[1]) || SignChanges(v[1], v[2]) || SignChanges(v[2], v[3]) ||
           SignChanges(v[3], v[0]);
}

std::vector<TCell> TImplicitTracer::Refine() {
    const std::int32_t coarseSide = std::int32_t{1} << FLevels;
    for (std::int64_t b = 0; b <= ImplicitCoarseCells; ++b)
        for (std::int64_t a = 0; a <= ImplicitCoarseCells; ++a) Need(a * coarseSide, b * coarseSide);
    std::vector<TCell> cells;
    cells.reserve(ImplicitCoarseCells * ImplicitCoarseCells);
    for (std::int32_t b = 0; b < ImplicitCoarseCells; ++b)
        for (std::int32_t a = 0; a < ImplicitCoarseCells; ++a) {
            cells.push_back({a * coarseSide, b * coarseSide});
            if (coarseSide > 1) Need(a * coarseSide + coarseSide / 2, b * coarseSide + coarseSide / 2);
        }
    Flush();

    std::int32_t side = coarseSide;
    if (side > 1) std::erase_if(cells, [this, side](const TCell& c) { return !MayHoldCurve(c, side); });
    while (side > 1 && cells.size() * 4 <= ImplicitMaxCells) {
        const std::int32_t half = side / 2;
        std::vector<TCell> children;
        children.reserve(cells.size() * 4);
        for (const TCell& c : cells) {
            for (std::int32_t dj = 0; dj <= side; dj += half)
                for (std::int32_t di = 0; di <= side; di += half) Need(c.I + di, c.J + dj);
            for (std::int32_t dj = 0; dj < side; dj += half)
                for (std::int32_t di = 0; di < side; di += half) {
                    children.push_back({c.I + di, c.J + dj});
                    if (half > 1) Need(c.I + di + half / 2, c.J + dj + half / 2);
                }
        }
        Flush();
        side = half;
        cells = std::move(children);
        if (side > 1) std::erase_if(cells, [this, side](const TCell& c) { return !MayHoldCurve(c, side); });
    }
    FSide = side;
    // March needs only the cells the curve crosses; Close adds any that
    // refinement missed.
    std::erase_if(cells, [this, side](const TCell& c) { return !Crossed(c, side); });
    return cells;
}

// Refinement judges a cell by a few points, so now and then the curve leaves
// a finest cell into a neighbour that was never split. Every edge the sign
// changes across pulls in the cell on its other side, until none is missing:
// chains then end only at the border of the area or of the domain.
void TImplicitTracer::Close(std::vector<TCell>& cells) {
    TKeyTable<char>& known = FScratch.Cells;
    for (const TCell& c : cells) known.Insert(VertexKey(c.I, c.J), 0);
    const std::int64_t last = FCells - FSide;
    const std::int32_t s = FSide;
    for (std::size_t k = 0; k < cells.size(); ++k) {
        const TCell c = cells[k];
        const double v[4] = {Value(c.I, c.J), Value(c.I + s, c.J), Value(c.I + s, c.J + s), Value(c.I, c.J + s)};
        // Across the bottom, right, top and left edge.
        const std::int32_t di[4] = {0, s, 0, -s};
        const std::int32_t dj[4] = {-s, 0, s, 0};
        for (int e = 0; e < 4; ++e) {
            if (!SignChanges(v[e], v[(e + 1) % 4])) continue;
            const std::int64_t ni = c.I + di[e];
            const std::int64_t nj = c.J + dj[e];
            if (ni < 0 || nj < 0 || ni > last || nj > last) continue;
            if (cells.size() < ImplicitMaxCells && known.Insert(VertexKey(ni, nj), 0).second)
                cells.push_back({static_cast<std::int32_t>(ni), static_cast<std::int32_t>(nj)});
        }
    }
}

TCrossing TImplicitTracer::Crossing(TKey edge, double xa, double ya, double fa, double xb, double yb, double fb) {
    if (const TCrossing* known = FScratch.Crossings.Find(edge)) return *known;
    const TCrossing crossing = Locate(xa, ya, fa, xb, yb, fb);
    FScratch.Crossings.Insert(edge, crossing);
    return crossing;
}

TCrossing TImplicitTracer::Locate(double xa, double ya, double fa, double xb, double yb, double fb) const {
    TCrossing crossing;
    const auto at = [&crossing, xa, ya, xb, yb](double t) {
        crossing.X = xa + (xb - xa) * t;
        crossing.Y = ya + (yb - ya) * t;
        crossing.Valid = true;
        return crossing;
    };
    if (fa == 0) return at(0);
    if (fb == 0) return at(1);
    // Illinois: regula falsi that halves the value of an end kept twice in a
    // row, so both ends close in. fA and fB are the (scaled) values the next
    // secant uses, trueA and trueB what the function said there.
    double a = 0, b = 1, fA = fa, fB = fb, trueA = fa, trueB = fb;
    int moved = 0;  // -1: a moved last, +1: b moved last
    const double scale = std::max(std::fabs(fa), std::fabs(fb));
    for (int step = 0; step < CrossingSteps && b - a > CrossingTolerance; ++step) {
        double t = (a * fB - b * fA) / (fB - fA);
        if (!(t > a && t < b)) t = (a + b) / 2;
        const double ft = EvaluateAt(xa + (xb - xa) * t, ya + (yb - ya) * t);
        if (!Defined(ft)) return crossing;  // undefined between the ends: no crossing
        if (std::fabs(ft) <= scale * 1e-15) return at(t);
        if (Negative(ft) == Negative(fA)) {
            a = t;
            fA = trueA = ft;
            if (moved == -1) fB /= 2;
            moved = -1;
        } else {
            b = t;
            fB = trueB = ft;
            if (moved == 1) fA /= 2;
            moved = 1;
        }
    }
    const bool nearA = std::fabs(trueA) <= std::fabs(trueB);
    if (std::min(std::fabs(trueA), std::fabs(trueB)) <= PoleRatio * scale) return at(nearA ? a : b);
    return crossing;
}

void TImplicitTracer::March(const std::vector<TCell>& cells) {
    const std::int32_t s = FSide;
    for (const TCell& c : cells) {
        // Corners counter-clockwise from the bottom left; edge e joins corner
        // e to corner e + 1.
        const std::int64_t ci[4] = {c.I, c.I + s, c.I + s, c.I};
        const std::int64_t cj[4] = {c.J, c.J, c.J + s, c.J + s};
        double v[4];
        for (int k = 0; k < 4; ++k) v[k] = Value(ci[k], cj[k]);
        bool crosses[4];
        int count = 0;
        for (int e = 0; e < 4; ++e) {
            crosses[e] = SignChanges(v[e], v[(e + 1) % 4]);
            count += crosses[e];
        }
        if (count != 2 && count != 4) continue;

        // Each edge is keyed and located from its lower or left end,
        // whichever way the cell walks it, so both cells sharing it agree.
        std::array<TKey, 4> edges;
        std::array<TCrossing, 4> points;
        for (int e = 0; e < 4; ++e) {
            if (!crosses[e]) continue;
            int from = e, to = (e + 1) % 4;
            if (e >= 2) std::swap(from, to);  // the top and left edges run backwards
            edges[e] = EdgeKey(ci[from], cj[from], e % 2 == 1);
            points[e] = Crossing(edges[e], X(ci[from]), Y(cj[from]), v[from], X(ci[to]), Y(cj[to]), v[to]);
        }
        const auto add = [&](int e1, int e2) {
            if (points[e1].Valid && points[e2].Valid)
                FScratch.Segments.push_back({{edges[e1], edges[e2]}, {points[e1], points[e2]}});
        };
        if (count == 2) {
            const int first = crosses[0] ? 0 : crosses[1] ? 1 : 2;
            const int second = crosses[3] ? 3 : crosses[2] ? 2 : 1;
            add(first, second);
            continue;
        }
        // A saddle: corners 0 and 2 share a sign, 1 and 3 the other. The
        // centre decides which pair is joined through the middle; the curve
        // then cuts off the two corners of the other pair.
        const double centre = EvaluateAt((X(c.I) + X(c.I + s)) / 2, (Y(c.J) + Y(c.J + s)) / 2);
        if (Defined(centre) && Negative(centre) == Negative(v[0])) {
            add(0, 1);
            add(2, 3);
        } else {
            add(3, 0);
            add(1, 2);
        }
    }
}

void TImplicitTracer::Join(TPline& curve) {
    // Segment ends (segment * 2 + end) sorted by their edge: the two ends on
    // one edge, one from each cell beside it, become neighbours; an end
    // alone on its edge ends a chain.
    const std::vector<TSegment>& segments = FScratch.Segments;
    std::vector<std::pair<TKey, int>>& ends = FScratch.Ends;
    for (int s = 0; s < static_cast<int>(segments.size()); ++s)
        for (int e = 0; e < 2; ++e) ends.push_back({segments[s].Edges[e], 2 * s + e});
    std::sort(ends.begin(), ends.end());
    std::vector<int> partner(2 * segments.size(), -1);
    for (std::size_t k = 0; k + 1 < ends.size(); ++k)
        if (ends[k].first == ends[k + 1].first) {
            partner[ends[k].second] = ends[k + 1].second;
            partner[ends[k + 1].second] = ends[k].second;
        }

    std::vector<char> used(segments.size(), 0);
    const double gap[3] = {Undefined, Undefined, 0};
    // Walks from the end `from` of segment s through the segments beyond it.
    const auto walk = [&](int s, int from) {
        const std::int32_t before = curve.Count();
        if (before > 0) curve.Add(gap);
        const std::int32_t start = curve.Count();
        double last[2] = {Undefined, Undefined};
        const auto emit = [&](const TCrossing& p) {
            if (p.X == last[0] && p.Y == last[1]) return;
            last[0] = p.X;
            last[1] = p.Y;
            const double vertex[3] = {p.X, p.Y, 0};
            curve.Add(vertex);
        };
        emit(segments[s].Ends[from]);
        while (s >= 0 && !used[s]) {
            used[s] = 1;
            const int to = 1 - from;
            emit(segments[s].Ends[to]);
            const int next = partner[2 * s + to];
            s = next >= 0 ? next / 2 : -1;
            from = next % 2;
        }
        // Crossings that all fell on one grid vertex make no line.
        if (curve.Count() - start < 2) curve.SetCount(before);
    };
    // Open chains from one of their ends first, then the closed loops.
    for (int s = 0; s < static_cast<int>(segments.size()); ++s)
        for (int e = 0; e < 2; ++e)
            if (!used[s] && partner[2 * s + e] < 0) walk(s, e);
    for (int s = 0; s < static_cast<int>(segments.size()); ++s)
        if (!used[s]) walk(s, 0);
}

void TImplicitTracer::Trace(TPline& curve) {
    std::vector<TCell> cells = Refine();
    Close(cells);
    March(cells);
    Join(curve);
}

}  // namespace

void SampleImplicit(const TCompiledFunction& function, const TImplicitArea& area, TPline& curve) {
    // The scratch of this thread, unless a trace is using it already.
    thread_local TImplicitScratch shared;
    TImplicitScratch local;
    TImplicitScratch& scratch = shared.Busy ? local : shared;
    scratch.Clear();
    scratch.Busy = true;
    struct TRelease {
        TImplicitScratch& Scratch;
        ~TRelease() { Scratch.Busy = false; }
    } release{scratch};
    TImplicitTracer(function, area, scratch).Trace(curve);
}

TRangeOutcome ChooseImplicitArea(TFuncItem& func, const TSampleView& view, TSamplerDialog& dialog,
                                 TImplicitArea& area) {
    area.PixelWidth = (view.WorldRight - view.WorldLeft) / std::max(view.Width, 1);
    area.PixelHeight = (view.WorldTop - view.WorldBottom) / std::max(view.Height, 1);
    if (!(area.PixelWidth > 0) || !(area.PixelHeight > 0) || !std::isfinite(area.PixelWidth) ||
        !std::isfinite(area.PixelHeight))
        return TRangeOutcome::roSkip;
    if (!func.ManualLimits) {
        func.From = area.Left = view.WorldLeft;
        func.To = area.Right = view.WorldRight;
        func.FromY = area.Bottom = view.WorldBottom;
        func.ToY = area.Top = view.WorldTop;
        return TRangeOutcome::roSample;
    }
    for (double limit : {func.From, func.To, func.FromY, func.ToY})
        if (!std::isfinite(limit)) {
            dialog.RefuseRange("The limits of \"" + func.Expression +
                               "\" are not finite numbers. The function is not drawn.");
            return TRangeOutcome::roSkip;
        }
    for (auto [from, to] : {std::pair{&func.From, &func.To}, std::pair{&func.FromY, &func.ToY}})
        if (*from > *to) {
            if (!dialog.ConfirmSwap()) return TRangeOutcome::roCancel;
            std::swap(*from, *to);
        }
    // Halving a span that small would run out of doubles before the cells
    // reach the pixel size; it is no area to trace over either way.
    const auto narrow = [](double from, double to) { return !(to - from > 1e-12 * std::max(1.0, std::fabs(from))); };
    if (narrow(func.From, func.To) || narrow(func.FromY, func.ToY)) {
        dialog.RefuseRange("The limits of \"" + func.Expression + "\" enclose no area. The function is not drawn.");
        return TRangeOutcome::roSkip;
    }
    area.Left = func.From;
    area.Right = func.To;
    area.Bottom = func.FromY;
    area.Top = func.ToY;
    return TRangeOutcome::roSample;
}

}  // namespace curvane

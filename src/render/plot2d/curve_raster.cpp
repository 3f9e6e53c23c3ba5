// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plot2d/curve_raster.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include <QPoint>

namespace curvane {

namespace {

// Filled rectangles are collected up to this count before they are filled.
constexpr std::size_t MaxPendingBoxes = 4096;

// Below this on both axes a segment's products fit in 64 bits; beyond it (a
// pole's vertex two billion pixels away) they are formed in 128.
constexpr std::int64_t NarrowLimit = std::int64_t{1} << 30;

}  // namespace

TCurveRaster::TCurveRaster(TCurveLayer& layer, int width, QRgb color)
    : FLayer(layer), FClip(layer.Area()), FColor(color) {
    width = std::max(width, 1);
    const int lo = FootprintLow(width), hi = FootprintHigh(width);
    if (width <= 3) {
        // A square: Qt's round pens of these widths set the same pixels.
        FStrips.push_back({lo, hi, lo, hi});
    } else {
        // A disc, as the rows of pixels whose centres lie inside it, put
        // together from one rectangle per distinct row width (a row wider
        // than another covers it, so each rectangle spans all rows at least
        // that wide).
        const double centre = (lo + hi) / 2.0, radius2 = width * width / 4.0;
        std::vector<std::pair<int, int>> rows;  // the columns of each row
        for (int j = lo; j <= hi; ++j) {
            int a = hi + 1, b = lo - 1;
            for (int i = lo; i <= hi; ++i)
                if ((i - centre) * (i - centre) + (j - centre) * (j - centre) <= radius2) {
                    a = std::min(a, i);
                    b = std::max(b, i);
                }
            rows.emplace_back(a, b);
        }
        for (const auto& [a, b] : rows) {
            if (a > b) continue;
            int top = hi + 1, bottom = lo - 1;
            for (int j = lo; j <= hi; ++j)
                if (rows[j - lo].first <= a && rows[j - lo].second >= b) {
                    top = std::min(top, j);
                    bottom = std::max(bottom, j);
                }
            const TStrip strip{a, b, top, bottom};
            if (std::none_of(FStrips.begin(), FStrips.end(), [&](const TStrip& s) {
                    return s.Left == a && s.Right == b;
                }))
                FStrips.push_back(strip);
        }
    }
    FPathLeft = FClip.left() - hi;
    FPathRight = FClip.right() - lo;
    FPathTop = FClip.top() - hi;
    FPathBottom = FClip.bottom() - lo;
    // Grown one push at a time, a curve's batch was copied a dozen times.
    FBoxes.reserve(MaxPendingBoxes + FStrips.size());
}

void TCurveRaster::SetColor(QRgb color) {
    if (color == FColor) return;
    Flush();
    FColor = color;
}

void TCurveRaster::LineTo(QPoint p) {
    if (!FHavePoint) {
        FLast = p;
        FHavePoint = true;
        FSegmentSinceBreak = false;
        return;
    }
    // A vertex on the pixel of the one before adds nothing, unless it is
    // the second of the run's only two.
    if (p == FLast && FSegmentSinceBreak) return;
    const std::int64_t dx = std::int64_t{p.x()} - FLast.x(), dy = std::int64_t{p.y()} - FLast.y();
    if (std::abs(dx) < NarrowLimit && std::abs(dy) < NarrowLimit) Segment<std::int64_t>(FLast, p);
    else Segment<__int128>(FLast, p);
    FLast = p;
    FSegmentSinceBreak = true;
}

// The pixel of a segment at step t along its major axis (the one it runs
// further along, M steps; x when both are equal) is m steps along the minor
// axis times t / M, rounded half up, from the start pixel. Pixels with the
// same minor step k form one run; it starts at the first t where the rounded
// step reaches k: ceil((2k - 1) M / 2m). Only the steps whose pixels can
// touch the clip rectangle are walked, so a segment costs at most the clip's
// size in runs however long it is.
template <class TWide>
void TCurveRaster::Segment(QPoint a, QPoint b) {
    if (std::max(a.x(), b.x()) < FPathLeft || std::min(a.x(), b.x()) > FPathRight ||
        std::max(a.y(), b.y()) < FPathTop || std::min(a.y(), b.y()) > FPathBottom)
        return;
    const std::int64_t dx = std::int64_t{b.x()} - a.x(), dy = std::int64_t{b.y()} - a.y();
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    const std::int64_t major = xMajor ? std::abs(dx) : std::abs(dy);
    const std::int64_t minor = xMajor ? std::abs(dy) : std::abs(dx);
    const int majorSign = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const int minorSign = (xMajor ? dy : dx) < 0 ? -1 : 1;
    const std::int64_t majorStart = xMajor ? a.x() : a.y();
    const std::int64_t minorStart = xMajor ? a.y() : a.x();
    // The run of minor step k over the major steps lo..hi.
    auto putRun = [&](std::int64_t lo, std::int64_t hi, std::int64_t k) {
        std::int64_t m0 = majorStart + majorSign * lo, m1 = majorStart + majorSign * hi;
        if (m0 > m1) std::swap(m0, m1);
        const int n = static_cast<int>(minorStart + minorSign * k);
        if (xMajor) AddRun(static_cast<int>(m0), static_cast<int>(m1), n, n);
        else AddRun(n, n, static_cast<int>(m0), static_cast<int>(m1));
    };
    // A curve sampled about once per pixel column gives mostly segments
    // whose minor axis moves by one pixel or none, well inside: their one or
    // two runs, split halfway, need none of the cutting below.
    auto inside = [&](QPoint p) {
        return FPathLeft <= p.x() && p.x() <= FPathRight && FPathTop <= p.y() && p.y() <= FPathBottom;
    };
    if (minor <= 1 && inside(a) && inside(b)) {
        if (minor == 0) {
            putRun(0, major, 0);
        } else {
            const std::int64_t half = (major + 1) / 2;  // firstOf(1) below
            putRun(0, half - 1, 0);
            putRun(half, major, 1);
        }
        return;
    }

    // The steps whose pixels lie in the window [lo, hi] of one axis.
    auto steps = [](std::int64_t start, int sign, std::int64_t lo, std::int64_t hi, std::int64_t count) {
        std::pair<std::int64_t, std::int64_t> r = sign > 0 ? std::pair{lo - start, hi - start}
                                                           : std::pair{start - hi, start - lo};
        r.first = std::max<std::int64_t>(r.first, 0);
        r.second = std::min(r.second, count);
        return r;
    };
    const auto [t0, t1] = steps(majorStart, majorSign, xMajor ? FPathLeft : FPathTop,
                                xMajor ? FPathRight : FPathBottom, major);
    auto [k0, k1] = steps(minorStart, minorSign, xMajor ? FPathTop : FPathLeft,
                          xMajor ? FPathBottom : FPathRight, minor);
    if (t0 > t1 || k0 > k1) return;
    auto stepAt = [&](std::int64_t t) -> std::int64_t {
        if (minor == 0) return 0;
        return static_cast<std::int64_t>((TWide{2} * t * minor + major) / (TWide{2} * major));
    };
    auto firstOf = [&](std::int64_t k) -> std::int64_t {
        if (k <= 0) return 0;
        if (minor == 1) return (major + 1) / 2;  // a curve sampled once per column: no division
        const TWide den = TWide{2} * minor;
        return static_cast<std::int64_t>((TWide{2 * k - 1} * major + den - 1) / den);
    };
    // Most segments lie wholly inside, and their steps need no division.
    k0 = std::max(k0, t0 == 0 ? 0 : stepAt(t0));
    k1 = std::min(k1, t1 == major ? minor : stepAt(t1));
    std::int64_t start = firstOf(k0);
    for (std::int64_t k = k0; k <= k1; ++k) {
        const std::int64_t next = k < minor ? firstOf(k + 1) : major + 1;
        const std::int64_t lo = std::max(start, t0), hi = std::min(next - 1, t1);
        start = next;
        if (lo <= hi) putRun(lo, hi, k);
    }
}

void TCurveRaster::AddRun(int x0, int x1, int y0, int y1) {
    if (FHaveRun) {
        // Only runs that overlap or touch are merged, so a merge never sets
        // a pixel neither of them had.
        if (x0 == x1 && FRunX0 == FRunX1 && x0 == FRunX0 && y0 <= FRunY1 + 1 && y1 >= FRunY0 - 1) {
            FRunY0 = std::min(FRunY0, y0);
            FRunY1 = std::max(FRunY1, y1);
            return;
        }
        if (y0 == y1 && FRunY0 == FRunY1 && y0 == FRunY0 && x0 <= FRunX1 + 1 && x1 >= FRunX0 - 1) {
            FRunX0 = std::min(FRunX0, x0);
            FRunX1 = std::max(FRunX1, x1);
            return;
        }
        EmitRun();
    }
    FRunX0 = x0, FRunX1 = x1, FRunY0 = y0, FRunY1 = y1;
    FHaveRun = true;
}

void TCurveRaster::EmitRun() {
    FHaveRun = false;
    for (const TStrip& s : FStrips) {
        const int left = std::max(FRunX0 + s.Left, FClip.left());
        const int right = std::min(FRunX1 + s.Right, FClip.right());
        const int top = std::max(FRunY0 + s.Top, FClip.top());
        const int bottom = std::min(FRunY1 + s.Bottom, FClip.bottom());
        if (left <= right && top <= bottom) FBoxes.push_back({left, top, right, bottom});
    }
    if (FBoxes.size() >= MaxPendingBoxes) Flush();
}

void TCurveRaster::Flush() {
    if (FHaveRun) EmitRun();
    // Each rectangle lies on other cache lines of the layer than the one
    // before, and a steep run's rows each on its own: asking for a
    // rectangle's lines a few rectangles ahead keeps the fill from waiting
    // on every row (the fill's share of the painting went from about 31% to
    // 24%).
    constexpr std::size_t Ahead = 8;
    for (std::size_t i = 0; i < FBoxes.size(); ++i) {
        if (i + Ahead < FBoxes.size()) {
            const TBox& a = FBoxes[i + Ahead];
            for (int y = a.Top; y <= a.Bottom; ++y) FLayer.PrefetchPixel(a.Left, y);
        }
        const TBox& b = FBoxes[i];
        FLayer.Fill(b.Left, b.Top, b.Right, b.Bottom, FColor);
    }
    FBoxes.clear();
}

}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plot2d/smooth_curve_raster.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace curvane {

namespace {

// Spans collected before a long curve's coverage is blended and the mask
// cleared. A pixel two segments reach on either side of such a flush is
// blended twice, a shade darker, as where a curve crosses itself.
constexpr std::size_t MaxPendingSpans = std::size_t{1} << 16;

// How far beyond the pen's band a line's pixels are still scanned: more
// than the float arithmetic's error at the layer's coordinates, so that no
// pixel whose coverage rounds to one 255th or more is left out.
constexpr float CutSlack = 1.0f / 256;

// The reach of a pen one pixel wide, which is stepped rather than scanned.
constexpr float ThinReach = 1.0f;

// std::ceil and std::floor are calls without SSE 4.1; the values here are
// cut to the layer's neighbourhood, so an int holds them.
inline int CeilToInt(float v) {
    const int i = static_cast<int>(v);
    return i + (static_cast<float>(i) < v);
}
inline int FloorToInt(float v) {
    const int i = static_cast<int>(v);
    return i - (static_cast<float>(i) > v);
}

// The coverage of `count` neighbouring pixels of a line of a mask, given
// where the first one's centre lies along the segment and across it, kept in
// the mask where it is more than what the pixel has. Four pixels are taken
// at a time. The masks have a few bytes to spare after their last line: the
// pixels past the end of the line get no coverage, and their bytes are
// written back unchanged.
inline void CoverLine(std::uint8_t* mask, int count, float along, float across, float ux, float uy, float length,
                      float reach) {
#if defined(__SSE2__)
    const __m128 lane = _mm_set_ps(3, 2, 1, 0);
    __m128 a = _mm_add_ps(_mm_set1_ps(along), _mm_mul_ps(lane, _mm_set1_ps(ux)));
    __m128 c = _mm_sub_ps(_mm_set1_ps(across), _mm_mul_ps(lane, _mm_set1_ps(uy)));
    const __m128 stepA = _mm_set1_ps(4 * ux), stepC = _mm_set1_ps(4 * uy);
    const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1), len = _mm_set1_ps(length);
    const __m128 r = _mm_set1_ps(reach), full = _mm_set1_ps(255), half = _mm_set1_ps(0.5f);
    for (int i = 0; i < count; i += 4) {
        const __m128 beyond = _mm_max_ps(zero, _mm_max_ps(_mm_sub_ps(zero, a), _mm_sub_ps(a, len)));
        const __m128 d2 = _mm_add_ps(_mm_mul_ps(c, c), _mm_mul_ps(beyond, beyond));
        __m128 cover = _mm_min_ps(one, _mm_max_ps(zero, _mm_sub_ps(r, _mm_sqrt_ps(d2))));
        cover = _mm_and_ps(cover, _mm_cmplt_ps(lane, _mm_set1_ps(static_cast<float>(count - i))));
        __m128i bytes = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(cover, full), half));
        bytes = _mm_packs_epi32(bytes, bytes);
        bytes = _mm_packus_epi16(bytes, bytes);
        std::uint32_t had;
        std::memcpy(&had, mask + i, 4);
        const std::uint32_t kept = static_cast<std::uint32_t>(
            _mm_cvtsi128_si32(_mm_max_epu8(bytes, _mm_cvtsi32_si128(static_cast<int>(had)))));
        std::memcpy(mask + i, &kept, 4);
        a = _mm_add_ps(a, stepA);
        c = _mm_sub_ps(c, stepC);
    }
#else
    for (int i = 0; i < count; ++i, along += ux, across -= uy) {
        const float beyond = std::max(0.0f, std::max(-along, along - length));
        const float cover = std::clamp(reach - std::sqrt(across * across + beyond * beyond), 0.0f, 1.0f);
        mask[i] = std::max(mask[i], static_cast<std::uint8_t>(cover * 255 + 0.5f));
    }
#endif
}

}  // namespace

TSmoothCurveRaster::TSmoothCurveRaster(TCurveLayer& layer, double width, QRgb color)
    : FLayer(layer),
      FMask(layer.CoverageMask()),
      FColumnMask(layer.ColumnCoverageMask()),
      FWidth(layer.PixelSize().width()),
      FHeight(layer.PixelSize().height()),
      FLeft(layer.Area().left()),
      FTop(layer.Area().top()),
      FScale(layer.Scale()),
      FReach(static_cast<float>(std::max(width, 1.0) * layer.Scale() / 2 + 0.5)),
      FColor(color),
      FSpans(layer.SpanBuffer()),
      FRowSpans(layer.RowSpanBuffer()),
      FColumnSpans(layer.ColumnSpanBuffer()) {
    FSpans.clear();
    FRowSpans.resize(static_cast<std::size_t>(std::max(FHeight, 0)));
    FColumnSpans.resize(static_cast<std::size_t>(std::max(FWidth, 0)));
    if (FReach == ThinReach) FThinBlend = std::make_unique<TCoverageBlend>(FColor);
}

TSmoothCurveRaster::~TSmoothCurveRaster() { Flush(); }

void TSmoothCurveRaster::SetColor(QRgb color) {
    if (color == FColor) return;
    Flush();
    FColor = color;
    if (FThinBlend) *FThinBlend = TCoverageBlend(FColor);
}

void TSmoothCurveRaster::LineTo(QPointF p) {
    // From here on, the layer's pixels.
    const double x = (p.x() - FLeft) * FScale, y = (p.y() - FTop) * FScale;
    if (!FHavePoint) {
        FAnchorX = x, FAnchorY = y;
        FHavePoint = true;
        return;
    }
    if (Absorb(x, y)) return;
    EmitPending();
    Absorb(x, y);
}

void TSmoothCurveRaster::Break() {
    EmitPending();
    FHavePoint = false;
}

// Whether the segment from the anchor to (x, y) passes within Tolerance of
// every vertex since the anchor; if so (x, y) becomes the pending end. A
// vertex behind the farthest one (the curve turning back) is never taken.
bool TSmoothCurveRaster::Absorb(double x, double y) {
    const double vx = x - FAnchorX, vy = y - FAnchorY;
    const double d2 = vx * vx + vy * vy;
    if (d2 <= Tolerance * Tolerance) {
        if (FFar > Tolerance) return false;
    } else {
        const double d = std::sqrt(d2);
        if (d < FFar - Tolerance) return false;
        if (FHaveCone && (FLoX * vy - FLoY * vx < 0 || vx * FHiY - vy * FHiX < 0)) return false;
        // The directions that pass within Tolerance of this vertex: v turned
        // either way by asin(Tolerance / d), each scaled by d. Only their
        // turn matters, and this way the next vertex's test waits on no
        // division or square root of this one's.
        const double c = std::sqrt(d2 - Tolerance * Tolerance), s = Tolerance;
        const double loX = vx * c + vy * s, loY = vy * c - vx * s;
        const double hiX = vx * c - vy * s, hiY = vy * c + vx * s;
        if (!FHaveCone || FLoX * loY - FLoY * loX > 0) FLoX = loX, FLoY = loY;
        if (!FHaveCone || hiX * FHiY - hiY * FHiX > 0) FHiX = hiX, FHiY = hiY;
        FHaveCone = true;
        FFar = std::max(FFar, d);
    }
    FPendingX = x, FPendingY = y;
    FHavePending = true;
    return true;
}

void TSmoothCurveRaster::EmitPending() {
    if (!FHavePending) return;
    if (FMask) Segment(FAnchorX, FAnchorY, FPendingX, FPendingY);
    FAnchorX = FPendingX, FAnchorY = FPendingY;
    FHavePending = FHaveCone = false;
    FFar = 0;
}

void TSmoothCurveRaster::Flush() {
    EmitPending();
    if (FSpans.empty()) return;
    FLayer.Blend(FSpans, FColor);
    FSpans.clear();
}

// Each row of the segment's band gets the columns whose centres may lie
// within the pen's reach: the part of the segment within the reach of the
// row's centre line, grown by the reach. Along a row the position of a
// pixel centre across and along the segment changes by a constant, so the
// loop has neither divisions nor branches but the coverage test.
void TSmoothCurveRaster::Segment(double ax, double ay, double bx, double by) {
    // Cut to the layer grown by more than the reach (Liang and Barsky): a
    // cut end's disc then stays outside, and a pole's vertex two billion
    // pixels away becomes a point beside the layer before anything is
    // rounded to float.
    const double margin = FReach + 1.0;
    const double dx = bx - ax, dy = by - ay;
    double t0 = 0, t1 = 1;
    auto keep = [&](double p, double q) {  // keeps the t with p t <= q
        if (p == 0) return q >= 0;
        const double r = q / p;
        if (p < 0) t0 = std::max(t0, r);
        else t1 = std::min(t1, r);
        return t0 <= t1;
    };
    if (!keep(-dx, ax + margin) || !keep(dx, FWidth + margin - ax) || !keep(-dy, ay + margin) ||
        !keep(dy, FHeight + margin - ay))
        return;
    const float x0 = static_cast<float>(ax + t0 * dx), y0 = static_cast<float>(ay + t0 * dy);
    const float x1 = static_cast<float>(ax + t1 * dx), y1 = static_cast<float>(ay + t1 * dy);
    const bool steep = std::fabs(y1 - y0) > std::fabs(x1 - x0);
    if (FThinBlend && (steep ? Step<true>(y0, x0, y1, x1) : Step<false>(x0, y0, x1, y1))) return;
    // A steep segment is scanned by columns: by rows it would pay a row's
    // setup for every three or four pixels.
    if (steep) Scan<true>(y0, x0, y1, x1);
    else Scan<false>(x0, y0, x1, y1);
    if (FSpans.size() >= MaxPendingSpans) Flush();
}

// The segment (p0, q0)-(p1, q1) in the scan's own frame: q picks the line
// (a row, or a column when `columns`), p runs along it. The lines of the
// segment's band each get the pixels whose centres may lie within the pen's
// reach: the part of the segment within the reach of the line's centre,
// grown by the reach.
template <bool columns>
void TSmoothCurveRaster::Scan(float p0, float q0, float p1, float q1) {
    const int lineCount = columns ? FWidth : FHeight, lineLength = columns ? FHeight : FWidth;
    std::vector<std::uint32_t>& lineSpans = columns ? FColumnSpans : FRowSpans;
    const float ep = p1 - p0, eq = q1 - q0;
    const float length = std::sqrt(ep * ep + eq * eq);
    // A segment of no length is its end disc: every pixel lies beyond its end.
    const float up = length > 0 ? ep / length : 1.0f, uq = length > 0 ? eq / length : 0.0f;
    const float reach = FReach;
    const float low = std::min(q0, q1), high = std::max(q0, q1);
    const int firstLine = std::max(0, CeilToInt(low - reach - 0.5f));
    const int lastLine = std::min(lineCount - 1, FloorToInt(high + reach - 0.5f));
    const float slope = eq != 0 ? ep / eq : 0.0f;  // p per line along the segment
    // Half the length of a line's cut through the pen's band around the
    // segment's straight line, |across| < reach (plus a little for rounding).
    // Of a sloping segment's end discs grown along the line only this cut
    // can be covered: 30% fewer pixels a line at 45 degrees, pixels that
    // the blend would otherwise visit for nothing, on a new cache line of
    // the layer each in a column.
    const float halfCut = uq != 0 ? reach / std::fabs(uq) + CutSlack : 0.0f;
    for (int line = firstLine; line <= lastLine; ++line) {
        const float centre = line + 0.5f;
        float pa = std::min(p0, p1) - reach, pb = std::max(p0, p1) + reach;
        if (eq != 0) {
            pa = p0 + (std::clamp(centre - reach, low, high) - q0) * slope;
            pb = p0 + (std::clamp(centre + reach, low, high) - q0) * slope;
            if (pa > pb) std::swap(pa, pb);
            const float middle = p0 + (centre - q0) * slope;
            pa = std::max(pa - reach, middle - halfCut);
            pb = std::min(pb + reach, middle + halfCut);
        }
        const int first = std::max(0, CeilToInt(pa - 0.5f));
        const int last = std::min(lineLength - 1, FloorToInt(pb - 0.5f));
        if (first > last) continue;
        const float rp = first + 0.5f - p0, rq = centre - q0;
        const float along = rp * up + rq * uq, across = rq * up - rp * uq;
        // Each mask is laid out along its own lines.
        std::uint8_t* mask = (columns ? FColumnMask : FMask) + static_cast<std::ptrdiff_t>(line) * lineLength;
        // A line takes a new cache line of the mask; fetch the next ones.
        if (line + 4 <= lastLine) __builtin_prefetch(mask + 4 * lineLength + first, 1);
        CoverLine(mask + first, last - first + 1, along, across, up, uq, length, reach);
        FLayer.NoteCoverage({line, first, last, columns});
        // The previous segment's span of this line usually overlaps this
        // one: one span then covers both, and the blend visits each pixel
        // once. (A pixel in two spans is only visited twice: the first
        // visit clears its coverage.)
        const std::size_t previous = lineSpans[line];
        if (previous < FSpans.size()) {
            TCoverageSpan& s = FSpans[previous];
            if (s.Line == line && s.Column == columns && first <= s.Last + 1 && last >= s.First - 1) {
                s.First = std::min(s.First, first);
                s.Last = std::max(s.Last, last);
                continue;
            }
        }
        lineSpans[line] = static_cast<std::uint32_t>(FSpans.size());
        FSpans.push_back({line, first, last, columns});
    }
}

// The thin pen along the segment (p0, q0)-(p1, q1), p its major axis (y when
// `columns`, as in Scan): each step m whose centre m + 1/2 lies in the
// segment's half-open extent [min p, max p) gets the two pixels across whose
// centres the segment passes there, weighted by how near it passes, as Qt
// steps its thin smoothed lines. False, drawing nothing, when the extent
// holds no step's centre.
template <bool columns>
bool TSmoothCurveRaster::Step(float p0, float q0, float p1, float q1) {
    if (p1 < p0) std::swap(p0, p1), std::swap(q0, q1);
    const int lineLength = columns ? FHeight : FWidth, lineCount = columns ? FWidth : FHeight;
    const int first = CeilToInt(p0 - 0.5f), end = CeilToInt(p1 - 0.5f);
    if (first >= end) return false;
    const float slope = (q1 - q0) / (p1 - p0);
    std::uint32_t* const bits = FLayer.Pixels();
    const qsizetype stride = FLayer.Stride();
    const qsizetype stepStride = columns ? stride : 1, acrossStride = columns ? 1 : stride;
    const TCoverageBlend& blend = *FThinBlend;
    float q = q0 + (std::max(first, 0) + 0.5f - p0) * slope - 0.5f;  // the upper pixel's centre is at 0
    for (int m = std::max(first, 0); m < std::min(end, lineLength); ++m, q += slope) {
        const int k = FloorToInt(q);
        const std::uint32_t lower = static_cast<std::uint32_t>((q - k) * 255 + 0.5f);
        std::uint32_t* const line = bits + m * stepStride;
        // The segment was cut to the layer grown by a margin: either pixel
        // may lie outside.
        if (k >= 0 && k < lineCount) {
            blend.Put(255 - lower, line[k * acrossStride]);
            columns ? FLayer.NoteSet(k, m) : FLayer.NoteSet(m, k);
        }
        if (k + 1 >= 0 && k + 1 < lineCount) {
            blend.Put(lower, line[(k + 1) * acrossStride]);
            columns ? FLayer.NoteSet(k + 1, m) : FLayer.NoteSet(m, k + 1);
        }
    }
    return true;
}

template void TSmoothCurveRaster::Scan<false>(float, float, float, float);
template void TSmoothCurveRaster::Scan<true>(float, float, float, float);

}  // namespace curvane

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

// How many lines ahead a wide pen's stepping asks for the layer's pixels.
constexpr int PrefetchLines = 6;

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

// 1 / sqrt(v) to within 1.5 parts in 4096, for v of at most float's range.
inline double ReciprocalSqrt(double v) {
#if defined(__SSE2__)
    return _mm_cvtss_f32(_mm_rsqrt_ss(_mm_set_ss(static_cast<float>(v))));
#else
    return 1 / std::sqrt(v);
#endif
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

// A segment in a scan's frame (q picks the line, p runs along it), with
// what a line needs to find the pixels the pen around the segment (its
// capsule) may cover and their coverage.
struct TCapsule {
    float P0, Q0;
    // The unit vector along the segment; a segment of no length is its end
    // disc, every pixel beyond its end.
    float Up, Uq, Length;
    float Low, High;  // its extent along q
    float Slope;      // p per line along the segment
    // Half the length of a line's cut through the pen's band around the
    // segment's straight line, |across| < reach (plus a little for
    // rounding). Of a sloping segment's end discs grown along the line only
    // this cut can be covered: 30% fewer pixels a line at 45 degrees.
    float HalfCut;
    float PMin, PMax;  // its extent along p
    bool Across;       // parallel to the lines (no length along q)

    TCapsule(float p0, float q0, float p1, float q1, float reach) : P0(p0), Q0(q0) {
        const float ep = p1 - p0, eq = q1 - q0;
        Length = std::sqrt(ep * ep + eq * eq);
        Up = Length > 0 ? ep / Length : 1.0f;
        Uq = Length > 0 ? eq / Length : 0.0f;
        Low = std::min(q0, q1), High = std::max(q0, q1);
        PMin = std::min(p0, p1), PMax = std::max(p0, p1);
        Across = eq == 0;
        Slope = Across ? 0.0f : ep / eq;
        HalfCut = Uq != 0 ? reach / std::fabs(Uq) + CutSlack : 0.0f;
    }
    // The part pa..pb of the line through `centre` that may lie within
    // `reach` of the segment, as TSmoothCurveRaster::Scan finds it; false
    // when the line passes beyond the reach of either end.
    bool Cut(float centre, float reach, float& pa, float& pb) const {
        if (centre < Low - reach || centre > High + reach) return false;
        pa = PMin - reach, pb = PMax + reach;
        if (!Across) {
            pa = P0 + (std::clamp(centre - reach, Low, High) - Q0) * Slope;
            pb = P0 + (std::clamp(centre + reach, Low, High) - Q0) * Slope;
            if (pa > pb) std::swap(pa, pb);
            const float middle = P0 + (centre - Q0) * Slope;
            pa = std::max(pa - reach, middle - HalfCut);
            pb = std::min(pb + reach, middle + HalfCut);
        }
        return true;
    }
};

namespace {

#if defined(__SSE2__)
// Four neighbouring pixels of a row blended with four coverages at once, by
// the same arithmetic as TCoverageBlend, channel by channel in 16 bits.
class TBlendFour {
public:
    explicit TBlendFour(QRgb color)
        : FColor(_mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(color)), _mm_setzero_si128())),
          FAlpha(_mm_set1_epi16(static_cast<short>(qAlpha(color) + (qAlpha(color) >> 7)))),
          FOpaque(qAlpha(color) == 255) {}
    // The weights of four coverages of 0 to 1 (the first pixel's in the
    // lowest lane): 0..256 in the low four 16-bit lanes.
    static __m128i Weights(__m128 cover) {
        __m128i c = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(cover, _mm_set1_ps(255)), _mm_set1_ps(0.5f)));
        c = _mm_packs_epi32(c, c);
        return _mm_add_epi16(c, _mm_srli_epi16(c, 7));
    }
    void Put(__m128i k, std::uint32_t* pixels) const {
        const __m128i zero = _mm_setzero_si128();
        k = _mm_unpacklo_epi16(k, k);
        const __m128i kLow = _mm_unpacklo_epi32(k, k), kHigh = _mm_unpackhi_epi32(k, k);
        const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels));
        const __m128i low = Blend(_mm_unpacklo_epi8(px, zero), kLow);
        const __m128i high = Blend(_mm_unpackhi_epi8(px, zero), kHigh);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels), _mm_packus_epi16(low, high));
    }

    // Two neighbouring pixels of a row with coverages of 0..255.
    void PutTwo(std::uint32_t first, std::uint32_t second, std::uint32_t* pixels) const {
        __m128i k = _mm_cvtsi32_si128(static_cast<int>(first | second << 16));
        k = _mm_add_epi16(k, _mm_srli_epi16(k, 7));
        k = _mm_shufflelo_epi16(k, 0x50);  // first, first, second, second
        k = _mm_unpacklo_epi16(k, k);
        const __m128i px = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pixels));
        const __m128i out = Blend(_mm_unpacklo_epi8(px, _mm_setzero_si128()), k);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(pixels), _mm_packus_epi16(out, out));
    }

private:
    // Two pixels' channels weighed by their k.
    __m128i Blend(__m128i px, __m128i k) const {
        // What the colour leaves of the pixel: 256 - (alpha k) >> 8, which
        // for an opaque colour is 256 - k. alpha k reaches 65536, one more
        // than 16 bits hold: its upper and lower halves make (alpha k) >> 8.
        const __m128i ak = FOpaque ? k
                                   : _mm_or_si128(_mm_slli_epi16(_mm_mulhi_epu16(FAlpha, k), 8),
                                                  _mm_srli_epi16(_mm_mullo_epi16(FAlpha, k), 8));
        const __m128i keep = _mm_sub_epi16(_mm_set1_epi16(256), ak);
        return _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(FColor, k), 8),
                             _mm_srli_epi16(_mm_mullo_epi16(px, keep), 8));
    }
    __m128i FColor, FAlpha;
    bool FOpaque;
};
#endif

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
      FBlend(std::make_unique<TCoverageBlend>(color)),
      FThin(FReach == ThinReach),
      FSpans(layer.SpanBuffer()),
      FRowSpans(layer.RowSpanBuffer()),
      FColumnSpans(layer.ColumnSpanBuffer()) {
    FSpans.clear();
    FRowSpans.resize(static_cast<std::size_t>(std::max(FHeight, 0)));
    FColumnSpans.resize(static_cast<std::size_t>(std::max(FWidth, 0)));
}

TSmoothCurveRaster::~TSmoothCurveRaster() { Flush(); }

void TSmoothCurveRaster::SetColor(QRgb color) {
    if (color == FColor) return;
    Flush();
    FColor = color;
    *FBlend = TCoverageBlend(FColor);
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
    if (FHaveHeld) DrawHeld(nullptr);
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
        // Behind the farthest vertex: d < FFar - Tolerance, tested without
        // waiting for the square root.
        const double back = FFar - Tolerance;
        if (back > 0 && d2 < back * back) return false;
        if (FHaveCone && (FLoX * vy - FLoY * vx < 0 || vx * FHiY - vy * FHiX < 0)) return false;
        // The directions that pass within Tolerance of this vertex: v turned
        // either way by asin(Tolerance / d), that is by atan(Tolerance / c)
        // with c = sqrt(d^2 - Tolerance^2), each divided by c: only their
        // turn matters. The next vertex's test waits on these, and so on the
        // cheap reciprocal square root, not a square root; shrunk by more than
        // its error, it turns v a little less, which only narrows the cone.
        const double s = Tolerance * (1 - 1.0 / 1024) * ReciprocalSqrt(std::max(d2 - Tolerance * Tolerance, 1e-12));
        const double loX = vx + vy * s, loY = vy - vx * s;
        const double hiX = vx - vy * s, hiY = vy + vx * s;
        if (!FHaveCone || FLoX * loY - FLoY * loX > 0) FLoX = loX, FLoY = loY;
        if (!FHaveCone || hiX * FHiY - hiY * FHiX > 0) FHiX = hiX, FHiY = hiY;
        FHaveCone = true;
        FFar = std::max(FFar, std::sqrt(d2));
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
    if (FHaveHeld) DrawHeld(nullptr);
    BlendSpans();
}

void TSmoothCurveRaster::BlendSpans() {
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
    if (!FThin) {
        const TCut cut{x0, y0, x1, y1};
        if (FHaveHeld) DrawHeld(&cut);
        FHeld = cut;
        FHaveHeld = true;
        return;
    }
    const bool steep = std::fabs(y1 - y0) > std::fabs(x1 - x0);
    if (steep ? Step<true>(y0, x0, y1, x1) : Step<false>(x0, y0, x1, y1)) return;
    // A steep segment is scanned by columns: by rows it would pay a row's
    // setup for every three or four pixels.
    if (steep) Scan<true>(y0, x0, y1, x1);
    else Scan<false>(x0, y0, x1, y1);
    if (FSpans.size() >= MaxPendingSpans) BlendSpans();
}

// Draws the held segment of a wide pen, now that the one after it is known
// (null at the end of a run of segments).
void TSmoothCurveRaster::DrawHeld(const TCut* after) {
    const TCut& s = FHeld;
    const bool joined = after && after->X0 == s.X1 && after->Y0 == s.Y1;
    const TCut* before = FHaveBefore ? &FBefore : nullptr;
    // A flat segment is stepped by columns, a steep one by rows.
    if (std::fabs(s.Y1 - s.Y0) > std::fabs(s.X1 - s.X0)) StepWide<false>(s, before, joined ? after : nullptr);
    else StepWide<true>(s, before, joined ? after : nullptr);
    FBefore = s;
    FHaveBefore = joined;
    FHaveHeld = false;
    if (FSpans.size() >= MaxPendingSpans) BlendSpans();
}

// The segment (p0, q0)-(p1, q1) in the scan's own frame: q picks the line
// (a row, or a column when `columns`), p runs along it. The lines of the
// segment's band each get the pixels whose centres may lie within the pen's
// reach: the part of the segment within the reach of the line's centre,
// grown by the reach.
template <bool columns>
void TSmoothCurveRaster::Scan(float p0, float q0, float p1, float q1) {
    const int lineCount = columns ? FWidth : FHeight;
    const TCapsule segment(p0, q0, p1, q1, FReach);
    const int firstLine = std::max(0, CeilToInt(segment.Low - FReach - 0.5f));
    const int endLine = std::min(lineCount, FloorToInt(segment.High + FReach - 0.5f) + 1);
    for (int line = firstLine; line < endLine; ++line) MaskLine<columns>(segment, line, endLine);
}

// One line of a segment's band into the mask: the pixels whose centres may
// lie within the pen's reach of the segment, with their coverage.
template <bool columns>
void TSmoothCurveRaster::MaskLine(const TCapsule& segment, int line, int endLine) {
    const int lineLength = columns ? FHeight : FWidth;
    const float centre = line + 0.5f;
    float pa, pb;
    if (!segment.Cut(centre, FReach, pa, pb)) return;
    const int first = std::max(0, CeilToInt(pa - 0.5f));
    const int last = std::min(lineLength - 1, FloorToInt(pb - 0.5f));
    if (first > last) return;
    const float rp = first + 0.5f - segment.P0, rq = centre - segment.Q0;
    // Each mask is laid out along its own lines.
    std::uint8_t* mask = (columns ? FColumnMask : FMask) + static_cast<std::ptrdiff_t>(line) * lineLength;
    // A line takes a new cache line of the mask; fetch the next ones.
    if (line + 4 < endLine) __builtin_prefetch(mask + 4 * lineLength + first, 1);
    CoverLine(mask + first, last - first + 1, rp * segment.Up + rq * segment.Uq, rq * segment.Up - rp * segment.Uq,
              segment.Up, segment.Uq, segment.Length, FReach);
    NoteSpan<columns>(line, first, last);
}

// Notes that a line of a mask got coverage from first to last.
template <bool columns>
void TSmoothCurveRaster::NoteSpan(int line, int first, int last) {
    FLayer.NoteCoverage({line, first, last, columns});
    // The previous segment's span of this line usually overlaps this one:
    // one span then covers both, and the blend visits each pixel once. (A
    // pixel in two spans is only visited twice: the first visit clears its
    // coverage.)
    std::vector<std::uint32_t>& lineSpans = columns ? FColumnSpans : FRowSpans;
    const std::size_t previous = lineSpans[line];
    if (previous < FSpans.size()) {
        TCoverageSpan& s = FSpans[previous];
        if (s.Line == line && s.Column == columns && first <= s.Last + 1 && last >= s.First - 1) {
            s.First = std::min(s.First, first);
            s.Last = std::max(s.Last, last);
            return;
        }
    }
    lineSpans[line] = static_cast<std::uint32_t>(FSpans.size());
    FSpans.push_back({line, first, last, columns});
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
    const TCoverageBlend& blend = *FBlend;
#if defined(__SSE2__)
    const TBlendFour blendTwo(FColor);
#endif
    float q = q0 + (std::max(first, 0) + 0.5f - p0) * slope - 0.5f;  // the upper pixel's centre is at 0
    const int stepEnd = std::min(end, lineLength);
    // The steps go a tile's worth at a time, the tiles their pixels lie in
    // noted once for all of them.
    for (int chunk = std::max(first, 0), chunkEnd; chunk < stepEnd; chunk = chunkEnd) {
        chunkEnd = std::min(stepEnd, (chunk | 31) + 1);
        int low = lineCount, high = -1;
        for (int m = chunk; m < chunkEnd; ++m, q += slope) {
            const int k = FloorToInt(q);
            const std::uint32_t lower = static_cast<std::uint32_t>((q - k) * 255 + 0.5f);
            std::uint32_t* const line = bits + m * stepStride;
            low = std::min(low, k), high = std::max(high, k + 1);
#if defined(__SSE2__)
            // Across a row the two pixels are neighbours in memory.
            if (columns && k >= 0 && k + 1 < lineCount) {
                blendTwo.PutTwo(255 - lower, lower, line + k);
                continue;
            }
#endif
            // The segment was cut to the layer grown by a margin: either
            // pixel may lie outside.
            if (k >= 0 && k < lineCount) blend.Put(255 - lower, line[k * acrossStride]);
            if (k + 1 >= 0 && k + 1 < lineCount) blend.Put(lower, line[(k + 1) * acrossStride]);
        }
        low = std::max(low, 0), high = std::min(high, lineCount - 1);
        if (low <= high)
            columns ? FLayer.NoteSet(low, chunk, high, chunkEnd - 1) : FLayer.NoteSet(chunk, low, chunkEnd - 1, high);
    }
    return true;
}

// A wide pen's segment stepped along its major axis: each line (a column
// when `columns`, a row otherwise) whose centre lies in the segment's
// half-open extent along q is the segment's, and its pixels are blended at
// once with the coverage of the segment's straight line (see StepMiddle).
// Where the next segment (`after`) or the one before (`before`) is stepped on
// the same way, the lines of the two meet there and that is all the joint
// needs: the turns of a sampled curve are slight, and the lines either side
// differ from a round join by little. Near any other joint, and where the
// curve ends (a null neighbour), the lines within twice the pen's reach go
// with the segment's disc beyond it into the mask, which keeps the largest
// coverage of everything there, the neighbour's as well; a segment that turns
// back at either end puts all its lines into the mask, since the two may
// share lines far from the joint.
template <bool columns>
void TSmoothCurveRaster::StepWide(const TCut& s, const TCut* before, const TCut* after) {
    const int lineCount = columns ? FWidth : FHeight;
    const float reach = FReach;
    const TCapsule own = columns ? TCapsule(s.Y0, s.X0, s.Y1, s.X1, reach) : TCapsule(s.X0, s.Y0, s.X1, s.Y1, reach);
    const float dq = columns ? s.X1 - s.X0 : s.Y1 - s.Y0;
    enum TJoint { jOn, jOther, jBack };
    auto joint = [&](const TCut* n) {
        if (!n) return jOther;
        const float ndx = n->X1 - n->X0, ndy = n->Y1 - n->Y0;
        if ((std::fabs(ndy) > std::fabs(ndx)) == columns) return jOther;
        const float ndq = columns ? ndx : ndy;
        if (ndq == 0 || dq == 0) return jOther;
        return (ndq > 0) == (dq > 0) ? jOn : jBack;
    };
    const TJoint jointBefore = joint(before), jointAfter = joint(after);
    const bool allMask = jointBefore == jBack || jointAfter == jBack;
    // The joints at the low and the high end along q.
    const bool lowOn = (dq >= 0 ? jointBefore : jointAfter) == jOn;
    const bool highOn = (dq >= 0 ? jointAfter : jointBefore) == jOn;
    const float low = own.Low, high = own.High;
    const int firstLine = std::max(0, CeilToInt((lowOn ? low : low - reach) - 0.5f));
    const int endLine = std::min(lineCount, highOn ? CeilToInt(high - 0.5f) : FloorToInt(high + reach - 0.5f) + 1);
    // The lines blended at once: all but those near an end that is not a
    // joint with a segment stepped on the same way. A neighbour stepped the
    // other way covers pixels up to twice the reach from the joint.
    const float near = 2 * reach + CutSlack;
    const int middleFirst = lowOn ? firstLine : std::clamp(CeilToInt(low + near - 0.5f), firstLine, endLine);
    const int middleEnd = highOn ? endLine : std::clamp(FloorToInt(high - near - 0.5f) + 1, middleFirst, endLine);

    if (allMask) {
        for (int line = firstLine; line < endLine; ++line) MaskLine<columns>(own, line, endLine);
        return;
    }
    for (int line = firstLine; line < middleFirst; ++line) MaskLine<columns>(own, line, middleFirst);
    if (middleFirst < middleEnd) StepMiddle<columns>(own, middleFirst, middleEnd);
    for (int line = middleEnd; line < endLine; ++line) MaskLine<columns>(own, line, endLine);
}

// The middle lines of a wide pen's segment (see StepWide), blended at once.
// The band's cut through a line is as wide everywhere in the middle, and the
// distance to the straight line changes by -Uq a pixel along the line.
template <bool columns>
void TSmoothCurveRaster::StepMiddle(const TCapsule& own, int lineFirst, int lineEnd) {
    const int lineLength = columns ? FHeight : FWidth;
    const float reach = FReach;
    const float halfWidth = std::min(reach * (std::fabs(own.Slope) + 1), own.HalfCut);
    std::uint32_t* const bits = FLayer.Pixels();
    const qsizetype stride = FLayer.Stride();
    const qsizetype lineStride = columns ? 1 : stride, pixelStride = columns ? stride : 1;
#if defined(__SSE2__)
    const TBlendFour blendFour(FColor);
    const __m128 lane = _mm_set_ps(3, 2, 1, 0), sign = _mm_set1_ps(-0.0f), one = _mm_set1_ps(1);
    const __m128 reachV = _mm_set1_ps(reach), full = _mm_set1_ps(255), half = _mm_set1_ps(0.5f);
    const __m128 stepA = _mm_set1_ps(4 * own.Uq), laneA = _mm_mul_ps(lane, _mm_set1_ps(own.Uq));
#endif
    const TCoverageBlend& blend = *FBlend;
    const std::uintptr_t prefetchBytes = static_cast<std::uintptr_t>(
        (PrefetchLines * lineStride + static_cast<int>(PrefetchLines * own.Slope) * pixelStride) * 4);
    // Locals: the stores to the layer would make the compiler load members
    // again after every line.
    const float p0 = own.P0, q0 = own.Q0, slope = own.Slope, up = own.Up, uq = own.Uq;
    auto firstOf = [&](float middle) { return std::max(0, CeilToInt(middle - halfWidth - 0.5f)); };
    auto lastOf = [&](float middle) { return std::min(lineLength - 1, FloorToInt(middle + halfWidth - 0.5f)); };
    // The lines go a tile's worth at a time, the tiles their pixels lie in
    // noted once for all of them.
    for (int chunk = lineFirst, chunkEnd; chunk < lineEnd; chunk = chunkEnd) {
        chunkEnd = std::min(lineEnd, (chunk | 31) + 1);
        const float m0 = p0 + (chunk + 0.5f - q0) * slope, m1 = p0 + (chunkEnd - 0.5f - q0) * slope;
        const int low = firstOf(std::min(m0, m1)), high = lastOf(std::max(m0, m1));
        if (low > high) continue;
        columns ? FLayer.NoteSet(chunk, low, chunkEnd - 1, high) : FLayer.NoteSet(low, chunk, high, chunkEnd - 1);
        for (int line = chunk; line < chunkEnd; ++line) {
            const float centre = line + 0.5f;
            const float middle = p0 + (centre - q0) * slope;
            const int first = firstOf(middle), last = lastOf(middle);
            if (first > last) continue;
            std::uint32_t* pixels = bits + line * lineStride + first * pixelStride;
            // Each line is on another cache line of the layer, which the
            // blend would wait for: ask for one a few lines ahead. The
            // address may lie outside the image, which a prefetch ignores;
            // it is formed as a number, not as a pointer past the image.
            __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(pixels) + prefetchBytes), 1);
            const float a0 = (centre - q0) * up - (first + 0.5f - p0) * uq;
#if defined(__SSE2__)
            __m128 a = _mm_sub_ps(_mm_set1_ps(a0), laneA);
            auto cover = [&](int p) {
                const __m128 c =
                    _mm_min_ps(one, _mm_max_ps(_mm_setzero_ps(), _mm_sub_ps(reachV, _mm_andnot_ps(sign, a))));
                return last - p < 3 ? _mm_and_ps(c, _mm_cmplt_ps(lane, _mm_set1_ps(static_cast<float>(last - p + 1))))
                                    : c;
            };
            // A row's pixels four at a time where every four lie in the row:
            // the lanes past `last` have no coverage and keep their pixels.
            if (!columns && last + 4 <= lineLength) {
                for (int p = first; p <= last; p += 4, a = _mm_sub_ps(a, stepA), pixels += 4)
                    blendFour.Put(TBlendFour::Weights(cover(p)), pixels);
                continue;
            }
            for (int p = first; p <= last; p += 4, a = _mm_sub_ps(a, stepA), pixels += 4 * pixelStride) {
                __m128i bytes = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(cover(p), full), half));
                bytes = _mm_packs_epi32(bytes, bytes);
                std::uint32_t four = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(bytes, bytes)));
                for (int i = 0; i < 4 && p + i <= last; ++i, four >>= 8)
                    blend.Put(four & 0xffu, pixels[i * pixelStride]);
            }
#else
            for (int p = first; p <= last; ++p, pixels += pixelStride) {
                const float c = std::clamp(reach - std::fabs(a0 - (p - first) * uq), 0.0f, 1.0f);
                blend.Put(static_cast<std::uint32_t>(c * 255 + 0.5f), *pixels);
            }
#endif
        }
    }
}

template void TSmoothCurveRaster::Scan<false>(float, float, float, float);
template void TSmoothCurveRaster::Scan<true>(float, float, float, float);

}  // namespace curvane

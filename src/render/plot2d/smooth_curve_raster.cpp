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
// How many steps ahead the thin pen's stepping asks for the layer's pixels.
constexpr int ThinAhead = 16;

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

// Positions stepped along a segment are kept in fixed point with 32 bits of
// fraction: the steps add exactly, and a step's pixel and weight are a shift
// away. The segments are cut to the layer grown by a margin, so the integer
// part is small.
inline std::int64_t ToFixed(double v) { return static_cast<std::int64_t>(v * 4294967296.0); }
inline int FloorOfFixed(std::int64_t v) { return static_cast<int>(v >> 32); }

// Asks for the layer's cache line `bytes` from `pixels`, a few lines ahead of
// a stepping that would otherwise wait for each new line it blends into.
// The address may lie outside the image, which a prefetch ignores; it is
// formed as a number, not as a pointer past the image.
inline void PrefetchAhead(const std::uint32_t* pixels, std::ptrdiff_t bytes) {
    const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(pixels) + static_cast<std::uintptr_t>(bytes);
    __builtin_prefetch(reinterpret_cast<const void*>(address), 1);
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
        const float perLength = Length > 0 ? 1 / Length : 0.0f;
        Up = Length > 0 ? ep * perLength : 1.0f;
        Uq = eq * perLength;
        Low = std::min(q0, q1), High = std::max(q0, q1);
        PMin = std::min(p0, p1), PMax = std::max(p0, p1);
        Across = eq == 0;
        const float perLine = Across ? 0.0f : 1 / eq;
        Slope = ep * perLine;
        HalfCut = Uq != 0 ? reach * Length * std::fabs(perLine) + CutSlack : 0.0f;
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
    bool Opaque() const { return FOpaque; }
    // The weights of four coverages of 0 to 1 (the first pixel's in the
    // lowest lane): 0..256 in the low four 16-bit lanes.
    static __m128i Weights(__m128 cover) {
        __m128i c = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(cover, _mm_set1_ps(255)), _mm_set1_ps(0.5f)));
        c = _mm_packs_epi32(c, c);
        return _mm_add_epi16(c, _mm_srli_epi16(c, 7));
    }
    void Put(__m128i k, std::uint32_t* pixels) const { FOpaque ? PutAs<true>(k, pixels) : PutAs<false>(k, pixels); }
    // Put for a colour known to be opaque, or known not to be.
    template <bool opaque>
    void PutAs(__m128i k, std::uint32_t* pixels) const {
        const __m128i zero = _mm_setzero_si128();
        k = _mm_unpacklo_epi16(k, k);
        const __m128i kLow = _mm_unpacklo_epi32(k, k), kHigh = _mm_unpackhi_epi32(k, k);
        const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels));
        const __m128i low = Blend<opaque>(_mm_unpacklo_epi8(px, zero), kLow);
        const __m128i high = Blend<opaque>(_mm_unpackhi_epi8(px, zero), kHigh);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels), _mm_packus_epi16(low, high));
    }

    // Two neighbouring pixels of a row with coverages of 0..255.
    void PutTwo(std::uint32_t first, std::uint32_t second, std::uint32_t* pixels) const {
        __m128i k = _mm_cvtsi32_si128(static_cast<int>(first | second << 16));
        k = _mm_add_epi16(k, _mm_srli_epi16(k, 7));
        k = _mm_shufflelo_epi16(k, 0x50);  // first, first, second, second
        k = _mm_unpacklo_epi16(k, k);
        const __m128i px = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pixels));
        const __m128i out = FOpaque ? Blend<true>(_mm_unpacklo_epi8(px, _mm_setzero_si128()), k)
                                    : Blend<false>(_mm_unpacklo_epi8(px, _mm_setzero_si128()), k);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(pixels), _mm_packus_epi16(out, out));
    }

private:
    // Two pixels' channels weighed by their k.
    template <bool opaque>
    __m128i Blend(__m128i px, __m128i k) const {
        // What the colour leaves of the pixel: 256 - (alpha k) >> 8, which
        // for an opaque colour is 256 - k. alpha k reaches 65536, one more
        // than 16 bits hold: its upper and lower halves make (alpha k) >> 8.
        const __m128i ak = opaque ? k
                                  : _mm_or_si128(_mm_slli_epi16(_mm_mulhi_epu16(FAlpha, k), 8),
                                                 _mm_srli_epi16(_mm_mullo_epi16(FAlpha, k), 8));
        const __m128i keep = _mm_sub_epi16(_mm_set1_epi16(256), ak);
        return _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(FColor, k), 8),
                             _mm_srli_epi16(_mm_mullo_epi16(px, keep), 8));
    }
    __m128i FColor, FAlpha;
    bool FOpaque;
};

// Rows of a steep wide segment's middle where each row's cut through the
// pen's band, `blocks` groups of four pixels from its first, lies inside
// the row: the rows are stepped with the band's left edge and the distance
// across at the row's pixel 0 (both of the first row) going on by `Slope`
// and `Up` a row, the distance changing by -Uq a pixel along a row. The
// edge is in fixed point with 32 bits of fraction: its pixel is a shift
// away. Pixels past the band get no coverage and keep their colour.
struct TMiddleRows {
    std::int64_t Left, Slope;
    float Across, Up, Uq, Reach;
    int Blocks;
    std::ptrdiff_t PrefetchBytes;
};

template <bool opaque>
void BlendMiddleRows(const TBlendFour& blend, std::uint32_t* row, qsizetype stride, int rows, TMiddleRows m) {
    const __m128 lane = _mm_set_ps(3, 2, 1, 0);
    const __m128 laneA = _mm_mul_ps(lane, _mm_set1_ps(m.Uq)), stepA = _mm_set1_ps(4 * m.Uq);
    const __m128 reach = _mm_set1_ps(m.Reach), one = _mm_set1_ps(1), sign = _mm_set1_ps(-0.0f);
    for (int r = 0; r < rows; ++r, row += stride, m.Left += m.Slope, m.Across += m.Up) {
        const int first = FloorOfFixed(m.Left + 0xffffffff);  // rounded up
        std::uint32_t* pixels = row + first;
        PrefetchAhead(pixels, m.PrefetchBytes);
        __m128 a = _mm_sub_ps(_mm_set1_ps(m.Across - static_cast<float>(first) * m.Uq), laneA);
        for (int b = 0; b < m.Blocks; ++b, a = _mm_sub_ps(a, stepA), pixels += 4) {
            const __m128 cover =
                _mm_min_ps(one, _mm_max_ps(_mm_setzero_ps(), _mm_sub_ps(reach, _mm_andnot_ps(sign, a))));
            blend.PutAs<opaque>(TBlendFour::Weights(cover), pixels);
        }
    }
}
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

// Whether the segment from the anchor to (x, y) passes within Tolerance of
// every vertex since the anchor; if so (x, y) becomes the pending end. A
// vertex behind the farthest one along U (the curve turning back) is never
// taken. With every vertex since no farther along, each one's distance
// across U from the segment's line is its distance to a point of the
// segment, and no less than its distance to the segment.
inline bool TSmoothCurveRaster::TMerge::Absorb(double x, double y) {
    const double vx = x - AnchorX, vy = y - AnchorY;
    if (!HaveFrame) {
        const double d2 = vx * vx + vy * vy;
        if (d2 > Tolerance * Tolerance) {
            const double r = 1 / std::sqrt(d2);
            UX = vx * r, UY = vy * r;
            Far = d2 * r;
            Lo = -Tolerance * r, Hi = Tolerance * r;
            HaveFrame = true;
        }
    } else {
        const double along = vx * UX + vy * UY, across = vy * UX - vx * UY;
        // The negated test refuses NaN as well.
        if (!(along >= Far)) return false;
        if (across < Lo * along || across > Hi * along) return false;
        const double r = 1 / along;
        Lo = std::max(Lo, (across - Tolerance) * r);
        Hi = std::min(Hi, (across + Tolerance) * r);
        Far = along;
    }
    PendingX = x, PendingY = y;
    HavePending = true;
    return true;
}

void TSmoothCurveRaster::LinesTo(const QPointF* points, std::size_t count) {
    const double left = FLeft, top = FTop, scale = FScale;
    TMerge m = FMerge;
    for (const QPointF *p = points, *end = points + count; p != end; ++p) {
        // From here on, the layer's pixels.
        const double x = (p->x() - left) * scale, y = (p->y() - top) * scale;
        if (!m.HavePoint) {
            m.AnchorX = x, m.AnchorY = y;
            m.HavePoint = true;
            continue;
        }
        if (m.Absorb(x, y)) continue;
        FMerge = m;
        EmitPending();
        m = FMerge;
        m.Absorb(x, y);
    }
    FMerge = m;
}

void TSmoothCurveRaster::Break() {
    EmitPending();
    if (FHaveHeld) DrawHeld(nullptr);
    FMerge.HavePoint = false;
}

void TSmoothCurveRaster::EmitPending() {
    if (!FMerge.HavePending) return;
    if (FMask) Segment(FMerge.AnchorX, FMerge.AnchorY, FMerge.PendingX, FMerge.PendingY);
    FMerge.AnchorX = FMerge.PendingX, FMerge.AnchorY = FMerge.PendingY;
    FMerge.HavePending = FMerge.HaveFrame = false;
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
    auto within = [&](double x, double y) {
        return -margin <= x && x <= FWidth + margin && -margin <= y && y <= FHeight + margin;
    };
    float x0 = static_cast<float>(ax), y0 = static_cast<float>(ay);
    float x1 = static_cast<float>(bx), y1 = static_cast<float>(by);
    // Most segments lie inside and need no cut.
    if (!within(ax, ay) || !within(bx, by)) {
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
        x0 = static_cast<float>(ax + t0 * dx), y0 = static_cast<float>(ay + t0 * dy);
        x1 = static_cast<float>(ax + t1 * dx), y1 = static_cast<float>(ay + t1 * dy);
    }
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
    // The steps go the way the curve goes, so that asking for the layer's
    // lines ahead also asks for the next segment's first ones.
    const bool back = p1 < p0;
    if (back) std::swap(p0, p1), std::swap(q0, q1);
    const int lineLength = columns ? FHeight : FWidth, lineCount = columns ? FWidth : FHeight;
    const int first = CeilToInt(p0 - 0.5f), end = CeilToInt(p1 - 0.5f);
    if (first >= end) return false;
    const float slope = (q1 - q0) / (p1 - p0);
    std::uint32_t* const bits = FLayer.Pixels();
    const qsizetype stride = FLayer.Stride();
    const qsizetype acrossStride = columns ? 1 : stride;
    const TCoverageBlend& blend = *FBlend;
#if defined(__SSE2__)
    const TBlendFour blendTwo(FColor);
#endif
    const int stepFirst = std::max(first, 0), stepEnd = std::min(end, lineLength);
    if (stepFirst >= stepEnd) return true;
    int m = back ? stepEnd - 1 : stepFirst;
    const int dir = back ? -1 : 1;
    const qsizetype stepStride = dir * (columns ? stride : 1);
    // Where the segment passes at step m, the upper pixel's centre at 0.
    std::int64_t q = ToFixed(q0 + (m + 0.5 - p0) * static_cast<double>(slope) - 0.5);
    const std::int64_t dq = ToFixed(dir * static_cast<double>(slope));
    // The lower pixel's weight, the fraction rounded to 255ths.
    auto lowerOf = [](std::int64_t v) {
        return static_cast<std::uint32_t>(((v & 0xffffffff) * 255 + 0x80000000) >> 32);
    };
    // The steps go a tile's worth at a time, the tiles their pixels lie in
    // noted once for all of them.
    for (int left = stepEnd - stepFirst; left > 0;) {
        const int n = std::min(left, back ? (m & 31) + 1 : 32 - (m & 31));
        const int kFirst = FloorOfFixed(q), kLast = FloorOfFixed(q + (n - 1) * dq);
        const int mLow = back ? m - n + 1 : m, mHigh = mLow + n - 1;
        int low = std::min(kFirst, kLast), high = std::max(kFirst, kLast) + 1;
        std::uint32_t* line = bits + m * (columns ? stride : 1);
        m += dir * n, left -= n;
#if defined(__SSE2__)
        // Across a row the two pixels are neighbours in memory.
        if (columns && low >= 0 && high < lineCount) {
            for (int i = 0; i < n; ++i, q += dq, line += stepStride) {
                const std::uint32_t lower = lowerOf(q);
                PrefetchAhead(line, (FloorOfFixed(q + ThinAhead * dq) + ThinAhead * stepStride) * 4);
                blendTwo.PutTwo(255 - lower, lower, line + FloorOfFixed(q));
            }
            FLayer.NoteSet(low, mLow, high, mHigh);
            continue;
        }
#endif
        for (int i = 0; i < n; ++i, q += dq, line += stepStride) {
            const int k = FloorOfFixed(q);
            const std::uint32_t lower = lowerOf(q);
            // Either pixel may lie outside.
            if (k >= 0 && k < lineCount) blend.Put(255 - lower, line[k * acrossStride]);
            if (k + 1 >= 0 && k + 1 < lineCount) blend.Put(lower, line[(k + 1) * acrossStride]);
        }
        low = std::max(low, 0), high = std::min(high, lineCount - 1);
        if (low <= high) columns ? FLayer.NoteSet(low, mLow, high, mHigh) : FLayer.NoteSet(mLow, low, mHigh, high);
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
    if (middleFirst < middleEnd) StepMiddle<columns>(own, middleFirst, middleEnd, dq < 0);
    for (int line = middleEnd; line < endLine; ++line) MaskLine<columns>(own, line, endLine);
}

// The middle lines of a wide pen's segment (see StepWide), blended at once.
// The band's cut through a line is as wide everywhere in the middle, and the
// distance to the straight line changes by -Uq a pixel along the line.
template <bool columns>
void TSmoothCurveRaster::StepMiddle(const TCapsule& own, int lineFirst, int lineEnd, bool back) {
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
    // The lines go the way the segment goes (see Step).
    const int dir = back ? -1 : 1;
    const std::ptrdiff_t prefetchBytes =
        (PrefetchLines * dir * lineStride + static_cast<int>(PrefetchLines * dir * own.Slope) * pixelStride) * 4;
    // Locals: the stores to the layer would make the compiler load members
    // again after every line.
    const float p0 = own.P0, q0 = own.Q0, slope = own.Slope, up = own.Up, uq = own.Uq;
    auto firstOf = [&](float middle) { return std::max(0, CeilToInt(middle - halfWidth - 0.5f)); };
    auto lastOf = [&](float middle) { return std::min(lineLength - 1, FloorToInt(middle + halfWidth - 0.5f)); };
    // A line's cut holds at most floor(2 halfWidth) + 1 pixels.
    const int rowBlocks = (FloorToInt(2 * halfWidth) + 4) / 4;
    // The lines go a tile's worth at a time, the tiles their pixels lie in
    // noted once for all of them.
    for (int line = back ? lineEnd - 1 : lineFirst, left = lineEnd - lineFirst; left > 0;) {
        const int n = std::min(left, back ? (line & 31) + 1 : 32 - (line & 31));
        const int chunk = back ? line - n + 1 : line, chunkLast = chunk + n - 1;
        const float m0 = p0 + (chunk + 0.5f - q0) * slope, m1 = p0 + (chunkLast + 0.5f - q0) * slope;
        const int low = firstOf(std::min(m0, m1)), high = lastOf(std::max(m0, m1));
        left -= n;
        if (low > high) {
            line += dir * n;
            continue;
        }
        columns ? FLayer.NoteSet(chunk, low, chunkLast, high) : FLayer.NoteSet(low, chunk, high, chunkLast);
#if defined(__SSE2__)
        // Rows whose blocks all lie a pixel or more inside the row (more
        // than what stepping adds to the rounding) go the short way.
        if (!columns && CeilToInt(std::min(m0, m1) - halfWidth - 0.5f) >= 1 &&
            CeilToInt(std::max(m0, m1) - halfWidth - 0.5f) + rowBlocks * 4 < lineLength) {
            const float centre = line + 0.5f;
            const TMiddleRows rows{
                ToFixed(p0 + (centre - q0) * static_cast<double>(slope) - halfWidth - 0.5),
                ToFixed(dir * static_cast<double>(slope)),
                (centre - q0) * up - (0.5f - p0) * uq,
                dir * up,
                uq,
                reach,
                rowBlocks,
                prefetchBytes};
            std::uint32_t* const row = bits + line * lineStride;
            if (blendFour.Opaque())
                BlendMiddleRows<true>(blendFour, row, dir * stride, n, rows);
            else
                BlendMiddleRows<false>(blendFour, row, dir * stride, n, rows);
            line += dir * n;
            continue;
        }
#endif
        for (const int stop = line + dir * n; line != stop; line += dir) {
            const float centre = line + 0.5f;
            const float middle = p0 + (centre - q0) * slope;
            const int first = firstOf(middle);
            std::uint32_t* pixels = bits + line * lineStride + first * pixelStride;
            PrefetchAhead(pixels, prefetchBytes);
            const float a0 = (centre - q0) * up - (first + 0.5f - p0) * uq;
#if defined(__SSE2__)
            __m128 a = _mm_sub_ps(_mm_set1_ps(a0), laneA);
            auto cover = [&] {
                return _mm_min_ps(one, _mm_max_ps(_mm_setzero_ps(), _mm_sub_ps(reachV, _mm_andnot_ps(sign, a))));
            };
            // A row's pixels go four at a time, as many as the band's cut
            // can hold, where they all lie in the row: those past the band
            // get no coverage and keep their colour.
            if (!columns && first + rowBlocks * 4 <= lineLength) {
                for (int b = 0; b < rowBlocks; ++b, a = _mm_sub_ps(a, stepA), pixels += 4)
                    blendFour.Put(TBlendFour::Weights(cover()), pixels);
                continue;
            }
#endif
            const int last = lastOf(middle);
#if defined(__SSE2__)
            for (int p = first; p <= last; p += 4, a = _mm_sub_ps(a, stepA), pixels += 4 * pixelStride) {
                __m128i bytes = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(cover(), full), half));
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

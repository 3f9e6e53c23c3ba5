// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plot2d/curve_raster.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <QPainter>
#include <QPoint>

namespace curvane {

namespace {

// Filled rectangles are collected up to this count before they are filled.
constexpr std::size_t MaxPendingBoxes = 4096;

// Below this on both axes a segment's products fit in 64 bits; beyond it (a
// pole's vertex two billion pixels away) they are formed in 128.
constexpr std::int64_t NarrowLimit = std::int64_t{1} << 30;

// The layer's image is kept from one paint to the next, transparent again
// wherever it was filled: making and clearing 8 MB for every frame of a
// full-screen plot cost a few milliseconds. Should a paint device keep a
// share of it, that share is left alone and the next paint makes another.
QImage& KeptLayerImage() {
    thread_local QImage image;
    return image;
}

// The smoothed curves' coverage masks, kept the same way: all zero between
// curves, since each curve's blend clears what it wrote.
std::vector<std::uint8_t>& KeptCoverageMask() {
    thread_local std::vector<std::uint8_t> mask;
    return mask;
}

// Bytes after the masks' last line (see CoverLine).
constexpr std::size_t MaskSlack = 4;

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

// Blends a premultiplied colour over a premultiplied pixel with a coverage
// of 0..255, two channels to a 32-bit word: the colour weighs k = c + c/128
// (0..256) 256ths, the pixel what the colour's alpha leaves of it. Both are
// looked up by coverage, made once per colour. Coverage 0 leaves the pixel,
// 255 of an opaque colour puts the colour, and neither needs a branch of its
// own (one would be mispredicted along the pen's edges).
class TCoverageBlend {
public:
    explicit TCoverageBlend(QRgb color) {
        const std::uint32_t alpha = qAlpha(color) + (qAlpha(color) >> 7);
        for (std::uint32_t c = 0; c < 256; ++c) {
            const std::uint32_t k = c + (c >> 7);
            FColor[c] = ((color & 0xff00ffu) * k >> 8 & 0xff00ffu) | (((color >> 8) & 0xff00ffu) * k & 0xff00ff00u);
            FKeep[c] = static_cast<std::uint16_t>(256 - ((alpha * k) >> 8));
        }
    }
    void Put(std::uint32_t coverage, std::uint32_t& pixel) const {
        const std::uint32_t keep = FKeep[coverage];
        pixel = FColor[coverage] + ((((pixel & 0xff00ffu) * keep) >> 8) & 0xff00ffu) +
                ((((pixel >> 8) & 0xff00ffu) * keep) & 0xff00ff00u);
    }
    // Blends a mask's coverage and clears it.
    void operator()(std::uint8_t& coverage, std::uint32_t& pixel) const {
        Put(coverage, pixel);
        coverage = 0;
    }

private:
    std::uint32_t FColor[256];
    std::uint16_t FKeep[256];
};

bool TCurveLayer::Prepare() {
    if (FBits) return true;
    QImage& kept = KeptLayerImage();
    const QSize size = PixelSize().expandedTo({1, 1});
    if (kept.size() != size || !kept.isDetached()) {
        kept = QImage(size, QImage::Format_ARGB32_Premultiplied);
        if (kept.isNull()) return false;
        kept.fill(Qt::transparent);
    }
    FImage = &kept;
    FBits = reinterpret_cast<std::uint32_t*>(kept.bits());
    FStride = kept.bytesPerLine() / 4;
    constexpr int tile = 1 << TileShift;
    FTilesAcross = (size.width() + tile - 1) >> TileShift;
    FTiles.assign(static_cast<std::size_t>(FTilesAcross) * ((size.height() + tile - 1) >> TileShift), 0);
    FRowMaskTiles.assign(FTiles.size(), 0);
    FColumnMaskTiles.assign(FTiles.size(), 0);
    return true;
}

TCurveLayer::~TCurveLayer() {
    if (!FImage || !FTouched) return;
    if (!FImage->isDetached()) {
        *FImage = QImage();
        return;
    }
    ForTouched([this](const QRect& r) {
        std::uint32_t* row = FBits + r.top() * FStride + r.left();
        for (int y = r.top(); y <= r.bottom(); ++y, row += FStride) std::fill_n(row, r.width(), 0u);
    });
}

template <class F>
void TCurveLayer::ForTouched(F f) const {
    const QRect image = FImage->rect();
    const int rows = FTilesAcross > 0 ? static_cast<int>(FTiles.size()) / FTilesAcross : 0;
    for (int ty = 0; ty < rows; ++ty) {
        const std::uint8_t* row = FTiles.data() + static_cast<std::ptrdiff_t>(ty) * FTilesAcross;
        const bool filled = FTop >> TileShift <= ty && ty <= FBottom >> TileShift;
        auto touched = [&](int tx) {
            return row[tx] || (filled && FLeft >> TileShift <= tx && tx <= FRight >> TileShift);
        };
        for (int tx = 0; tx < FTilesAcross;) {
            if (!touched(tx)) {
                ++tx;
                continue;
            }
            const int first = tx;
            while (tx < FTilesAcross && touched(tx)) ++tx;
            f(QRect(first << TileShift, ty << TileShift, (tx - first) << TileShift, 1 << TileShift) & image);
        }
    }
}

void TCurveLayer::Fill(int left, int top, int right, int bottom, QRgb color) {
    left -= FArea.left(), right -= FArea.left();
    top -= FArea.top(), bottom -= FArea.top();
    // Aliased curves come as millions of small rectangles: a bounding
    // rectangle costs them less than marking tiles.
    FTouched = true;
    FLeft = std::min(FLeft, left), FRight = std::max(FRight, right);
    FTop = std::min(FTop, top), FBottom = std::max(FBottom, bottom);
    std::uint32_t* row = FBits + top * FStride + left;
    const int n = right - left + 1;
    // Most runs are a column one or two pixels wide.
    if (n == 1) {
        for (int y = top; y <= bottom; ++y, row += FStride) row[0] = color;
    } else if (n == 2) {
        for (int y = top; y <= bottom; ++y, row += FStride) row[0] = row[1] = color;
    } else {
        for (int y = top; y <= bottom; ++y, row += FStride) std::fill_n(row, n, color);
    }
}

std::uint8_t* TCurveLayer::CoverageMask() {
    if (FMask) return FMask;
    std::vector<std::uint8_t>& kept = KeptCoverageMask();
    const QSize pixels = PixelSize();
    const std::size_t size = static_cast<std::size_t>(std::max(pixels.width(), 1)) * std::max(pixels.height(), 1);
    // The row mask, then the column mask, then the slack.
    if (kept.size() != 2 * size + MaskSlack) {
        try {
            kept.assign(2 * size + MaskSlack, 0);
        } catch (const std::bad_alloc&) {
            kept = {};
            return nullptr;
        }
    }
    FMask = kept.data();
    FColumnMask = FMask + size;
    return FMask;
}

void TCurveLayer::Blend(const std::vector<TCoverageSpan>& spans, QRgb color) {
    const std::ptrdiff_t width = PixelSize().width(), height = PixelSize().height();
    // Locals: the blend's byte stores to the masks would make the compiler
    // load members again after every pixel.
    std::uint32_t* const bits = FBits;
    std::uint8_t* const rowMask = FMask;
    std::uint8_t* const columnMask = FColumnMask;
    const qsizetype stride = FStride;
    const int tilesAcross = FTilesAcross;
    std::uint8_t* const tiles = FTiles.data();
    const std::uint8_t* const rowMaskTiles = FRowMaskTiles.data();
    const std::uint8_t* const columnMaskTiles = FColumnMaskTiles.data();
    constexpr int TileLast = (1 << TileShift) - 1;
    // The spans follow the curve across the picture, each on another cache
    // line of the layer and the mask: fetching the lines a few spans ahead
    // keeps the blend from waiting on every one of them.
    constexpr std::size_t Ahead = 8;
    const TCoverageBlend blend(color);
    FTouched = FTouched || !spans.empty();
    for (std::size_t k = 0; k < spans.size(); ++k) {
        if (k + Ahead < spans.size()) {
            const TCoverageSpan& a = spans[k + Ahead];
            const int x = a.Column ? a.Line : a.First, y = a.Column ? a.First : a.Line;
            __builtin_prefetch(bits + y * stride + x, 1);
            __builtin_prefetch(a.Column ? columnMask + x * height + y : rowMask + y * width + x, 1);
        }
        const TCoverageSpan& s = spans[k];
        // The span's pixels go a tile at a time: only in tiles where the
        // other mask has coverage too is it taken (and cleared) there.
        if (s.Column) {
            const int x = s.Line;
            for (int ty = s.First >> TileShift; ty <= s.Last >> TileShift; ++ty)
                tiles[static_cast<std::ptrdiff_t>(ty) * tilesAcross + (x >> TileShift)] = 1;
            std::uint8_t* own = columnMask + x * height;
            std::uint32_t* pixel = bits + s.First * stride + x;
            for (int y = s.First; y <= s.Last;) {
                const int end = std::min(s.Last, y | TileLast);
                if (rowMaskTiles[static_cast<std::ptrdiff_t>(y >> TileShift) * tilesAcross + (x >> TileShift)]) {
                    for (; y <= end; ++y, pixel += stride) {
                        std::uint8_t& other = rowMask[y * width + x];
                        own[y] = std::max(own[y], other);
                        other = 0;
                        blend(own[y], *pixel);
                    }
                } else {
                    for (; y <= end; ++y, pixel += stride) blend(own[y], *pixel);
                }
            }
        } else {
            const int y = s.Line;
            const std::ptrdiff_t tileRow = static_cast<std::ptrdiff_t>(y >> TileShift) * tilesAcross;
            for (int tx = s.First >> TileShift; tx <= s.Last >> TileShift; ++tx) tiles[tileRow + tx] = 1;
            std::uint8_t* own = rowMask + y * width;
            std::uint32_t* row = bits + y * stride;
            for (int x = s.First; x <= s.Last;) {
                const int end = std::min(s.Last, x | TileLast);
                if (columnMaskTiles[tileRow + (x >> TileShift)]) {
                    for (; x <= end; ++x) {
                        std::uint8_t& other = columnMask[x * height + y];
                        own[x] = std::max(own[x], other);
                        other = 0;
                        blend(own[x], row[x]);
                    }
                } else {
                    for (; x <= end; ++x) blend(own[x], row[x]);
                }
            }
        }
    }
    std::fill(FRowMaskTiles.begin(), FRowMaskTiles.end(), 0);
    std::fill(FColumnMaskTiles.begin(), FColumnMaskTiles.end(), 0);
}

void TCurveLayer::DrawOnto(QPainter& painter) const {
    if (!FTouched) return;
    // The painter enlarges by the scale: the part's place and size in picture
    // coordinates come out as its own pixels on the device.
    const double s = FScale;
    ForTouched([&](const QRect& part) {
        if (FScale == 1)
            painter.drawImage(part.topLeft() + FArea.topLeft(), *FImage, part);
        else
            painter.drawImage(QRectF(FArea.left() + part.left() / s, FArea.top() + part.top() / s,
                                     part.width() / s, part.height() / s),
                              *FImage, QRectF(part));
    });
}

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

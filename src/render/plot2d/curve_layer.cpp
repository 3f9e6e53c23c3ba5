// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plot2d/curve_layer.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include <QPainter>

namespace curvane {

namespace {

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

// Bytes after the masks' last line, which the smoothed rasteriser writes
// four at a time (see CoverLine in smooth_curve_raster.cpp).
constexpr std::size_t MaskSlack = 4;

}  // namespace

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

}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRgb>

class QPainter;

namespace curvane {

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

// One row's or one column's run of pixels a smoothed curve's coverage was
// written to, in layer coordinates: Line is the row (the column), First and
// Last the columns (rows), inclusive.
struct TCoverageSpan {
    int Line, First, Last;
    bool Column;
};

// A transparent image over the pixels curves may set, which curves are drawn
// into by hand and which then goes onto the picture in one drawImage.
// Handing Qt each curve's pixels as rectangles costs some tens of
// nanoseconds a rectangle, about as much again as finding them; filling our
// own image costs a few, and laying it over the picture a millisecond.
// Aliased curves give the same pixels as drawn directly (their colours are
// opaque); smoothed ones are laid over each other here as they would be on
// the picture, up to rounding.
class TCurveLayer {
public:
    // `area`: the pixels of the picture the layer covers; nothing outside it
    // is ever set. The image itself is made by the first curve drawn. With
    // a `scale` above 1 (a picture of that many device pixels a pixel) the
    // image has that many pixels a pixel of the area: only smoothed curves
    // are drawn into such a layer.
    explicit TCurveLayer(const QRect& area, int scale = 1) : FArea(area), FScale(scale) {}
    ~TCurveLayer();
    TCurveLayer(const TCurveLayer&) = delete;
    TCurveLayer& operator=(const TCurveLayer&) = delete;
    const QRect& Area() const { return FArea; }
    int Scale() const { return FScale; }
    // The image's size: the area's in device pixels.
    QSize PixelSize() const { return FArea.size() * FScale; }
    // Makes the transparent image, once; false when there is no memory for
    // it (then the curves must be drawn another way).
    bool Prepare();
    // Sets the pixels left..right, top..bottom (picture coordinates,
    // inclusive, inside Area()) to an opaque colour. Scale 1 only.
    void Fill(int left, int top, int right, int bottom, QRgb color);
    // Asks for the cache line of a pixel (picture coordinates, inside
    // Area()) that a Fill to come will write.
    void PrefetchPixel(int x, int y) const {
        __builtin_prefetch(FBits + (y - FArea.top()) * FStride + (x - FArea.left()), 1);
    }
    // Two coverage masks over the layer, one byte a pixel, all zero: one in
    // rows of PixelSize().width() for the spans along rows, one in columns
    // of PixelSize().height() for the spans down columns, so that either is
    // written and read along its own cache lines. nullptr when there is no
    // memory for them. They are the thread's, kept from one paint to the
    // next like the image.
    std::uint8_t* CoverageMask();
    // The column mask; CoverageMask() must have made the masks.
    std::uint8_t* ColumnCoverageMask() const { return FColumnMask; }
    // Notes the tiles a span's coverage went into, in its own mask.
    void NoteCoverage(const TCoverageSpan& s) {
        std::uint8_t* tiles = s.Column ? FColumnMaskTiles.data() : FRowMaskTiles.data();
        if (s.Column) {
            for (int ty = s.First >> TileShift; ty <= s.Last >> TileShift; ++ty)
                tiles[static_cast<std::ptrdiff_t>(ty) * FTilesAcross + (s.Line >> TileShift)] = 1;
        } else {
            tiles += static_cast<std::ptrdiff_t>(s.Line >> TileShift) * FTilesAcross;
            for (int tx = s.First >> TileShift; tx <= s.Last >> TileShift; ++tx) tiles[tx] = 1;
        }
    }
    // Lays `color` (premultiplied), weighted by the masks' coverage (the
    // larger of the two where both have some), over the pixels of the
    // spans, and clears the masks there again.
    void Blend(const std::vector<TCoverageSpan>& spans, QRgb color);
    // Room for a smoothed curve's spans, kept from one curve to the next.
    std::vector<TCoverageSpan>& SpanBuffer() { return FSpans; }
    std::vector<std::uint32_t>& RowSpanBuffer() { return FRowSpans; }
    std::vector<std::uint32_t>& ColumnSpanBuffer() { return FColumnSpans; }
    // Lays what was filled over the painter's picture.
    void DrawOnto(QPainter& painter) const;
    // For drawing into the image directly: its pixels (premultiplied ARGB,
    // Stride() apart a row), and the note that pixel (x, y) of it was set.
    std::uint32_t* Pixels() const { return FBits; }
    qsizetype Stride() const { return FStride; }
    void NoteSet(int x, int y) {
        FTiles[static_cast<std::ptrdiff_t>(y >> TileShift) * FTilesAcross + (x >> TileShift)] = 1;
        FTouched = true;
    }
    // The note that pixels of the rectangle (inclusive, inside the image)
    // were set: cheaper than a note for each when they come in runs.
    void NoteSet(int left, int top, int right, int bottom) {
        for (int ty = top >> TileShift; ty <= bottom >> TileShift; ++ty)
            for (int tx = left >> TileShift; tx <= right >> TileShift; ++tx)
                FTiles[static_cast<std::ptrdiff_t>(ty) * FTilesAcross + tx] = 1;
        FTouched = true;
    }

private:
    QRect FArea;
    int FScale;
    // The thread's kept image (see Prepare), while this layer uses it.
    QImage* FImage = nullptr;
    std::uint32_t* FBits = nullptr;
    qsizetype FStride = 0;  // in pixels
    std::uint8_t* FMask = nullptr;
    std::uint8_t* FColumnMask = nullptr;
    std::vector<TCoverageSpan> FSpans;
    std::vector<std::uint32_t> FRowSpans, FColumnSpans;
    // What was set, as tiles of 32 x 32 pixels (smoothed curves) and as a
    // bounding rectangle in layer coordinates, empty while right < left
    // (aliased ones): only the tiles either covers are laid over the
    // picture and cleared afterwards. A few smoothed curves across the
    // whole plot leave most tiles empty, whose clearing and laying over the
    // picture cost a few milliseconds a frame as one bounding rectangle.
    static constexpr int TileShift = 5;
    // Calls `f` with each run of touched tiles along a row of tiles, as a
    // rectangle of the image's pixels.
    template <class F>
    void ForTouched(F f) const;
    std::vector<std::uint8_t> FTiles;
    // The tiles either mask has coverage in until the next blend: where a
    // curve turns from steep to flat both may hold some for a pixel, and
    // only there does the blend look into the other mask.
    std::vector<std::uint8_t> FRowMaskTiles, FColumnMaskTiles;
    int FTilesAcross = 0;
    int FLeft = 1 << 30, FTop = 1 << 30, FRight = -1, FBottom = -1;
    bool FTouched = false;
};

}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRgb>

class QPainter;

namespace curvane {

class TCoverageBlend;

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

// Aliased curves rasterised by hand into a TCurveLayer. Each segment between
// two pixels is rasterised on its own (both end pixels included), cut to the
// layer first, into runs: the pixels of a steep segment in one column, of a
// flat segment in one row. Runs that continue each other are merged, and each
// run is swept by the pen's footprint (a square up to width 3, a disc of
// rectangles above). Stroking a pen of width 2 as a path costs Qt about a
// microsecond a segment; a curve sampled once per pixel column gives about
// one run per column here.
//
// The footprint of width w covers the offsets -(w/2) .. (w-1)/2 around the
// pixel on both axes, where Qt's aliased stroker puts its pens, so the lines
// lie where they always did. No pixel outside the layer is set, however far
// away the vertices are.
class TCurveRaster {
public:
    // The layer must be prepared.
    TCurveRaster(TCurveLayer& layer, int width, QRgb color);
    ~TCurveRaster() { Flush(); }
    TCurveRaster(const TCurveRaster&) = delete;
    TCurveRaster& operator=(const TCurveRaster&) = delete;

    // The next segments' colour.
    void SetColor(QRgb color);
    // The segment from the last point to p; the first point after a break
    // only starts the next run of segments.
    void LineTo(QPoint p);
    // No segment joins the last point to the next one (a vertex without a
    // pixel, a gap in the curve).
    void Break() { FHavePoint = false; }
    // Fills what was collected, the run still being extended included.
    void Flush();

    // The offsets the pen's footprint covers around a pixel, on either axis.
    static int FootprintLow(int width) { return -(width / 2); }
    static int FootprintHigh(int width) { return (width - 1) / 2; }

private:
    struct TStrip {
        int Left, Right, Top, Bottom;  // offsets, inclusive
    };
    template <class TWide>
    void Segment(QPoint a, QPoint b);
    void AddRun(int x0, int x1, int y0, int y1);
    void EmitRun();

    TCurveLayer& FLayer;
    QRect FClip;
    // Path pixels whose footprint can reach the layer.
    int FPathLeft, FPathTop, FPathRight, FPathBottom;
    QRgb FColor;
    std::vector<TStrip> FStrips;
    // Rectangles waiting to be filled, in picture coordinates, inclusive.
    // They are filled a batch at a time: stores to the layer that miss the
    // cache, spread among the arithmetic of the next segments, stall it far
    // more than they cost in a loop of their own.
    struct TBox {
        int Left, Top, Right, Bottom;
    };
    std::vector<TBox> FBoxes;
    QPoint FLast;
    bool FHavePoint = false;
    bool FSegmentSinceBreak = false;
    // The run being extended: inclusive pixel bounds, one row or one column.
    int FRunX0 = 0, FRunX1 = -1, FRunY0 = 0, FRunY1 = -1;
    bool FHaveRun = false;
};

// Smoothed curves rasterised by hand into a TCurveLayer: a round pen of any
// width, with round caps and joins. A pixel's coverage comes from the
// distance d of its centre to the segment: clamp(w/2 + 1/2 - d, 0, 1), a
// pixel wide ramp across the pen's edge. Each segment is scanned over its
// own band only, by rows (by columns when it is steep), into the layer's
// byte mask for rows (for columns) that keeps the largest coverage each
// pixel got from any segment of the curve; joins are the segments' end
// discs, and two segments overlapping there do not darken it. The masks are
// laid over the layer in the curve's colour at a flush (a new colour, the
// end of the curve, or a long curve's batch), which clears them again.
//
// A pen one of the layer's pixels wide is stepped along each segment's
// major axis instead, two pixels a step weighted by where the segment passes
// between their centres, blended at once: each step (a pixel column of a
// flat segment, a row of a steep one) belongs to the one segment whose
// half-open extent along that axis holds its centre, so segments going on
// the same way never overlap and need no mask. Segments too short to hold a
// step's centre take the mask's way as above.
//
// Points are in picture coordinates, pixel (x, y) covering x..x+1 and
// y..y+1; the layer's scale enlarges them and the pen. Segments are cut in
// double precision to the layer grown by the pen's reach first, so no pixel
// outside the layer is touched however far away the vertices are.
class TSmoothCurveRaster {
public:
    // The layer must be prepared.
    TSmoothCurveRaster(TCurveLayer& layer, double width, QRgb color);
    ~TSmoothCurveRaster();
    TSmoothCurveRaster(const TSmoothCurveRaster&) = delete;
    TSmoothCurveRaster& operator=(const TSmoothCurveRaster&) = delete;
    // False when there is no memory for the coverage mask.
    bool Ready() const { return FMask != nullptr; }

    void SetColor(QRgb color);
    // The segment from the last point to p; the first point after a break
    // only starts the next run of segments (a lone point is drawn as a dot
    // only when a segment to itself follows).
    void LineTo(QPointF p);
    void Break();
    // Lays what was collected onto the layer.
    void Flush();

    // How far a vertex left out may lie from the segment that replaces it,
    // in the layer's pixels.
    static constexpr double Tolerance = 0.05;

private:
    bool Absorb(double x, double y);
    void EmitPending();
    void Segment(double ax, double ay, double bx, double by);
    template <bool columns>
    void Scan(float p0, float q0, float p1, float q1);
    template <bool columns>
    bool Step(float p0, float q0, float p1, float q1);

    TCurveLayer& FLayer;
    std::uint8_t* FMask;        // the layer's row mask
    std::uint8_t* FColumnMask;  // and its column mask
    int FWidth, FHeight;    // the layer's, in its own pixels
    double FLeft, FTop;     // the layer's picture coordinates
    double FScale;          // the layer's pixels a picture pixel
    float FReach;           // w/2 + 1/2: beyond it a pixel's centre gets nothing
    QRgb FColor;            // premultiplied
    // The thin pen's blend of FColor (see Step); null for wider pens.
    std::unique_ptr<TCoverageBlend> FThinBlend;
    // The layer's buffers: the spans waiting for the blend and, per layer
    // row and column, the index in FSpans of its latest span (stale where
    // that span is of another line or gone).
    std::vector<TCoverageSpan>& FSpans;
    std::vector<std::uint32_t>& FRowSpans;
    std::vector<std::uint32_t>& FColumnSpans;
    // Vertices that lie within Tolerance of one segment are drawn as that
    // segment: from the anchor, the last vertex drawn, to the pending one.
    // A curve sampled once per column has several segments in most places
    // where a pixel's worth of pen would do, and each segment costs the
    // rows of its band. The cone holds the directions from the anchor that
    // pass within Tolerance of every vertex since (Lo to Hi, turning
    // counterclockwise); Far is the farthest of them from the anchor.
    double FAnchorX = 0, FAnchorY = 0, FPendingX = 0, FPendingY = 0;
    double FLoX = 0, FLoY = 0, FHiX = 0, FHiY = 0, FFar = 0;
    bool FHavePoint = false, FHavePending = false, FHaveCone = false;
};

}  // namespace curvane

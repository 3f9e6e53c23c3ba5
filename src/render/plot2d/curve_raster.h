// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include <QPoint>
#include <QRect>
#include <QRgb>

#include "render/plot2d/curve_layer.h"

namespace curvane {

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

}  // namespace curvane

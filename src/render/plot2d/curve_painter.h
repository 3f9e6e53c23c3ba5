// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>

#include "render/plot2d/look2d.h"
#include "render/plot2d/mapping2d.h"

class QPainter;

namespace curvane {

class TCurveLayer;
class TPline;

// Draws polylines the way the plot's look asks: as lines or points, or as
// the bars of a chart scope, through the plot's mapping, clipped at
// `curveRect` (the inside of the frame). It holds the mapping and the look
// by reference for the length of one paint.
class TCurvePainter {
public:
    TCurvePainter(const TMapping2D& mapping, const TLook2D& look, const TPixelRect& curveRect)
        : FMapping(mapping), FLook(look), FCurveRect(curveRect) {}

    // `vertexColors` takes each segment's colour from its end vertex's
    // component 2; `ordered` says the vertices ascend along the data axis,
    // so only the visible run is drawn (with OutPlineCut). With a layer,
    // lines are drawn into it instead of the painter: smoothed ones (the
    // painter's Antialiasing hint) at their unrounded places.
    void Draw(QPainter& painter, const TPline& pline, int width, bool vertexColors, bool ordered,
              TCurveLayer* layer) const;

private:
    void DrawLines(QPainter& painter, const TPline& pline, int width, bool vertexColors, int first, int last,
                   TCurveLayer* layer) const;
    void DrawPoints(QPainter& painter, const TPline& pline, bool vertexColors, int first, int last) const;
    void DrawCharts(QPainter& painter, const TPline& pline, int width, bool vertexColors) const;

    const TMapping2D& FMapping;
    const TLook2D& FLook;
    TPixelRect FCurveRect;
};

// Whether curves may be drawn pixel by pixel (into a TCurveLayer) for this
// painter: on a raster image or a recording of one, moved by whole pixels at
// most. A scaled painter (printing, a vector file) gets lines, which scale
// as lines.
bool FillsPixels(const QPainter& painter);
// The same for smoothed curves, which may also be drawn so on a picture of
// a whole number of device pixels a pixel (a display at 200%): that number,
// or 0 where the painter needs lines.
int PixelScale(const QPainter& painter);

// Draws the pixel segment p1-p2 clipped at `rect` with the painter's pen;
// nothing when neither end lies inside.
void DrawClippedSegment(QPainter& painter, const TPixelRect& rect, QPoint p1, QPoint p2);

}  // namespace curvane

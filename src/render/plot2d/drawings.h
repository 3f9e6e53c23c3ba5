// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointF>

#include "core/plot/pline.h"
#include "render/plot2d/indicator_types.h"

class QPainter;

namespace curvane {

class TIndicator;

// A user drawing on the plot. Drawings keep world coordinates, so they move
// and scale with the view. Draw uses the painter's composition mode as it
// finds it: copy for the finished picture, exclusive-or while dragging.
class TGDrawing {
public:
    explicit TGDrawing(TPlotColor color) : FColor(color) {}
    virtual ~TGDrawing() = default;
    TPlotColor Color() const { return FColor; }
    virtual void Draw(const TIndicator& indicator, QPainter& painter) const = 0;

private:
    TPlotColor FColor;
};

// One straight segment between two world points.
class TGShaft : public TGDrawing {
public:
    TGShaft(TPlotColor color, QPointF p1, QPointF p2) : TGDrawing(color), FP1(p1), FP2(p2) {}
    QPointF P1() const { return FP1; }
    QPointF P2() const { return FP2; }
    void SetP2(QPointF p) { FP2 = p; }
    void Draw(const TIndicator& indicator, QPainter& painter) const override;

private:
    QPointF FP1, FP2;
};

// A freehand stroke: a polyline of world points.
class TGPoly : public TGDrawing {
public:
    explicit TGPoly(TPlotColor color) : TGDrawing(color) {}
    const TPline& Stroke() const { return FStroke; }
    void AddPoint(QPointF p) { FStroke.AddVertex({p.x(), p.y()}); }
    void Draw(const TIndicator& indicator, QPainter& painter) const override;

private:
    TPline FStroke{2};
};

}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>
#include <functional>
#include <optional>

#include <QPoint>
#include <QPointF>

#include "core/plot/axis_range.h"

namespace curvane {

// A pixel rectangle whose right and bottom edges are exclusive: a point is
// inside when Left <= x < Right and Top <= y < Bottom.
struct TPixelRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool Contains(int x, int y) const { return Left <= x && x < Right && Top <= y && y < Bottom; }
    bool Contains(QPoint p) const { return Contains(p.x(), p.y()); }
    friend bool operator==(const TPixelRect&, const TPixelRect&) = default;
};

// The world rectangle of a 2D plot and its mapping to pixels: the control
// rectangle, the margins around the plot, the scales and the grid steps.
//
// It knows neither the look nor the labels: Layout is told whether the plot
// keeps one scale for both axes and asks how wide the Y labels are. Setters
// here store and nothing else; the indicator lays out and redraws.
class TMapping2D {
public:
    static constexpr int DefaultMarginLeft = 35;
    static constexpr int DefaultMarginRight = 5;
    static constexpr int DefaultMarginTop = 15;
    static constexpr int DefaultMarginBottom = 5;
    // Visible ranges narrower or wider than this are refused by SetXRange and
    // SetYRange; the wheel and the keys step within the same limits.
    static constexpr double MinRange = MinViewRange;
    static constexpr double MaxRange = MaxViewRange;
    // Pixel offsets below this are far from the pole protection's limit and
    // from the ends of int: the painters' loops place them the short way.
    static constexpr double PlainOffsetPixels = 1 << 30;

    // The plot area inside the margins and the frame.
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    double WorldWidth() const { return FWorldWidth; }
    double WorldHeight() const { return FWorldHeight; }
    double WorldLeft() const { return FWorldLeft; }
    double WorldRight() const { return FWorldRight; }
    double WorldTop() const { return FWorldTop; }
    double WorldBottom() const { return FWorldBottom; }
    // Store one edge only; SetXRange or SetYRange applies it.
    void SetWorldLeft(double value) { FWorldLeft = value; }
    void SetWorldRight(double value) { FWorldRight = value; }
    void SetWorldTop(double value) { FWorldTop = value; }
    void SetWorldBottom(double value) { FWorldBottom = value; }

    // The left margin in effect: the one asked for, or more where the Y
    // labels beside the plot need more room.
    int MarginLeft() const { return FMarginLeft; }
    int RequestedMarginLeft() const { return FRequestedMarginLeft; }
    int MarginRight() const { return FMarginRight; }
    int MarginTop() const { return FMarginTop; }
    int MarginBottom() const { return FMarginBottom; }
    // Each takes effect at the next Layout.
    void SetRequestedMarginLeft(int value) { FRequestedMarginLeft = value; }
    void SetMarginRight(int value) { FMarginRight = value; }
    void SetMarginTop(int value) { FMarginTop = value; }
    void SetMarginBottom(int value) { FMarginBottom = value; }

    double OriginX() const { return FOriginX; }
    double OriginY() const { return FOriginY; }
    void SetOrigin(double x, double y) { FOriginX = x, FOriginY = y; }
    void SetWorldSize(double width, double height) { FWorldWidth = width, FWorldHeight = height; }
    double ScaleX() const { return FScaleX; }
    double ScaleY() const { return FScaleY; }
    double StepX() const { return FStepX; }
    double StepY() const { return FStepY; }
    const TPixelRect& ControlRect() const { return FControlRect; }
    const TPixelRect& PlotRect() const { return FPlotRect; }

    // The automatic grid step is granularity * 2^k. Zero, negative or
    // non-finite values are read as 1.
    double GridGranularityX() const { return FGridGranularityX; }
    void SetGridGranularityX(double value) { FGridGranularityX = value; }
    double GridGranularityY() const { return FGridGranularityY; }
    void SetGridGranularityY(double value) { FGridGranularityY = value; }
    // A fixed grid step; 0 or less means automatic.
    double GridStepX() const { return FGridStepX; }
    void SetGridStepX(double step) { FGridStepX = step; }
    double GridStepY() const { return FGridStepY; }
    void SetGridStepY(double step) { FGridStepY = step; }

    // Lays the plot out on the control rectangle: margins, plot size, scales
    // and grid steps. A uniform plot keeps its centre and widens the world
    // along the longer screen side. `labelMarginLeft` is asked, after a first
    // layout at the requested left margin, for the margin the Y labels need;
    // a wider one is taken and the plot laid out once more.
    void Layout(const TPixelRect& rect, bool uniform, const std::function<int()>& labelMarginLeft);
    // Chooses StepX and StepY again for the current scales.
    void ChooseGridSteps();

    // Raises ERangeError when a coordinate cannot be made a 32-bit pixel even
    // after the pole protection (values beyond 2e9 pixels are mapped as
    // +-100000 world units).
    QPoint WorldToScreen(double x, double y) const;
    // The same per axis, without raising: nullopt where no pixel can be formed.
    std::optional<int> ScreenX(double x) const;
    std::optional<int> ScreenY(double y) const;
    // ScreenX and ScreenY of a curve vertex (y is 0 in a one-dimensional
    // polyline) in one call, for the painter's inner loop; false when either
    // has no pixel.
    bool VertexPixel(const double* v, int dim, QPoint& pixel) const;
    // The same place unrounded, for smoothed curves: VertexPixel's pixel is
    // this point rounded to the nearest integers. The pole protection and
    // the vertices without a pixel are VertexPixel's.
    bool VertexPoint(const double* v, int dim, QPointF& point) const;
    // VertexPoint for the smooth painter's loop over a curve's vertices: the
    // mapping's numbers are taken once, to stay in registers, and offsets far
    // inside the pole protection's limit (NaN is not) are placed inline with
    // the same arithmetic. The mapping must outlive it.
    class TPointMap {
    public:
        explicit TPointMap(const TMapping2D& mapping);
        bool operator()(const double* v, int dim, QPointF& point) const {
            const double dx = (v[0] - FOriginX) * FScaleX, dy = ((dim > 1 ? v[1] : 0.0) - FOriginY) * FScaleY;
            if (!(std::fabs(dx) < FPlainOffset && std::fabs(dy) < FPlainOffset))
                return FMapping.VertexPoint(v, dim, point);
            point = QPointF(FBaseX + dx + 1, FBaseY - dy + 1);
            return true;
        }

    private:
        const TMapping2D& FMapping;
        double FOriginX, FScaleX, FOriginY, FScaleY, FBaseX, FBaseY;
        double FPlainOffset;  // 0 where the control's corner is too far out
    };
    QPointF ScreenToWorld(int px, int py) const;

    // Store the range of one axis (the two values in any order) and its
    // edges; a width outside MinRange..MaxRange (or NaN) is refused with
    // false and changes nothing. The caller lays out.
    bool SetXRange(double a, double b);
    bool SetYRange(double a, double b);
    // Rebuilds the world edges from the origin and the world sizes.
    void ApplyOrigin();
    // The view that shows the rectangle between two world points at one
    // scale for both axes, centred on it; false (and nothing changed) when it
    // collapsed to nothing or overflowed. The caller lays out.
    bool FitUniform(QPointF p1, QPointF p2);

private:
    void LayoutPlot(const TPixelRect& rect, bool uniform);

    int FWidth = 0, FHeight = 0;
    double FWorldWidth = 20, FWorldHeight = 2;
    double FWorldLeft = -10, FWorldRight = 10, FWorldTop = 1, FWorldBottom = -1;
    int FRequestedMarginLeft = DefaultMarginLeft;
    int FMarginLeft = DefaultMarginLeft, FMarginRight = DefaultMarginRight;
    int FMarginTop = DefaultMarginTop, FMarginBottom = DefaultMarginBottom;
    double FOriginX = -10, FOriginY = 1;
    double FScaleX = 1, FScaleY = 1;
    double FStepX = 1, FStepY = 1;
    double FGridGranularityX = 1.0, FGridGranularityY = 1.0;
    double FGridStepX = 0, FGridStepY = 0;
    TPixelRect FControlRect;
    TPixelRect FPlotRect;
};

}  // namespace curvane

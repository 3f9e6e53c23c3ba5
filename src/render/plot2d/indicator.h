// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QFont>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QString>
#include <QStringList>

#include "core/plot/pline.h"
#include "core/plot/units.h"
#include "core/plot/view_history.h"
#include "render/plot2d/drawings.h"
#include "render/plot2d/graph_pline.h"
#include "render/plot2d/indicator_owner.h"
#include "render/plot2d/indicator_types.h"

class QFontMetrics;
class QPainter;

namespace curvane {

class TCurveLayer;

// A pixel rectangle whose right and bottom edges are exclusive: a point is
// inside when Left <= x < Right and Top <= y < Bottom.
struct TPixelRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool Contains(int x, int y) const { return Left <= x && x < Right && Top <= y && y < Bottom; }
    bool Contains(QPoint p) const { return Contains(p.x(), p.y()); }
    friend bool operator==(const TPixelRect&, const TPixelRect&) = default;
};

// An axis label as Paint draws it: the text, the rectangle it takes (its
// advance by the font's height, top-left where the text starts) and the area
// it is drawn in, which always holds the whole rectangle.
struct TAxisLabel {
    TAxis Axis = TAxis::axX;
    QString Text;
    QRect Rect;
    QRect Clip;
};

// The 2D plotting engine: the world rectangle and its mapping to pixels, the
// look of the plot, the curves, marks and user drawings, the picture painted
// through Paint, and the mouse gestures of every TMouseMode.
//
// Setters store a value only when it differs and then ask the owner for one
// redraw; wrap batches in TUpdateGuard on the owner. The fields documented as
// plain take effect at the next layout or paint.
class TIndicator {
public:
    using TNotifyEvent = std::function<void(TIndicator& sender)>;
    // The handler may replace the text.
    using TGetAxisLabel = std::function<void(double value, TAxis axis, QString& text)>;

    static constexpr int DefaultMarginLeft = 35;
    static constexpr int DefaultMarginRight = 5;
    static constexpr int DefaultMarginTop = 15;
    static constexpr int DefaultMarginBottom = 5;
    // Visible ranges narrower or wider than this are refused by SetXRange and
    // SetYRange; that is what stops zooming for ever.
    static constexpr double MinRange = 1e-5;
    static constexpr double MaxRange = 1e8;

    explicit TIndicator(TIndicatorOwner* owner = nullptr);
    ~TIndicator();
    TIndicator(const TIndicator&) = delete;
    TIndicator& operator=(const TIndicator&) = delete;

    TIndicatorOwner* Owner() const { return FOwner; }
    void SetOwner(TIndicatorOwner* owner) { FOwner = owner; }

    // Copies the look through the setters; the view, margins, granularities,
    // steps, curves and the drawing tools' settings stay.
    void Assign(const TIndicator& source);

    // ---- look -------------------------------------------------------------
    TMouseMode MouseMode() const { return FMouseMode; }
    void SetMouseMode(TMouseMode mode);
    // The caption font; its colour is kept beside it.
    const QFont& Font() const { return FFont; }
    void SetFont(const QFont& font);
    TPlotColor FontColor() const { return FFontColor; }
    void SetFontColor(TPlotColor color);
    // The axis label font.
    const QFont& GridFont() const { return FGridFont; }
    void SetGridFont(const QFont& font);
    TPlotColor GridFontColor() const { return FGridFontColor; }
    void SetGridFontColor(TPlotColor color);
    const QString& Caption() const { return FCaption; }
    // Gaining or losing a caption moves the top margin by 10 pixels.
    void SetCaption(const QString& caption);
    const QString& UnitsX() const { return FUnitsX; }
    void SetUnitsX(const QString& units);
    const QString& UnitsY() const { return FUnitsY; }
    void SetUnitsY(const QString& units);
    // Plain fields: the automatic grid step is granularity * 2^k. Zero,
    // negative or non-finite values are read as 1.
    double GridGranularityX() const { return FGridGranularityX; }
    void SetGridGranularityX(double value) { FGridGranularityX = value; }
    double GridGranularityY() const { return FGridGranularityY; }
    void SetGridGranularityY(double value) { FGridGranularityY = value; }
    // A fixed grid step; 0 or less means automatic.
    double GridStepX() const { return FGridStepX; }
    void SetGridStepX(double step);
    double GridStepY() const { return FGridStepY; }
    void SetGridStepY(double step);
    int Tag() const { return FTag; }
    void SetTag(int tag) { FTag = tag; }
    TPlotColor Background() const { return FBackground; }
    void SetBackground(TPlotColor color);
    TPlotColor GraphicColor() const { return FGraphicColor; }
    void SetGraphicColor(TPlotColor color);
    int GraphicWidth() const { return FGraphicWidth; }
    void SetGraphicWidth(int width);  // below 1 is ignored
    int MarkWidth() const { return FMarkWidth; }
    void SetMarkWidth(int width);  // 0 (and anything outside 1..255) is ignored
    double BranchLength() const { return FBranchLength; }
    void SetBranchLength(double length);  // only values above 0 are taken
    TPlotColor PencilColor() const { return FPencilColor; }
    void SetPencilColor(TPlotColor color) { FPencilColor = color; }
    TPlotColor MarkColor() const { return FMarkColor; }
    void SetMarkColor(TPlotColor color);
    TPlotColor AxisColor() const { return FAxisColor; }
    void SetAxisColor(TPlotColor color);
    TPlotColor GridColor() const { return FGridColor; }
    void SetGridColor(TPlotColor color);
    bool FullGrid() const { return FFullGrid; }
    void SetFullGrid(bool on);
    Qt::PenStyle GridLineStyle() const { return FGridLineStyle; }
    void SetGridLineStyle(Qt::PenStyle style);
    Qt::PenStyle CrossLineStyle() const { return FCrossLineStyle; }
    void SetCrossLineStyle(Qt::PenStyle style) { FCrossLineStyle = style; }
    TPlotColor CrossColor() const { return FCrossColor; }
    void SetCrossColor(TPlotColor color) { FCrossColor = color; }
    bool Labels() const { return FLabels; }
    void SetLabels(bool on);
    bool Slide() const { return FSlide; }
    void SetSlide(bool on);
    bool StoreData() const { return FStoreData; }
    void SetStoreData(bool on) { FStoreData = on; }
    bool Uniform() const { return FUniform; }
    void SetUniform(bool on);
    // Curves and mark lines drawn with smoothed edges. Off, curves are drawn
    // pixel by pixel, which is much faster for wide pens; the exclusive-or
    // overlays (cross hair, rubber rectangle, open strokes) are aliased
    // either way, since only an aliased inversion undoes itself.
    bool Antialiasing() const { return FAntialiasing; }
    void SetAntialiasing(bool on);
    // Plain field: draw only the visible run of data ordered along the data
    // axis. Curves whose vertices are not in order are drawn whole.
    bool OutPlineCut() const { return FOutPlineCut; }
    void SetOutPlineCut(bool on) { FOutPlineCut = on; }
    bool AutoScale() const { return FAutoScale; }
    void SetAutoScale(bool on) { FAutoScale = on; }
    int AutoScaleThreshold() const { return FAutoScaleThreshold; }
    // Above 100 (or below 0) raises Exception and keeps the old value.
    void SetAutoScaleThreshold(int value);
    TDrawType DrawType() const { return FDrawType; }
    void SetDrawType(TDrawType type);
    TScopeType ScopeType() const { return FScopeType; }
    void SetScopeType(TScopeType type);
    TDataOrientation Orientation() const { return FOrientation; }
    // Moves the left and top margins to make room for the labels' new side.
    void SetOrientation(TDataOrientation orientation);

    // ---- content ----------------------------------------------------------
    TGraphPlines& Plines() { return FPlines; }
    const TGraphPlines& Plines() const { return FPlines; }
    void SetPlines(const TGraphPlines& plines);
    // Mark positions along the data axis (dimension 1), ascending.
    const TPline& Marks() const { return FMarks; }
    const QStringList& MarkTexts() const { return FMarkTexts; }
    void AddMark(const QString& text, double position);
    void ClearMarks();
    // The indicator's own data polyline (x, y, colour), drawn with
    // GraphicColor, GraphicWidth and the vertices' own colours.
    TPline& Data() { return FData; }
    const TPline& Data() const { return FData; }
    const std::vector<std::unique_ptr<TGDrawing>>& Drawings() const { return FDrawings; }

    // ---- world and screen -------------------------------------------------
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    double WorldWidth() const { return FWorldWidth; }
    double WorldHeight() const { return FWorldHeight; }
    double WorldLeft() const { return FWorldLeft; }
    double WorldRight() const { return FWorldRight; }
    double WorldTop() const { return FWorldTop; }
    double WorldBottom() const { return FWorldBottom; }
    // Each stores the edge and applies the range of its axis; a range outside
    // MinRange..MaxRange leaves the view as it was.
    void SetWorldLeft(double value);
    void SetWorldRight(double value);
    void SetWorldTop(double value);
    void SetWorldBottom(double value);
    // The left margin in effect: the one asked for, or more where the Y
    // labels beside the plot need more room.
    int MarginLeft() const { return FMarginLeft; }
    int MarginRight() const { return FMarginRight; }
    int MarginTop() const { return FMarginTop; }
    int MarginBottom() const { return FMarginBottom; }
    // Always lay out and redraw, even for an unchanged value. The left one
    // is the margin asked for; MarginLeft may come out wider.
    void SetMarginLeft(int value);
    void SetMarginRight(int value);
    void SetMarginTop(int value);
    void SetMarginBottom(int value);

    double OriginX() const { return FOriginX; }
    double OriginY() const { return FOriginY; }
    void SetOrigin(double x, double y) { FOriginX = x, FOriginY = y; }
    double ScaleX() const { return FScaleX; }
    double ScaleY() const { return FScaleY; }
    double StepX() const { return FStepX; }
    double StepY() const { return FStepY; }
    const TPixelRect& ControlRect() const { return FControlRect; }
    const TPixelRect& PlotRect() const { return FPlotRect; }

    // Lays the plot out on the control rectangle: margins, plot size,
    // scales and grid steps.
    void Layout(const TPixelRect& rect);
    // Raises ERangeError when a coordinate cannot be made a 32-bit pixel even
    // after the pole protection (values beyond 2e9 pixels are mapped as
    // +-100000 world units).
    QPoint WorldToScreen(double x, double y) const;
    QPoint WorldToScreen(QPointF p) const { return WorldToScreen(p.x(), p.y()); }
    // The same per axis, without raising: nullopt where no pixel can be formed.
    std::optional<int> ScreenX(double x) const;
    std::optional<int> ScreenY(double y) const;
    QPointF ScreenToWorld(int px, int py) const;
    QPointF ScreenToWorld(QPoint p) const { return ScreenToWorld(p.x(), p.y()); }
    // The two values may come in any order.
    void SetXRange(double a, double b);
    void SetYRange(double a, double b);
    // Rebuilds the world edges from the origin and the world sizes.
    void ApplyOrigin();
    void SetWorldSize(double width, double height) { FWorldWidth = width, FWorldHeight = height; }
    // Makes the rectangle between two world points visible (keeping one
    // scale for both axes when Uniform is on).
    void ZoomToRect(QPointF p1, QPointF p2);
    // Chooses StepX and StepY again for the current scales.
    void ChooseGridSteps();
    // The view as a window's history keeps it. SetView puts one back as it
    // was taken and asks for one redraw; it raises no events, since going
    // back is not a new view for the history.
    TWorldView View() const { return {FOriginX, FOriginY, FWorldWidth, FWorldHeight, FUniform}; }
    void SetView(const TWorldView& view);

    // ---- painting ---------------------------------------------------------
    // Paints the whole picture (frame, caption, grid, labels, marks, curves,
    // drawings) in ControlRect coordinates. The area outside the frame is
    // left as it is.
    void Paint(QPainter& painter) const;
    // Draws the pixel segment p1-p2 clipped at the plot frame with the
    // painter's pen; nothing when neither end lies inside.
    void DrawClippedSegment(QPainter& painter, QPoint p1, QPoint p2) const;
    // The axis labels Paint draws (X first, then Y), measured with the grid
    // font's metrics `fm`, or without them as on a picture. A label that
    // would be cut at the edge of its area is moved inside along its axis,
    // or left out where it would then crowd its neighbour or cannot fit.
    std::vector<TAxisLabel> AxisLabels(const QFontMetrics& fm) const;
    std::vector<TAxisLabel> AxisLabels() const;

    // ---- mouse ------------------------------------------------------------
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void MouseMove(TShiftState shift, int x, int y);
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    // The owner calls this after it rendered the picture anew: what was drawn
    // over the old picture (cross hair, open shaft, stroke) is gone, and the
    // open shaft and stroke are put back.
    void AfterBufferRedrawn();
    TCursorId ModeCursor() const { return FModeCursor; }
    TShiftState DownShift() const { return FDownShift; }
    QPoint DownPoint() const { return FDownPoint; }
    QPoint CurrentPoint() const { return FCurrentPoint; }
    QPoint UpPoint() const { return FUpPoint; }
    bool PressedInside() const { return FPressedInside; }
    bool Moved() const { return FMoved; }
    bool ShaftActive() const { return FShaftActive; }
    bool StrokeActive() const { return FStrokeActive; }
    bool CrossShown() const { return FCrossShown; }
    bool ZoomRectShown() const { return FZoomRectShown; }

    // Events. The indicator's handler runs first, then the owner's; both get
    // the indicator.
    TNotifyEvent OnAfterPan;
    TNotifyEvent OnAfterScale;
    TGetAxisLabel OnGetAxisLabel;

private:
    void Changed();  // a setter's redraw request
    void RaiseAfterPan();
    void RaiseAfterScale();
    QString AxisLabel(double value, TAxis axis) const;
    void LayoutPlot(const TPixelRect& rect);
    // Where the labels of each axis fall before they are fitted into their
    // areas; a null vector skips its axis.
    void PlaceLabels(const QFontMetrics& fm, std::vector<TAxisLabel>* xLabels,
                     std::vector<TAxisLabel>* yLabels) const;
    // The left margin that holds every Y label drawn beside the plot.
    int LabelMarginLeft() const;
    std::optional<int> MapAxis(double value, double origin, double scale, int base,
                               bool down) const;

    void PaintFrame(QPainter& painter) const;
    void PaintGrid(QPainter& painter) const;
    void PaintLabels(QPainter& painter) const;
    void PaintMarks(QPainter& painter) const;
    // With a layer, aliased lines are drawn into it instead of the painter.
    void DrawPline(QPainter& painter, const TPline& pline, int width, bool vertexColors, bool ordered,
                   TCurveLayer* layer) const;
    void DrawPlineLines(QPainter& painter, const TPline& pline, int width, bool vertexColors,
                        int first, int last, TCurveLayer* layer) const;
    void DrawPlinePoints(QPainter& painter, const TPline& pline, bool vertexColors, int first,
                         int last) const;
    void DrawCharts(QPainter& painter, const TPline& pline, int width, bool vertexColors) const;
    // The pixels a curve may set: the inside of the frame.
    TPixelRect CurveRect() const;
    // ScreenX and ScreenY of a curve vertex (y is 0 in a one-dimensional
    // polyline) in one call, for the painter's inner loop; false when either
    // has no pixel.
    bool VertexPixel(const double* v, int dim, QPoint& pixel) const;

    // Mouse-mode actions.
    void BeginGestureUpdate();
    void EndGestureUpdate(bool redraw);
    void SetCursor(TCursorId cursor);
    void HoverCursor(int x, int y);
    void DownAction(TMouseButton button);
    void DragAction(int x, int y);
    void DragEndAction();
    void ClickAction();
    void DragZoom(int x, int y);
    void ClickZoom();
    void ScaleAxisDrag(bool xAxis, int x, int y);
    void ScaleAxisClick(bool xAxis);
    void ToggleZoomRect();
    void XorCross();
    void XorDrawing(const TGDrawing& drawing);
    void CopyDrawing(const TGDrawing& drawing);
    void CloseDrawing(std::unique_ptr<TGDrawing> drawing, bool& shown, bool keep);
    void StartStroke(int x, int y);
    void FinishStroke();
    void DiscardStroke();
    void OpenShaft();
    void FinishShaft();
    void CancelShaft();
    void Invalidate();

    TIndicatorOwner* FOwner = nullptr;

    TMouseMode FMouseMode = TMouseMode::mmNothing;
    QFont FFont;
    TPlotColor FFontColor;
    QFont FGridFont;
    TPlotColor FGridFontColor;
    QString FCaption, FUnitsX, FUnitsY;
    double FGridGranularityX = 1.0, FGridGranularityY = 1.0;
    double FGridStepX = 0, FGridStepY = 0;
    int FTag = 1;
    TPlotColor FBackground;
    TPlotColor FGraphicColor;
    int FGraphicWidth = 1;
    int FMarkWidth = 1;
    double FBranchLength = 0;
    TPlotColor FPencilColor;
    TPlotColor FMarkColor;
    TPlotColor FAxisColor;
    TPlotColor FGridColor;
    bool FFullGrid = false;
    Qt::PenStyle FGridLineStyle = Qt::SolidLine;
    Qt::PenStyle FCrossLineStyle = Qt::DotLine;
    TPlotColor FCrossColor;
    bool FLabels = true;
    bool FSlide = false;
    bool FStoreData = false;
    bool FUniform = false;
    bool FAntialiasing = false;
    bool FOutPlineCut = true;
    bool FAutoScale = false;
    int FAutoScaleThreshold = 0;
    TDrawType FDrawType = TDrawType::dtLines;
    TScopeType FScopeType = TScopeType::stScope;
    TDataOrientation FOrientation = TDataOrientation::doLeftToRight;

    TGraphPlines FPlines;
    TPline FMarks{1};
    QStringList FMarkTexts;
    TPline FData{3};
    std::vector<std::unique_ptr<TGDrawing>> FDrawings;

    int FWidth = 0, FHeight = 0;
    double FWorldWidth = 20, FWorldHeight = 2;
    double FWorldLeft = -10, FWorldRight = 10, FWorldTop = 1, FWorldBottom = -1;
    int FRequestedMarginLeft = DefaultMarginLeft;
    int FMarginLeft = DefaultMarginLeft, FMarginRight = DefaultMarginRight;
    int FMarginTop = DefaultMarginTop, FMarginBottom = DefaultMarginBottom;
    double FOriginX = -10, FOriginY = 1;
    double FScaleX = 1, FScaleY = 1;
    double FStepX = 1, FStepY = 1;
    TPixelRect FControlRect;
    TPixelRect FPlotRect;

    // Mouse state.
    TShiftState FDownShift = 0;
    QPoint FDownPoint, FCurrentPoint, FUpPoint;
    bool FPressedInside = false;
    bool FMoved = false;
    bool FCrossShown = false;
    TCursorId FModeCursor = TCursorId::crDefault;
    int FGestureUpdates = 0;  // suspensions begun by the running gesture
    std::unique_ptr<TGShaft> FShaft;
    std::unique_ptr<TGPoly> FStroke;
    bool FShaftActive = false;
    bool FStrokeActive = false;
    bool FShaftShown = false;
    bool FStrokeShown = false;
    bool FZoomRectShown = false;
};

// The label of a value on an axis shown in units: dimensionless leaves the
// text, radians writes multiples of pi ("-Pi/2", "1.5Pi"), degrees whole degrees.
void UnitsAxisLabel(double value, TUnits units, QString& text);

}  // namespace curvane

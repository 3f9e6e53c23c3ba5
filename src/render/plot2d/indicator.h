// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
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
#include "render/plot2d/look2d.h"
#include "render/plot2d/mapping2d.h"

class QFontMetrics;
class QPainter;

namespace curvane {

class TCurveLayer;

// An axis label as Paint draws it: the text, the rectangle it takes (its
// advance by the font's height, top-left where the text starts) and the area
// it is drawn in, which always holds the whole rectangle.
struct TAxisLabel {
    TAxis Axis = TAxis::axX;
    QString Text;
    QRect Rect;
    QRect Clip;
};

// The 2D plotting engine: the curves, marks and user drawings, the picture
// painted through Paint, and the mouse gestures of every TMouseMode. The look
// is one TLook2D and the world-to-pixel mapping one TMapping2D, which the
// indicator lays out with its labels; curves are drawn by TCurvePainter.
//
// Setters store a value only when it differs and then ask the owner for one
// redraw; wrap batches in TUpdateGuard on the owner. The fields documented as
// plain take effect at the next layout or paint.
class TIndicator {
public:
    using TNotifyEvent = std::function<void(TIndicator& sender)>;
    // The handler may replace the text.
    using TGetAxisLabel = std::function<void(double value, TAxis axis, QString& text)>;

    static constexpr int DefaultMarginLeft = TMapping2D::DefaultMarginLeft;
    static constexpr int DefaultMarginRight = TMapping2D::DefaultMarginRight;
    static constexpr int DefaultMarginTop = TMapping2D::DefaultMarginTop;
    static constexpr int DefaultMarginBottom = TMapping2D::DefaultMarginBottom;
    static constexpr double MinRange = TMapping2D::MinRange;
    static constexpr double MaxRange = TMapping2D::MaxRange;

    explicit TIndicator(TIndicatorOwner* owner = nullptr);
    ~TIndicator();
    TIndicator(const TIndicator&) = delete;
    TIndicator& operator=(const TIndicator&) = delete;

    TIndicatorOwner* Owner() const { return FOwner; }
    void SetOwner(TIndicatorOwner* owner) { FOwner = owner; }

    // ---- look -------------------------------------------------------------
    const TLook2D& Look() const { return FLook; }
    // Takes a whole look and asks for one redraw when it differs. A width or
    // branch length the single setters refuse keeps the current value. A new
    // grid font, grid, labels, slide, uniform or orientation lays the plot
    // out again; a new orientation first moves the left and top margins to
    // make room for the labels' new side.
    void SetLook(const TLook2D& look);
    // Single fields of the look, each taken through SetLook.
    TPlotColor Background() const { return FLook.Background; }
    void SetBackground(TPlotColor color) { SetLookField(&TLook2D::Background, color); }
    TPlotColor AxisColor() const { return FLook.AxisColor; }
    void SetAxisColor(TPlotColor color) { SetLookField(&TLook2D::AxisColor, color); }
    TPlotColor GridColor() const { return FLook.GridColor; }
    void SetGridColor(TPlotColor color) { SetLookField(&TLook2D::GridColor, color); }
    TPlotColor MarkColor() const { return FLook.MarkColor; }
    void SetMarkColor(TPlotColor color) { SetLookField(&TLook2D::MarkColor, color); }
    bool FullGrid() const { return FLook.FullGrid; }
    void SetFullGrid(bool on) { SetLookField(&TLook2D::FullGrid, on); }
    bool Labels() const { return FLook.Labels; }
    void SetLabels(bool on) { SetLookField(&TLook2D::Labels, on); }
    bool Uniform() const { return FLook.Uniform; }
    void SetUniform(bool on) { SetLookField(&TLook2D::Uniform, on); }
    bool Antialiasing() const { return FLook.Antialiasing; }
    void SetAntialiasing(bool on) { SetLookField(&TLook2D::Antialiasing, on); }
    const QFont& GridFont() const { return FLook.GridFont; }
    void SetGridFont(const QFont& font) { SetLookField(&TLook2D::GridFont, font); }
    TPlotColor GridFontColor() const { return FLook.GridFontColor; }
    void SetGridFontColor(TPlotColor color) { SetLookField(&TLook2D::GridFontColor, color); }
    TPlotColor GraphicColor() const { return FLook.GraphicColor; }
    void SetGraphicColor(TPlotColor color) { SetLookField(&TLook2D::GraphicColor, color); }
    void SetBranchLength(double length) { SetLookField(&TLook2D::BranchLength, length); }
    Qt::PenStyle GridLineStyle() const { return FLook.GridLineStyle; }
    void SetGridLineStyle(Qt::PenStyle style) { SetLookField(&TLook2D::GridLineStyle, style); }
    bool Slide() const { return FLook.Slide; }
    void SetSlide(bool on) { SetLookField(&TLook2D::Slide, on); }
    TDrawType DrawType() const { return FLook.DrawType; }
    void SetDrawType(TDrawType type) { SetLookField(&TLook2D::DrawType, type); }
    TScopeType ScopeType() const { return FLook.ScopeType; }
    void SetScopeType(TScopeType type) { SetLookField(&TLook2D::ScopeType, type); }
    TDataOrientation Orientation() const { return FLook.Orientation; }
    void SetOrientation(TDataOrientation orientation) { SetLookField(&TLook2D::Orientation, orientation); }
    // These three are plain: they ask for no redraw and take effect at the
    // next paint or stroke.
    void SetPencilColor(TPlotColor color) { FLook.PencilColor = color; }
    bool OutPlineCut() const { return FLook.OutPlineCut; }
    void SetOutPlineCut(bool on) { FLook.OutPlineCut = on; }

    // ---- texts and plain switches -----------------------------------------
    TMouseMode MouseMode() const { return FMouseMode; }
    void SetMouseMode(TMouseMode mode);
    const QString& Caption() const { return FCaption; }
    // Gaining or losing a caption moves the top margin by 10 pixels.
    void SetCaption(const QString& caption);
    const QString& UnitsX() const { return FUnitsX; }
    void SetUnitsX(const QString& units);
    const QString& UnitsY() const { return FUnitsY; }
    void SetUnitsY(const QString& units);
    // Plain fields of the mapping: the automatic grid step is granularity *
    // 2^k. Zero, negative or non-finite values are read as 1.
    double GridGranularityX() const { return FMapping.GridGranularityX(); }
    void SetGridGranularityX(double value) { FMapping.SetGridGranularityX(value); }
    double GridGranularityY() const { return FMapping.GridGranularityY(); }
    void SetGridGranularityY(double value) { FMapping.SetGridGranularityY(value); }
    // A fixed grid step; 0 or less means automatic.
    void SetGridStepX(double step);
    void SetGridStepY(double step);
    int Tag() const { return FTag; }
    void SetTag(int tag) { FTag = tag; }
    bool StoreData() const { return FStoreData; }
    void SetStoreData(bool on) { FStoreData = on; }
    bool AutoScale() const { return FAutoScale; }
    void SetAutoScale(bool on) { FAutoScale = on; }
    int AutoScaleThreshold() const { return FAutoScaleThreshold; }
    // Above 100 (or below 0) raises Exception and keeps the old value.
    void SetAutoScaleThreshold(int value);

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
    // The world rectangle and its pixels; the indicator lays it out with its
    // look and labels. The accessors below forward its most used parts.
    const TMapping2D& Mapping() const { return FMapping; }
    // The pixels a curve or a data set may set: the inside of the frame.
    TPixelRect CurveRect() const;
    int Width() const { return FMapping.Width(); }
    int Height() const { return FMapping.Height(); }
    double WorldWidth() const { return FMapping.WorldWidth(); }
    double WorldHeight() const { return FMapping.WorldHeight(); }
    double WorldLeft() const { return FMapping.WorldLeft(); }
    double WorldRight() const { return FMapping.WorldRight(); }
    double WorldTop() const { return FMapping.WorldTop(); }
    double WorldBottom() const { return FMapping.WorldBottom(); }
    // Each stores the edge and applies the range of its axis; a range outside
    // MinRange..MaxRange leaves the view as it was.
    void SetWorldLeft(double value);
    void SetWorldRight(double value);
    void SetWorldTop(double value);
    void SetWorldBottom(double value);
    // The left margin in effect: the one asked for, or more where the Y
    // labels beside the plot need more room.
    int MarginLeft() const { return FMapping.MarginLeft(); }
    int MarginTop() const { return FMapping.MarginTop(); }
    double OriginX() const { return FMapping.OriginX(); }
    double OriginY() const { return FMapping.OriginY(); }
    double ScaleX() const { return FMapping.ScaleX(); }
    double ScaleY() const { return FMapping.ScaleY(); }
    double StepX() const { return FMapping.StepX(); }
    double StepY() const { return FMapping.StepY(); }
    const TPixelRect& ControlRect() const { return FMapping.ControlRect(); }
    const TPixelRect& PlotRect() const { return FMapping.PlotRect(); }

    // Lays the plot out on the control rectangle: margins (the left one wide
    // enough for the Y labels), plot size, scales and grid steps.
    void Layout(const TPixelRect& rect);
    // Raises ERangeError when a coordinate cannot be made a 32-bit pixel even
    // after the pole protection (values beyond 2e9 pixels are mapped as
    // +-100000 world units).
    QPoint WorldToScreen(double x, double y) const { return FMapping.WorldToScreen(x, y); }
    QPoint WorldToScreen(QPointF p) const { return FMapping.WorldToScreen(p.x(), p.y()); }
    // The same per axis, without raising: nullopt where no pixel can be formed.
    std::optional<int> ScreenX(double x) const { return FMapping.ScreenX(x); }
    std::optional<int> ScreenY(double y) const { return FMapping.ScreenY(y); }
    QPointF ScreenToWorld(int px, int py) const { return FMapping.ScreenToWorld(px, py); }
    QPointF ScreenToWorld(QPoint p) const { return FMapping.ScreenToWorld(p.x(), p.y()); }
    // The two values may come in any order; a width outside
    // MinRange..MaxRange leaves the view as it was.
    void SetXRange(double a, double b);
    void SetYRange(double a, double b);
    // Makes the rectangle between two world points visible (keeping one
    // scale for both axes when Uniform is on).
    void ZoomToRect(QPointF p1, QPointF p2);
    // The view as a window's history keeps it. SetView puts one back as it
    // was taken and asks for one redraw; it raises no events, since going
    // back is not a new view for the history.
    TWorldView View() const {
        const TMapping2D& m = FMapping;
        return {m.OriginX(), m.OriginY(), m.WorldWidth(), m.WorldHeight(), FLook.Uniform};
    }
    void SetView(const TWorldView& view);
    // Steps of the wheel and the keys. Each lays the plot out and asks for
    // one redraw, and raises no events: the caller decides when the curves
    // follow. Both return false, and change nothing, when either axis
    // refuses the step (see ZoomAxis and PanAxis).
    // Multiplies each range by its factor (below 1 zooms in) about the world
    // point `fixed`, which keeps its pixel. Unequal factors make the scale
    // non-uniform, as scaling one axis with the mouse does.
    bool ZoomAbout(QPointF fixed, double factorX, double factorY);
    // Moves the view by parts of its width and height (positive: towards
    // larger x and y).
    bool PanBy(double fractionX, double fractionY);

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
    template <class T, class TPart>
    void SetLookField(T TPart::*field, const std::type_identity_t<T>& value) {
        if (FLook.*field == value) return;
        TLook2D look = FLook;
        look.*field = value;
        SetLook(look);
    }
    void RaiseAfterPan();
    void RaiseAfterScale();
    QString AxisLabel(double value, TAxis axis) const;
    // Rebuilds the world edges from the origin and the world sizes and lays
    // the plot out.
    void ApplyOrigin();
    // Lays out the ranges a wheel or key step chose; y comes mirrored, from
    // -top down, so that a step along x alone keeps the top bit for bit.
    void SetStepView(const TAxisRange& x, const TAxisRange& mirroredY);
    // Where the labels of each axis fall before they are fitted into their
    // areas; a null vector skips its axis.
    void PlaceLabels(const QFontMetrics& fm, std::vector<TAxisLabel>* xLabels,
                     std::vector<TAxisLabel>* yLabels) const;
    // The left margin that holds every Y label drawn beside the plot.
    int LabelMarginLeft() const;

    void PaintFrame(QPainter& painter) const;
    void PaintGrid(QPainter& painter) const;
    void PaintLabels(QPainter& painter) const;
    void PaintMarks(QPainter& painter) const;
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
    TLook2D FLook;
    QString FCaption, FUnitsX, FUnitsY;
    int FTag = 1;
    bool FStoreData = false;
    bool FAutoScale = false;
    int FAutoScaleThreshold = 0;

    TGraphPlines FPlines;
    TPline FMarks{1};
    QStringList FMarkTexts;
    TPline FData{3};
    std::vector<std::unique_ptr<TGDrawing>> FDrawings;

    TMapping2D FMapping;

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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plot2d/indicator.h"

#include <cmath>
#include <utility>

#include "core/support/exceptions.h"
#include "render/fonts.h"

namespace curvane {


namespace {

// The stored face names must resolve before the first font is measured,
// whoever creates the first indicator (window, preview or renderer).
bool EnsureFontSubstitutions() {
    static const bool installed = (InstallFontSubstitutions(), true);
    return installed;
}

}  // namespace

TIndicator::TIndicator(TIndicatorOwner* owner) : FOwner((EnsureFontSubstitutions(), owner)) {
    FData.SetLineColor(FLook.GraphicColor);
}

TIndicator::~TIndicator() = default;

void TIndicator::Changed() {
    if (FOwner) FOwner->RequestRedraw();
}

void TIndicator::RaiseAfterPan() {
    if (OnAfterPan) OnAfterPan(*this);
    if (FOwner) FOwner->AfterPan(*this);
}

void TIndicator::RaiseAfterScale() {
    if (OnAfterScale) OnAfterScale(*this);
    if (FOwner) FOwner->AfterScale(*this);
}

// ---- setters ----------------------------------------------------------------

void TIndicator::SetLook(const TLook2D& look) {
    if (look == FLook) return;
    const TLook2D old = std::exchange(FLook, look);
    if (FLook.GraphicWidth < 1) FLook.GraphicWidth = old.GraphicWidth;
    if (FLook.MarkWidth < 1 || FLook.MarkWidth > 255) FLook.MarkWidth = old.MarkWidth;
    if (!(FLook.BranchLength > 0)) FLook.BranchLength = old.BranchLength;
    if (FLook == old) return;
    if (FLook.GraphicColor != old.GraphicColor) FData.SetLineColor(FLook.GraphicColor);
    if (FLook.Orientation != old.Orientation) {
        const int shift = FLook.Orientation == TDataOrientation::doLeftToRight ? 1 : -1;
        FMapping.SetRequestedMarginLeft(FMapping.RequestedMarginLeft() + 30 * shift);
        FMapping.SetMarginTop(FMapping.MarginTop() - 10 * shift);
    }
    // These change the Y labels beside the plot, which the left margin must
    // hold, or the plot's size, or (uniform) its world.
    if (FLook.GridFont != old.GridFont || FLook.FullGrid != old.FullGrid || FLook.Labels != old.Labels ||
        FLook.Slide != old.Slide || FLook.Uniform != old.Uniform || FLook.Orientation != old.Orientation)
        Layout(FMapping.ControlRect());
    Changed();
}

void TIndicator::SetUnitsX(const QString& units) {
    if (FUnitsX == units) return;
    FUnitsX = units;
    Changed();
}

void TIndicator::SetUnitsY(const QString& units) {
    if (FUnitsY == units) return;
    FUnitsY = units;
    // The Y labels beside the plot change, and the left margin must hold them.
    Layout(FMapping.ControlRect());
    Changed();
}

void TIndicator::SetCaption(const QString& caption) {
    if (FCaption == caption) return;
    if (FCaption.isEmpty() != caption.isEmpty())
        FMapping.SetMarginTop(FMapping.MarginTop() + (caption.isEmpty() ? -10 : 10));
    FCaption = caption;
    Layout(FMapping.ControlRect());
    Changed();
}

void TIndicator::SetGridStepX(double step) {
    if (FMapping.GridStepX() == step) return;
    FMapping.SetGridStepX(step);
    // The steps are chosen even while redraws are suspended, so the picture
    // rendered when they resume uses the new step.
    FMapping.ChooseGridSteps();
    Changed();
}

void TIndicator::SetGridStepY(double step) {
    if (FMapping.GridStepY() == step) return;
    FMapping.SetGridStepY(step);
    // Other Y labels may want another left margin; the layout chooses the
    // steps as well.
    Layout(FMapping.ControlRect());
    Changed();
}

void TIndicator::SetAutoScaleThreshold(int value) {
    if (value < 0 || value > 100)
        throw Exception("AutoScaleThreshold must be value between 0 and 100");
    FAutoScaleThreshold = value;
}

void TIndicator::SetPlines(const TGraphPlines& plines) {
    FPlines.Assign(plines);
    Changed();
}

void TIndicator::AddMark(const QString& text, double position) {
    FMarks.AddVertex({position});
    FMarkTexts.append(text);
}

void TIndicator::ClearMarks() {
    FMarks.Clear();
    FMarkTexts.clear();
}

// ---- world and screen -------------------------------------------------------

void TIndicator::SetWorldLeft(double value) {
    FMapping.SetWorldLeft(value);
    SetXRange(FMapping.WorldLeft(), FMapping.WorldRight());
}

void TIndicator::SetWorldRight(double value) {
    FMapping.SetWorldRight(value);
    SetXRange(FMapping.WorldLeft(), FMapping.WorldRight());
}

void TIndicator::SetWorldTop(double value) {
    FMapping.SetWorldTop(value);
    SetYRange(FMapping.WorldTop(), FMapping.WorldBottom());
}

void TIndicator::SetWorldBottom(double value) {
    FMapping.SetWorldBottom(value);
    SetYRange(FMapping.WorldTop(), FMapping.WorldBottom());
}

void TIndicator::Layout(const TPixelRect& rect) {
    FTag = 1;
    FMapping.Layout(rect, FLook.Uniform, [this] { return LabelMarginLeft(); });
}

void TIndicator::SetXRange(double a, double b) {
    if (!FMapping.SetXRange(a, b)) return;
    Layout(FMapping.ControlRect());
    RaiseAfterScale();
}

void TIndicator::SetYRange(double a, double b) {
    if (!FMapping.SetYRange(a, b)) return;
    Layout(FMapping.ControlRect());
    RaiseAfterScale();
}

void TIndicator::ApplyOrigin() {
    FMapping.ApplyOrigin();
    Layout(FMapping.ControlRect());
}

void TIndicator::SetView(const TWorldView& view) {
    if (!(view.Width > 0 && view.Height > 0)) return;
    FMapping.SetOrigin(view.Left, view.Top);
    FMapping.SetWorldSize(view.Width, view.Height);
    // Laid out as stored: fitting a uniform view to one scale again would
    // move its centre by a rounding at every step through the history.
    FLook.Uniform = false;
    ApplyOrigin();
    FLook.Uniform = view.Uniform;
    // A uniform view taken at another plot size no longer has one scale for
    // both axes: it is fitted as usual.
    const double scaleX = FMapping.ScaleX(), scaleY = FMapping.ScaleY();
    if (FLook.Uniform && std::fabs(scaleX - scaleY) > 1e-9 * std::fabs(scaleX)) Layout(FMapping.ControlRect());
    Changed();
}

// The y range is stepped mirrored, from -top down: the plot keeps it by its
// top, which then comes back exactly, unchanged by a step along x alone.
bool TIndicator::ZoomAbout(QPointF fixed, double factorX, double factorY) {
    const std::optional<TAxisRange> x = ZoomAxis({OriginX(), WorldWidth()}, fixed.x(), factorX);
    const std::optional<TAxisRange> y = ZoomAxis({-OriginY(), WorldHeight()}, -fixed.y(), factorY);
    if (!x || !y) return false;
    // Where the point lies on the control, unrounded.
    const auto place = [this, fixed] {
        return QPointF(MarginLeft() + (fixed.x() - OriginX()) * ScaleX(),
                       MarginTop() + (OriginY() - fixed.y()) * ScaleY());
    };
    const QPointF before = place();
    // Uniform, the layout fits one scale again about the centre; scaled
    // alike, both axes already share it.
    if (factorX != factorY) FLook.Uniform = false;
    SetStepView(*x, *y);
    // Longer Y labels widen the left margin and move the plot under the
    // pointer (a uniform plot narrowed so gets another scale as well): the
    // view is moved back by what the point moved. Left alone, the drift of
    // a few pixels a step would add up over a run of steps.
    const QPointF moved = place() - before;
    if (moved.x() != 0 || moved.y() != 0) {
        FMapping.SetOrigin(OriginX() + moved.x() / ScaleX(), OriginY() - moved.y() / ScaleY());
        ApplyOrigin();
    }
    Changed();
    return true;
}

bool TIndicator::PanBy(double fractionX, double fractionY) {
    const std::optional<TAxisRange> x = PanAxis({OriginX(), WorldWidth()}, fractionX);
    const std::optional<TAxisRange> y = PanAxis({-OriginY(), WorldHeight()}, -fractionY);
    if (!x || !y) return false;
    SetStepView(*x, *y);
    Changed();
    return true;
}

void TIndicator::SetStepView(const TAxisRange& x, const TAxisRange& mirroredY) {
    // Set by origin and sizes, not by SetXRange: a view already past the
    // range limits (a zoom rectangle keeps none) must be able to step back.
    FMapping.SetOrigin(x.Low, -mirroredY.Low);
    FMapping.SetWorldSize(x.Width, mirroredY.Width);
    ApplyOrigin();
}

void TIndicator::ZoomToRect(QPointF p1, QPointF p2) {
    if (!FLook.Uniform) {
        SetXRange(p1.x(), p2.x());
        SetYRange(p1.y(), p2.y());
    } else if (FMapping.FitUniform(p1, p2)) {
        Layout(FMapping.ControlRect());
    }
    RaiseAfterScale();
}

}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#include <cmath>

#include <QImage>
#include <QPainter>
#include <QRect>

#include "render/plot2d/indicator.h"
#include "render/plot2d/paint_helpers.h"

namespace curvane {

namespace {

bool Has(TShiftState shift, TShiftFlag flag) { return (shift & flag) != 0; }

// Drag-zoom steps that would shrink a half size below this are skipped.
constexpr double MinHalfSize = 1e-6;

TCursorId CursorOfMode(TMouseMode mode) {
    switch (mode) {
        case TMouseMode::mmNothing: return TCursorId::crDefault;
        case TMouseMode::mmPan: return TCursorId::crHand;
        case TMouseMode::mmScale: return TCursorId::crScale;
        case TMouseMode::mmScaleX: return TCursorId::crScaleX;
        case TMouseMode::mmScaleY: return TCursorId::crScaleY;
        case TMouseMode::mmCross: return TCursorId::crEmpty;
        case TMouseMode::mmCombinedDraw:
        case TMouseMode::mmLine: return TCursorId::crCross;
        case TMouseMode::mmPencil: return TCursorId::crPencil;
    }
    return TCursorId::crDefault;
}

}  // namespace

void TIndicator::SetMouseMode(TMouseMode mode) {
    if (mode == FMouseMode) return;
    // Half-made drawings do not survive the tool they were made with.
    CancelShaft();
    DiscardStroke();
    const bool wasCross = FMouseMode == TMouseMode::mmCross;
    FMouseMode = mode;
    FModeCursor = CursorOfMode(mode);
    if (wasCross && FOwner) FOwner->DrawBuffer();  // takes the cross hair away
    FCrossShown = false;
}

// ---- plain inputs -----------------------------------------------------------

void TIndicator::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    FDownShift = shift;
    FDownPoint = FCurrentPoint = QPoint(x, y);
    FPressedInside = PlotRect().Contains(x, y);
    FMoved = false;
    // A press outside the plot starts no gesture; its moves count as hover.
    if (FPressedInside) DownAction(button);
}

void TIndicator::MouseMove(TShiftState, int x, int y) {
    if (FPressedInside) {
        FMoved = true;
        DragAction(x, y);
        return;
    }
    HoverCursor(x, y);
    if (FMouseMode == TMouseMode::mmCross && PlotRect().Contains(x, y)) {
        if (FCrossShown) XorCross();
        FCurrentPoint = QPoint(x, y);
        XorCross();
        Invalidate();
    } else if (FMouseMode == TMouseMode::mmCombinedDraw && FShaft) {
        if (FShaftShown) XorDrawing(*FShaft);
        FShaft->SetP2(ScreenToWorld(x, y));
        XorDrawing(*FShaft);
        FShaftShown = true;
        Invalidate();
        FCurrentPoint = QPoint(x, y);
    }
}

void TIndicator::MouseUp(TMouseButton, TShiftState, int x, int y) {
    FUpPoint = QPoint(x, y);
    if (FPressedInside) {
        if (FMoved) DragEndAction();
        else ClickAction();
    }
    FPressedInside = false;
    if (FZoomRectShown) ToggleZoomRect();  // a click leaves no rectangle behind
    while (FGestureUpdates > 0) EndGestureUpdate(false);
    HoverCursor(x, y);
}

void TIndicator::AfterBufferRedrawn() {
    FCrossShown = false;
    FZoomRectShown = false;
    FShaftShown = false;
    FStrokeShown = false;
    // What is being drawn stays visible over the new picture.
    if (FShaft) {
        XorDrawing(*FShaft);
        FShaftShown = true;
    }
    if (FStroke) {
        XorDrawing(*FStroke);
        FStrokeShown = true;
    }
}

// ---- helpers ----------------------------------------------------------------

void TIndicator::BeginGestureUpdate() {
    if (!FOwner) return;
    FOwner->BeginUpdate();
    ++FGestureUpdates;
}

void TIndicator::EndGestureUpdate(bool redraw) {
    if (FGestureUpdates == 0) return;
    --FGestureUpdates;
    if (!FOwner) return;
    if (redraw) FOwner->EndUpdate();
    else FOwner->EndUpdateSilently();
}

void TIndicator::SetCursor(TCursorId cursor) {
    if (FOwner) FOwner->SetCursorId(cursor);
}

void TIndicator::HoverCursor(int x, int y) {
    SetCursor(PlotRect().Contains(x, y) ? FModeCursor : TCursorId::crDefault);
}

void TIndicator::Invalidate() {
    if (FOwner) FOwner->Invalidate();
}

void TIndicator::ToggleZoomRect() {
    FZoomRectShown = !FZoomRectShown;
    if (FOwner) FOwner->ToggleZoomRect(QRect(FDownPoint, FCurrentPoint).normalized());
}

void TIndicator::XorCross() {
    FCrossShown = !FCrossShown;
    QImage* canvas = FOwner ? FOwner->Canvas() : nullptr;
    if (!canvas) return;
    QPainter p(canvas);
    // Aliased whatever the curves are: only an aliased inversion undoes itself.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.setPen(detail::MakePen(FLook.CrossColor, 1, FLook.CrossLineStyle));
    const detail::TLineAlignment aligned(p, 1);
    const int x = FCurrentPoint.x(), y = FCurrentPoint.y();
    detail::LineTo(p, x, PlotRect().Top, x, PlotRect().Bottom);
    detail::LineTo(p, PlotRect().Left, y, PlotRect().Right, y);
}

void TIndicator::XorDrawing(const TGDrawing& drawing) {
    QImage* canvas = FOwner ? FOwner->Canvas() : nullptr;
    if (!canvas) return;
    QPainter p(canvas);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.setPen(detail::MakePen(drawing.Color()));
    const detail::TLineAlignment aligned(p, 1);
    drawing.Draw(*this, p);
}

void TIndicator::CopyDrawing(const TGDrawing& drawing) {
    QImage* canvas = FOwner ? FOwner->Canvas() : nullptr;
    if (!canvas) return;
    QPainter p(canvas);
    p.setPen(detail::MakePen(drawing.Color()));
    const detail::TLineAlignment aligned(p, 1);
    drawing.Draw(*this, p);
}

void TIndicator::StartStroke(int x, int y) {
    FStroke = std::make_unique<TGPoly>(FLook.PencilColor);
    FStroke->AddPoint(ScreenToWorld(x, y));
    XorDrawing(*FStroke);
    FStrokeShown = true;
    Invalidate();
    FStrokeActive = true;
}

// Takes an open stroke or segment off the exclusive-or layer; a kept one is
// painted for good and joins the drawings, a dropped one just disappears.
void TIndicator::CloseDrawing(std::unique_ptr<TGDrawing> drawing, bool& shown, bool keep) {
    if (shown) XorDrawing(*drawing);
    shown = false;
    if (keep) {
        CopyDrawing(*drawing);
        FDrawings.push_back(std::move(drawing));
    }
    Invalidate();
}

void TIndicator::FinishStroke() {
    if (!FStrokeActive || !FStroke) return;
    CloseDrawing(std::move(FStroke), FStrokeShown, true);
    FStrokeActive = false;
}

void TIndicator::DiscardStroke() {
    FStrokeActive = false;
    if (!FStroke) return;
    CloseDrawing(std::move(FStroke), FStrokeShown, false);
}

void TIndicator::OpenShaft() {
    const QPointF p = ScreenToWorld(FDownPoint);
    FShaft = std::make_unique<TGShaft>(FLook.PencilColor, p, p);
    XorDrawing(*FShaft);
    FShaftShown = true;
}

void TIndicator::FinishShaft() {
    FShaftActive = false;
    if (!FShaft) return;
    CloseDrawing(std::move(FShaft), FShaftShown, true);
}

void TIndicator::CancelShaft() {
    FShaftActive = false;
    if (!FShaft) return;
    CloseDrawing(std::move(FShaft), FShaftShown, false);
}

// ---- the modes --------------------------------------------------------------

void TIndicator::DownAction(TMouseButton) {
    const bool left = Has(FDownShift, ssLeft), right = Has(FDownShift, ssRight);
    const bool onlyLeft = FDownShift == ssLeft, onlyRight = FDownShift == ssRight;
    switch (FMouseMode) {
        case TMouseMode::mmPan:
            if (left) {
                SetCursor(TCursorId::crHandHold);
            } else if (right) {
                SetCursor(TCursorId::crScale);
                if (onlyRight) BeginGestureUpdate();
            }
            break;
        case TMouseMode::mmScale:
            if (onlyLeft) {
                BeginGestureUpdate();
                ToggleZoomRect();
            } else if (onlyRight) {
                BeginGestureUpdate();
            }
            break;
        case TMouseMode::mmScaleX:
        case TMouseMode::mmScaleY:
            BeginGestureUpdate();
            break;
        case TMouseMode::mmPencil:
            if (onlyLeft) StartStroke(FDownPoint.x(), FDownPoint.y());
            break;
        case TMouseMode::mmLine:
            if (onlyLeft) {
                CancelShaft();
                FShaftActive = true;
                OpenShaft();
                Invalidate();
            }
            break;
        case TMouseMode::mmCombinedDraw:
            if (onlyLeft && !FShaft) StartStroke(FDownPoint.x(), FDownPoint.y());
            else FStrokeActive = false;
            break;
        case TMouseMode::mmNothing:
        case TMouseMode::mmCross:
            break;
    }
}

void TIndicator::DragAction(int x, int y) {
    const bool left = Has(FDownShift, ssLeft), right = Has(FDownShift, ssRight);
    switch (FMouseMode) {
        case TMouseMode::mmPan:
            if (left) {
                const QPointF w1 = ScreenToWorld(FCurrentPoint);
                FCurrentPoint = QPoint(x, y);
                const QPointF w2 = ScreenToWorld(FCurrentPoint);
                const double dx = w1.x() - w2.x(), dy = w1.y() - w2.y();
                // A plot without pixels has no scale to move by.
                if (std::isfinite(dx) && std::isfinite(dy)) {
                    FMapping.SetOrigin(OriginX() + dx, OriginY() + dy);
                    ApplyOrigin();
                    if (FOwner) FOwner->DrawBuffer();
                }
            } else if (right) {
                DragZoom(x, y);
            }
            break;
        case TMouseMode::mmScale:
            if (FDownShift == ssLeft) {
                SetCursor(TCursorId::crZoom);
                ToggleZoomRect();
                FCurrentPoint = QPoint(x, y);
                ToggleZoomRect();
            } else if (FDownShift == ssRight) {
                DragZoom(x, y);
            }
            break;
        case TMouseMode::mmScaleX:
            ScaleAxisDrag(true, x, y);
            break;
        case TMouseMode::mmScaleY:
            ScaleAxisDrag(false, x, y);
            break;
        case TMouseMode::mmPencil:
        case TMouseMode::mmCombinedDraw:
            if (FStrokeActive && FStroke) {
                // Exclusive-or: drawing only the new segment gives the same
                // pixels as erasing the stroke and drawing it longer.
                TGPoly segment(FStroke->Color());
                const double* last = FStroke->Stroke().GetVertex(FStroke->Stroke().Count() - 1);
                segment.AddPoint({last[0], last[1]});
                segment.AddPoint(ScreenToWorld(x, y));
                FStroke->AddPoint(ScreenToWorld(x, y));
                XorDrawing(segment);
                Invalidate();
            }
            break;
        case TMouseMode::mmLine:
            if (FShaftActive && FShaft) {
                if (FShaftShown) XorDrawing(*FShaft);
                FShaft->SetP2(ScreenToWorld(x, y));
                XorDrawing(*FShaft);
                FShaftShown = true;
                Invalidate();
                FCurrentPoint = QPoint(x, y);
            }
            break;
        case TMouseMode::mmNothing:
        case TMouseMode::mmCross:
            break;
    }
}

void TIndicator::DragZoom(int x, int y) {
    const double cx = OriginX() + WorldWidth() / 2, cy = OriginY() - WorldHeight() / 2;
    const int dy = y - FCurrentPoint.y();
    const double dxp = std::nearbyint(static_cast<double>(dy) * Width() / Height());
    const double hw = (2 * dxp / Width() + 1) * WorldWidth() / 2;
    const double hh = (2.0 * dy / Height() + 1) * WorldHeight() / 2;
    if (hw >= MinHalfSize && hh >= MinHalfSize) {
        SetXRange(cx - hw, cx + hw);
        SetYRange(cy - hh, cy + hh);
        if (FOwner) FOwner->DrawBuffer();
    }
    FCurrentPoint = QPoint(x, y);
}

void TIndicator::ScaleAxisDrag(bool xAxis, int x, int y) {
    FLook.Uniform = false;
    if (xAxis) {
        const double cx = OriginX() + WorldWidth() / 2;
        const double hw = (2.0 * (x - FCurrentPoint.x()) / Width() + 1) * WorldWidth() / 2;
        // Beyond the centre the range would turn over and grow again.
        if (hw >= MinHalfSize) SetXRange(cx - hw, cx + hw);
    } else {
        const double cy = OriginY() - WorldHeight() / 2;
        const double hh = (2.0 * (y - FCurrentPoint.y()) / Height() + 1) * WorldHeight() / 2;
        if (hh >= MinHalfSize) SetYRange(cy - hh, cy + hh);
    }
    if (FOwner) FOwner->DrawBuffer();
    FCurrentPoint = QPoint(x, y);
}

void TIndicator::ScaleAxisClick(bool xAxis) {
    const bool left = Has(FDownShift, ssLeft), right = Has(FDownShift, ssRight);
    if (!left && !right) return;
    FLook.Uniform = false;
    const bool halve = FDownShift == ssLeft;
    if (xAxis) {
        const double m = (WorldLeft() + WorldRight()) / 2;
        const double half = halve ? WorldWidth() / 4 : WorldWidth();
        SetXRange(m - half, m + half);
    } else {
        const double m = (WorldTop() + WorldBottom()) / 2;
        const double half = halve ? WorldHeight() / 4 : WorldHeight();
        SetYRange(m - half, m + half);
    }
    if (FOwner) FOwner->DrawBuffer();
    // The range changed while the gesture held the redraws, so the owner's
    // handler (which resamples the curves) was skipped: it runs now.
    EndGestureUpdate(false);
    if (FOwner) FOwner->AfterScale(*this);
}

void TIndicator::DragEndAction() {
    const bool left = Has(FDownShift, ssLeft), right = Has(FDownShift, ssRight);
    switch (FMouseMode) {
        case TMouseMode::mmPan:
            if (left) {
                RaiseAfterPan();
            } else if (right) {
                SetCursor(TCursorId::crHand);
                EndGestureUpdate(true);
                RaiseAfterScale();
            }
            break;
        case TMouseMode::mmScale:
            if (FDownShift == ssLeft) {
                SetCursor(TCursorId::crScale);
                ToggleZoomRect();
                if (FDownPoint.x() != FCurrentPoint.x() && FDownPoint.y() != FCurrentPoint.y()) {
                    ZoomToRect(ScreenToWorld(FDownPoint), ScreenToWorld(FCurrentPoint));
                    if (FOwner) FOwner->DrawBuffer();
                    EndGestureUpdate(false);
                    RaiseAfterScale();
                }
            } else if (FDownShift == ssRight) {
                EndGestureUpdate(true);
                RaiseAfterScale();
            }
            break;
        case TMouseMode::mmScaleX:
        case TMouseMode::mmScaleY:
            EndGestureUpdate(false);
            RaiseAfterScale();
            break;
        case TMouseMode::mmPencil:
        case TMouseMode::mmCombinedDraw:
            FinishStroke();
            break;
        case TMouseMode::mmLine:
            if (FShaftActive) FinishShaft();
            break;
        case TMouseMode::mmNothing:
        case TMouseMode::mmCross:
            break;
    }
}

void TIndicator::ClickAction() {
    const bool left = Has(FDownShift, ssLeft), right = Has(FDownShift, ssRight);
    if (FZoomRectShown) ToggleZoomRect();  // the press showed an empty one
    switch (FMouseMode) {
        case TMouseMode::mmPan:
            if (left) {
                // Centre the view on the point clicked; one redraw at the end.
                const QPointF p = ScreenToWorld(FDownPoint);
                TOwnerBatch batch(FOwner);
                SetXRange(p.x() - WorldWidth() / 2, p.x() + WorldWidth() / 2);
                SetYRange(p.y() - WorldHeight() / 2, p.y() + WorldHeight() / 2);
                RaiseAfterPan();
            }
            break;
        case TMouseMode::mmScale: {
            if (!left && !right) break;
            const double cx = OriginX() + WorldWidth() / 2, cy = OriginY() - WorldHeight() / 2;
            const double hw = left ? WorldWidth() / 3 : 1.5 * WorldWidth();
            const double hh = left ? WorldHeight() / 3 : 1.5 * WorldHeight();
            {
                TOwnerBatch batch(FOwner, true);
                SetXRange(cx - hw, cx + hw);
                SetYRange(cy - hh, cy + hh);
            }
            EndGestureUpdate(false);
            if (FOwner) FOwner->DrawBuffer();
            RaiseAfterScale();
            break;
        }
        case TMouseMode::mmScaleX:
            ScaleAxisClick(true);
            break;
        case TMouseMode::mmScaleY:
            ScaleAxisClick(false);
            break;
        case TMouseMode::mmPencil:
            DiscardStroke();
            break;
        case TMouseMode::mmLine:
            if (FShaftActive) CancelShaft();
            break;
        case TMouseMode::mmCombinedDraw:
            if (FDownShift == ssLeft) {
                DiscardStroke();
                if (!FShaft) OpenShaft();
                else FinishShaft();
                Invalidate();
            } else if (FDownShift == ssRight && FShaft) {
                CancelShaft();
            }
            break;
        case TMouseMode::mmNothing:
        case TMouseMode::mmCross:
            break;
    }
}

}  // namespace curvane

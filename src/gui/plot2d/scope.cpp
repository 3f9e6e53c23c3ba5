// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/plot2d/scope.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPainter>

#include "render/plot2d/cursors.h"

namespace curvane {

namespace {

std::optional<TMouseButton> ButtonOf(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton: return TMouseButton::mbLeft;
        case Qt::RightButton: return TMouseButton::mbRight;
        case Qt::MiddleButton: return TMouseButton::mbMiddle;
        default: return std::nullopt;
    }
}

}  // namespace

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    TShiftState s = 0;
    if (modifiers & Qt::ShiftModifier) s |= ssShift;
    if (modifiers & Qt::AltModifier) s |= ssAlt;
    if (modifiers & Qt::ControlModifier) s |= ssCtrl;
    if (buttons & Qt::LeftButton) s |= ssLeft;
    if (buttons & Qt::RightButton) s |= ssRight;
    if (buttons & Qt::MiddleButton) s |= ssMiddle;
    return s;
}

TScope::TScope(QWidget* parent) : TBufferedControl(parent), FPlot(std::make_unique<TPlot2D>()) {
    Indicator().SetOwner(this);
    setMouseTracking(true);
    // A click gives the keys to the plot (the window steps its view with
    // them); activating the window alone leaves them in the function box.
    setFocusPolicy(Qt::ClickFocus);
    resize(100, 100);
    FPlot->SetSize(BufferSize());
    DrawBuffer();
}

TScope::~TScope() {
    // The indicator may call back while it goes; it must go first.
    Indicator().SetOwner(nullptr);
}

void TScope::DrawBuffer() {
    {
        QPainter painter(&Buffer());
        FPlot->Paint(painter);
    }
    // The rubber rectangle belongs to the picture it was inverted on.
    FZoomRects.clear();
    Indicator().AfterBufferRedrawn();
    emit BufferRedrawn();
    update();
}

void TScope::RequestRedraw() {
    if (!UpdateSuspended()) DrawBuffer();
}

void TScope::Resized() {
    FPlot->SetSize(BufferSize());
    if (RedrawOnResize() && !UpdateSuspended()) DrawBuffer();
}

void TScope::ToggleZoomRect(const QRect& rect) {
    if (!FZoomRects.removeOne(rect)) FZoomRects.append(rect);
    update();
}

void TScope::SetCursorId(TCursorId cursor) {
    if (cursor == FCursorId) return;
    FCursorId = cursor;
    setCursor(CursorFor(cursor));
}

void TScope::AfterPan(TIndicator& sender) {
    if (OnAfterPan) OnAfterPan(sender);
}

void TScope::AfterScale(TIndicator& sender) {
    if (OnAfterScale && !UpdateSuspended()) OnAfterScale(sender);
}

void TScope::GetAxisLabel(double value, TAxis axis, QString& text) {
    if (OnGetAxisLabel) OnGetAxisLabel(value, axis, text);
}

void TScope::SetHoveredPoint(std::optional<std::size_t> index) {
    if (index == FHoveredPoint) return;
    FHoveredPoint = index;
    update();
}

void TScope::PaintOverlay(QPainter& painter) {
    if (FHoveredPoint && FHoveredPoint != FPlot->Points().Pinned())
        FPlot->Points().PaintLabel(Indicator(), painter, *FHoveredPoint);
    if (FZoomRects.isEmpty()) return;
    // Dotted and inverted, in four one-pixel strips: a drawn rectangle would
    // touch its corners twice, and inverting twice leaves holes. The
    // checkerboard brush sets every other pixel of a strip.
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setBackgroundMode(Qt::TransparentMode);
    const QBrush dots(Qt::white, Qt::Dense4Pattern);
    for (const QRect& r : FZoomRects) {
        painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), dots);
        if (r.height() > 1) painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), dots);
        if (r.height() > 2) {
            painter.fillRect(QRect(r.left(), r.top() + 1, 1, r.height() - 2), dots);
            if (r.width() > 1) painter.fillRect(QRect(r.right(), r.top() + 1, 1, r.height() - 2), dots);
        }
    }
}

bool TScope::ClaimPress(const QMouseEvent& event) {
    // Only a press with no other button held begins a gesture to claim.
    if (!FPressClaimed && event.buttons() == event.button() && OnClaimPress)
        FPressClaimed = OnClaimPress(event.position().toPoint(), event.button(), event.modifiers());
    return FPressClaimed;
}

void TScope::mousePressEvent(QMouseEvent* event) {
    const std::optional<TMouseButton> button = ButtonOf(event->button());
    const QPoint p = event->position().toPoint();
    event->accept();
    if (ClaimPress(*event)) return;
    if (event->buttons() == event->button() && OnGestureBegin) OnGestureBegin();
    if (button && Indicator().PlotRect().Contains(p))
        Indicator().MouseDown(*button, ShiftStateOf(event->modifiers(), event->buttons()), p.x(), p.y());
}

void TScope::mouseDoubleClickEvent(QMouseEvent* event) {
    // Qt sends press, release, double-click, release; the double-click takes
    // the place of the second press.
    const std::optional<TMouseButton> button = ButtonOf(event->button());
    const QPoint p = event->position().toPoint();
    event->accept();
    if (ClaimPress(*event)) return;
    if (event->buttons() == event->button() && OnGestureBegin) OnGestureBegin();
    if (button && Indicator().PlotRect().Contains(p))
        Indicator().MouseDown(*button, ShiftStateOf(event->modifiers(), event->buttons()) | ssDouble,
                              p.x(), p.y());
}

void TScope::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (!FPressClaimed) Indicator().MouseMove(ShiftStateOf(event->modifiers(), event->buttons()), p.x(), p.y());
    if (OnMouseMove) OnMouseMove(p.x(), p.y());
    event->accept();
}

void TScope::mouseReleaseEvent(QMouseEvent* event) {
    const std::optional<TMouseButton> button = ButtonOf(event->button());
    const QPoint p = event->position().toPoint();
    event->accept();
    if (FPressClaimed) {
        if (event->buttons() == Qt::NoButton) FPressClaimed = false;
        return;
    }
    if (button)
        Indicator().MouseUp(*button, ShiftStateOf(event->modifiers(), event->buttons()), p.x(), p.y());
    if (event->buttons() == Qt::NoButton && OnGestureEnd) OnGestureEnd();
}

void TScope::wheelEvent(QWheelEvent* event) {
    // Accepted even when it does nothing: passed on, it would scroll the
    // area the window sits in.
    event->accept();
    if (event->buttons() != Qt::NoButton || !OnViewStep) return;
    if (const std::optional<TViewStep> step = WheelStep(*event)) OnViewStep(*step);
}

void TScope::leaveEvent(QEvent* event) {
    SetHoveredPoint(std::nullopt);
    TBufferedControl::leaveEvent(event);
}

bool TScope::event(QEvent* event) {
    if (event->type() != QEvent::NativeGesture) return TBufferedControl::event(event);
    const auto* gesture = static_cast<QNativeGestureEvent*>(event);
    if (OnViewStep && QGuiApplication::mouseButtons() == Qt::NoButton)
        if (const std::optional<TViewStep> step = PinchStep(*gesture)) OnViewStep(*step);
    event->accept();
    return true;
}

}  // namespace curvane

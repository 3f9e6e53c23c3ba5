// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <cstddef>
#include <memory>
#include <optional>

#include <QList>
#include <QRect>

#include "gui/plot2d/buffered_control.h"
#include "gui/plot2d/view_step.h"
#include "render/plot2d/indicator.h"
#include "render/plot2d/indicator_owner.h"
#include "render/plot2d/plot2d.h"

namespace curvane {

// The 2D plotting control: shows a TPlot2D (which it owns, and whose
// indicator it owns as TIndicatorOwner) through the buffer, with the mouse
// forwarded to the indicator and its events published again.
//
// Events run in two steps: the indicator's own handler, then this control's
// (OnAfterScale is skipped here while redraws are suspended). Batches of
// changes go under TUpdateGuard<TScope> so that the picture renders once.
class TScope : public TBufferedControl, public TIndicatorOwner {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TIndicator& sender)>;
    using TGetAxisLabel = std::function<void(double value, TAxis axis, QString& text)>;
    // Any pointer move over the control, with its pixel position.
    using TMouseMoveEvent = std::function<void(int x, int y)>;

    explicit TScope(QWidget* parent = nullptr);
    ~TScope() override;

    TPlot2D& Plot() { return *FPlot; }
    const TPlot2D& Plot() const { return *FPlot; }
    TIndicator& Indicator() { return FPlot->Indicator(); }
    const TIndicator& Indicator() const { return FPlot->Indicator(); }

    // A mouse gesture runs from a press with no other button held to the
    // release of the last button; the end comes after the indicator's own
    // handling of that release.
    using TGestureEvent = std::function<void()>;
    // A turn of the wheel or a pinch over the control; none while a mouse
    // button is held, whose gesture owns the view.
    using TViewStepEvent = std::function<void(const TViewStep& step)>;
    // A press the window may take for itself (a click on a marked point):
    // true keeps it, and the gesture it begins, from the indicator.
    using TClaimPressEvent = std::function<bool(QPoint pixel, Qt::MouseButton button, Qt::KeyboardModifiers keys)>;

    TNotifyEvent OnAfterPan;
    TNotifyEvent OnAfterScale;
    TGetAxisLabel OnGetAxisLabel;
    TMouseMoveEvent OnMouseMove;
    TGestureEvent OnGestureBegin;
    TGestureEvent OnGestureEnd;
    TViewStepEvent OnViewStep;
    TClaimPressEvent OnClaimPress;

    // Paints the plot into the buffer and shows it.
    void DrawBuffer() override;

    // TIndicatorOwner
    void RequestRedraw() override;
    bool UpdateSuspended() const override { return TBufferedControl::UpdateSuspended(); }
    void BeginUpdate() override { TBufferedControl::BeginUpdate(); }
    void EndUpdate() override { TBufferedControl::EndUpdate(); }
    void EndUpdateSilently() override { TBufferedControl::EndUpdateSilently(); }
    QImage* Canvas() override { return &Buffer(); }
    void Invalidate() override { update(); }
    void ToggleZoomRect(const QRect& rect) override;
    void SetCursorId(TCursorId cursor) override;
    void AfterPan(TIndicator& sender) override;
    void AfterScale(TIndicator& sender) override;
    void GetAxisLabel(double value, TAxis axis, QString& text) override;

    // The point of interest whose label is shown over the picture (on the
    // screen only: pictures and prints carry the pinned label alone).
    std::optional<std::size_t> HoveredPoint() const { return FHoveredPoint; }
    void SetHoveredPoint(std::optional<std::size_t> index);

    // The zoom rectangles shown over the picture (for tests and overlays).
    const QList<QRect>& ZoomRects() const { return FZoomRects; }
    TCursorId CursorId() const { return FCursorId; }

signals:
    // DrawBuffer replaced the picture: whatever tools drew on the buffer is
    // gone (an inverted mark must not be inverted again to erase it).
    void BufferRedrawn();

protected:
    void Resized() override;
    void PaintOverlay(QPainter& painter) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Whether the press belongs to a claimed gesture (asking OnClaimPress
    // at the gesture's first press).
    bool ClaimPress(const QMouseEvent& event);

    std::unique_ptr<TPlot2D> FPlot;
    QList<QRect> FZoomRects;
    TCursorId FCursorId = TCursorId::crDefault;
    std::optional<std::size_t> FHoveredPoint;
    // The press under way was claimed: its moves and release stay away
    // from the indicator.
    bool FPressClaimed = false;
};

// The shift state of a Qt mouse event: keys and buttons held.
TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);

}  // namespace curvane

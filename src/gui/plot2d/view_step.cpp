// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/plot2d/view_step.h"

#include <cmath>

#include <QKeyEvent>
#include <QNativeGestureEvent>
#include <QWheelEvent>

#include "core/plot/axis_range.h"

namespace curvane {

namespace {

// A wheel's notch, in the eighths of a degree Qt counts turns in.
constexpr double EighthsPerNotch = 120;

TViewStep PanStep(double x, double y) {
    TViewStep step;
    step.Kind = TViewStepKind::vkPan;
    step.PanX = x;
    step.PanY = y;
    return step;
}

TViewStep ZoomStep(TViewStepKind kind, double factor, std::optional<QPoint> anchor) {
    TViewStep step;
    step.Kind = kind;
    step.Factor = factor;
    step.Anchor = anchor;
    return step;
}

}  // namespace

std::optional<TViewStep> WheelStep(const QWheelEvent& event) {
    // A touchpad may send pixels alone; they are taken as eighths of a
    // degree, which makes a swipe across the pad a few notches.
    QPoint delta = event.angleDelta();
    if (delta.isNull()) delta = event.pixelDelta();
    if (delta.isNull()) return std::nullopt;
    const Qt::KeyboardModifiers mods = event.modifiers();
    // Qt turns Shift or Alt with a plain wheel into a sideways turn on some
    // systems and not on others: either way it pans, as a touchpad's
    // sideways swipe does. Forward (or left) shows what lies to the left.
    const bool sideways = std::abs(delta.x()) > std::abs(delta.y());
    if (sideways || (mods & Qt::ShiftModifier)) {
        const int turn = sideways ? delta.x() : delta.y();
        return PanStep(-turn / EighthsPerNotch * PanStepFraction, 0);
    }
    const double factor = ZoomFactorOfNotches(delta.y() / EighthsPerNotch);
    const TViewStepKind kind = (mods & Qt::ControlModifier) ? TViewStepKind::vkZoomX : TViewStepKind::vkZoom;
    return ZoomStep(kind, factor, event.position().toPoint());
}

std::optional<TViewStep> PinchStep(const QNativeGestureEvent& event) {
    if (event.gestureType() != Qt::ZoomNativeGesture) return std::nullopt;
    // The value is the growth since the last event: 0.1 shows things 10 %
    // larger. A pinch closed past nothing would turn the view over.
    const double growth = 1 + event.value();
    if (!(growth > 0) || growth == 1) return std::nullopt;
    return ZoomStep(TViewStepKind::vkZoom, 1 / growth, event.position().toPoint());
}

std::optional<TViewStep> KeyStep(const QKeyEvent& event) {
    const Qt::KeyboardModifiers mods = event.modifiers() & ~Qt::KeypadModifier;
    // Shift is part of typing + on most layouts; Ctrl, Alt and Meta belong
    // to the commands (Alt+Left is Previous view).
    if (mods & ~Qt::KeyboardModifiers(Qt::ShiftModifier)) return std::nullopt;
    const bool shifted = mods != Qt::NoModifier;
    switch (event.key()) {
        case Qt::Key_Left:
            if (!shifted) return PanStep(-PanStepFraction, 0);
            break;
        case Qt::Key_Right:
            if (!shifted) return PanStep(PanStepFraction, 0);
            break;
        case Qt::Key_Up:
            if (!shifted) return PanStep(0, PanStepFraction);
            break;
        case Qt::Key_Down:
            if (!shifted) return PanStep(0, -PanStepFraction);
            break;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            return ZoomStep(TViewStepKind::vkZoom, ZoomFactorOfNotches(1), std::nullopt);
        case Qt::Key_Minus:
            return ZoomStep(TViewStepKind::vkZoom, ZoomFactorOfNotches(-1), std::nullopt);
        default:
            break;
    }
    return std::nullopt;
}

}  // namespace curvane

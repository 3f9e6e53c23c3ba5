// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>

#include <optional>

class QKeyEvent;
class QNativeGestureEvent;
class QWheelEvent;

namespace curvane {

// Steps closer together than this make one burst, which the view history
// keeps as one entry; a pause this long, or a step of another kind, begins
// the next.
inline constexpr int ViewBurstPauseMs = 450;

enum class TViewStepKind { vkZoom, vkZoomX, vkPan };

// One step of the wheel, a pinch or a key on a 2D view.
struct TViewStep {
    TViewStepKind Kind = TViewStepKind::vkZoom;
    // Zoom: the ranges are multiplied by Factor (below 1 zooms in) about the
    // pixel Anchor of the control, or about the plot's centre without one.
    double Factor = 1;
    std::optional<QPoint> Anchor;
    // Pan: parts of the view's width and height (positive: towards larger x
    // and y).
    double PanX = 0;
    double PanY = 0;
};

// A turn of the wheel zooms about the pointer, with Ctrl the x axis alone;
// with Shift it pans sideways, and so does a sideways turn (a tilting wheel,
// a touchpad swipe, or what the system made of Shift or Alt with the wheel).
// Nothing for a turn of nothing.
std::optional<TViewStep> WheelStep(const QWheelEvent& event);
// A touchpad's pinch zooms about the fingers.
std::optional<TViewStep> PinchStep(const QNativeGestureEvent& event);
// Arrow keys pan by a tenth; +, = and - (the keypad's too) zoom about the
// centre. Other keys, and these with Ctrl, Alt or Meta (the commands' own
// shortcuts), are no step.
std::optional<TViewStep> KeyStep(const QKeyEvent& event);

}  // namespace curvane

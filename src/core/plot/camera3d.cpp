// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/plot/camera3d.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace curvane {

namespace {

constexpr double Radians = std::numbers::pi / 180;

// 360 times the fraction of angle/360, keeping the sign of its argument:
// callers add a turn first, so anything less than a turn away from
// [0, 360) lands in it.
double WrapTurn(double angle) {
    const double turns = angle / 360;
    return 360 * (turns - std::trunc(turns));
}

// NaN fails the first test, so an unusable distance also comes back at the
// floor.
double ClampDistance(double distance, double upper) {
    if (!(distance >= MinDragDistance)) return MinDragDistance;
    return std::min(distance, upper);
}

double Sign(double value) { return (value > 0) - (value < 0); }

// Rounding goes through float storage on purpose: GCC 12's vectorizer has
// been seen to drop a bare double-to-float-to-double round trip.
float Single(double value) { return static_cast<float>(value); }

}  // namespace

void DragCamera(TCamera3D& camera, const TDragState& drag, int dx, int dy, int width, int height) {
    if (drag.Left && drag.Shift) {
        camera.TargetZ += dy / 10.0;
    } else if (drag.Left && drag.Ctrl) {
        camera.TargetX += dx / 10.0;
        camera.TargetY += dy / 10.0;
    } else if (drag.Left) {
        // Past a pole (sin AngleY < 0) the camera is upside down; turning the
        // other way keeps the scene following the pointer.
        const double s = Sign(std::sin(camera.AngleY * Radians) * camera.Distance);
        const double w = std::max(width, 1), h = std::max(height, 1);
        camera.AngleX = WrapTurn(camera.AngleX - s * dx * 360 / w + 360);
        camera.AngleY = WrapTurn(camera.AngleY - dy * 360 / h + 360);
    } else if (drag.Right) {
        camera.Distance = ClampDistance(camera.Distance + dy / 10.0, std::numeric_limits<double>::infinity());
    } else if (drag.Middle) {
        const double ax = camera.AngleX * Radians, ay = camera.AngleY * Radians;
        const double scale = camera.Distance / 30;
        const double up = dy / 10.0 * scale, side = dx / 10.0 * scale;
        camera.TargetX += std::cos(ay) * std::cos(ax) * up;
        camera.TargetY += std::cos(ay) * std::sin(ax) * up;
        camera.TargetZ -= std::sin(ay) * up;
        camera.TargetX -= std::sin(ax) * side;
        camera.TargetY += std::cos(ax) * side;
    }
}

void WheelCamera(TCamera3D& camera, int delta) {
    // A tenth of the distance's decimal order: 75 moves by 1.2 per notch.
    // The order is taken toward zero, so below 1 the step stays 0.1 per
    // 100 units. A distance of 0 or below (typed in the dialog) has no order
    // and just comes back at the floor.
    double step = std::pow(10.0, std::trunc(std::log10(camera.Distance)) - 1);
    if (!std::isfinite(step)) step = 0;
    camera.Distance = ClampDistance(camera.Distance + step * delta / 100, MaxWheelDistance);
}

void PressCameraKey(TCamera3D& camera, TCameraKey key) {
    switch (key) {
        case TCameraKey::ckLeft:
            camera.AngleX += 1;
            if (camera.AngleX >= 360) camera.AngleX -= 360;
            break;
        case TCameraKey::ckRight:
            camera.AngleX -= 1;
            if (camera.AngleX < 0) camera.AngleX += 360;
            break;
        case TCameraKey::ckUp:
            camera.AngleY += 1;
            if (camera.AngleY >= 360) camera.AngleY -= 360;
            break;
        case TCameraKey::ckDown:
            camera.AngleY -= 1;
            if (camera.AngleY < 0) camera.AngleY += 360;
            break;
        case TCameraKey::ckCloser:
            if (camera.Distance > 1) camera.Distance -= 1;
            break;
        case TCameraKey::ckFurther:
            camera.Distance += 1;
            break;
    }
}

TLookAt CameraLookAt(const TCamera3D& camera) {
    const double ax = camera.AngleX * Radians, ay = camera.AngleY * Radians;
    const double by = (camera.AngleY - 90) * Radians;
    TLookAt look;
    look.Centre = {camera.TargetX, camera.TargetY, camera.TargetZ};
    look.Eye = {Single(camera.TargetX + camera.Distance * std::sin(ay) * std::cos(ax)),
                Single(camera.TargetY + camera.Distance * std::sin(ay) * std::sin(ax)),
                Single(camera.TargetZ + camera.Distance * std::cos(ay))};
    const TVector3 up{std::sin(by) * std::cos(ax), std::sin(by) * std::sin(ax), std::cos(by)};
    const double length = std::sqrt(up.X * up.X + up.Y * up.Y + up.Z * up.Z);
    if (length > 1e-20) look.Up = {Single(up.X / length), Single(up.Y / length), Single(up.Z / length)};
    return look;
}

TClipPlanes CameraClipPlanes(const TViewBox3D& view) {
    const TCamera3D& c = view.Camera;
    double radius = 0;
    for (double x : {view.X1, view.X2})
        for (double y : {view.Y1, view.Y2})
            for (double z : {view.Z1, view.Z2})
                radius = std::max(radius, std::hypot(x - c.TargetX, y - c.TargetY, z - c.TargetZ));
    return {std::max(c.Distance - radius, 0.1), c.Distance + radius};
}

TBoxScale ProportionBox(const TViewBox3D& view, double rx, double ry, double rz) {
    TBoxScale scale;
    scale.Centre = {(view.X1 + view.X2) / 2, (view.Y1 + view.Y2) / 2, (view.Z1 + view.Z2) / 2};
    const double extents[3] = {std::fabs(view.X2 - view.X1), std::fabs(view.Y2 - view.Y1),
                               std::fabs(view.Z2 - view.Z1)};
    const double ratios[3] = {rx, ry, rz};
    const auto usable = [](double v) { return std::isfinite(v) && v > 0; };
    if (!std::isfinite(scale.Centre.X + scale.Centre.Y + scale.Centre.Z)) return {};
    // The shown edges are k times the ratios, k chosen so the diagonal (what
    // the fitted camera distance frames) stays as long as the box's own;
    // the axes that keep their scale keep their part of it.
    double diagonal = 0, kept = 0, ratioLength = 0;
    for (int i = 0; i < 3; ++i) {
        if (!usable(extents[i])) continue;
        diagonal += extents[i] * extents[i];
        if (usable(ratios[i]))
            ratioLength += ratios[i] * ratios[i];
        else
            kept += extents[i] * extents[i];
    }
    if (!(ratioLength > 0) || !std::isfinite(diagonal)) return {};
    const double k = std::sqrt((diagonal - kept) / ratioLength);
    double* factors[3] = {&scale.Scale.X, &scale.Scale.Y, &scale.Scale.Z};
    for (int i = 0; i < 3; ++i)
        if (usable(extents[i]) && usable(ratios[i])) *factors[i] = k * ratios[i] / extents[i];
    return scale;
}

TVector3 ToShown(const TBoxScale& s, const TVector3& v) {
    return {s.Centre.X + (v.X - s.Centre.X) * s.Scale.X, s.Centre.Y + (v.Y - s.Centre.Y) * s.Scale.Y,
            s.Centre.Z + (v.Z - s.Centre.Z) * s.Scale.Z};
}

TVector3 FromShown(const TBoxScale& s, const TVector3& v) {
    return {s.Centre.X + (v.X - s.Centre.X) / s.Scale.X, s.Centre.Y + (v.Y - s.Centre.Y) / s.Scale.Y,
            s.Centre.Z + (v.Z - s.Centre.Z) / s.Scale.Z};
}

TViewBox3D ToShown(const TBoxScale& s, const TViewBox3D& view) {
    TViewBox3D shown = view;
    const TVector3 low = ToShown(s, TVector3{view.X1, view.Y1, view.Z1});
    const TVector3 high = ToShown(s, TVector3{view.X2, view.Y2, view.Z2});
    const TVector3 target = ToShown(s, TVector3{view.Camera.TargetX, view.Camera.TargetY, view.Camera.TargetZ});
    shown.X1 = low.X, shown.Y1 = low.Y, shown.Z1 = low.Z;
    shown.X2 = high.X, shown.Y2 = high.Y, shown.Z2 = high.Z;
    shown.Camera.TargetX = target.X, shown.Camera.TargetY = target.Y, shown.Camera.TargetZ = target.Z;
    return shown;
}

}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace curvane {

// The camera of a 3D scene: a point on a sphere of radius Distance around the
// target, looking at the target. AngleX is the azimuth around the z axis and
// AngleY the polar angle from +z, both in degrees. The defaults are those of
// a new panel over the default axis box (Distance 1.5 times the x range).
struct TCamera3D {
    double AngleX = 45;
    double AngleY = 50;
    double Distance = 30;
    double TargetX = 0;
    double TargetY = 0;
    double TargetZ = 0;
};

// What a 3D scene shows: the axis box that grid, axes and labels span, their
// spacing per axis, and the camera. The view fit after a mesh rebuild writes
// all of it except the camera angles; the user's edits may leave any of it
// out of order (X1 >= X2, Distance <= 0): readers must cope.
struct TViewBox3D {
    double X1 = -10, X2 = 10;
    double Y1 = -10, Y2 = 10;
    double Z1 = -10, Z2 = 10;
    double StepX = 1, StepY = 1, StepZ = 1;
    TCamera3D Camera;
};

}  // namespace curvane

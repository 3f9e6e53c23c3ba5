// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "core/plot/view3d.h"

namespace curvane {

// The mouse and the wheel keep Distance within these; the keys and the view
// dialog do not (what the user types is taken as typed).
inline constexpr double MinDragDistance = 0.1;
inline constexpr double MaxWheelDistance = 10000;

// The buttons held and the modifiers during one mouse move over the scene.
struct TDragState {
    bool Left = false;
    bool Right = false;
    bool Middle = false;
    bool Shift = false;
    bool Ctrl = false;
};

// One mouse move of (dx, dy) pixels (y grows downward) while a button is
// held over a scene of width x height pixels. The first matching case acts:
//   left + Shift  the target moves along z by dy/10
//   left + Ctrl   the target moves along x by dx/10 and along y by dy/10
//   left          the camera turns: a drag across the whole width is one turn
//                 around the z axis, across the whole height one turn over
//                 the poles; the angles stay in [0, 360)
//   right         Distance += dy/10, at least MinDragDistance
//   middle        the target pans in the view plane, faster further away
void DragCamera(TCamera3D& camera, const TDragState& drag, int dx, int dy, int width, int height);

// One wheel turn of delta (120 per notch, positive away from the user):
// Distance changes by a tenth of its order of magnitude per 100 units,
// within MinDragDistance .. MaxWheelDistance.
void WheelCamera(TCamera3D& camera, int delta);

enum class TCameraKey : std::uint8_t {
    ckLeft,       // AngleX + 1
    ckRight,      // AngleX - 1
    ckUp,         // AngleY + 1
    ckDown,       // AngleY - 1
    ckCloser,     // keypad plus: Distance - 1, only while it is above 1
    ckFurther,    // keypad minus: Distance + 1
};

// The angles wrap by one turn; Distance has no upper bound here.
void PressCameraKey(TCamera3D& camera, TCameraKey key);

struct TVector3 {
    double X = 0, Y = 0, Z = 0;
};
struct TVector3F {
    float X = 0, Y = 0, Z = 0;
};

// How the scene stretches its axis box on the way to the screen, per axis:
// shown = Centre + (value - Centre) * Scale. Centre is the box's centre.
struct TBoxScale {
    TVector3 Scale{1, 1, 1};
    TVector3 Centre;
    bool Identity() const { return Scale.X == 1 && Scale.Y == 1 && Scale.Z == 1; }
};

// The scale that shows the box with edges in the ratio rx : ry : rz and a
// diagonal as long as its own, so that the camera distance the view fit
// chose frames it as well. An axis whose extent or ratio is zero or not a
// finite number keeps scale 1 (a flat box stays flat).
TBoxScale ProportionBox(const TViewBox3D& view, double rx, double ry, double rz);
TVector3 ToShown(const TBoxScale& scale, const TVector3& value);
TVector3 FromShown(const TBoxScale& scale, const TVector3& shown);
// The box's limits and the camera target as shown (angles, distance and
// steps unchanged), for the camera and its clipping planes.
TViewBox3D ToShown(const TBoxScale& scale, const TViewBox3D& view);

// The arguments of gluLookAt: eye and up in single precision (the frame
// rounds them so), the centre the target. Up is the unit vector a quarter
// turn above the eye direction, so the view never degenerates at the poles;
// it is zero when it has no length to speak of (non-finite angles).
struct TLookAt {
    TVector3F Eye;
    TVector3 Centre;
    TVector3F Up;
};
TLookAt CameraLookAt(const TCamera3D& camera);

// Near and far clipping planes: Distance minus and plus the distance from
// the target to the farthest corner of the axis box, near at least 0.1.
struct TClipPlanes {
    double Near = 0.1;
    double Far = 1;
};
TClipPlanes CameraClipPlanes(const TViewBox3D& view);

}  // namespace curvane

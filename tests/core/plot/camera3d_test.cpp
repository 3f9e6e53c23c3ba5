// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/plot/camera3d.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace curvane {
namespace {

TCamera3D Camera(double angleX, double angleY, double distance, double tx = 0, double ty = 0, double tz = 0) {
    return {angleX, angleY, distance, tx, ty, tz};
}

void ExpectCamera(const TCamera3D& c, const TCamera3D& e) {
    const double got[] = {c.AngleX, c.AngleY, c.Distance, c.TargetX, c.TargetY, c.TargetZ};
    const double want[] = {e.AngleX, e.AngleY, e.Distance, e.TargetX, e.TargetY, e.TargetZ};
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(got[i], want[i], 1e-9) << "field " << i;
}

TEST(DragCamera, FollowsTheButtonsAndModifiers) {
    const TDragState left{.Left = true}, right{.Right = true}, middle{.Middle = true};
    // The scene is 400 x 300 pixels.
    const struct { const char* why; TCamera3D start; TDragState drag; int dx, dy; TCamera3D expected; } rows[] = {
        {"full width: one turn", Camera(45, 50, 30), left, 400, 0, Camera(45, 50, 30)},
        {"half width: half a turn", Camera(45, 50, 30), left, 200, 0, Camera(225, 50, 30)},
        {"beyond the pole the turn reverses", Camera(45, 200, 30), left, 100, 0, Camera(135, 200, 30)},
        {"upward drag raises AngleY", Camera(45, 50, 30), left, -100, -30, Camera(135, 86, 30)},
        {"Shift moves the target along z", Camera(45, 50, 30), {.Left = true, .Right = true, .Shift = true}, 7, 5,
         Camera(45, 50, 30, 0, 0, 0.5)},
        {"Ctrl moves it in x, y", Camera(45, 50, 30), {.Left = true, .Ctrl = true}, 10, -20, Camera(45, 50, 30, 1, -2)},
        {"right drag moves away", Camera(45, 50, 30), right, 0, 20, Camera(45, 50, 32)},
        {"right drag stops at 0.1", Camera(45, 50, 0.5), right, 0, -10, Camera(45, 50, 0.1)},
        {"middle drag pans in the view plane", Camera(0, 90, 30), middle, 10, 10, Camera(0, 90, 30, 0, 1, -1)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        TCamera3D cam = row.start;
        DragCamera(cam, row.drag, row.dx, row.dy, 400, 300);
        ExpectCamera(cam, row.expected);
    }
}

TEST(WheelAndKeys, StayWithinTheirLimits) {
    const double wheel[][3] = {{75, 120, 76.2},  {9990, 120, 10000}, {5, -120, 4.88}, {0.15, -120, 0.1},
                               {0.5, 120, 0.62}, {0, 120, 0.1},      {-3, 120, 0.1}};
    for (const auto& [distance, delta, expected] : wheel) {
        SCOPED_TRACE(testing::Message() << "wheel " << delta << " at " << distance);
        TCamera3D cam = Camera(45, 50, distance);
        WheelCamera(cam, static_cast<int>(delta));
        EXPECT_NEAR(cam.Distance, expected, 1e-12);
    }
    const struct { TCameraKey key; TCamera3D start, expected; } keys[] = {
        {TCameraKey::ckLeft, Camera(359.5, 50, 5), Camera(0.5, 50, 5)},
        {TCameraKey::ckRight, Camera(0.5, 50, 5), Camera(359.5, 50, 5)},
        {TCameraKey::ckUp, Camera(45, 359, 5), Camera(45, 0, 5)},
        {TCameraKey::ckDown, Camera(45, 0.5, 5), Camera(45, 359.5, 5)},
        {TCameraKey::ckCloser, Camera(45, 50, 1.0), Camera(45, 50, 1.0)},
        {TCameraKey::ckCloser, Camera(45, 50, 1.5), Camera(45, 50, 0.5)},
        {TCameraKey::ckFurther, Camera(45, 50, 20000), Camera(45, 50, 20001)},
    };
    for (const auto& row : keys) {
        SCOPED_TRACE(testing::Message() << "key " << static_cast<int>(row.key));
        TCamera3D cam = row.start;
        PressCameraKey(cam, row.key);
        ExpectCamera(cam, row.expected);
    }
}

TEST(CameraLookAt, PutsTheEyeOnTheSphereAndUpAQuarterTurnAbove) {
    const struct { double angleX, angleY; TVector3F eye, up; } rows[] = {
        {90, 90, {1, 12, 3}, {0, 0, 1}},  // equator, +y side
        {0, 0, {1, 2, 13}, {-1, 0, 0}},   // north pole: up leans to -x
        {0, 180, {1, 2, -7}, {1, 0, 0}},  // south pole: upside down
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.angleX << ", " << row.angleY);
        const TLookAt look = CameraLookAt(Camera(row.angleX, row.angleY, 10, 1, 2, 3));
        const float got[] = {look.Eye.X, look.Eye.Y, look.Eye.Z, look.Up.X, look.Up.Y, look.Up.Z};
        const float want[] = {row.eye.X, row.eye.Y, row.eye.Z, row.up.X, row.up.Y, row.up.Z};
        for (int i = 0; i < 6; ++i) EXPECT_NEAR(got[i], want[i], 1e-6) << "component " << i;
    }
    // The farthest corner of -12..12 x -16..16 x 0..0 is 20 from the target.
    const double planes[][3] = {{10, 0.1, 30}, {50, 30, 70}, {0, 0.1, 20}};
    for (const auto& [distance, nearPlane, farPlane] : planes) {
        const TClipPlanes clip = CameraClipPlanes({-12, 12, -16, 16, 0, 0, 1, 1, 1, Camera(45, 50, distance)});
        EXPECT_EQ((std::array{clip.Near, clip.Far}), (std::array{nearPlane, farPlane})) << distance;
    }
}

// The tall box of x*y over -5..5 becomes a cube with the same diagonal; a
// ratio stretches it; an axis without extent or ratio keeps its own scale.
TEST(ProportionBox, ScalesTheBoxToTheRatioAndBack) {
    const TViewBox3D spike{-6, 6, -6, 6, -27, 27, 1, 1, 1, {45, 50, 81, 0, 0, 0}};
    const double cube = std::sqrt(12 * 12 * 2 + 54 * 54) / std::sqrt(3.0);
    const struct { const char* Why; TViewBox3D View; std::array<double, 3> Ratio, Edges; } rows[] = {
        {"cube", spike, {1, 1, 1}, {cube, cube, cube}},
        {"half as high", spike, {2, 2, 1}, {cube * 1.1547, cube * 1.1547, cube * 0.57735}},
        {"flat box", {-6, 6, -3, 3, 2, 2, 1, 1, 1, {}}, {1, 1, 1}, {std::sqrt(90.0), std::sqrt(90.0), 0}},
        {"unusable ratios keep their edges", spike, {1, 0, NAN}, {12, 12, 54}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Why);
        const TViewBox3D& v = row.View;
        const TBoxScale s = ProportionBox(v, row.Ratio[0], row.Ratio[1], row.Ratio[2]);
        EXPECT_NEAR((v.X2 - v.X1) * s.Scale.X, row.Edges[0], 1e-3);
        EXPECT_NEAR((v.Y2 - v.Y1) * s.Scale.Y, row.Edges[1], 1e-3);
        EXPECT_NEAR((v.Z2 - v.Z1) * s.Scale.Z, row.Edges[2], 1e-3);
        EXPECT_NEAR(FromShown(s, ToShown(s, TVector3{1, -2, 3})).Z, 3, 1e-12);
    }
    // The camera keeps looking at the same value, now where it is shown.
    TViewBox3D off = spike;
    off.Camera.TargetZ = 10;
    const TViewBox3D shown = ToShown(ProportionBox(off, 1, 1, 1), off);
    EXPECT_NEAR(shown.Camera.TargetZ, 10 * cube / 54, 1e-9);
}

}  // namespace
}  // namespace curvane

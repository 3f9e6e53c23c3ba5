#include "core/plot/camera3d.h"

#include <gtest/gtest.h>

#include <cmath>

namespace curvane {
namespace {

TCamera3D Camera(double angleX, double angleY, double distance) {
    TCamera3D c;
    c.AngleX = angleX;
    c.AngleY = angleY;
    c.Distance = distance;
    return c;
}

void ExpectCamera(const TCamera3D& c, const TCamera3D& e) {
    EXPECT_NEAR(c.AngleX, e.AngleX, 1e-9);
    EXPECT_NEAR(c.AngleY, e.AngleY, 1e-9);
    EXPECT_NEAR(c.Distance, e.Distance, 1e-9);
    EXPECT_NEAR(c.TargetX, e.TargetX, 1e-9);
    EXPECT_NEAR(c.TargetY, e.TargetY, 1e-9);
    EXPECT_NEAR(c.TargetZ, e.TargetZ, 1e-9);
}

TEST(DragCamera, FollowsTheButtonsAndModifiers) {
    const TDragState left{.Left = true}, right{.Right = true}, middle{.Middle = true};
    const TDragState shiftLeft{.Left = true, .Shift = true}, ctrlLeft{.Left = true, .Ctrl = true};
    const TDragState all{.Left = true, .Right = true, .Middle = true, .Shift = true};
    struct Row {
        const char* why;
        TCamera3D start;
        TDragState drag;
        int dx, dy;
        TCamera3D expected;
    };
    const TCamera3D c = Camera(45, 50, 30);
    const TCamera3D side = Camera(0, 90, 30);  // looking along -x from +x
    auto moved = [](TCamera3D cam, double ax, double ay, double d, double tx, double ty, double tz) {
        cam.AngleX = ax, cam.AngleY = ay, cam.Distance = d;
        cam.TargetX = tx, cam.TargetY = ty, cam.TargetZ = tz;
        return cam;
    };
    // The scene is 400 x 300 pixels.
    const Row rows[] = {
        {"full width: one turn", c, left, 400, 0, c},
        {"half width: half a turn", c, left, 200, 0, moved(c, 225, 50, 30, 0, 0, 0)},
        {"leftward stays in [0, 360)", c, left, -100, 0, moved(c, 135, 50, 30, 0, 0, 0)},
        {"beyond the pole the turn reverses", Camera(45, 200, 30), left, 100, 0, moved(c, 135, 200, 30, 0, 0, 0)},
        {"upward drag raises AngleY", c, left, 0, -30, moved(c, 45, 86, 30, 0, 0, 0)},
        {"full height: one turn over the poles", c, left, 0, 300, c},
        {"Shift moves the target along z", c, shiftLeft, 7, 5, moved(c, 45, 50, 30, 0, 0, 0.5)},
        {"Ctrl moves the target in x and y", c, ctrlLeft, 10, -20, moved(c, 45, 50, 30, 1, -2, 0)},
        {"Shift wins over the other buttons", c, all, 0, 10, moved(c, 45, 50, 30, 0, 0, 1)},
        {"right drag moves away", c, right, 0, 20, moved(c, 45, 50, 32, 0, 0, 0)},
        {"right drag stops at 0.1", Camera(45, 50, 0.5), right, 0, -10, moved(c, 45, 50, 0.1, 0, 0, 0)},
        {"middle drag pans in the view plane", side, middle, 10, 10, moved(side, 0, 90, 30, 0, 1, -1)},
        {"no button: nothing", c, TDragState{.Shift = true}, 50, 50, c},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        TCamera3D cam = row.start;
        DragCamera(cam, row.drag, row.dx, row.dy, 400, 300);
        ExpectCamera(cam, row.expected);
    }
}

TEST(WheelCamera, StepsByATenthOfTheOrderWithinTheLimits) {
    struct Row {
        double distance;
        int delta;
        double expected;
    };
    const Row rows[] = {
        {75, 120, 76.2}, {9990, 120, 10000}, {5, -120, 4.88}, {0.15, -120, 0.1}, {0.5, 120, 0.62},
        {0, 120, 0.1},  // typed in the dialog: no order of magnitude
        {-3, 120, 0.1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.distance << " by " << row.delta);
        TCamera3D cam = Camera(45, 50, row.distance);
        WheelCamera(cam, row.delta);
        EXPECT_NEAR(cam.Distance, row.expected, 1e-12);
    }
}

TEST(PressCameraKey, WrapsAnglesByOneTurnAndStopsClosingAtOne) {
    struct Row {
        TCameraKey key;
        TCamera3D start, expected;
    };
    const Row rows[] = {
        {TCameraKey::ckLeft, Camera(359.5, 50, 5), Camera(0.5, 50, 5)},
        {TCameraKey::ckRight, Camera(0.5, 50, 5), Camera(359.5, 50, 5)},
        {TCameraKey::ckUp, Camera(45, 359, 5), Camera(45, 0, 5)},
        {TCameraKey::ckDown, Camera(45, 0.5, 5), Camera(45, 359.5, 5)},
        {TCameraKey::ckCloser, Camera(45, 50, 1.0), Camera(45, 50, 1.0)},
        {TCameraKey::ckCloser, Camera(45, 50, 1.5), Camera(45, 50, 0.5)},
        {TCameraKey::ckFurther, Camera(45, 50, 20000), Camera(45, 50, 20001)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.key));
        TCamera3D cam = row.start;
        PressCameraKey(cam, row.key);
        ExpectCamera(cam, row.expected);
    }
}

TEST(CameraLookAt, PlacesTheEyeOnTheSphereWithUpAQuarterTurnAbove) {
    struct Row {
        const char* why;
        double angleX, angleY;
        TVector3F eye, up;
    };
    const Row rows[] = {
        {"on the equator, +x side", 0, 90, {11, 2, 3}, {0, 0, 1}},
        {"on the equator, +y side", 90, 90, {1, 12, 3}, {0, 0, 1}},
        {"at the north pole up leans to -x", 0, 0, {1, 2, 13}, {-1, 0, 0}},
        {"beyond the pole up turns over", 0, 180, {1, 2, -7}, {1, 0, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        TCamera3D cam = Camera(row.angleX, row.angleY, 10);
        cam.TargetX = 1, cam.TargetY = 2, cam.TargetZ = 3;
        const TLookAt look = CameraLookAt(cam);
        EXPECT_NEAR(look.Eye.X, row.eye.X, 1e-6);
        EXPECT_NEAR(look.Eye.Y, row.eye.Y, 1e-6);
        EXPECT_NEAR(look.Eye.Z, row.eye.Z, 1e-6);
        EXPECT_NEAR(look.Up.X, row.up.X, 1e-6);
        EXPECT_NEAR(look.Up.Y, row.up.Y, 1e-6);
        EXPECT_NEAR(look.Up.Z, row.up.Z, 1e-6);
        EXPECT_EQ(look.Centre.X, 1);
    }
}

TEST(CameraClipPlanes, SpanTheBoxAroundTheTargetWithNearAtLeastATenth) {
    struct Row {
        double distance, nearPlane, farPlane;
    };
    // The farthest corner of -12..12 x -16..16 x 0..0 is 20 from the origin.
    const Row rows[] = {{10, 0.1, 30}, {50, 30, 70}, {0, 0.1, 20}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.distance);
        TViewBox3D view;
        view.X1 = -12, view.X2 = 12, view.Y1 = -16, view.Y2 = 16, view.Z1 = 0, view.Z2 = 0;
        view.Camera.Distance = row.distance;
        const TClipPlanes planes = CameraClipPlanes(view);
        EXPECT_DOUBLE_EQ(planes.Near, row.nearPlane);
        EXPECT_DOUBLE_EQ(planes.Far, row.farPlane);
    }
}

}  // namespace
}  // namespace curvane

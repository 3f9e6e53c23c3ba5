#include <gtest/gtest.h>

#include "render/color.h"
#include "render/indicator.h"
#include "test_owner.h"

namespace curvane {
namespace {

using test::PixelColor;
using test::TTestOwner;

// Plot of 400 x 200 pixels at (36, 16); X -10..10 is 20 px a unit, Y -1..1
// is 100 px a unit.
struct TGesture : TTestOwner {
    explicit TGesture(TMouseMode mode) : TTestOwner(442, 222) {
        Indicator.SetMouseMode(mode);
        Indicator.OnAfterPan = [this](TIndicator&) { Events.push_back("pan"); };
        Indicator.OnAfterScale = [this](TIndicator&) { Events.push_back("scale"); };
        DrawBuffer();
    }
    void Down(int x, int y, TShiftState s = ssLeft) {
        Indicator.MouseDown(s & ssRight ? TMouseButton::mbRight : TMouseButton::mbLeft, s, x, y);
    }
    void Move(int x, int y, TShiftState s = ssLeft) { Indicator.MouseMove(s, x, y); }
    void Up(int x, int y, TShiftState s = ssLeft) {
        Indicator.MouseUp(s & ssRight ? TMouseButton::mbRight : TMouseButton::mbLeft, 0, x, y);
    }
    void Click(int x, int y, TShiftState s = ssLeft) {
        Down(x, y, s);
        Up(x, y, s);
    }
    // The picture a full redraw gives now.
    QImage Redrawn() {
        DrawBuffer();
        return Image;
    }
};

void ExpectView(const TIndicator& ind, double left, double right, double top, double bottom) {
    EXPECT_NEAR(ind.WorldLeft(), left, 1e-9);
    EXPECT_NEAR(ind.WorldRight(), right, 1e-9);
    EXPECT_NEAR(ind.WorldTop(), top, 1e-9);
    EXPECT_NEAR(ind.WorldBottom(), bottom, 1e-9);
}

TEST(MousePan, DragMovesTheViewWithTheHandAndReportsOnceAtRelease) {
    TGesture g(TMouseMode::mmPan);
    const int draws = g.Draws;
    g.Down(200, 100);
    EXPECT_EQ(g.Cursor, TCursorId::crHandHold);
    g.Move(225, 100);
    g.Move(250, 100);
    EXPECT_EQ(g.Count("pan"), 0);
    EXPECT_EQ(g.Draws, draws + 2);  // the view follows every move
    g.Up(250, 100);
    ExpectView(g.Indicator, -12.5, 7.5, 1, -1);
    EXPECT_EQ(g.Count("pan"), 1);
    EXPECT_EQ(g.Count("owner:pan"), 1);
    EXPECT_EQ(g.Cursor, TCursorId::crHand);
}

TEST(MousePan, ClickCentresTheViewOnThePoint) {
    TGesture g(TMouseMode::mmPan);
    const QPoint p = g.Indicator.WorldToScreen(3, 0.5);
    const int draws = g.Draws;
    g.Click(p.x(), p.y());
    ExpectView(g.Indicator, -7, 13, 1.5, -0.5);
    EXPECT_EQ(g.Draws, draws + 1);
    EXPECT_EQ(g.Count("pan"), 1);
    EXPECT_EQ(g.Count("owner:scale"), 0);  // suspended while the ranges moved
    EXPECT_EQ(g.Depth, 0);
}

TEST(MousePan, RightClickEndsItsSuspension) {
    TGesture g(TMouseMode::mmPan);
    g.Click(200, 100, ssRight);
    EXPECT_EQ(g.Depth, 0);
    ExpectView(g.Indicator, -10, 10, 1, -1);
    const int draws = g.Draws;
    g.Indicator.SetAxisColor(clWhite);
    EXPECT_EQ(g.Draws, draws + 1);
}

TEST(MouseScale, ClicksZoomAboutTheCentre) {
    struct Row {
        const char* name;
        TShiftState shift;
        double half, halfY;
    };
    const Row rows[] = {
        {"left click shrinks to two thirds", ssLeft, 20.0 / 3, 2.0 / 3},
        {"right click grows to three times", ssRight, 30, 3},
        {"control and left still counts as left", ssLeft | ssCtrl, 20.0 / 3, 2.0 / 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TGesture g(TMouseMode::mmScale);
        const int draws = g.Draws;
        g.Click(100, 50, row.shift);  // away from the centre: it does not matter
        ExpectView(g.Indicator, -row.half, row.half, row.halfY, -row.halfY);
        EXPECT_EQ(g.Draws, draws + 1);
        EXPECT_EQ(g.Count("owner:scale"), 1);
        EXPECT_EQ(g.Depth, 0);
        EXPECT_TRUE(g.ZoomRects.isEmpty());
    }
}

TEST(MouseScale, RubberRectangleZoomsToItsCorners) {
    TGesture g(TMouseMode::mmScale);
    g.Down(136, 66);
    EXPECT_EQ(g.Depth, 1);
    ASSERT_EQ(g.ZoomRects.size(), 1);
    g.Move(186, 91);
    EXPECT_EQ(g.Cursor, TCursorId::crZoom);
    g.Move(236, 116);
    ASSERT_EQ(g.ZoomRects.size(), 1);  // the old one erased, the new one shown
    EXPECT_EQ(g.ZoomRects[0], QRect(QPoint(136, 66), QPoint(236, 116)));
    const int draws = g.Draws;
    g.Up(236, 116);
    ExpectView(g.Indicator, -5, 0, 0.5, 0);
    EXPECT_TRUE(g.ZoomRects.isEmpty());
    EXPECT_EQ(g.Draws, draws + 1);  // no second redraw when the suspension ends
    EXPECT_EQ(g.Count("owner:scale"), 1);
    EXPECT_EQ(g.Depth, 0);
    EXPECT_EQ(g.Cursor, TCursorId::crScale);

    // A rectangle of no width is ignored.
    g.Down(136, 66);
    g.Move(136, 116);
    g.Up(136, 116);
    ExpectView(g.Indicator, -5, 0, 0.5, 0);
    EXPECT_TRUE(g.ZoomRects.isEmpty());
    EXPECT_EQ(g.Depth, 0);
}

TEST(MouseScale, RightDragZoomsBothAxesByTheSameFraction) {
    TGesture g(TMouseMode::mmScale);
    g.Down(200, 100, ssRight);
    g.Move(200, 110, ssRight);  // down: out
    ExpectView(g.Indicator, -11, 11, 1.1, -1.1);
    g.Move(200, 90, ssRight);  // up: in
    EXPECT_LT(g.Indicator.WorldWidth(), 22);
    const int draws = g.Draws;
    g.Up(200, 90, ssRight);
    EXPECT_EQ(g.Draws, draws + 1);
    EXPECT_EQ(g.Count("owner:scale"), 1);
    EXPECT_EQ(g.Depth, 0);
    // A step that would turn the view inside out is skipped.
    TGesture h(TMouseMode::mmScale);
    h.Down(200, 150, ssRight);
    h.Move(200, 0, ssRight);
    ExpectView(h.Indicator, -10, 10, 1, -1);
    h.Up(200, 0, ssRight);
}

TEST(MouseScaleAxis, ClicksHalveOrDoubleOneAxisAndEndTheSuspension) {
    struct Row {
        const char* name;
        TMouseMode mode;
        TShiftState shift;
        double left, right, top, bottom;
    };
    const Row rows[] = {
        {"X left click halves", TMouseMode::mmScaleX, ssLeft, -5, 5, 1, -1},
        {"X right click doubles", TMouseMode::mmScaleX, ssRight, -20, 20, 1, -1},
        {"Y left click halves", TMouseMode::mmScaleY, ssLeft, -10, 10, 0.5, -0.5},
        {"Y right click doubles", TMouseMode::mmScaleY, ssRight, -10, 10, 2, -2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TGesture g(row.mode);
        g.Click(300, 40, row.shift);
        ExpectView(g.Indicator, row.left, row.right, row.top, row.bottom);
        EXPECT_EQ(g.Count("owner:scale"), 1);
        EXPECT_EQ(g.Depth, 0);
        // After the gesture the control redraws on its own again.
        const int draws = g.Draws;
        g.Indicator.SetLabels(false);
        EXPECT_EQ(g.Draws, draws + 1);
    }
    TGesture g(TMouseMode::mmScaleX);
    g.Indicator.SetUniform(true);
    g.Click(300, 40);
    EXPECT_FALSE(g.Indicator.Uniform());
}

TEST(MouseScaleAxis, DragStretchesAboutTheCentre) {
    TGesture x(TMouseMode::mmScaleX);
    x.Down(200, 100);
    x.Move(240, 100);  // 40 px right: 10 % wider on each side
    ExpectView(x.Indicator, -12, 12, 1, -1);
    x.Move(-400, 100);  // past the centre: refused, not turned over
    ExpectView(x.Indicator, -12, 12, 1, -1);
    x.Up(-400, 100);
    EXPECT_EQ(x.Count("owner:scale"), 1);
    EXPECT_EQ(x.Depth, 0);

    TGesture y(TMouseMode::mmScaleY);
    y.Down(200, 100);
    y.Move(200, 120);  // down widens
    ExpectView(y.Indicator, -10, 10, 1.2, -1.2);
    y.Up(200, 120);
}

TEST(MouseDraw, PencilStrokeEndsUpAsIfPainted) {
    TGesture g(TMouseMode::mmPencil);
    g.Indicator.SetPencilColor(0x00FF00);
    const QImage before = g.Image;
    g.Down(100, 100);
    g.Move(150, 120);
    EXPECT_NE(g.Image, before);  // shown while drawing
    g.Move(200, 100);
    g.Up(200, 100);
    ASSERT_EQ(g.Indicator.Drawings().size(), 1u);
    const auto* poly = dynamic_cast<const TGPoly*>(g.Indicator.Drawings()[0].get());
    ASSERT_NE(poly, nullptr);
    EXPECT_EQ(poly->Stroke().Count(), 3);
    EXPECT_EQ(PixelColor(g.Image, 100, 100), 0x00FF00);
    // Exclusive-or left nothing behind: a full redraw gives the same picture.
    const QImage after = g.Image;
    EXPECT_EQ(after, g.Redrawn());

    // A click draws nothing and leaves the picture as it was.
    const QImage still = g.Image;
    g.Click(300, 150);
    EXPECT_EQ(g.Indicator.Drawings().size(), 1u);
    EXPECT_EQ(g.Image, still);
    EXPECT_FALSE(g.Indicator.StrokeActive());
}

TEST(MouseDraw, LineNeedsADrag) {
    TGesture g(TMouseMode::mmLine);
    const QImage before = g.Image;
    g.Click(100, 100);
    EXPECT_TRUE(g.Indicator.Drawings().empty());
    EXPECT_EQ(g.Image, before);

    g.Down(100, 100);
    g.Move(150, 150);
    g.Move(300, 60);
    g.Up(300, 60);
    ASSERT_EQ(g.Indicator.Drawings().size(), 1u);
    const auto* shaft = dynamic_cast<const TGShaft*>(g.Indicator.Drawings()[0].get());
    ASSERT_NE(shaft, nullptr);
    EXPECT_EQ(shaft->P1(), g.Indicator.ScreenToWorld(100, 100));
    EXPECT_EQ(shaft->P2(), g.Indicator.ScreenToWorld(300, 60));
    const QImage after = g.Image;
    EXPECT_EQ(after, g.Redrawn());
    // Drawings keep world coordinates: they follow a new view.
    g.Indicator.SetXRange(-20, 20);
    EXPECT_NE(g.Redrawn(), after);
}

TEST(MouseDraw, CombinedModeClicksSegmentsAndRightClickCancels) {
    {
        SCOPED_TRACE("click, move, click");
        TGesture g(TMouseMode::mmCombinedDraw);
        g.Click(100, 100);
        EXPECT_TRUE(g.Indicator.Drawings().empty());
        g.Move(200, 150, 0);
        g.Move(250, 160, 0);
        g.Click(250, 160);
        ASSERT_EQ(g.Indicator.Drawings().size(), 1u);
        EXPECT_NE(dynamic_cast<const TGShaft*>(g.Indicator.Drawings()[0].get()), nullptr);
        const QImage after = g.Image;
        EXPECT_EQ(after, g.Redrawn());
    }
    {
        SCOPED_TRACE("click, move, right click");
        TGesture g(TMouseMode::mmCombinedDraw);
        const QImage before = g.Image;
        g.Click(100, 100);
        g.Move(200, 150, 0);
        EXPECT_NE(g.Image, before);
        g.Click(200, 150, ssRight);
        EXPECT_TRUE(g.Indicator.Drawings().empty());
        EXPECT_EQ(g.Image, before);
    }
    {
        SCOPED_TRACE("an open segment goes when the tool changes");
        TGesture g(TMouseMode::mmCombinedDraw);
        const QImage before = g.Image;
        g.Click(100, 100);
        g.Move(200, 150, 0);
        g.Indicator.SetMouseMode(TMouseMode::mmPan);
        EXPECT_EQ(g.Image, before);
        EXPECT_TRUE(g.Indicator.Drawings().empty());
    }
    {
        SCOPED_TRACE("an open segment survives a redraw");
        TGesture g(TMouseMode::mmCombinedDraw);
        g.Click(100, 100);
        g.Move(200, 150, 0);
        const QImage shown = g.Image;
        g.DrawBuffer();
        EXPECT_EQ(g.Image, shown);
        g.Click(200, 150);
        EXPECT_EQ(g.Image, g.Redrawn());
    }
}

TEST(MouseCross, CrossHairFollowsAndLeavesNoTrace) {
    TGesture g(TMouseMode::mmCross);
    const QImage before = g.Image;
    g.Move(100, 100, 0);
    EXPECT_TRUE(g.Indicator.CrossShown());
    EXPECT_EQ(PixelColor(g.Image, 100, 16), clWhite);  // white over black
    g.Move(150, 120, 0);
    EXPECT_NE(PixelColor(g.Image, 100, 16), clWhite);  // the old one erased
    EXPECT_EQ(PixelColor(g.Image, 150, 16), clWhite);
    g.Move(500, 120, 0);  // outside: the cross stays where it was
    EXPECT_EQ(PixelColor(g.Image, 150, 16), clWhite);
    EXPECT_EQ(g.Cursor, TCursorId::crDefault);
    // A redraw in between must not make the next move draw a second cross.
    g.DrawBuffer();
    g.Move(200, 120, 0);
    EXPECT_NE(PixelColor(g.Image, 150, 16), clWhite);
    g.Indicator.SetMouseMode(TMouseMode::mmNothing);
    EXPECT_EQ(g.Image, before);
}

TEST(MouseModes, HoverCursorAndPressesOutsideThePlot) {
    for (TMouseMode mode : {TMouseMode::mmPan, TMouseMode::mmScale, TMouseMode::mmPencil}) {
        SCOPED_TRACE(static_cast<int>(mode));
        TGesture g(mode);
        g.Move(100, 100, 0);
        EXPECT_EQ(g.Cursor, g.Indicator.ModeCursor());
        g.Move(10, 10, 0);
        EXPECT_EQ(g.Cursor, TCursorId::crDefault);
        // A press in the margin starts nothing.
        g.Down(10, 100);
        g.Move(200, 100);
        g.Up(200, 100);
        EXPECT_FALSE(g.Indicator.PressedInside());
        EXPECT_EQ(g.Depth, 0);
        EXPECT_TRUE(g.Indicator.Drawings().empty());
        ExpectView(g.Indicator, -10, 10, 1, -1);
    }
}

}  // namespace
}  // namespace curvane

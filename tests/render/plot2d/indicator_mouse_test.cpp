#include <gtest/gtest.h>

#include "render/color.h"
#include "render/plot2d/indicator.h"
#include "render/test_owner.h"

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
        DrawBuffer();
    }
    static TMouseButton Button(TShiftState s) {
        return s & ssRight ? TMouseButton::mbRight : TMouseButton::mbLeft;
    }
    void Down(int x, int y, TShiftState s = ssLeft) { Indicator.MouseDown(Button(s), s, x, y); }
    void Move(int x, int y, TShiftState s = ssLeft) { Indicator.MouseMove(s, x, y); }
    void Up(int x, int y, TShiftState s = ssLeft) { Indicator.MouseUp(Button(s), 0, x, y); }
    void Click(int x, int y, TShiftState s = ssLeft) {
        Down(x, y, s);
        Up(x, y, s);
    }
    // Whether a full redraw now gives the picture shown: nothing was left behind.
    bool Clean() {
        const QImage shown = Image;
        DrawBuffer();
        return Image == shown;
    }
    // After a gesture the control must redraw on its own again.
    void ExpectSuspensionEnded() {
        EXPECT_EQ(Depth, 0);
        const int before = Draws;
        Indicator.SetAxisColor(Indicator.AxisColor() == clWhite ? clRed : clWhite);
        EXPECT_EQ(Draws, before + 1);
    }
};

void ExpectView(const TIndicator& ind, double left, double right, double top, double bottom) {
    EXPECT_NEAR(ind.WorldLeft(), left, 1e-9);
    EXPECT_NEAR(ind.WorldRight(), right, 1e-9);
    EXPECT_NEAR(ind.WorldTop(), top, 1e-9);
    EXPECT_NEAR(ind.WorldBottom(), bottom, 1e-9);
}

TEST(MouseGestures, Pan) {
    TGesture g(TMouseMode::mmPan);
    int draws = g.Draws;
    g.Down(200, 100);
    EXPECT_EQ(g.Cursor, TCursorId::crHandHold);
    g.Move(225, 100);
    g.Move(250, 100);
    EXPECT_EQ(g.Count("pan"), 0);
    EXPECT_EQ(g.Draws, draws + 2);  // the view follows every move
    g.Up(250, 100);
    ExpectView(g.Indicator, -12.5, 7.5, 1, -1);
    EXPECT_EQ(g.Count("pan"), 1);  // reported once, at release
    EXPECT_EQ(g.Count("owner:pan"), 1);
    EXPECT_EQ(g.Cursor, TCursorId::crHand);

    // A click centres the view on the point, with one redraw and no scale event.
    const QPoint p = g.Indicator.WorldToScreen(-9.5, 0.5);
    draws = g.Draws;
    g.Click(p.x(), p.y());
    ExpectView(g.Indicator, -19.5, 0.5, 1.5, -0.5);
    EXPECT_EQ(g.Draws, draws + 1);
    EXPECT_EQ(g.Count("pan"), 2);
    EXPECT_EQ(g.Count("owner:scale"), 0);
    g.ExpectSuspensionEnded();

    // A right click moves nothing and ends its suspension too.
    g.Click(200, 100, ssRight);
    ExpectView(g.Indicator, -19.5, 0.5, 1.5, -0.5);
    g.ExpectSuspensionEnded();
}

// Clicks zoom about the centre, wherever they land.
TEST(MouseGestures, ScaleClicks) {
    struct Row {
        const char* name;
        TMouseMode mode;
        TShiftState shift;
        double left, right, top, bottom;
    };
    const Row rows[] = {
        {"left click shrinks to two thirds", TMouseMode::mmScale, ssLeft, -20.0 / 3, 20.0 / 3, 2.0 / 3, -2.0 / 3},
        {"right click grows to three times", TMouseMode::mmScale, ssRight, -30, 30, 3, -3},
        {"control and left still counts as left", TMouseMode::mmScale, ssLeft | ssCtrl, -20.0 / 3, 20.0 / 3,
         2.0 / 3, -2.0 / 3},
        {"X left click halves", TMouseMode::mmScaleX, ssLeft, -5, 5, 1, -1},
        {"X right click doubles", TMouseMode::mmScaleX, ssRight, -20, 20, 1, -1},
        {"Y left click halves", TMouseMode::mmScaleY, ssLeft, -10, 10, 0.5, -0.5},
        {"Y right click doubles", TMouseMode::mmScaleY, ssRight, -10, 10, 2, -2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TGesture g(row.mode);
        const int draws = g.Draws;
        g.Click(100, 50, row.shift);
        ExpectView(g.Indicator, row.left, row.right, row.top, row.bottom);
        EXPECT_EQ(g.Draws, draws + 1);
        EXPECT_EQ(g.Count("owner:scale"), 1);
        EXPECT_TRUE(g.ZoomRects.isEmpty());
        g.ExpectSuspensionEnded();
    }
    TGesture u(TMouseMode::mmScaleX);
    u.Indicator.SetUniform(true);  // one axis alone cannot stay uniform
    u.Click(300, 40);
    EXPECT_FALSE(u.Indicator.Uniform());
}

// Drags stretch about the centre from (200, 100); a move that would turn the
// view inside out is skipped.
TEST(MouseGestures, ScaleDrags) {
    struct Row {
        const char* name;
        TMouseMode mode;
        TShiftState shift;
        QPoint to;
        double left, right, top, bottom;
        QPoint refused;
    };
    const Row rows[] = {
        {"right drag down zooms both axes out", TMouseMode::mmScale, ssRight, {200, 110}, -11, 11, 1.1, -1.1,
         {200, -200}},
        {"X drag 40 px right: 10 % wider on each side", TMouseMode::mmScaleX, ssLeft, {240, 100}, -12, 12, 1, -1,
         {-400, 100}},
        {"Y drag down widens", TMouseMode::mmScaleY, ssLeft, {200, 120}, -10, 10, 1.2, -1.2, {200, -400}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TGesture g(row.mode);
        g.Down(200, 100, row.shift);
        g.Move(row.to.x(), row.to.y(), row.shift);
        ExpectView(g.Indicator, row.left, row.right, row.top, row.bottom);
        g.Move(row.refused.x(), row.refused.y(), row.shift);
        ExpectView(g.Indicator, row.left, row.right, row.top, row.bottom);
        g.Up(row.refused.x(), row.refused.y(), row.shift);
        EXPECT_EQ(g.Count("owner:scale"), 1);
        g.ExpectSuspensionEnded();
    }
}

TEST(MouseGestures, ScaleRubberRectangle) {
    TGesture g(TMouseMode::mmScale);
    g.Down(136, 66);
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
    EXPECT_EQ(g.Cursor, TCursorId::crScale);
    g.ExpectSuspensionEnded();
    // A rectangle of no width is ignored.
    g.Down(136, 66);
    g.Move(136, 116);
    g.Up(136, 116);
    ExpectView(g.Indicator, -5, 0, 0.5, 0);
    EXPECT_TRUE(g.ZoomRects.isEmpty());
    EXPECT_EQ(g.Depth, 0);
}

TEST(MouseGestures, Pencil) {
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
    EXPECT_TRUE(g.Clean());  // exclusive-or left nothing behind

    // A click draws nothing and leaves the picture as it was.
    const QImage still = g.Image;
    g.Click(300, 150);
    EXPECT_EQ(g.Indicator.Drawings().size(), 1u);
    EXPECT_EQ(g.Image, still);
    EXPECT_FALSE(g.Indicator.StrokeActive());
}

TEST(MouseGestures, Line) {
    TGesture g(TMouseMode::mmLine);
    const QImage before = g.Image;
    g.Click(100, 100);  // a line needs a drag
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
    EXPECT_TRUE(g.Clean());
    // Drawings keep world coordinates: they follow a new view.
    const QImage after = g.Image;
    g.Indicator.SetXRange(-20, 20);
    g.DrawBuffer();
    EXPECT_NE(g.Image, after);
}

TEST(MouseGestures, CombinedDraw) {
    enum class End { Click, RightClick, ToolChange, RedrawThenClick };
    const struct {
        const char* name;
        End end;
        bool drawn;
    } rows[] = {
        {"click, move, click", End::Click, true},
        {"right click cancels", End::RightClick, false},
        {"an open segment goes when the tool changes", End::ToolChange, false},
        {"an open segment survives a redraw", End::RedrawThenClick, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TGesture g(TMouseMode::mmCombinedDraw);
        const QImage before = g.Image;
        g.Click(100, 100);
        EXPECT_TRUE(g.Indicator.Drawings().empty());
        g.Move(200, 150, 0);
        EXPECT_NE(g.Image, before);
        switch (row.end) {
            case End::Click: g.Click(200, 150); break;
            case End::RightClick: g.Click(200, 150, ssRight); break;
            case End::ToolChange: g.Indicator.SetMouseMode(TMouseMode::mmPan); break;
            case End::RedrawThenClick: {
                const QImage shown = g.Image;
                g.DrawBuffer();
                EXPECT_EQ(g.Image, shown);
                g.Click(200, 150);
                break;
            }
        }
        ASSERT_EQ(g.Indicator.Drawings().size(), row.drawn ? 1u : 0u);
        if (row.drawn)
            EXPECT_NE(dynamic_cast<const TGShaft*>(g.Indicator.Drawings()[0].get()), nullptr);
        else EXPECT_EQ(g.Image, before);
        EXPECT_TRUE(g.Clean());
    }
}

TEST(MouseGestures, Cross) {
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

TEST(MouseGestures, HoverCursorAndPressesOutsideThePlot) {
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

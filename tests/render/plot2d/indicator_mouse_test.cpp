// SPDX-License-Identifier: GPL-3.0-or-later
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
    static TMouseButton Button(TShiftState s) { return s & ssRight ? TMouseButton::mbRight : TMouseButton::mbLeft; }
    void Down(int x, int y, TShiftState s = ssLeft) { Indicator.MouseDown(Button(s), s, x, y); }
    void Move(int x, int y, TShiftState s = ssLeft) { Indicator.MouseMove(s, x, y); }
    void Up(int x, int y, TShiftState s = ssLeft) { Indicator.MouseUp(Button(s), 0, x, y); }
    void Click(int x, int y, TShiftState s = ssLeft) { Down(x, y, s); Up(x, y, s); }
    // Whether a full redraw now gives the picture shown: nothing was left behind.
    bool Clean() {
        const QImage shown = Image;
        DrawBuffer();
        return Image == shown;
    }
};

void ExpectView(const TIndicator& ind, double left, double right, double top, double bottom) {
    const double got[] = {ind.WorldLeft(), ind.WorldRight(), ind.WorldTop(), ind.WorldBottom()};
    const double expected[] = {left, right, top, bottom};
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(got[i], expected[i], 1e-9) << "edge " << i;
}

TEST(MouseGestures, Pan) {
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
    EXPECT_EQ(g.Count("pan") + g.Count("owner:pan"), 2);  // reported once, at release
    // A click centres the view on the point, with no scale event; a right
    // click moves nothing.
    const QPoint p = g.Indicator.WorldToScreen(-9.5, 0.5);
    g.Click(p.x(), p.y());
    g.Click(200, 100, ssRight);
    ExpectView(g.Indicator, -19.5, 0.5, 1.5, -0.5);
    EXPECT_EQ(g.Count("owner:scale"), 0);
    EXPECT_EQ(g.Depth, 0) << "the control redraws on its own again";
}

// Clicks zoom about the centre, wherever they land; drags stretch about the
// centre from (200, 100), and a move that would turn the view inside out is
// skipped.
TEST(MouseGestures, ScaleClicksAndDrags) {
    using enum TMouseMode;
    // A click where To is (0, 0), else a drag to To and then to Past, refused.
    const struct { const char* Why; TMouseMode Mode; TShiftState Shift; QPoint To, Past; double L, R, T, B; } rows[] = {
        {"Ctrl and left click: two thirds", mmScale, ssLeft | ssCtrl, {}, {}, -20.0 / 3, 20.0 / 3, 2.0 / 3, -2.0 / 3},
        {"X left click halves", mmScaleX, ssLeft, {}, {}, -5, 5, 1, -1},
        {"Y right click doubles", mmScaleY, ssRight, {}, {}, -10, 10, 2, -2},
        {"right drag down zooms both axes out", mmScale, ssRight, {200, 110}, {200, -200}, -11, 11, 1.1, -1.1},
        {"X drag 40 px right: 10 % wider on each side", mmScaleX, ssLeft, {240, 100}, {-400, 100}, -12, 12, 1, -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Why);
        TGesture g(row.Mode);
        const int draws = g.Draws;
        if (row.To.isNull()) {
            g.Click(100, 50, row.Shift);
            EXPECT_EQ(g.Draws, draws + 1);
            EXPECT_TRUE(g.ZoomRects.isEmpty());
        } else {
            g.Down(200, 100, row.Shift);
            g.Move(row.To.x(), row.To.y(), row.Shift);
            g.Move(row.Past.x(), row.Past.y(), row.Shift);
            g.Up(row.Past.x(), row.Past.y(), row.Shift);
        }
        ExpectView(g.Indicator, row.L, row.R, row.T, row.B);
        EXPECT_EQ(g.Count("owner:scale"), 1);
        EXPECT_EQ(g.Depth, 0) << "the control redraws on its own again";
    }
    TGesture u(TMouseMode::mmScaleX);
    u.Indicator.SetUniform(true);  // one axis alone cannot stay uniform
    u.Click(300, 40);
    EXPECT_FALSE(u.Indicator.Uniform());
}

TEST(MouseGestures, ScaleRubberRectangle) {
    TGesture g(TMouseMode::mmScale);
    g.Down(136, 66);
    g.Move(186, 91);
    g.Move(236, 116);
    // The old rectangle erased, the new one shown.
    EXPECT_EQ(g.ZoomRects, QList<QRect>{QRect(QPoint(136, 66), QPoint(236, 116))});
    const int draws = g.Draws;
    g.Up(236, 116);
    ExpectView(g.Indicator, -5, 0, 0.5, 0);
    EXPECT_TRUE(g.ZoomRects.isEmpty());
    EXPECT_EQ(g.Draws, draws + 1);  // no second redraw when the suspension ends
    EXPECT_EQ(g.Count("owner:scale"), 1);
    EXPECT_EQ(g.Depth, 0) << "the control redraws on its own again";
    // A rectangle of no width is ignored.
    g.Down(136, 66);
    g.Move(136, 116);
    g.Up(136, 116);
    ExpectView(g.Indicator, -5, 0, 0.5, 0);
}

// Pencil and line strokes are shown while drawn (exclusive-or, leaving nothing
// behind), a click draws nothing, and drawings keep world coordinates.
TEST(MouseGestures, PencilAndLine) {
    TGesture pencil(TMouseMode::mmPencil);
    pencil.Indicator.SetPencilColor(0x00FF00);
    const QImage before = pencil.Image;
    pencil.Click(300, 150);
    EXPECT_EQ(pencil.Image, before);
    pencil.Down(100, 100);
    pencil.Move(150, 120);
    EXPECT_NE(pencil.Image, before);
    pencil.Move(200, 100);
    pencil.Up(200, 100);
    const auto* poly = dynamic_cast<const TGPoly*>(pencil.Indicator.Drawings().at(0).get());
    ASSERT_TRUE(pencil.Indicator.Drawings().size() == 1 && poly && poly->Stroke().Count() == 3);
    EXPECT_EQ(PixelColor(pencil.Image, 100, 100), 0x00FF00);
    EXPECT_TRUE(pencil.Clean());

    TGesture line(TMouseMode::mmLine);
    line.Down(100, 100);
    line.Move(150, 150);
    line.Move(300, 60);
    line.Up(300, 60);
    const auto* shaft = dynamic_cast<const TGShaft*>(line.Indicator.Drawings().at(0).get());
    ASSERT_TRUE(line.Indicator.Drawings().size() == 1 && shaft);
    EXPECT_EQ(shaft->P2(), line.Indicator.ScreenToWorld(300, 60));
    EXPECT_TRUE(line.Clean());
}

TEST(MouseGestures, CombinedDraw) {
    enum class End { Click, RightClick, ToolChange, RedrawThenClick };
    const struct { const char* Name; End How; bool Drawn; } rows[] = {
        {"click, move, click", End::Click, true},
        {"right click cancels", End::RightClick, false},
        {"an open segment goes when the tool changes", End::ToolChange, false},
        {"an open segment survives a redraw", End::RedrawThenClick, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        TGesture g(TMouseMode::mmCombinedDraw);
        const QImage before = g.Image;
        g.Click(100, 100);
        g.Move(200, 150, 0);
        EXPECT_NE(g.Image, before);
        if (row.How == End::ToolChange) g.Indicator.SetMouseMode(TMouseMode::mmPan);
        EXPECT_TRUE(row.How != End::RedrawThenClick || g.Clean());
        if (row.How != End::ToolChange) g.Click(200, 150, row.How == End::RightClick ? ssRight : ssLeft);
        ASSERT_EQ(g.Indicator.Drawings().size(), row.Drawn ? 1u : 0u);
        EXPECT_TRUE(row.Drawn || g.Image == before) << "a cancelled segment leaves nothing";
        EXPECT_TRUE(g.Clean());
    }
}

TEST(MouseGestures, Cross) {
    TGesture g(TMouseMode::mmCross);
    const QImage before = g.Image;
    g.Move(100, 100, 0);
    EXPECT_EQ(PixelColor(g.Image, 100, 16), clWhite);  // white over black
    g.Move(150, 120, 0);
    EXPECT_NE(PixelColor(g.Image, 100, 16), clWhite);  // the old one erased
    g.Move(500, 120, 0);  // outside: the cross stays where it was
    EXPECT_EQ(PixelColor(g.Image, 150, 16), clWhite);
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
        EXPECT_EQ(g.Depth, 0);
        EXPECT_TRUE(g.Indicator.Drawings().empty());
        ExpectView(g.Indicator, -10, 10, 1, -1);
    }
}

}  // namespace
}  // namespace curvane

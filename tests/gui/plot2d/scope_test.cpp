// SPDX-License-Identifier: GPL-3.0-or-later
#include <string>

#include <QApplication>
#include <QPixmap>
#include <QTest>

#include <gtest/gtest.h>

#include "gui/plot2d/scope.h"
#include "render/color.h"

namespace curvane {
namespace {

// 442 x 222 pixels leave a plot of 400 x 200: 20 px a unit across for X
// -10..10 and 100 px a unit down for Y -1..1.
class ScopeTest : public ::testing::Test {
protected:
    void SetUp() override {
        scope.resize(442, 222);
        scope.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&scope));
    }

    TScope scope;
};

TEST_F(ScopeTest, BatchesRenderOnceAtTheEndAndTheBufferFollowsTheSize) {
    const QColor before = scope.Buffer().pixelColor(50, 50);
    {
        TUpdateGuard<TScope> guard(scope);
        scope.Indicator().SetBackground(0x00FF00);
        { TUpdateGuard<TScope> inner(scope); }  // ending an inner batch renders nothing
        // A resize inside a batch keeps what was there instead of garbage.
        scope.resize(460, 230);
        QApplication::processEvents();
        EXPECT_EQ(scope.Buffer().pixelColor(50, 50), before);
    }
    EXPECT_EQ(FromQColor(scope.Buffer().pixelColor(50, 50)), 0x00FF00);
    // The buffer and the plot's control rectangle stop at 50 x 50.
    scope.resize(30, 20);
    QApplication::processEvents();
    EXPECT_EQ(scope.Buffer().size(), QSize(50, 50));
    EXPECT_EQ(scope.Indicator().ControlRect(), (TPixelRect{0, 0, 50, 50}));
}

TEST_F(ScopeTest, EventsRunTheIndicatorsHandlerFirst) {
    TIndicator& ind = scope.Indicator();
    std::string order;
    ind.OnAfterScale = [&](TIndicator& s) { order += &s == &ind ? "indicator " : "? "; };
    scope.OnAfterScale = [&](TIndicator& s) { order += &s == &ind ? "scope " : "? "; };
    ind.SetXRange(-5, 5);
    scope.BeginUpdate();
    ind.SetXRange(-4, 4);  // suspended: the scope's handler is skipped
    scope.EndUpdate();
    EXPECT_EQ(order, "indicator scope indicator ");

    QString seen;
    ind.OnGetAxisLabel = [](double, TAxis, QString& text) { text = "A"; };
    scope.OnGetAxisLabel = [&](double, TAxis, QString& text) { seen = text; };
    scope.DrawBuffer();
    EXPECT_EQ(seen, "A");
}

TEST_F(ScopeTest, RealMouseEventsReachTheIndicator) {
    scope.Indicator().SetMouseMode(TMouseMode::mmPan);
    std::string events;
    scope.OnAfterPan = [&](TIndicator&) { events += "pan "; };
    scope.OnMouseMove = [&](int, int) { events += "move "; };
    QTest::mousePress(&scope, Qt::LeftButton, {}, {150, 100});
    EXPECT_EQ(scope.cursor().shape(), Qt::BitmapCursor);  // the holding hand
    QTest::mouseMove(&scope, {200, 100});
    QTest::mouseRelease(&scope, Qt::LeftButton, {}, {200, 100});
    EXPECT_DOUBLE_EQ(scope.Indicator().WorldLeft(), -12.5);
    EXPECT_EQ(events, "move pan ");
    QTest::mouseMove(&scope, {5, 5});
    EXPECT_EQ(scope.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(ScopeTest, RubberRectangleIsInvertedOnScreenOnly) {
    scope.Indicator().SetMouseMode(TMouseMode::mmScale);
    QTest::mousePress(&scope, Qt::LeftButton, {}, {136, 66});
    QTest::mouseMove(&scope, {236, 116});
    const QImage buffer = scope.Buffer();
    const QImage screen = scope.grab().toImage().convertToFormat(QImage::Format_RGB32);
    // Inverted pixels in the rectangle r.
    auto inverted = [&](QRect r) {
        int count = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                count += ((screen.pixel(x, y) ^ buffer.pixel(x, y)) & 0xFFFFFF) == 0xFFFFFF;
        return count;
    };
    // Every other pixel of each edge is inverted, each once (the corners
    // too); the inside stays.
    EXPECT_EQ(inverted({136, 66, 101, 1}), 50);
    EXPECT_EQ(inverted({136, 67, 1, 49}), 25);
    EXPECT_EQ(inverted({136, 66, 101, 51}), 2 * 50 + 2 * 25);
    QTest::mouseRelease(&scope, Qt::LeftButton, {}, {236, 116});
    EXPECT_TRUE(scope.ZoomRects().isEmpty());
}

}  // namespace
}  // namespace curvane

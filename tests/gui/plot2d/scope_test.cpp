#include <string>
#include <vector>

#include <QApplication>
#include <QMouseEvent>
#include <QPixmap>
#include <QTest>

#include <gtest/gtest.h>

#include "gui/plot2d/scope.h"
#include "render/color.h"
#include "render/fonts.h"

namespace curvane {
namespace {

// 442 x 222 pixels leave a plot of 400 x 200: 20 px a unit across for X
// -10..10 and 100 px a unit down for Y -1..1.
class ScopeTest : public ::testing::Test {
protected:
    void SetUp() override {
        InstallFontSubstitutions();
        scope.resize(442, 222);
        scope.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&scope));
    }

    void Send(QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(p), scope.mapToGlobal(QPointF(p)), button, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(&scope, &event);
    }
    void Press(QPoint p, Qt::MouseButton b = Qt::LeftButton) {
        Send(QEvent::MouseButtonPress, p, b, b);
    }
    void Drag(QPoint p, Qt::MouseButton b = Qt::LeftButton) { Send(QEvent::MouseMove, p, Qt::NoButton, b); }
    void Release(QPoint p, Qt::MouseButton b = Qt::LeftButton) {
        Send(QEvent::MouseButtonRelease, p, b, Qt::NoButton);
    }
    void Hover(QPoint p) { Send(QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton); }

    TScope scope;
};

TEST_F(ScopeTest, NewControlShowsTheDefaultViewAndRendersOnResize) {
    TIndicator& ind = scope.Indicator();
    EXPECT_EQ(scope.Buffer().size(), QSize(442, 222));
    EXPECT_EQ(FromQColor(scope.Buffer().pixelColor(35, 15)), clWhite);  // the frame
    EXPECT_EQ(scope.Buffer().pixelColor(0, 0), ToQColor(scope.Plot().Background()));

    scope.resize(30, 20);
    QApplication::processEvents();
    EXPECT_EQ(scope.Buffer().size(), QSize(50, 50));
    EXPECT_EQ(ind.ControlRect(), (TPixelRect{0, 0, 50, 50}));
}

TEST_F(ScopeTest, BatchesRenderOnceAtTheEnd) {
    TIndicator& ind = scope.Indicator();
    const QColor before = scope.Buffer().pixelColor(50, 50);
    {
        TUpdateGuard<TScope> guard(scope);
        ind.SetBackground(0x00FF00);
        EXPECT_EQ(scope.Buffer().pixelColor(50, 50), before);
        {
            TUpdateGuard<TScope> inner(scope);
            ind.SetLabels(false);
        }
        EXPECT_TRUE(scope.UpdateSuspended());  // the outer batch still holds
        EXPECT_EQ(scope.Buffer().pixelColor(50, 50), before);
        // A resize inside a batch keeps what was there instead of garbage.
        scope.resize(460, 230);
        QApplication::processEvents();
        EXPECT_EQ(scope.Buffer().pixelColor(50, 50), before);
    }
    EXPECT_EQ(FromQColor(scope.Buffer().pixelColor(50, 50)), 0x00FF00);
}

TEST_F(ScopeTest, EventsRunTheIndicatorsHandlerFirst) {
    TIndicator& ind = scope.Indicator();
    std::vector<std::string> order;
    ind.OnAfterScale = [&](TIndicator& s) { order.push_back(&s == &ind ? "indicator" : "?"); };
    scope.OnAfterScale = [&](TIndicator& s) { order.push_back(&s == &ind ? "scope" : "?"); };
    ind.SetXRange(-5, 5);
    EXPECT_EQ(order, (std::vector<std::string>{"indicator", "scope"}));

    order.clear();
    scope.BeginUpdate();
    ind.SetXRange(-4, 4);
    scope.EndUpdate();
    EXPECT_EQ(order, (std::vector<std::string>{"indicator"}));  // suspended: the scope's skipped

    std::vector<QString> seen;
    ind.OnGetAxisLabel = [](double, int, QString& text) { text = "A"; };
    scope.OnGetAxisLabel = [&](double, int axis, QString& text) {
        if (axis == 1) seen.push_back(text);
        text = "B";
    };
    scope.DrawBuffer();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), "A");
}

TEST_F(ScopeTest, PanByFiftyPixelsWithTheRealMouse) {
    TIndicator& ind = scope.Indicator();
    ind.SetMouseMode(TMouseMode::mmPan);
    int pans = 0;
    scope.OnAfterPan = [&](TIndicator&) { ++pans; };
    std::vector<QPoint> moves;
    scope.OnMouseMove = [&](int x, int y) { moves.emplace_back(x, y); };
    Hover({150, 100});
    EXPECT_EQ(scope.cursor().shape(), Qt::BitmapCursor);
    QTest::mousePress(&scope, Qt::LeftButton, {}, {150, 100});
    QTest::mouseMove(&scope, {175, 100});
    QTest::mouseMove(&scope, {200, 100});
    EXPECT_EQ(pans, 0);
    QTest::mouseRelease(&scope, Qt::LeftButton, {}, {200, 100});
    EXPECT_DOUBLE_EQ(ind.WorldLeft(), -12.5);
    EXPECT_DOUBLE_EQ(ind.WorldRight(), 7.5);
    EXPECT_EQ(pans, 1);
    EXPECT_EQ(moves.size(), 3u);
    Hover({5, 5});
    EXPECT_EQ(scope.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(ScopeTest, RubberRectangleIsInvertedOnScreenOnly) {
    TIndicator& ind = scope.Indicator();
    ind.SetMouseMode(TMouseMode::mmScale);
    Press({136, 66});
    Drag({236, 116});
    const QImage buffer = scope.Buffer();
    const QImage screen = scope.grab().toImage().convertToFormat(QImage::Format_RGB32);
    auto inverted = [&](int x, int y) {
        return (screen.pixel(x, y) & 0xFFFFFF) == (~buffer.pixel(x, y) & 0xFFFFFF);
    };
    // Every other pixel of each edge is inverted, each once; the inside stays.
    auto invertedOn = [&](QPoint from, QPoint step, int n) {
        int count = 0;
        for (int i = 0; i < n; ++i) count += inverted(from.x() + i * step.x(), from.y() + i * step.y());
        return count;
    };
    EXPECT_EQ(invertedOn({136, 66}, {1, 0}, 100), 50);
    EXPECT_EQ(invertedOn({136, 116}, {1, 0}, 100), 50);
    EXPECT_EQ(invertedOn({136, 67}, {0, 1}, 48), 24);
    EXPECT_EQ(invertedOn({236, 67}, {0, 1}, 48), 24);
    EXPECT_EQ(invertedOn({137, 90}, {1, 0}, 98), 0);
    Release({236, 116});
    EXPECT_TRUE(scope.ZoomRects().isEmpty());
    EXPECT_DOUBLE_EQ(ind.WorldLeft(), -5);
    EXPECT_DOUBLE_EQ(ind.WorldRight(), 0);
    EXPECT_FALSE(scope.UpdateSuspended());
}

}  // namespace
}  // namespace curvane

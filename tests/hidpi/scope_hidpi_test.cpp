// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include "gui/plot2d/scope.h"
#include "render/color.h"

namespace curvane {
namespace {

TPlotColor DeviceColor(const QImage& image, int x, int y) { return FromQColor(QColor::fromRgb(image.pixel(x, y))); }

// The plot stays in logical pixels (442 x 222, a plot of 400 x 200, X
// -10..10 and Y -1..1) while its picture has twice the pixels each way.
TEST(ScopeHiDpi, PictureHasTheScreensPixelsAndTheMouseKeepsItsMeaning) {
    ASSERT_EQ(qApp->devicePixelRatio(), 2);
    TScope scope;
    scope.resize(442, 222);
    scope.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&scope));
    const TIndicator& ind = scope.Indicator();
    ASSERT_EQ(scope.Buffer().size(), QSize(884, 444));
    EXPECT_EQ(ind.ControlRect(), (TPixelRect{0, 0, 442, 222}));
    EXPECT_EQ(ind.Width(), 400);

    // The X axis covers both device rows of its logical row, between ticks.
    const int x = *ind.ScreenX(ind.StepX() / 2), y = *ind.ScreenY(0);
    const TPlotColor column[] = {clBlack, clRed, clRed, clBlack};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(DeviceColor(scope.Buffer(), 2 * x, 2 * y - 1 + i), column[i]) << i;

    // The cross hair is inverted on the device pixels of its logical column,
    // and goes with the next picture.
    const QImage plain = scope.Buffer().copy();
    scope.Indicator().SetMouseMode(TMouseMode::mmCross);
    QTest::mouseMove(&scope, {200, 100});
    ASSERT_TRUE(QTest::qWaitFor([&] { return ind.CrossShown(); }));
    const QImage crossed = scope.Buffer();
    auto invertedRows = [&](int deviceX) {  // along the dotted line, above its crossing
        int n = 0;
        for (int row = 40; row < 180; ++row)
            n += ((crossed.pixel(deviceX, row) ^ plain.pixel(deviceX, row)) & 0xFFFFFF) == 0xFFFFFF;
        return n;
    };
    EXPECT_GT(invertedRows(400), 20);
    EXPECT_EQ(invertedRows(401), invertedRows(400));
    EXPECT_EQ(invertedRows(399), 0);
    EXPECT_EQ(invertedRows(402), 0);
    scope.Indicator().SetMouseMode(TMouseMode::mmPan);
    EXPECT_EQ(scope.Buffer(), plain);

    // Dragging 50 logical pixels moves the view by 50 of them: 2.5 units.
    QTest::mousePress(&scope, Qt::LeftButton, {}, {150, 100});
    QTest::mouseMove(&scope, {200, 100});
    QTest::mouseRelease(&scope, Qt::LeftButton, {}, {200, 100});
    EXPECT_DOUBLE_EQ(ind.WorldLeft(), -12.5);
}

}  // namespace
}  // namespace curvane

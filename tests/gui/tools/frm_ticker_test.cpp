// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/tools/frm_ticker.h"

#include <QLabel>
#include <QSlider>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/document/func_item.h"
#include "gui/plot2d/points_of_interest.h"
#include "gui/tools/tool_test_frame.h"
#include "render/plot2d/plot2d.h"

namespace curvane {
namespace {

using TickerTest = testing::ToolTestFrame;

QString Short4(double value) { return QString::fromStdString(FormatGeneral(value, 4)); }

// The pixels where two pictures differ.
QList<QPoint> Differences(const QImage& a, const QImage& b) {
    QList<QPoint> points;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((a.pixel(x, y) ^ b.pixel(x, y)) & 0xFFFFFF) points << QPoint(x, y);
    return points;
}

TEST_F(TickerTest, WalksTheFunctionWithOneInvertedCrossAndOnlyAlongExplicitCurves) {
    QAction* command = FMain->CalculusCommands().FuncTicker;
    Trigger(command);
    TfrmTicker* ticker = TfrmTicker::Instance();
    ASSERT_NE(ticker, nullptr);
    EXPECT_TRUE(command->isChecked());
    EXPECT_FALSE(ticker->TrackBar1->isEnabled());
    EXPECT_EQ(ticker->windowTitle(), "Ticker: no function");

    auto* window = qobject_cast<TfrmChild2D_*>(NewWindow(FMain->FileCommands().FileNew2D, "sin(x)"));
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticker->TrackBar1->isEnabled(); })) << "the main window refreshes it";
    EXPECT_EQ(ticker->windowTitle().toStdString(), "Ticker: " + FuncCaption(*window->ActiveFunc(), false));
    const TIndicator& ind = window->Indicator();
    EXPECT_EQ(ticker->lblX1->text(), Short4(ind.WorldLeft()));
    EXPECT_EQ(ticker->lblX2->text(), Short4(ind.WorldRight()));

    window->Redraw();
    const QImage plain = window->Scope()->Buffer().copy();
    QTest::keyClick(ticker->TrackBar1, Qt::Key_End);
    EXPECT_EQ(ticker->edtX->text(), Short4(ind.WorldRight()));
    EXPECT_EQ(ticker->edtY->text(), Short4(std::sin(ind.WorldRight())));
    QTest::keyClick(ticker->TrackBar1, Qt::Key_Home);
    EXPECT_EQ(ticker->edtX->text(), Short4(ind.WorldLeft()));
    QTest::keyClick(ticker->TrackBar1, Qt::Key_PageUp);
    QTest::keyClick(ticker->TrackBar1, Qt::Key_PageUp);
    ASSERT_EQ(ticker->TrackBar1->value(), 20);

    // One cross of 19 inverted pixels (arms of 5, the centre once) at the
    // last point; the crosses before it are gone.
    const double x = ind.WorldLeft() + (ind.WorldRight() - ind.WorldLeft()) * 0.2;
    const QPoint p = ind.WorldToScreen(x, std::sin(x));
    const QImage& buffer = window->Scope()->Buffer();
    const QList<QPoint> changed = Differences(plain, buffer);
    EXPECT_EQ(changed.size(), 19);
    for (const QPoint& q : changed) {
        EXPECT_TRUE(q.x() == p.x() || q.y() == p.y()) << q.x() << "," << q.y();
        EXPECT_LE((q - p).manhattanLength(), 5);
        EXPECT_EQ((plain.pixel(q) ^ buffer.pixel(q)) & 0xFFFFFF, 0xFFFFFFu) << "inverted";
    }

    // Leaving the ticker for the main window removes the cross.
    ticker->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(ticker));
    FMain->activateWindow();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Differences(plain, window->Scope()->Buffer()).isEmpty(); }));

    // A fault at one x is that point's value, not a crash.
    NewWindow(FMain->FileCommands().FileNew2D, "ln(x)");
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticker->windowTitle().contains("ln"); }));
    QTest::keyClick(ticker->TrackBar1, Qt::Key_PageDown);
    EXPECT_FALSE(ParseDouble(ticker->edtY->text().toStdString())) << ticker->edtY->text().toStdString();

    NewWindow(FMain->FileCommands().FileNew3D, "x*y");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !ticker->TrackBar1->isEnabled(); }));
    EXPECT_EQ(ticker->windowTitle(), "Ticker: no function");

    Trigger(command);
    EXPECT_TRUE(QTest::qWaitFor([] { return TfrmTicker::Instance() == nullptr; }));
    EXPECT_FALSE(command->isChecked());
}

// With points of interest shown, a ticker position a few pixels from a root
// stops on the root; one farther off stays where it is.
TEST_F(TickerTest, CrossStopsOnAMarkedPointNearby) {
    Trigger(FMain->CalculusCommands().FuncTicker);
    TfrmTicker* ticker = TfrmTicker::Instance();
    ASSERT_NE(ticker, nullptr);
    auto* window = qobject_cast<TfrmChild2D_*>(NewWindow(FMain->FileCommands().FileNew2D, "sin(x)"));
    ASSERT_NE(window, nullptr);
    window->SetPlotSize({400, 300});
    window->Indicator().SetUniform(false);
    window->Indicator().SetXRange(-9.9, 10.1);  // the middle position is x = 0.1, two pixels from the root
    TPointsOfInterest& points = window->PointsOfInterest();
    points.SetShown(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return points.Results() > 0 && !points.Searching(); }));
    const std::vector<TPointMark>& marks = window->Plot().Points().Marks();
    const auto root = std::find_if(marks.begin(), marks.end(), [](const TPointMark& m) { return std::abs(m.X) < 0.1; });
    ASSERT_NE(root, marks.end());
    ticker->RefreshTicker();
    ticker->TrackBar1->setValue(50);
    EXPECT_EQ(ticker->edtX->text(), Short4(root->X));
    EXPECT_EQ(ticker->edtY->text(), Short4(root->Y));
    ticker->TrackBar1->setValue(52);  // 9 pixels on
    EXPECT_EQ(ticker->edtX->text(), Short4(0.5));
}

}  // namespace
}  // namespace curvane

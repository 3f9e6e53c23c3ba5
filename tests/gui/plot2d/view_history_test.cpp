// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include <QNativeGestureEvent>
#include <QPointingDevice>
#include <QWheelEvent>

#include "gui/app/view2d_commands.h"
#include "gui/tools/tool_test_frame.h"

namespace curvane {
namespace {

using ViewHistoryWindowTest = testing::ToolTestFrame;

// A real wheel turn of `angle` eighths of a degree at `pixel` of the scope.
void Wheel(TScope* scope, QPoint pixel, QPoint angle, Qt::KeyboardModifiers modifiers = {}) {
    QWheelEvent event(pixel, scope->mapToGlobal(pixel), QPoint(), angle, Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(scope, &event);
}

// A 2D window with sin(x) in a shown main window, in the Nothing mode: the
// wheel and the keys work in every mode.
class ViewStepTest : public testing::ToolTestFrame {
protected:
    void SetUp() override {
        ToolTestFrame::SetUp();
        window = qobject_cast<TfrmChild2D_*>(NewWindow(FMain->FileCommands().FileNew2D, "sin(x)"));
        ASSERT_NE(window, nullptr);
        window->SetPlotSize({400, 300});
        FMain->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(FMain.get()));
    }

    TfrmChild2D_* window = nullptr;
};

TEST_F(ViewHistoryWindowTest, PanZoomAndUniformAreWalkedBackAndForthExactly) {
    auto* window = qobject_cast<TfrmChild2D_*>(NewWindow(FMain->FileCommands().FileNew2D, "sin(x)"));
    ASSERT_NE(window, nullptr);
    FMain->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(FMain.get()));
    TView2DCommands& view = FMain->View2DCommands();
    TIndicator& ind = window->Indicator();
    TScope* scope = window->Scope();
    std::vector<TWorldView> views{ind.View()};
    const auto walk = [&](Qt::Key key) {
        QTest::keyClick(scope, key, Qt::AltModifier);
        QApplication::processEvents();
    };

    // A drag of several moves is one step; then a zoom and the uniform switch.
    Trigger(view.actPan);
    QTest::mousePress(scope, Qt::LeftButton, {}, QPoint(200, 150));
    QTest::mouseMove(scope, QPoint(230, 160));
    QTest::mouseMove(scope, QPoint(260, 120));
    QTest::mouseRelease(scope, Qt::LeftButton, {}, QPoint(260, 120));
    views.push_back(ind.View());
    EXPECT_EQ(window->ViewHistory().BackCount(), 1u);
    Trigger(view.actScale);
    QTest::mouseClick(scope, Qt::LeftButton, {}, QPoint(150, 100));
    views.push_back(ind.View());
    Trigger(view.actDisUniform);
    views.push_back(ind.View());
    EXPECT_NE(views[3].Uniform, views[2].Uniform);
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.actViewPrevious->isEnabled(); }));
    EXPECT_FALSE(view.actViewNext->isEnabled());

    for (int i = 2; i >= 0; --i) {
        walk(Qt::Key_Left);
        EXPECT_EQ(ind.View(), views[i]) << "back to " << i;
    }
    // The curve is sampled for the view, and the switch shows its uniform scale.
    EXPECT_EQ(ind.Plines()[0].Pline().GetVertex(0)[0], ind.WorldLeft());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !view.actViewPrevious->isEnabled(); }));
    EXPECT_EQ(view.actDisUniform->isChecked(), !views[0].Uniform);
    for (int i = 1; i <= 3; ++i) {
        walk(Qt::Key_Right);
        EXPECT_EQ(ind.View(), views[i]) << "forward to " << i;
    }

    // Back one, then a new zoom: the view ahead is forgotten.
    walk(Qt::Key_Left);
    QTest::mouseClick(scope, Qt::LeftButton, {}, QPoint(120, 90));
    EXPECT_FALSE(window->ViewHistory().CanForward());
    walk(Qt::Key_Left);
    EXPECT_EQ(ind.View(), views[2]);
}

TEST_F(ViewStepTest, WheelZoomKeepsThePointUnderThePointerWithinTheRangeLimits) {
    TIndicator& ind = window->Indicator();
    TScope* scope = window->Scope();
    const QPoint pointer(150, 90);
    const auto wheel = [&](QPoint angle, Qt::KeyboardModifiers modifiers = {}) {
        return [=] { Wheel(scope, pointer, angle, modifiers); };
    };
    const auto pinch = [&](double growth) {
        return [=] {
            QNativeGestureEvent event(Qt::ZoomNativeGesture, QPointingDevice::primaryPointingDevice(), 2, pointer,
                                      pointer, scope->mapToGlobal(pointer), growth, {});
            QApplication::sendEvent(scope, &event);
        };
    };
    const struct {
        const char* Reason;
        std::function<void()> Send;
        double RatioX, RatioY;
    } rows[] = {
        {"a notch forward zooms in", wheel({0, 120}), 0.8, 0.8},
        {"a notch back zooms out", wheel({0, -120}), 1.25, 1.25},
        {"a fine wheel's eighth of a notch zooms an eighth as much", wheel({0, 15}), std::pow(1.25, -0.125),
         std::pow(1.25, -0.125)},
        {"a pinch opened by a quarter zooms in as a notch does", pinch(0.25), 0.8, 0.8},
        {"Ctrl zooms the x axis alone", wheel({0, 120}, Qt::ControlModifier), 0.8, 1},
    };
    const auto expectUnderPointer = [&](QPointF world) {
        const QPoint now = ind.WorldToScreen(world);
        EXPECT_LE(std::max(std::abs(now.x() - pointer.x()), std::abs(now.y() - pointer.y())), 1);
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Reason);
        const QPointF fixed = ind.ScreenToWorld(pointer);
        const double width = ind.WorldWidth(), height = ind.WorldHeight();
        row.Send();
        EXPECT_NEAR(ind.WorldWidth() / width, row.RatioX, 1e-9);
        EXPECT_NEAR(ind.WorldHeight() / height, row.RatioY, 1e-9);
        expectUnderPointer(fixed);
    }
    // The curve follows once the steps are handled.
    EXPECT_TRUE(QTest::qWaitFor([&] { return ind.Plines()[0].Pline().GetVertex(0)[0] == ind.WorldLeft(); }));

    // Far past either limit the steps stop within a step of it, the point
    // under the pointer still in place (a drift of a pixel a step adds up).
    for (const int notch : {120, -120}) {
        SCOPED_TRACE(notch);
        const QPointF fixed = ind.ScreenToWorld(pointer);
        for (int i = 0; i < 150; ++i) Wheel(scope, pointer, {0, notch});
        const double narrow = std::min(ind.WorldWidth(), ind.WorldHeight());
        const double wide = std::max(ind.WorldWidth(), ind.WorldHeight());
        EXPECT_TRUE(notch > 0 ? narrow >= TIndicator::MinRange && narrow < 1.25 * TIndicator::MinRange
                              : wide <= TIndicator::MaxRange && wide > TIndicator::MaxRange / 1.25);
        expectUnderPointer(fixed);
    }
}

TEST_F(ViewStepTest, KeysAndSidewaysTurnsPanByATenthAndPlusMinusZoomAboutTheCentre) {
    TIndicator& ind = window->Indicator();
    TScope* scope = window->Scope();
    const auto key = [scope](Qt::Key k, Qt::KeyboardModifiers m = {}) {
        return [=] { QTest::keyClick(scope, k, m); };
    };
    const struct {
        const char* Reason;
        std::function<void()> Send;
        double MoveX, MoveY, Ratio;
    } rows[] = {
        {"Right", key(Qt::Key_Right), 0.1, 0, 1},
        {"Left", key(Qt::Key_Left), -0.1, 0, 1},
        {"Up", key(Qt::Key_Up), 0, 0.1, 1},
        {"Down, from the keypad", key(Qt::Key_Down, Qt::KeypadModifier), 0, -0.1, 1},
        {"+", key(Qt::Key_Plus, Qt::ShiftModifier), 0, 0, 0.8},
        {"keypad -", key(Qt::Key_Minus, Qt::KeypadModifier), 0, 0, 1.25},
        {"= as + without Shift", key(Qt::Key_Equal), 0, 0, 0.8},
        {"Ctrl+Left is no step", key(Qt::Key_Left, Qt::ControlModifier), 0, 0, 1},
        {"Shift and the wheel forward", [&] { Wheel(scope, {100, 100}, {0, 120}, Qt::ShiftModifier); }, -0.1, 0, 1},
        {"Shift and the wheel as Qt turned it sideways",
         [&] { Wheel(scope, {100, 100}, {-240, 0}, Qt::ShiftModifier); }, 0.2, 0, 1},
        {"a touchpad's swipe to the left", [&] { Wheel(scope, {100, 100}, {60, 0}); }, -0.05, 0, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Reason);
        const double width = ind.WorldWidth(), height = ind.WorldHeight();
        const double cx = ind.OriginX() + width / 2, cy = ind.OriginY() - height / 2;
        row.Send();
        EXPECT_NEAR(ind.OriginX() + ind.WorldWidth() / 2 - cx, row.MoveX * width, 1e-9 * width);
        EXPECT_NEAR(ind.OriginY() - ind.WorldHeight() / 2 - cy, row.MoveY * height, 1e-9 * height);
        EXPECT_NEAR(ind.WorldWidth() / width, row.Ratio, 1e-9);
        EXPECT_NEAR(ind.WorldHeight() / height, row.Ratio, 1e-9);
    }
    // A formula entered in the function box leaves the keyboard there, for
    // the next one; a window opened by its command gives it to the plot.
    auto* opened = qobject_cast<TfrmChild2D_*>(NewWindow(FMain->FileCommands().FileNew2D));
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(QApplication::focusWidget(), opened->Scope()) << "a new window's plot has the keyboard";
}

TEST_F(ViewStepTest, EachBurstOfStepsIsOneEntryOfTheViewHistory) {
    TIndicator& ind = window->Indicator();
    TScope* scope = window->Scope();
    const TViewHistory& history = window->ViewHistory();
    std::vector<TWorldView> views{ind.View()};
    // Zooms by wheel and key are one burst; the pans that follow another.
    for (int i = 0; i < 3; ++i) Wheel(scope, {120, 80}, {0, 120});
    QTest::keyClick(scope, Qt::Key_Minus);
    views.push_back(ind.View());
    QTest::keyClick(scope, Qt::Key_Right);
    QTest::keyClick(scope, Qt::Key_Right);
    EXPECT_EQ(history.BackCount(), 2u);
    // A pause ends a burst.
    QTest::qWait(ViewBurstPauseMs + 100);
    views.push_back(ind.View());
    QTest::keyClick(scope, Qt::Key_Right);
    EXPECT_EQ(history.BackCount(), 3u);

    // Previous view right away ends the burst under way as well.
    for (int i = 2; i >= 0; --i) {
        QTest::keyClick(scope, Qt::Key_Left, Qt::AltModifier);
        QApplication::processEvents();
        EXPECT_EQ(ind.View(), views[i]) << "back to " << i;
    }
}

}  // namespace
}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#include <vector>

#include "gui/app/view2d_commands.h"
#include "gui/tools/tool_test_frame.h"

namespace curvane {
namespace {

using ViewHistoryWindowTest = testing::ToolTestFrame;

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

}  // namespace
}  // namespace curvane

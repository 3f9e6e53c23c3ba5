// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/frm_options.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QScreen>
#include <QTabWidget>
#include <QUndoStack>

#include <functional>
#include <numbers>

#include "gui/app/function_commands.h"
#include "gui/app/window_commands.h"
#include "gui/plot3d/frm_child3d.h"
#include "gui/plot3d/gl_panel.h"
#include "gui/shell_test_helpers.h"
#include "gui/tools/tool_test_frame.h"
#include "gui/widgets/splash.h"

namespace curvane {
namespace {

class OptionsTest : public testing::ToolTestFrame {
protected:
    // Runs `command`, hands its dialog to `work`, which must close it, and
    // checks the dialog is gone afterwards.
    void WithDialog(QAction* command, const std::function<void(TfrmOptions&)>& work) {
        QPointer<TfrmOptions> seen;
        FAnswer.Then([&](QWidget* modal) {
            seen = qobject_cast<TfrmOptions*>(modal);
            if (seen) work(*seen);
            else modal->close();
        });
        Trigger(command);
        EXPECT_EQ(FAnswer.Pending(), 0u);
        EXPECT_TRUE(FAnswer.Unexpected.isEmpty()) << FAnswer.Unexpected.join(", ").toStdString();
        QApplication::processEvents();
        EXPECT_TRUE(seen.isNull()) << "the dialog is freed when it closes";
    }
    static void Click(TfrmOptions& dialog, const char* name) {
        auto* widget = dialog.findChild<QAbstractButton*>(name);
        ASSERT_NE(widget, nullptr) << name;
        QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(4, widget->height() / 2));
        QApplication::processEvents();
    }
    static bool Ticked(TfrmOptions& dialog, const char* name) {
        return dialog.findChild<QCheckBox*>(name)->isChecked();
    }
    static TIndicator& IndicatorOf(TfrmAbstractMDIChild* window) {
        return qobject_cast<TfrmChild2D_*>(window)->Indicator();
    }

    testing::TModalAnswerer FAnswer;
};

// Grid setup works on the active window only unless told otherwise, and
// leaves the defaults alone; Options, opened for the defaults and every
// window, changes what a new window looks like.
TEST_F(OptionsTest, ApplyReachesTheActiveWindowOrAllAndSavesDefaultsOnlyWhenAsked) {
    TfrmAbstractMDIChild* first = NewWindow(FMain->FileCommands().FileNew2D);
    TfrmAbstractMDIChild* second = NewWindow(FMain->FileCommands().FileNew2D);
    ASSERT_TRUE(first && second && CurrentGraphWindow(FMain->MdiArea()) == second);
    const TSettings before = Settings();

    WithDialog(FMain->FunctionCommands().FuncGridSetup, [&](TfrmOptions& dialog) {
        EXPECT_EQ(dialog.Pages()->currentWidget()->objectName(), "tsh2D");
        EXPECT_EQ(dialog.Pages2D()->currentWidget()->objectName(), "tshGrid");
        EXPECT_FALSE(Ticked(dialog, "cbxSaveDefault"));
        EXPECT_FALSE(Ticked(dialog, "cbxApplyAll"));

        Click(dialog, "cbxFullGrid");
        EXPECT_TRUE(dialog.Preview2D()->Indicator().FullGrid()) << "the preview follows at once";
        // Radians: the preview's grid steps by pi and labels in its multiples.
        auto* units = dialog.findChild<QComboBox*>("cbxUnitsX");
        units->setCurrentIndex(1);
        emit units->activated(1);
        const TIndicator& preview = dialog.Preview2D()->Indicator();
        EXPECT_DOUBLE_EQ(preview.GridGranularityX(), std::numbers::pi);
        bool piLabel = false;
        for (const TAxisLabel& label : preview.AxisLabels())
            piLabel |= label.Axis == TAxis::axX && label.Text.contains(QStringLiteral("Pi"));
        EXPECT_TRUE(piLabel);

        Click(dialog, "btnApply");
        EXPECT_TRUE(IndicatorOf(second).FullGrid());
        EXPECT_FALSE(IndicatorOf(first).FullGrid()) << "only the active window";
        EXPECT_EQ(qobject_cast<TfrmChild2D_*>(second)->Plot().UnitsXMode(), TUnits::uRadians);

        Click(dialog, "cbxApplyAll");
        Click(dialog, "btnApply");
        EXPECT_TRUE(IndicatorOf(first).FullGrid());
        Click(dialog, "btnCancel");
    });
    EXPECT_EQ(Settings(), before);
    // What a window's document keeps is one undo step per Apply that changed it.
    ASSERT_EQ(second->UndoStack()->count(), 1);
    EXPECT_EQ(second->UndoStack()->undoText(), "Options");
    second->UndoStack()->undo();
    EXPECT_FALSE(IndicatorOf(second).FullGrid());
    EXPECT_EQ(qobject_cast<TfrmChild2D_*>(second)->Plot().UnitsXMode(), TUnits::uDimensionless);
    EXPECT_FALSE(IndicatorOf(NewWindow(FMain->FileCommands().FileNew2D)).FullGrid());

    WithDialog(FMain->WindowCommands().ViewOptions, [&](TfrmOptions& dialog) {
        EXPECT_EQ(dialog.Pages()->currentWidget()->objectName(), "tshGeneral");
        EXPECT_TRUE(Ticked(dialog, "cbxSaveDefault"));
        EXPECT_TRUE(Ticked(dialog, "cbxApplyAll"));
        Click(dialog, "cbxLabels");
        Click(dialog, "btnOk");
    });
    EXPECT_FALSE(Settings().Window2D.Labels);
    EXPECT_FALSE(IndicatorOf(first).Labels());
    EXPECT_FALSE(IndicatorOf(NewWindow(FMain->FileCommands().FileNew2D)).Labels());
}

// The 3D choices exist only once their page was shown: Apply leaves 3D
// windows alone before that, and carries the page's switches after it.
TEST_F(OptionsTest, ThreeDimensionalWindowChangesOnlyAfterItsPageWasShown) {
    if (!OpenGLProblem().isEmpty()) GTEST_SKIP() << OpenGLProblem().toStdString();
    auto* window = qobject_cast<TfrmChild3D*>(NewWindow(FMain->FileCommands().FileNew3D));
    ASSERT_NE(window, nullptr);
    const TScene3DStyle& style = window->Plot().Style();
    ASSERT_TRUE(style.Axes);

    WithDialog(FMain->WindowCommands().ViewOptions, [&](TfrmOptions& dialog) {
        Click(dialog, "cbxSaveDefault");
        Click(dialog, "cbxAxes3D");
        Click(dialog, "btnApply");
        EXPECT_TRUE(style.Axes);
        EXPECT_EQ(dialog.Preview3D(), nullptr);

        QTabBar* tabs = dialog.Pages()->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
        QApplication::processEvents();
        ASSERT_NE(dialog.Preview3D(), nullptr);
        EXPECT_FALSE(dialog.Preview3D()->Plot().Style().Axes);
        EXPECT_TRUE(dialog.Preview3D()->isValid()) << "a context was made";
        EXPECT_NE(qobject_cast<TGLPanel*>(dialog.Preview3D()), nullptr) << "the kind of panel that shows the caption";
        EXPECT_EQ(SplashWindow(), nullptr) << "the splash goes once the preview is set up";
        dialog.findChild<QLineEdit*>("edBoxRatio")->setText("1:2:x");  // no number: 1
        Click(dialog, "cbxScaledBox");
        Click(dialog, "btnApply");
        EXPECT_FALSE(style.Axes);
        EXPECT_EQ(std::tuple(style.ScaledBox, style.BoxRatioY, style.BoxRatioZ), std::tuple(false, 2.0, 1.0));
        EXPECT_EQ(window->Document().View3D.BoxRatioY, 2) << "the document keeps it";
        Click(dialog, "btnCancel");
    });
    EXPECT_TRUE(Settings().Window3D.Axes) << "not saved as default";

    WithDialog(FMain->FunctionCommands().FuncGridSetup, [&](TfrmOptions& dialog) {
        EXPECT_EQ(dialog.Pages()->currentWidget()->objectName(), "tsh3D");
        EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.Preview3D() != nullptr; }));
        EXPECT_FALSE(Ticked(dialog, "cbxApplyAll"));
        Click(dialog, "btnCancel");
    });

    // Without OpenGL the page says so, and its choices still reach the window.
    SetOpenGLProblemForTesting(QStringLiteral("pretended"));
    WithDialog(FMain->FunctionCommands().FuncGridSetup, [&](TfrmOptions& dialog) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.findChild<QLabel*>("NoOpenGL") != nullptr; }));
        EXPECT_EQ(dialog.Preview3D(), nullptr);
        Click(dialog, "cbxGrid3D");
        Click(dialog, "btnOk");
    });
    SetOpenGLProblemForTesting(QString());
    EXPECT_FALSE(style.Grid);
}

TEST(SplashTest, ShowsItsMessageCentredOnTopAndIsFreedWhenHidden) {
    ShowSplash(QStringLiteral("Initializing openGL"));
    QPointer<TfrmSplash> splash = SplashWindow();
    ASSERT_FALSE(splash.isNull());
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(splash->Message(), "Initializing openGL");
    EXPECT_EQ(splash->size(), QSize(319, 38));
    EXPECT_EQ(splash->geometry().center(), QGuiApplication::primaryScreen()->geometry().center());
    EXPECT_TRUE(splash->windowFlags() & Qt::WindowStaysOnTopHint);
    HideSplash();
    EXPECT_TRUE(splash.isNull());
}

}  // namespace
}  // namespace curvane

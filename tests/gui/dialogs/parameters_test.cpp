// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/frm_parameters.h"

#include "core/settings/settings.h"
#include "gui/app/edit_commands.h"
#include "gui/app/file_commands.h"
#include "gui/app/frm_main.h"
#include "gui/app/shell_memory.h"
#include "gui/app/window_commands.h"
#include "gui/document/parameter_animator.h"
#include "gui/plot2d/frm_child2d.h"
#include "gui/plot2d/scope.h"
#include "gui/widgets/parameter_offer.h"
#include "gui/document_test_helpers.h"
#include "gui/shell_test_helpers.h"
#include "gui/tools/tool_test_frame.h"
#include "render/color.h"
#include "render/plot2d/indicator.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOptionSlider>
#include <QTest>
#include <QToolButton>
#include <QUndoStack>

#include <gtest/gtest.h>

namespace curvane {
namespace {

using testing::TModalAnswerer;

class ParametersTest : public testing::ToolTestFrame {
protected:
    void SetUp() override {
        ToolTestFrame::SetUp();
        Settings().Window2D.Antialiasing = false;  // curves in their pure colours
    }
    // A 2D window drawing k*x^2 with k = 1 in -10..10, and the panel shown.
    TfrmChild2D_* WindowWithK() {
        auto* window = qobject_cast<TfrmChild2D_*>(NewWindowWith(FMain->FileCommands().FileNew2D, {"x"}));
        if (!window) return nullptr;
        testing::ShowDocument(*window, [](TGraphDocument& d) {
            TParameter k;
            k.Name = "k";
            d.Parameters.Add(k);
            d.Func(0)->Expression = "k*x^2";
        });
        Trigger(FMain->WindowCommands().ViewParameters);
        // The dock takes its room from the window, which samples again at its new size.
        QTest::qWait(100);
        Panel = FMain->Memory()->Parameters();
        return window;
    }
    // Whether the curve's colour lies within 2 pixels of the point (x, y).
    static bool CurveNear(TfrmChild2D_& window, double x, double y) {
        window.Scope()->DrawBuffer();
        const QRgb color = ToQColor(window.Func(0)->Color).rgb();
        const QPoint p = window.Indicator().WorldToScreen(x, y);
        const QImage near = window.Scope()->Buffer().copy(p.x() - 2, p.y() - 2, 5, 5);
        for (int i = 0; i < 25; ++i)
            if ((near.pixel(i % 5, i / 5) & 0xFFFFFF) == (color & 0xFFFFFF)) return true;
        return false;
    }
    static QPoint HandleCenter(QSlider* slider) {
        QStyleOptionSlider option;
        option.initFrom(slider);
        option.orientation = slider->orientation();
        option.minimum = slider->minimum();
        option.maximum = slider->maximum();
        option.sliderPosition = option.sliderValue = slider->value();
        option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
        return slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider).center();
    }
    static void Mouse(QWidget* widget, QEvent::Type type, QPoint at) {
        QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
    static double K(const TfrmAbstractMDIChild& window) { return window.Document().Parameters[0].Value; }

    TfrmParameters* Panel = nullptr;
};

TEST_F(ParametersTest, UnknownNamesInTheBoxAreOfferedAsParametersAndTakenInOneStep) {
    auto* window = qobject_cast<TfrmChild2D_*>(NewWindowWith(FMain->FileCommands().FileNew2D, {"x"}));
    ASSERT_NE(window, nullptr);
    TParameterOffer* offer = FMain->ParameterOffer();
    auto* message = FMain->findChild<QLabel*>("lblFuncMessage");
    const struct {
        const char* Typed;
        const char* Offered;  // empty: only the syntax error
        const char* Why;
    } rows[] = {
        {"k(x)", "", "a name followed by ( stays an unknown function"},
        {"t*x", "", "t is the variable of parametric functions"},
        {"k*x+", "", "creating k would not make the formula compile"},
        {"k*x^2+m*x", "Create k, m", "every missing name at once"},
    };
    TModalAnswerer answerer;  // no box in the way
    const int steps = window->UndoStack()->count();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Why);
        EnterFormula(row.Typed);
        EXPECT_TRUE(message->text().startsWith("Syntax error : "));
        EXPECT_EQ(offer->isVisible(), *row.Offered != 0);
        if (*row.Offered) {
            EXPECT_EQ(offer->CreateButton()->text(), row.Offered);
        }
        EXPECT_EQ(window->Func(0)->Expression, "x");
    }
    QTest::mouseClick(offer->CreateButton(), Qt::LeftButton);
    EXPECT_TRUE(answerer.Unexpected.isEmpty());
    EXPECT_EQ(window->Func(0)->Expression, "k*x^2+m*x");
    ASSERT_EQ(window->Document().Parameters.Count(), 2);
    const TParameter& k = window->Document().Parameters[0];
    EXPECT_EQ(k.Name, "k");
    EXPECT_EQ(k.Value, 1);
    EXPECT_EQ(k.Min, -10);
    EXPECT_EQ(k.Max, 10);
    EXPECT_EQ(k.Step, 0);
    EXPECT_FALSE(offer->isVisible());
    EXPECT_TRUE(CurveNear(*window, 2, 6)) << "k*x^2+m*x at x=2 with k = m = 1";
    EXPECT_EQ(window->UndoStack()->count(), steps + 1);
    Trigger(FMain->EditCommands().EditUndo);
    EXPECT_EQ(window->Func(0)->Expression, "x");
    EXPECT_TRUE(window->Document().Parameters.Empty()) << "the parameters and the formula are one step";
}

TEST_F(ParametersTest, ADragMovesTheCurveLiveAndIsOneUndoStep) {
    TfrmChild2D_* window = WindowWithK();
    ASSERT_NE(window, nullptr);
    ASSERT_NE(Panel, nullptr);
    ASSERT_EQ(Panel->RowCount(), 1);
    ASSERT_TRUE(CurveNear(*window, 1, 1));
    QSlider* slider = Panel->Row(0).Slider;
    const int steps = window->UndoStack()->count();
    QPoint at = HandleCenter(slider);
    Mouse(slider, QEvent::MouseButtonPress, at);
    for (int i = 0; i < 5; ++i) {
        at.rx() += 6;
        Mouse(slider, QEvent::MouseMove, at);
    }
    QApplication::processEvents();
    const double dragged = K(*window);
    EXPECT_GT(dragged, 1) << "the document follows the hand before the release";
    EXPECT_EQ(window->UndoStack()->count(), steps) << "no step per tick";
    EXPECT_FALSE(CurveNear(*window, 1, 1));
    EXPECT_TRUE(CurveNear(*window, 1, dragged));
    at.rx() += 6;
    Mouse(slider, QEvent::MouseMove, at);
    Mouse(slider, QEvent::MouseButtonRelease, at);
    EXPECT_GT(K(*window), dragged);
    ASSERT_EQ(window->UndoStack()->count(), steps + 1);
    EXPECT_EQ(window->UndoStack()->text(steps), "Change k");
    Trigger(FMain->EditCommands().EditUndo);
    EXPECT_EQ(K(*window), 1);
    QTest::qWait(100);  // a step taken back is sampled from the event loop
    EXPECT_TRUE(CurveNear(*window, 1, 1));
}

TEST_F(ParametersTest, TheFocusedSliderStepsByKeysAndATypedValueWidensTheRange) {
    TfrmChild2D_* window = WindowWithK();
    ASSERT_NE(Panel, nullptr);
    const struct {
        double Step;  // of the parameter
        Qt::Key Key;
        double Expected;  // from k = 1 in -10..10
    } rows[] = {
        {0, Qt::Key_Right, 1.2},       // 1/100 of the range
        {0, Qt::Key_Down, 0.8},
        {0, Qt::Key_PageUp, 3},        // 1/10
        {0.5, Qt::Key_Right, 1.5},     // 0.2 snaps back to 1: one step instead
        {0.5, Qt::Key_PageDown, -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Key);
        testing::ShowDocument(*window, [&](TGraphDocument& d) {
            d.Parameters[0].Value = 1;
            d.Parameters[0].Step = row.Step;
        });
        const int steps = window->UndoStack()->count();
        Panel->Row(0).Slider->setFocus();
        QTest::keyClick(Panel->Row(0).Slider, row.Key);
        EXPECT_NEAR(K(*window), row.Expected, 1e-12);
        EXPECT_EQ(window->UndoStack()->count(), steps + 1);
    }
    QLineEdit* value = Panel->Row(0).Value;
    Type(value, "4*pi");
    QTest::keyClick(value, Qt::Key_Return);
    EXPECT_DOUBLE_EQ(K(*window), 4 * 3.141592653589793);
    EXPECT_DOUBLE_EQ(window->Document().Parameters[0].Max, K(*window)) << "the range widened to the value";
    Type(Panel->Row(0).Name, "x");
    QTest::keyClick(Panel->Row(0).Name, Qt::Key_Return);
    EXPECT_EQ(window->Document().Parameters[0].Name, "k");
    EXPECT_TRUE(Panel->Message().contains("variable")) << Panel->Message().toStdString();
    testing::ShowDocument(*window, [](TGraphDocument& d) {
        TParameter k1;
        k1.Name = "k1";
        d.Parameters.Add(k1);
        d.Func(0)->Expression = "k*x^2+sin(K)/k1";
    });
    Type(Panel->Row(0).Name, "amp");
    QTest::keyClick(Panel->Row(0).Name, Qt::Key_Return);
    EXPECT_EQ(window->Document().Parameters[0].Name, "amp");
    EXPECT_EQ(window->Func(0)->Expression, "amp*x^2+sin(amp)/k1") << "the formulas follow, other names stay";
}

TEST_F(ParametersTest, PlayingChangesThePictureWithoutModifyingTheDocument) {
    TfrmChild2D_* window = WindowWithK();
    ASSERT_NE(Panel, nullptr);
    testing::ForgetChanges(*window);
    const QImage before = window->Picture();
    QTest::mouseClick(Panel->Row(0).Play, Qt::LeftButton);
    EXPECT_TRUE(TParameterAnimator::Of(*window->Owner()).IsPlaying("k"));
    QLineEdit* box = FMain->FuncCombo()->lineEdit();
    Type(box, "x+");
    QTest::qWait(300);
    EXPECT_EQ(box->text(), "x+") << "the frames leave the function box to the typing";
    EXPECT_NE(K(*window), 1);
    EXPECT_NE(window->Picture(), before);
    EXPECT_FALSE(window->IsModified());
    EXPECT_FALSE(ShownTitle(*window).endsWith('*')) << ShownTitle(*window).toStdString();
    QTest::mouseClick(Panel->Row(0).Play, Qt::LeftButton);
    const double paused = K(*window);
    QTest::qWait(100);
    EXPECT_EQ(K(*window), paused) << "pausing leaves the value where it is";
    EXPECT_EQ(Panel->Row(0).Value->text().toDouble(), paused);
}

TEST_F(ParametersTest, DeletingAParameterInUseNamesTheFunctionsAndAsks) {
    TfrmChild2D_* window = WindowWithK();
    ASSERT_NE(Panel, nullptr);
    TModalAnswerer answerer;
    answerer.ThenMessage(QMessageBox::No);
    answerer.ThenMessage(QMessageBox::Yes);
    Panel->DeleteParameter(0);
    EXPECT_EQ(window->Document().Parameters.Count(), 1);
    Panel->DeleteParameter(0);
    EXPECT_TRUE(window->Document().Parameters.Empty());
    ASSERT_EQ(answerer.Messages.size(), 2);
    EXPECT_TRUE(answerer.Messages[0].contains("k*x^2")) << answerer.Messages[0].toStdString();
}

}  // namespace
}  // namespace curvane

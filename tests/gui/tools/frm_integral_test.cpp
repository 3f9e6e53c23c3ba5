// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/tools/frm_integral.h"

#include "gui/app/calculus_commands.h"
#include "gui/app/file_commands.h"
#include "gui/app/frm_main.h"
#include "core/settings/settings.h"
#include "gui/shell_test_helpers.h"
#include "gui/tools/tool_test_frame.h"
#include "gui/qt_print.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace curvane {
namespace {

class IntegralTest : public ::testing::Test {
protected:
    void SetUp() override { Open(); }
    void TearDown() override { delete TfrmIntegral::Instance(); }

    void Open() {
        FDialog = TfrmIntegral::ShowInstance(nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(FDialog));
    }
    template <class T = QLineEdit>
    T* Find(const char* name) {
        T* w = FDialog->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // Replaces the text of a field by typing.
    static void Type(QWidget* field, const QString& text) {
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
    }
    void Fill(const QString& function, const QString& from, const QString& to, const QString& segments) {
        Type(Find<QComboBox>("cbxFunction")->lineEdit(), function);
        Type(Find("edtFrom"), from);
        Type(Find("edtTo"), to);
        Type(Find<QSpinBox>("edtSegments"), segments);
    }
    void Calculate() { QTest::mouseClick(Find<QPushButton>("btnCalc"), Qt::LeftButton); }
    // Clicks the box when it does not show `on` (the flag outlives the dialog).
    void LimitAccuracy(bool on) {
        auto* box = Find<QCheckBox>("cbxAccuracy");
        if (box->isChecked() != on) QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
    }
    QString Value() { return Find("edtValue")->text(); }
    QString Status() { return Find<QLabel>("lblStatus")->text(); }
    // Iterations and segments of the status line, or {-1, -1}.
    std::pair<int, qint64> Passes() {
        static const QRegularExpression line(R"(^Elapsed: \d+\.\d{2} s   Iterations: (\d+)  Segments: (\d+)$)");
        const QRegularExpressionMatch m = line.match(Status());
        if (!m.hasMatch()) return {-1, -1};
        return {m.captured(1).toInt(), m.captured(2).toLongLong()};
    }
    // A calculation of about 5 seconds; `during` runs 700 ms into it.
    void CalculateLong(std::function<void()> during) {
        Fill("sin(x)*x", "0", "1e7", "200000000");
        QTimer::singleShot(700, FDialog, std::move(during));
        Calculate();
    }

    QPointer<TfrmIntegral> FDialog;
};

// A run sees the parameters of the current window's document, with the
// values they have when it starts.
class IntegralWindowTest : public testing::ToolTestFrame {};

TEST_F(IntegralWindowTest, IntegratesWithTheCurrentDocumentsParameterValues) {
    TfrmAbstractMDIChild* window = NewWindow(FMain->FileCommands().FileNew2D);
    ASSERT_TRUE(window);
    const testing::TModalAnswerer unexpected;  // "Unknown function or variable" would come as a box
    testing::ShowDocument(*window, [](TGraphDocument& d) { d.Parameters.Add({"k", 3}); });
    EnterFormula("k*x^2");
    EXPECT_EQ(window->FuncCount(), 1) << "the function box takes a formula naming a parameter";
    Trigger(FMain->CalculusCommands().CalcIntegral);
    QPointer<TfrmIntegral> dialog = TfrmIntegral::Instance();
    ASSERT_TRUE(dialog);
    Type(dialog->findChild<QComboBox*>("cbxFunction")->lineEdit(), "k*x");
    Type(dialog->findChild<QLineEdit*>("edtFrom"), "0");
    Type(dialog->findChild<QLineEdit*>("edtTo"), "1");
    const auto integrate = [&dialog] {
        QTest::mouseClick(dialog->findChild<QPushButton*>("btnCalc"), Qt::LeftButton);
        return dialog->findChild<QLineEdit*>("edtValue")->text();
    };
    EXPECT_EQ(integrate(), "1.500000000000000000");
    testing::ShowDocument(*window, [](TGraphDocument& d) { d.Parameters[0].Value = 4; });
    EXPECT_EQ(integrate(), "2.000000000000000000");
    EXPECT_EQ(unexpected.Unexpected, QStringList());
    delete dialog;
}

TEST_F(IntegralTest, RulesAndAccuracyPasses) {
    LimitAccuracy(false);
    EXPECT_FALSE(Find("edtAccuracy")->isEnabled());
    Fill("x", "0", "1", "64");
    Calculate();
    EXPECT_EQ(Value(), "0.500000000000000000");
    EXPECT_EQ(Passes(), std::make_pair(1, qint64{64})) << Status().toStdString();

    // Rectangles of x^2 err by 1/(12 n^2): two doublings to agree within 1e-5.
    LimitAccuracy(true);
    ASSERT_TRUE(Find("edtAccuracy")->isEnabled());
    Type(Find("edtAccuracy"), "1e-5");
    Type(Find<QComboBox>("cbxFunction")->lineEdit(), "x^2");
    Calculate();
    const auto [iterations, segments] = Passes();
    EXPECT_EQ(iterations, 3);
    EXPECT_EQ(segments, 64 << (iterations - 1));
    EXPECT_NEAR(Value().toDouble(), 1.0 / 3, 1e-5);
    EXPECT_EQ(Find<QSpinBox>("edtSegments")->value(), 64) << "the doubling is the calculation's own";

    // Simpson is exact for a parabola.
    LimitAccuracy(false);
    QTest::keyClick(Find<QComboBox>("cbxMethod"), Qt::Key_End);
    Calculate();
    EXPECT_EQ(Value(), "0.333333333333330000");
}

// A limit typed as a formula gives the result of its digits.
TEST_F(IntegralTest, LimitsTakeConstantFormulas) {
    Fill("cos(x)", "0", "1.5707963267948966", "64");
    Calculate();
    const QString digits = Value();
    EXPECT_TRUE(digits.startsWith("1.0000")) << digits.toStdString();
    Fill("cos(x)", "pi-pi", "pi/2", "64");
    Calculate();
    EXPECT_EQ(Value(), digits);
}

TEST_F(IntegralTest, TypedFormulaIsComputedAsTypedNotCompletedFromTheList) {
    auto* field = Find<QComboBox>("cbxFunction");
    field->addItem(QStringLiteral("x*3"));  // an earlier entry that starts with what is typed
    FDialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(FDialog));
    field->lineEdit()->setFocus(Qt::MouseFocusReason);
    Fill("x", "0", "1", "64");
    QTest::keyClick(field->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(field->currentText(), "x");
    Calculate();
    EXPECT_EQ(Value(), "0.500000000000000000");
}

TEST_F(IntegralTest, ReversedLimitsAreSwappedOnYes) {
    Fill("x", "2", "1", "64");
    testing::TModalAnswerer answerer;
    answerer.ThenMessage(QMessageBox::Yes);
    Calculate();
    EXPECT_EQ(answerer.Messages,
              QStringList{"Integral constraints are invalid (\"a\" must be less than \"b\")\nOK to swap?"});
    EXPECT_EQ(Find("edtFrom")->text(), "1");
    EXPECT_EQ(Find("edtTo")->text(), "2");
    EXPECT_EQ(Value(), "1.500000000000000000");

    Type(Find("edtFrom"), "2");
    answerer.ThenMessage(QMessageBox::No);
    Calculate();
    EXPECT_EQ(Find("edtFrom")->text(), "2");
    EXPECT_EQ(Value(), "1.500000000000000000") << "No leaves the last result";
    EXPECT_TRUE(answerer.Unexpected.isEmpty());
}

TEST_F(IntegralTest, BadInputIsRefusedAndFaultsShowTheirMessage) {
    QLineEdit* function = Find<QComboBox>("cbxFunction")->lineEdit();
    testing::TModalAnswerer answerer;
    for (int i = 0; i < 3; ++i) answerer.ThenMessage(QMessageBox::Ok);
    Fill("", "0", "1", "64");
    Calculate();
    Type(function, "x+*2");
    Calculate();
    EXPECT_EQ(function->selectedText(), "*");
    Type(function, "x");
    Type(Find("edtTo"), "1..5");
    Calculate();
    EXPECT_EQ(FDialog->focusWidget(), Find("edtTo"));
    EXPECT_EQ(answerer.Messages.size(), 3);
    EXPECT_EQ(answerer.Messages.value(0), "Function must not be empty");
    EXPECT_TRUE(answerer.Messages.value(1).startsWith("Syntax error : ")) << answerer.Messages.value(1).toStdString();
    EXPECT_EQ(answerer.Messages.value(2), "Invalid float value!");
    EXPECT_TRUE(answerer.Unexpected.isEmpty());

    // The fault of the integrand ends the calculation in place of a value.
    Fill("ln(x)", "-1", "1", "64");
    Calculate();
    EXPECT_EQ(Value(), "Invalid floating point operation");
    EXPECT_EQ(Status(), "");
}

TEST_F(IntegralTest, StopClickEndsALongCalculation) {
    auto* calc = Find<QPushButton>("btnCalc");
    QString caption;
    CalculateLong([&] {
        caption = calc->text();
        QTest::mouseClick(calc, Qt::LeftButton);
    });
    EXPECT_EQ(caption, "Stop");
    EXPECT_TRUE(Value().endsWith(" ;Stopped")) << Value().toStdString();
    EXPECT_EQ(Passes(), std::make_pair(1, qint64{200000000})) << Status().toStdString();
    EXPECT_LT(Status().section(' ', 1, 1).toDouble(), 3.0) << Status().toStdString();
    EXPECT_EQ(calc->text(), "&Calculate");
}

TEST_F(IntegralTest, ClosingDuringARunStopsItAndThenCloses) {
    CalculateLong([this] { QTest::mouseClick(Find<QPushButton>("btnClose"), Qt::LeftButton); });
    EXPECT_TRUE(Value().endsWith(" ;Stopped")) << Value().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([this] { return FDialog.isNull(); }, 2000));

    Open();
    CalculateLong([this] { QTest::keyClick(FDialog, Qt::Key_Escape); });
    EXPECT_TRUE(Value().endsWith(" ;Stopped")) << Value().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([this] { return FDialog.isNull(); }, 2000));
    EXPECT_EQ(TfrmIntegral::Instance(), nullptr);
}

TEST_F(IntegralTest, FieldsSurviveReopeningAndTheCommandOpensOneDialog) {
    Fill("cos(x)", "-1.5", "3", "100");
    Type(Find("edtTo"), "3x");  // does not read: 3 stays
    LimitAccuracy(true);
    Type(Find("edtAccuracy"), "0.001");
    QTest::mouseClick(Find<QPushButton>("btnClose"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([this] { return FDialog.isNull(); }));

    QTemporaryDir dir;
    qputenv("CURVANE_SETTINGS", dir.filePath("curvane.ini").toUtf8());
    Settings() = TSettings();
    {
        TfrmMain main;
        main.show();
        QAction* command = main.CalculusCommands().CalcIntegral;
        EXPECT_TRUE(command->isEnabled()) << "no graph window needed";
        command->trigger();
        command->trigger();
        EXPECT_EQ(main.findChildren<TfrmIntegral*>().size(), 1);
        FDialog = TfrmIntegral::Instance();
        ASSERT_TRUE(FDialog);
        EXPECT_EQ(Find<QComboBox>("cbxFunction")->currentText(), "cos(x)");
        EXPECT_EQ(Find("edtFrom")->text(), "-1.5");
        EXPECT_EQ(Find("edtTo")->text(), "3");
        EXPECT_EQ(Find<QSpinBox>("edtSegments")->value(), 100);
        EXPECT_TRUE(Find<QCheckBox>("cbxAccuracy")->isChecked());
        EXPECT_TRUE(Find("edtAccuracy")->isEnabled());
        EXPECT_EQ(Find("edtAccuracy")->text(), "0.0010000000000");

        // Exit during a run stops it, and the frame closes once it is over.
        LimitAccuracy(false);
        CalculateLong([&main] { main.FileCommands().FileExit->trigger(); });
        EXPECT_TRUE(Value().endsWith(" ;Stopped")) << Value().toStdString();
        EXPECT_TRUE(QTest::qWaitFor([&main] { return !main.isVisible(); }, 2000));
        delete FDialog;
    }
    Settings() = TSettings();
    qunsetenv("CURVANE_SETTINGS");
}

}  // namespace
}  // namespace curvane

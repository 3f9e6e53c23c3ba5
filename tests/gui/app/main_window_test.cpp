#include "gui/app/file_commands.h"
#include "gui/app/frm_func_props.h"
#include "gui/app/frm_main.h"
#include "gui/app/function_commands.h"
#include "gui/app/view2d_commands.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/plot2d/frm_child2d.h"
#include "gui/plot2d/scope.h"
#include "gui/widgets/formula_snippet_menu.h"
#include "gui/widgets/func_bar_widgets.h"

#include "core/document/func_item.h"
#include "core/document/shared_evaluators.h"
#include "core/evaluator/rapid_evaluator.h"
#include "core/settings/settings.h"
#include "render/plot2d/indicator.h"
#include "gui/shell_test_helpers.h"

#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

namespace curvane {
namespace {

// ---------------------------------------------------------------------------
// Function bar widgets

TEST(WidthComboTest, EntryNumberIsTheLineThicknessInPixels) {
    for (int width = 1; width <= 10; ++width) {
        SCOPED_TRACE(width);
        QImage image(60, 20, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            TWidthCombo::PaintWidthLine(painter, image.rect(), width);
        }
        QList<int> black;
        for (int y = 0; y < image.height(); ++y)
            if (qGray(image.pixel(30, y)) < 50) black << y;
        ASSERT_EQ(black.size(), width);
        EXPECT_NEAR(black.first() + width / 2.0, 10.0, 1.0) << "centred on the item's middle";
    }
}

TEST(ColorBoxTest, ColourValuesSurviveTheBox) {
    TColorBox box;
    const struct {
        std::int32_t Color;
        const char* Shown;
    } rows[] = {
        {0x0000FF, "Red"},
        {0xFF0000, "Blue"},
        {static_cast<std::int32_t>(0xFF000005u), "Window"},
        {0x123456, "#563412"},  // not a named colour: added as a custom entry
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Shown);
        box.SetColor(row.Color);
        EXPECT_EQ(box.Color(), row.Color);
        EXPECT_EQ(box.currentText(), row.Shown);
    }
    // Setting a custom colour again reuses its entry.
    const int entries = box.count();
    box.SetColor(0x123456);
    EXPECT_EQ(box.count(), entries);
    EXPECT_EQ(box.itemText(box.CustomEntry()), "Custom...");
}

// ---------------------------------------------------------------------------
// Formula snippet menu

class SnippetMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        FMenu.Rebuild(FEval);
        FMenu.SetTarget(&FEdit);
    }
    TRapidEvaluator FEval;
    TFormulaSnippetMenu FMenu;
    QLineEdit FEdit;
};

TEST_F(SnippetMenuTest, InsertionLandsAtTheCaretAndFunctionsKeepTheCaretInside) {
    const struct {
        const char* Before;
        int Caret;
        int SelectionLength;
        const char* Piece;
        int CaretBack;
        const char* After;
        int CaretAfter;
    } rows[] = {
        {"x+", 2, 0, "sin()", 1, "x+sin()", 6},       // caret between the parentheses
        {"x*2", 1, 0, "+ ", 0, "x+*2", 2},            // blanks of the entry are dropped
        {"abc", 0, 3, "7 ", 0, "7", 1},               // a selection is replaced
        {"(1)", 1, 0, "cos()", 1, "(cos()1)", 5},     // middle of a formula
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Before);
        FEdit.setText(row.Before);
        if (row.SelectionLength > 0)
            FEdit.setSelection(row.Caret, row.SelectionLength);
        else
            FEdit.setCursorPosition(row.Caret);
        FMenu.InsertSnippet(row.Piece, row.CaretBack);
        EXPECT_EQ(FEdit.text(), row.After);
        EXPECT_EQ(FEdit.cursorPosition(), row.CaretAfter);
    }
}

// ---------------------------------------------------------------------------
// The main window with real graph windows

using testing::TModalAnswerer;

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        qputenv("CURVANE_SETTINGS", FDir.filePath("curvane.ini").toUtf8());
        qputenv("CURVANE_ERROR_LOG", FDir.filePath("curvane.err").toUtf8());
        Settings() = TSettings();
        FMain = std::make_unique<TfrmMain>();
        FMain->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(FMain.get()));
        QApplication::processEvents();
    }
    void TearDown() override {
        FMain.reset();
        Settings() = TSettings();
        qunsetenv("CURVANE_SETTINGS");
        qunsetenv("CURVANE_ERROR_LOG");
    }

    TFileCommands& File() { return FMain->FileCommands(); }
    TFunctionCommands& Func() { return FMain->FunctionCommands(); }
    TView2DCommands& View() { return FMain->View2DCommands(); }
    static void Trigger(QAction* command) {
        command->trigger();
        QApplication::processEvents();
    }
    TfrmChild2D_* NewWindow() {
        Trigger(File().FileNew2D);
        auto* window = qobject_cast<TfrmChild2D_*>(CurrentGraphWindow(FMain->MdiArea()));
        EXPECT_NE(window, nullptr);
        return window;
    }
    // Types a formula into the function bar and presses Enter.
    void EnterFormula(const QString& text) {
        QLineEdit* edit = FMain->FuncCombo()->lineEdit();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
        QApplication::processEvents();
    }
    // Whether pixels of `color` lie within 2 pixels of the curve point (x, y).
    static bool CurveNear(TfrmChild2D_& window, double x, double y, QRgb color) {
        window.Scope()->DrawBuffer();
        const QImage& image = window.Scope()->Buffer();
        const QPoint p = window.Indicator().WorldToScreen(x, y);
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                if (image.valid(p.x() + dx, p.y() + dy) && (image.pixel(p.x() + dx, p.y() + dy) & 0xFFFFFF) == (color & 0xFFFFFF))
                    return true;
        return false;
    }

    QTemporaryDir FDir;
    std::unique_ptr<TfrmMain> FMain;
};

TEST_F(MainWindowTest, CommandStatesFollowTheWindowsAndWaitForARunningComputation) {
    // command, enabled: without a window, with an empty 2D window, with a
    // function, and with a function while a run holds the evaluators
    const struct {
        QAction* Command;
        bool None;
        bool Empty;
        bool WithFunction;
        bool Busy;
    } rows[] = {
        {File().FileNew2D, true, true, true, false},       {File().File_Open, true, true, true, false},
        {File().File_Save, false, true, true, true},       {File().FileClose, false, true, true, false},
        {File().FileCloseAll, false, true, true, false},   {File().FileExit, true, true, true, false},
        {Func().FuncAdd, false, true, true, false},        {Func().FuncUpdate, false, true, true, false},
        {Func().FuncDraw, false, false, true, false},      {Func().FuncDelete, false, false, true, false},
        {Func().FuncProperties, false, false, true, false}, {Func().FuncDerivate, false, false, true, false},
        {Func().FuncAddDeriv, false, false, true, false},  {Func().FuncVisible, false, false, true, false},
        {View().actPan, false, true, true, true},
        {View().actDisGrid, false, true, true, true},      {View().actDisDefault, false, true, true, false},
        {View().actDisUniform, false, true, true, false},
    };
    enum { None, Empty, WithFunction, Busy };
    const auto check = [&](int stage) {
        for (const auto& row : rows) {
            SCOPED_TRACE(row.Command->objectName().toStdString() + " at stage " + std::to_string(stage));
            const bool expected =
                stage == None ? row.None : stage == Empty ? row.Empty : stage == WithFunction ? row.WithFunction : row.Busy;
            EXPECT_EQ(row.Command->isEnabled(), expected);
        }
    };
    check(None);
    EXPECT_FALSE(FMain->FuncCombo()->isEnabled());
    EXPECT_FALSE(FMain->findChild<QToolBar*>("bar2D")->isVisible());

    TfrmChild2D_* window = NewWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "NONAME1");
    check(Empty);
    EXPECT_TRUE(FMain->FuncCombo()->isEnabled());
    EXPECT_TRUE(FMain->findChild<QToolBar*>("bar2D")->isVisible());

    EnterFormula("x");
    check(WithFunction);

    {
        // A message box inside a run spins a nested event loop: the commands
        // that would compile, resample or close wait, and refuse even when
        // triggered.
        TSharedEvaluatorLease lease;
        FMain->UpdateControls();
        check(Busy);
        Func().FuncDerivate->setEnabled(true);
        Trigger(Func().FuncDerivate);
        EXPECT_FALSE(window->Func(0)->Derivative);
        EXPECT_FALSE(Func().FuncDerivate->isChecked()) << "a refused check box keeps its state";
    }
    FMain->UpdateControls();
    check(WithFunction);

    // Closing the last window (answering "No") greys everything again.
    TModalAnswerer answerer;
    answerer.ThenMessage(QMessageBox::No);
    Trigger(File().FileClose);
    EXPECT_TRUE(testing::WaitFor([&] { return FMain->MdiArea()->subWindowList().isEmpty(); }));
    EXPECT_TRUE(testing::WaitFor([&] { return !File().File_Save->isEnabled(); }));
    check(None);
}

TEST_F(MainWindowTest, AddFunctionThroughThePropertiesDialogDrawsItsCurve) {
    TfrmChild2D_* window = NewWindow();
    ASSERT_NE(window, nullptr);
    TModalAnswerer answerer;
    answerer.Then([](QWidget* w) {
        auto* dialog = qobject_cast<TfrmFuncProps*>(w);
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QComboBox*>("edtFuncY")->setEditText("x/2+1");
        dialog->findChild<TColorBox*>("Color")->SetColor(0x0000FF);
        dialog->findChild<QPushButton*>("btnOk")->click();
    });
    Trigger(Func().FuncAdd);
    EXPECT_EQ(answerer.Pending(), 0u);
    ASSERT_EQ(window->FuncCount(), 1);
    EXPECT_EQ(FMain->FuncCombo()->itemText(0), "Y(x)=x/2+1");
    EXPECT_EQ(FMain->FuncCombo()->currentText(), "x/2+1");
    EXPECT_EQ(FMain->ColorBox()->Color(), 0x0000FF);
    const QRgb red = qRgb(255, 0, 0);
    EXPECT_TRUE(CurveNear(*window, 3.0, 2.5, red));
    EXPECT_FALSE(CurveNear(*window, 3.0, -3.0, red)) << "no red where the line is not";

    // A dialog that is cancelled leaves no function behind.
    answerer.Then([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    Trigger(Func().FuncAdd);
    EXPECT_EQ(answerer.Pending(), 0u);
    EXPECT_EQ(window->FuncCount(), 1);
}

TEST_F(MainWindowTest, FunctionBarEntersFormulasAndSelectsFunctions) {
    TfrmChild2D_* window = NewWindow();
    ASSERT_NE(window, nullptr);
    EnterFormula("x*x");
    ASSERT_EQ(window->FuncCount(), 1);
    EXPECT_FALSE(window->Indicator().Plines().Items(0).Pline().Count() == 0) << "the curve was sampled";

    // A second function through "Add" with an empty text, then its formula.
    window->AddFunction(QString());
    FMain->UpdateFuncBar(true);
    EnterFormula("2*x");
    ASSERT_EQ(window->FuncCount(), 2);
    EXPECT_EQ(window->FuncActive(), 1);
    EXPECT_EQ(FMain->FuncCombo()->itemText(1), "Y(x)=2*x");

    // Choosing an entry of the list selects that function and shows its
    // formula for editing.
    TFuncCombo* combo = FMain->FuncCombo();
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Up);
    EXPECT_EQ(window->FuncActive(), 0);
    EXPECT_EQ(combo->currentText(), "x*x");

    // The width box: "3" is stored and shown again on re-selection.
    FMain->WidthCombo()->SetListChoice(true);
    FMain->WidthCombo()->setCurrentIndex(2);
    EXPECT_EQ(window->Func(0)->Width, 3);
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(window->FuncActive(), 1);
    EXPECT_EQ(FMain->WidthCombo()->Width(), 1);
    QTest::keyClick(combo, Qt::Key_Up);
    EXPECT_EQ(FMain->WidthCombo()->Width(), 3);

    // Retyping the same formula changes nothing; a new one replaces it.
    EnterFormula("x*x");
    EXPECT_EQ(window->FuncCount(), 2);
    EnterFormula("x*x*x");
    EXPECT_EQ(window->Func(0)->Expression, "x*x*x");
    EXPECT_EQ(window->FuncCount(), 2);
}

TEST_F(MainWindowTest, FunctionCommandsWorkOnTheActiveFunction) {
    TfrmChild2D_* window = NewWindow();
    ASSERT_NE(window, nullptr);
    EnterFormula("x*x");
    window->Func(0)->Color = 0x00FF00;
    window->Func(0)->Width = 4;

    Trigger(Func().FuncAddCopy);
    ASSERT_EQ(window->FuncCount(), 2);
    EXPECT_EQ(window->FuncActive(), 1);
    EXPECT_EQ(window->Func(1)->Color, 0x00FF00);
    EXPECT_EQ(window->Func(1)->Width, 4);
    EXPECT_FALSE(window->Func(1)->Derivative);

    Trigger(Func().FuncAddDeriv);
    ASSERT_EQ(window->FuncCount(), 3);
    EXPECT_TRUE(window->Func(2)->Derivative);
    EXPECT_EQ(FMain->FuncCombo()->itemText(2), "Y(x)=x*x; Derivative");
    EXPECT_TRUE(Func().FuncDerivate->isChecked());

    // "Derivated" toggles the flag of the active function only.
    Trigger(Func().FuncDerivate);
    EXPECT_FALSE(window->Func(2)->Derivative);
    EXPECT_EQ(FMain->FuncCombo()->itemText(2), "Y(x)=x*x");

    Trigger(Func().FuncVisible);
    EXPECT_FALSE(window->Func(2)->Active);
    EXPECT_FALSE(Func().FuncVisible->isChecked());
    EXPECT_EQ(window->Indicator().Plines().Items(2).Pline().Count(), 0) << "a hidden function draws nothing";
    Trigger(Func().FuncVisible);
    EXPECT_TRUE(window->Func(2)->Active);

    // Deleting the last function while it is active makes the one before it
    // active; the bar follows.
    Trigger(Func().FuncDelete);
    ASSERT_EQ(window->FuncCount(), 2);
    EXPECT_EQ(window->FuncActive(), 1);
    EXPECT_EQ(FMain->FuncCombo()->count(), 2);
    EXPECT_EQ(FMain->FuncCombo()->currentIndex(), 1);
}

TEST_F(MainWindowTest, ViewCommandsReachThePlot) {
    TfrmChild2D_* window = NewWindow();
    ASSERT_NE(window, nullptr);
    TIndicator& plot = window->Indicator();
    const struct {
        QAction* Command;
        std::function<bool()> State;
    } toggles[] = {
        {View().actDisGrid, [&] { return plot.FullGrid(); }},
        {View().actDisLabels, [&] { return plot.Labels(); }},
        {View().actDisUniform, [&] { return !plot.Uniform(); }},
        {View().actDisPoints, [&] { return plot.DrawType() == TDrawType::dtPoints; }},
    };
    for (const auto& row : toggles) {
        SCOPED_TRACE(row.Command->objectName().toStdString());
        for (int round = 0; round < 2; ++round) {
            Trigger(row.Command);
            EXPECT_EQ(row.Command->isChecked(), row.State());
        }
    }
    Trigger(View().actPan);
    EXPECT_EQ(plot.MouseMode(), TMouseMode::mmPan);
    Trigger(View().actScaleY);
    EXPECT_EQ(plot.MouseMode(), TMouseMode::mmScaleY);
    EXPECT_FALSE(View().actPan->isChecked());

    plot.SetXRange(100, 200);
    Trigger(View().actDisDefault);
    EXPECT_LE(plot.WorldLeft(), -10.0);
    EXPECT_GE(plot.WorldRight(), 10.0);

    // A second window keeps its own mode; the commands show the mode of the
    // window that is active.
    ASSERT_NE(NewWindow(), nullptr);
    EXPECT_TRUE(View().actNothing->isChecked());
    FMain->MdiArea()->setActiveSubWindow(window->SubWindow());
    EXPECT_TRUE(testing::WaitFor([&] { return View().actScaleY->isChecked(); }));
}

TEST_F(MainWindowTest, FormulaThatDoesNotCompileIsReportedAndOfferedForCorrection) {
    TfrmChild2D_* window = NewWindow();
    ASSERT_NE(window, nullptr);
    EnterFormula("x");
    window->AddFunction(QString());
    FMain->UpdateFuncBar(true);
    EnterFormula("2*x");
    ASSERT_EQ(window->FuncActive(), 1);
    // A document may hold a formula that no longer compiles.
    window->Func(0)->Expression = "sin(x";

    TModalAnswerer answerer;
    answerer.ThenMessage(QMessageBox::Ok);  // "in exception"
    QString shown;
    answerer.Then([&shown](QWidget* w) {
        shown = w->findChild<QLabel*>("lblMessage")->text();
        w->findChild<QPushButton*>("btnOK")->click();
    });
    Trigger(Func().FuncDraw);
    EXPECT_EQ(answerer.Pending(), 0u);
    EXPECT_FALSE(shown.isEmpty());
    // The faulty function is active and its text waits in the formula box.
    EXPECT_EQ(window->FuncActive(), 0);
    EXPECT_EQ(FMain->FuncCombo()->currentText(), "sin(x");
    EXPECT_EQ(FMain->StatusText(0), "Ready");

    // Corrected in the box, it draws.
    EnterFormula("sin(x)");
    EXPECT_EQ(window->Func(0)->Expression, "sin(x)");
    EXPECT_GT(window->Indicator().Plines().Items(0).Pline().Count(), 0);
}

TEST_F(MainWindowTest, ExitAsksAboutUnsavedDocumentsFirst) {
    NewWindow();
    EnterFormula("x");
    TModalAnswerer answerer;
    answerer.ThenMessage(QMessageBox::Cancel);
    Trigger(File().FileExit);
    EXPECT_EQ(answerer.Messages, QStringList{"Save changes to file ?"});
    EXPECT_TRUE(FMain->isVisible());
    EXPECT_EQ(FMain->MdiArea()->subWindowList().size(), 1);
}

TEST_F(MainWindowTest, OpeningAMissingFileSaysSoAndOpensNoWindow) {
    TModalAnswerer answerer;
    answerer.ThenMessage(QMessageBox::Ok);
    const QString missing = FDir.filePath("missing.gfx");
    FMain->OpenDocuments({missing});
    EXPECT_EQ(answerer.Pending(), 0u);
    ASSERT_EQ(answerer.Messages.size(), 1);
    EXPECT_TRUE(answerer.Messages[0].contains(missing)) << answerer.Messages[0].toStdString();
    EXPECT_TRUE(FMain->MdiArea()->subWindowList().isEmpty());
}

// The modes that print and exit work without a display and say what they do.
TEST(CommandLineTest, ConsoleModesRunWithoutADisplay) {
    const struct {
        QStringList Args;
        int Exit;
        QStringList OutputHas;
    } rows[] = {
        {{"--help"}, 0, {"--eval", "--render", "--output", "--size", "FILE.gfx"}},
        {{"--eval", "2*pi"}, 0, {"6.283185307179586"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Args.join(' ').toStdString());
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        process.setProcessEnvironment(env);
        process.start(CURVANE_EXE, row.Args);
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitCode(), row.Exit);
        const QString output = QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
        for (const QString& text : row.OutputHas) EXPECT_TRUE(output.contains(text)) << output.toStdString();
    }
}

}  // namespace
}  // namespace curvane

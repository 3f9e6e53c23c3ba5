#include "gui/widgets/formula_snippet_menu.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/plot2d/frm_child2d.h"
#include "gui/app/frm_func_props.h"
#include "gui/app/frm_main.h"
#include "gui/widgets/func_bar_widgets.h"
#include "gui/plot2d/scope.h"

#include "core/document/func_item.h"
#include "core/evaluator/rapid_evaluator.h"
#include "core/settings/settings.h"
#include "render/plot2d/indicator.h"
#include "gui/shell_test_helpers.h"

#include <QFile>
#include <QFileDialog>
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
#include <QWidgetAction>

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
        int blackRows = 0;
        int firstRow = -1;
        for (int y = 0; y < image.height(); ++y) {
            if (qGray(image.pixel(30, y)) < 50) {
                if (firstRow < 0) firstRow = y;
                ++blackRows;
            }
        }
        EXPECT_EQ(blackRows, width);
        // Centred on the item's middle.
        EXPECT_NEAR(firstRow + width / 2.0, 10.0, 1.0);
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

TEST(ColorRefTest, ConvertsLowByteRedAndResolvesSystemColours) {
    EXPECT_EQ(ColorRefToQColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(ColorRefToQColor(0x00FF00), QColor(0, 255, 0));
    EXPECT_EQ(ColorRefToQColor(0xFF0000), QColor(0, 0, 255));
    EXPECT_EQ(QColorToColorRef(QColor(0x12, 0x34, 0x56)), 0x563412);
    EXPECT_EQ(ColorRefToQColor(static_cast<std::int32_t>(0xFF000008u)),
              QApplication::palette().color(QPalette::Active, QPalette::Text));
}

// ---------------------------------------------------------------------------
// Formula snippet menu

class SnippetMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        FEval.DeleteVariable("Y");
        FEval.DeleteVariable("Z");
        FEval.AddVariable("T", &FCell);
        FMenu.Rebuild(FEval);
        FMenu.SetTarget(&FEdit);
    }
    double FCell = 0;
    TRapidEvaluator FEval;
    TFormulaSnippetMenu FMenu;
    QLineEdit FEdit;
};

TEST_F(SnippetMenuTest, ListsTheEvaluatorsVariablesThenItsFunctions) {
    // After the fixed digits and operators: the evaluator's variables as they
    // are named, then its functions.
    const QStringList texts = FMenu.EntryTexts();
    const qsizetype operators = texts.indexOf("^ ");
    ASSERT_GT(operators, 0);
    const QStringList rest = texts.mid(operators + 1);
    EXPECT_TRUE(rest.contains("X"));
    EXPECT_TRUE(rest.contains("T"));
    EXPECT_FALSE(rest.contains("Y")) << "a deleted variable is not offered";
    const qsizetype sin = rest.indexOf(QRegularExpression("^SIN\\(\\)$", QRegularExpression::CaseInsensitiveOption));
    ASSERT_GE(sin, 0);
    EXPECT_GT(sin, rest.indexOf("T"));
}

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

    bool Enabled(const char* name) { return FMain->Action(name)->isEnabled(); }
    void Trigger(const char* name) {
        FMain->Action(name)->trigger();
        QApplication::processEvents();
    }
    TfrmChild2D_* NewWindow() {
        Trigger("FileNew2D");
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

TEST_F(MainWindowTest, CommandStatesFollowTheWindows) {
    // name, enabled without a window, with an empty 2D window, with one function
    const struct {
        const char* Name;
        bool None;
        bool Empty;
        bool WithFunction;
    } rows[] = {
        {"FileNew2D", true, true, true},      {"File_Open", true, true, true},
        {"File_Save", false, true, true},     {"FileCloseAll", false, true, true},
        {"FuncAdd", false, true, true},       {"actPan", false, true, true},
        {"FuncDraw", false, false, true},     {"FuncDelete", false, false, true},
        {"FuncProperties", false, false, true}, {"FuncDerivate", false, false, true},
        {"FuncVisible", false, false, true},  {"FileNew3D", false, false, false},
        {"CalcIntegral", false, false, false}, {"WindowCascade1", true, true, true},
    };
    const auto check = [&](int stage) {
        for (const auto& row : rows) {
            SCOPED_TRACE(std::string(row.Name) + " at stage " + std::to_string(stage));
            const bool expected = stage == 0 ? row.None : stage == 1 ? row.Empty : row.WithFunction;
            EXPECT_EQ(Enabled(row.Name), expected);
        }
    };
    check(0);
    EXPECT_FALSE(FMain->FuncCombo()->isEnabled());
    EXPECT_FALSE(FMain->findChild<QToolBar*>("bar2D")->isVisible());

    TfrmChild2D_* window = NewWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "NONAME1");
    check(1);
    EXPECT_TRUE(FMain->FuncCombo()->isEnabled());
    EXPECT_TRUE(FMain->findChild<QToolBar*>("bar2D")->isVisible());
    EXPECT_FALSE(FMain->findChild<QToolBar*>("bar3D")->isVisible());

    EnterFormula("x");
    check(2);

    // Closing the last window (answering "No") greys everything again.
    TModalAnswerer answerer;
    answerer.ThenMessage(QMessageBox::No);
    Trigger("FileClose");
    EXPECT_TRUE(testing::WaitFor([&] { return FMain->MdiArea()->subWindowList().isEmpty(); }));
    EXPECT_TRUE(testing::WaitFor([&] { return !Enabled("File_Save"); }));
    check(0);
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
    Trigger("FuncAdd");
    EXPECT_EQ(answerer.Pending(), 0u);
    ASSERT_EQ(window->FuncCount(), 1);
    EXPECT_EQ(FMain->FuncCombo()->itemText(0), "Y(x)=x/2+1");
    EXPECT_EQ(FMain->FuncCombo()->currentText(), "x/2+1");
    EXPECT_EQ(FMain->ColorBox()->Color(), 0x0000FF);
    const QRgb red = qRgb(255, 0, 0);
    for (double x : {-4.0, 0.0, 3.0}) {
        SCOPED_TRACE(x);
        EXPECT_TRUE(CurveNear(*window, x, x / 2 + 1, red));
    }
    EXPECT_FALSE(CurveNear(*window, 3.0, -3.0, red)) << "no red where the line is not";

    // A dialog that is cancelled leaves no function behind.
    answerer.Then([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    Trigger("FuncAdd");
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

    Trigger("FuncAddCopy");
    ASSERT_EQ(window->FuncCount(), 2);
    EXPECT_EQ(window->FuncActive(), 1);
    EXPECT_EQ(window->Func(1)->Color, 0x00FF00);
    EXPECT_EQ(window->Func(1)->Width, 4);
    EXPECT_FALSE(window->Func(1)->Derivative);

    Trigger("FuncAddDeriv");
    ASSERT_EQ(window->FuncCount(), 3);
    EXPECT_TRUE(window->Func(2)->Derivative);
    EXPECT_EQ(FMain->FuncCombo()->itemText(2), "Y(x)=x*x; Derivative");
    EXPECT_TRUE(FMain->Action("FuncDerivate")->isChecked());

    // "Derivated" toggles the flag of the active function only.
    Trigger("FuncDerivate");
    EXPECT_FALSE(window->Func(2)->Derivative);
    EXPECT_EQ(FMain->FuncCombo()->itemText(2), "Y(x)=x*x");

    Trigger("FuncVisible");
    EXPECT_FALSE(window->Func(2)->Active);
    EXPECT_FALSE(FMain->Action("FuncVisible")->isChecked());
    EXPECT_EQ(window->Indicator().Plines().Items(2).Pline().Count(), 0) << "a hidden function draws nothing";
    Trigger("FuncVisible");
    EXPECT_TRUE(window->Func(2)->Active);

    // Deleting the last function while it is active makes the one before it
    // active; the bar follows.
    Trigger("FuncDelete");
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
        const char* Command;
        std::function<bool()> State;
    } toggles[] = {
        {"actDisGrid", [&] { return plot.FullGrid(); }},
        {"actDisLabels", [&] { return plot.Labels(); }},
        {"actDisUniform", [&] { return !plot.Uniform(); }},
        {"actDisPoints", [&] { return plot.DrawType() == TDrawType::dtPoints; }},
    };
    for (const auto& row : toggles) {
        SCOPED_TRACE(row.Command);
        for (int round = 0; round < 2; ++round) {
            Trigger(row.Command);
            EXPECT_EQ(FMain->Action(row.Command)->isChecked(), row.State());
        }
    }
    Trigger("actPan");
    EXPECT_EQ(plot.MouseMode(), TMouseMode::mmPan);
    Trigger("actScaleY");
    EXPECT_EQ(plot.MouseMode(), TMouseMode::mmScaleY);
    EXPECT_FALSE(FMain->Action("actPan")->isChecked());

    plot.SetXRange(100, 200);
    Trigger("actDisDefault");
    EXPECT_LE(plot.WorldLeft(), -10.0);
    EXPECT_GE(plot.WorldRight(), 10.0);

    // A second window keeps its own mode; the commands show the mode of the
    // window that is active.
    TfrmChild2D_* second = NewWindow();
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(FMain->Action("actNothing")->isChecked());
    FMain->MdiArea()->setActiveSubWindow(window->SubWindow());
    EXPECT_TRUE(testing::WaitFor([&] { return FMain->Action("actScaleY")->isChecked(); }));
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
    Trigger("FuncDraw");
    EXPECT_EQ(answerer.Pending(), 0u);
    EXPECT_FALSE(shown.isEmpty());
    // The faulty function is active and its text waits in the formula box.
    EXPECT_EQ(window->FuncActive(), 0);
    EXPECT_EQ(FMain->FuncCombo()->currentText(), "sin(x");
    EXPECT_EQ(FMain->StatusText(0), "Ready");
    QFile log(FDir.filePath("curvane.err"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("Except class: ESyntaxError"));

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
    Trigger("FileExit");
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
        {{"--x", "3"}, 1, {"--eval"}},
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

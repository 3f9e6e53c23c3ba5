// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/edit_commands.h"
#include "gui/app/file_commands.h"
#include "gui/app/frm_main.h"
#include "gui/app/function_commands.h"
#include "gui/app/view2d_commands.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/plot2d/frm_child2d.h"
#include "gui/plot2d/scope.h"
#include "gui/widgets/formula_snippet_menu.h"
#include "gui/widgets/func_bar_widgets.h"

#include "core/document/func_item.h"
#include "core/document/func_palette.h"
#include "core/document/shared_evaluators.h"
#include "core/settings/settings.h"
#include "render/plot2d/indicator.h"
#include "gui/document_test_helpers.h"
#include "gui/shell_test_helpers.h"
#include "gui/tools/tool_test_frame.h"

#include <set>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

namespace curvane {
namespace {

using testing::TModalAnswerer;
using testing::ForgetChanges;

TEST(SnippetMenuTest, InsertionLandsAtTheCaretAndFunctionsKeepTheCaretInside) {
    QLineEdit edit;
    TFormulaSnippetMenu menu;
    menu.SetTarget(&edit);
    // Before, caret, selection length, piece, caret back; after, caret after.
    const struct {
        const char *Before, *Piece, *After;
        int Caret, Selection, CaretBack, CaretAfter;
    } rows[] = {
        {"(1)", "cos()", "(cos()1)", 1, 0, 1, 5},  // the caret lands between the parentheses
        {"abc", "7 ", "7", 0, 3, 0, 1},            // a selection is replaced; blanks are dropped
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Before);
        edit.setText(row.Before);
        edit.setSelection(row.Caret, row.Selection);
        menu.InsertSnippet(row.Piece, row.CaretBack);
        EXPECT_EQ(edit.text(), row.After);
        EXPECT_EQ(edit.cursorPosition(), row.CaretAfter);
    }
}

// Of the Cartesian evaluator's functions: the usual names once each, in
// groups, constants without parentheses, FACT (external) after the groups.
TEST(SnippetMenuTest, FunctionsComeInGroupsUnderTheUsualNames) {
    TFormulaSnippetMenu menu;
    menu.Rebuild(EvalOrtho());
    QStringList texts;
    for (const QAction* action : menu.findChild<QMenu*>(QStringLiteral("SnippetFunctions"))->actions())
        texts << (action->isSeparator() ? QStringLiteral("|") : action->text());
    EXPECT_EQ(texts.join(u' ').toStdString(),
              "SIN() COS() TAN() COT() SEC() COSEC() | ASIN() ACOS() ATAN() | SINH() COSH() TANH() | "
              "EXP() LN() LOG10() LOG2() SQRT() | ABS() SIGN() NEG() FLOOR() CEIL() ROUND() | "
              "MIN() MAX() MOD() SUM() | PI E | FACT()");
}

// The main window with real graph windows.
class MainWindowTest : public testing::ToolTestFrame {
protected:
    void SetUp() override {
        ToolTestFrame::SetUp();
        Settings().Window2D.Antialiasing = false;  // curves in their pure colours
    }

    TFileCommands& File() { return FMain->FileCommands(); }
    TFunctionCommands& Func() { return FMain->FunctionCommands(); }
    TView2DCommands& View() { return FMain->View2DCommands(); }
    // A new 2D window with a function for each formula; the last one is active.
    TfrmChild2D_* NewWindow(const QStringList& formulas = {}) {
        return qobject_cast<TfrmChild2D_*>(NewWindowWith(File().FileNew2D, formulas));
    }
    // Whether pixels of `color` lie within 2 pixels of the curve point (x, y).
    static bool CurveNear(TfrmChild2D_& window, double x, double y, QRgb color) {
        window.Scope()->DrawBuffer();
        const QPoint p = window.Indicator().WorldToScreen(x, y);
        const QImage near = window.Scope()->Buffer().copy(p.x() - 2, p.y() - 2, 5, 5);
        for (int i = 0; i < 25; ++i)
            if ((near.pixel(i % 5, i / 5) & 0xFFFFFF) == (color & 0xFFFFFF)) return true;
        return false;
    }
};

TEST_F(MainWindowTest, CommandStatesFollowTheWindowsAndWaitForARunningComputation) {
    // One command of each pattern from each group: enabled without a window,
    // with an empty 2D window, with a function, and with a function while a
    // run holds the evaluators.
    const struct {
        QAction* Command;
        bool Stage[4];
    } rows[] = {
        {File().FileNew2D, {true, true, true, false}},   {File().File_Save, {false, true, true, true}},
        {File().FileClose, {false, true, true, false}},  {Func().FuncAdd, {false, true, true, false}},
        {Func().FuncDraw, {false, false, true, false}},  {View().actPan, {false, true, true, true}},
        {View().actDisDefault, {false, true, true, false}},
    };
    const auto check = [&](int stage) {
        for (const auto& row : rows) {
            SCOPED_TRACE(row.Command->objectName().toStdString() + " at stage " + std::to_string(stage));
            EXPECT_EQ(row.Command->isEnabled(), row.Stage[stage]);
        }
        // The box takes a formula without a window too: it opens one.
        EXPECT_TRUE(FMain->FuncCombo()->isEnabled());
        EXPECT_EQ(FMain->findChild<QLabel*>("lblBlankHint")->isVisible(), stage == 0);
        EXPECT_EQ(FMain->findChild<QToolBar*>("bar2D")->isVisible(), stage > 0);
    };
    check(0);
    TfrmChild2D_* window = NewWindow();
    ASSERT_NE(window, nullptr);
    check(1);
    EnterFormula("x");
    check(2);
    {
        // A message box inside a run spins a nested event loop: the commands
        // that would compile, resample or close wait, and refuse even when
        // triggered.
        TSharedEvaluatorLease lease;
        FMain->UpdateControls();
        check(3);
        Func().FuncDerivate->setEnabled(true);
        Trigger(Func().FuncDerivate);
        EXPECT_FALSE(window->Func(0)->Derivative);
        EXPECT_FALSE(Func().FuncDerivate->isChecked()) << "a refused check box keeps its state";
    }
    // Closing the last window (answering "No") greys everything again.
    FMain->UpdateControls();
    TModalAnswerer answerer;
    answerer.ThenMessage(QMessageBox::No);
    Trigger(File().FileClose);
    EXPECT_TRUE(QTest::qWaitFor([&] { return FMain->MdiArea()->subWindowList().isEmpty(); }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !File().File_Save->isEnabled(); }));
    check(0);
}

// A function typed into the box and two duplicates take three palette
// colours in turn; a derivative copy a lighter shade of its function's.
TEST_F(MainWindowTest, NewFunctionsTakeDistinctPaletteColours) {
    TfrmChild2D_* window = NewWindow({"x"});  // Enter in the function box
    ASSERT_NE(window, nullptr);
    Trigger(Func().FuncAddCopy);
    Trigger(Func().FuncAddCopy);
    Trigger(Func().FuncAddDeriv);
    ASSERT_EQ(window->FuncCount(), 4);
    const std::int32_t expected[] = {FuncPalette[0], FuncPalette[1], FuncPalette[2], DerivativeColor(FuncPalette[2])};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(window->Func(i)->Color, expected[i]) << i;
    EXPECT_EQ(FMain->ColorBox()->Color(), expected[3]) << "the bar shows the active function's colour";
}

TEST_F(MainWindowTest, AddFunctionThroughThePropertiesDialogDrawsItsCurve) {
    TfrmChild2D_* window = NewWindow();
    ASSERT_NE(window, nullptr);
    TModalAnswerer answerer;
    answerer.Then([](QWidget* w) {
        w->findChild<QComboBox*>("edtFuncY")->setEditText("x/2+1");
        w->findChild<TColorBox*>("Color")->SetColor(0x0000FF);
        w->findChild<QPushButton*>("btnOk")->click();
    });
    // A dialog that is cancelled leaves no function behind.
    answerer.Then([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    Trigger(Func().FuncAdd);
    Trigger(Func().FuncAdd);
    EXPECT_EQ(answerer.Pending(), 0u);
    ASSERT_EQ(window->FuncCount(), 1);
    EXPECT_EQ(FMain->FuncCombo()->currentText(), "x/2+1");
    EXPECT_EQ(FMain->ColorBox()->Color(), 0x0000FF);
    const QRgb red = qRgb(255, 0, 0);
    EXPECT_TRUE(CurveNear(*window, 3.0, 2.5, red));
    EXPECT_FALSE(CurveNear(*window, 3.0, -3.0, red)) << "no red where the line is not";
}

TEST_F(MainWindowTest, AFunctionDialogOutlivesTheWindowClosedBehindIt) {
    // The properties dialog spins its own loop; the window it edits may be
    // closed from there (a queued close, another input). Its answer then
    // has no document to go to and must change nothing else.
    const struct {
        const char* Reason;
        QAction* const TFunctionCommands::*Command;
        const char* Button;
    } rows[] = {
        {"OK on a new function", &TFunctionCommands::FuncAdd, "btnOk"},
        {"Apply on a new function", &TFunctionCommands::FuncAdd, "btnApply"},
        {"OK on the properties", &TFunctionCommands::FuncProperties, "btnOk"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Reason);
        TfrmChild2D_* window = NewWindow({"x"});
        ASSERT_NE(window, nullptr);
        ForgetChanges(*window);
        TfrmChild2D_* other = NewWindow({"x*x"});
        ForgetChanges(*other);
        QPointer<QWidget> frame = window->parentWidget();
        FMain->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(frame.data()));
        TModalAnswerer answerer;
        bool closed = false;
        answerer.Then([&](QWidget* w) {
            w->findChild<QComboBox*>("edtFuncY")->setEditText("x/2+1");
            frame->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            closed = frame.isNull();
            w->findChild<QPushButton*>(row.Button)->click();
            if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible()) dialog->reject();
        });
        Trigger(Func().*row.Command);
        EXPECT_TRUE(closed) << "the window was gone before the dialog was answered";
        EXPECT_TRUE(answerer.Unexpected.isEmpty()) << answerer.Unexpected.join('\n').toStdString();
        ASSERT_EQ(FMain->MdiArea()->subWindowList().size(), 1);
        EXPECT_EQ(other->FuncCount(), 1) << "the answer went to no other window";
        EXPECT_FALSE(other->IsModified());
        other->parentWidget()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(MainWindowTest, FunctionBarAndFunctionCommandsWorkOnTheActiveFunction) {
    TfrmChild2D_* window = NewWindow({"x*x", "2*x"});
    ASSERT_TRUE(window && window->FuncCount() == 2);

    // Choosing an entry of the list selects that function and shows its
    // formula; the width box writes to it and shows each function's width.
    TFuncCombo* combo = FMain->FuncCombo();
    QTest::keyClick(combo, Qt::Key_Up);
    EXPECT_EQ(window->FuncActive(), 0);
    EXPECT_EQ(combo->currentText(), "x*x");
    FMain->WidthCombo()->SetListChoice(true);
    FMain->WidthCombo()->setCurrentIndex(2);
    EXPECT_EQ(window->Func(0)->Width, 3);
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(FMain->WidthCombo()->Width(), 1);
    EnterFormula("x*x*x");
    EXPECT_EQ(window->Func(1)->Expression, "x*x*x") << "a new formula replaces the active one's";

    // The commands work on the active function (x*x, 3 pixels wide).
    QTest::keyClick(combo, Qt::Key_Up);
    Trigger(Func().FuncAddDeriv);
    ASSERT_EQ(window->FuncCount(), 3);
    EXPECT_EQ(window->FuncActive(), 2);
    EXPECT_EQ(window->Func(2)->Width, 3);
    EXPECT_TRUE(window->Func(2)->Derivative);
    EXPECT_TRUE(Func().FuncDerivate->isChecked());
    Trigger(Func().FuncDerivate);
    EXPECT_FALSE(window->Func(2)->Derivative);
    // Deleting the last function while it is active makes the one before it
    // active; the bar follows.
    Trigger(Func().FuncDelete);
    ASSERT_EQ(window->FuncCount(), 2);
    EXPECT_EQ(window->FuncActive(), 1);
    EXPECT_EQ(combo->currentIndex(), 1);

    // An implicit function is refused as a derivative, with a reason.
    testing::ShowDocument(*window, [](TGraphDocument& d) { d.Func(1)->FuncKind = TFuncKind::fkImplicit; });
    TModalAnswerer answerer;
    answerer.ThenMessage(QMessageBox::Ok);
    Trigger(Func().FuncDerivate);
    EXPECT_TRUE(answerer.Messages.value(0).contains("implicit"));
    EXPECT_FALSE(window->Func(1)->Derivative);
    EXPECT_FALSE(Func().FuncDerivate->isChecked());
}

TEST_F(MainWindowTest, ViewCommandsReachThePlotOfTheActiveWindow) {
    TfrmChild2D_* window = NewWindow();
    ASSERT_NE(window, nullptr);
    TIndicator& plot = window->Indicator();
    for (int round = 0; round < 2; ++round) {  // on and off again
        Trigger(View().actDisGrid);
        EXPECT_EQ(View().actDisGrid->isChecked(), plot.FullGrid());
        Trigger(View().actDisPoints);
        EXPECT_EQ(View().actDisPoints->isChecked(), plot.DrawType() == TDrawType::dtPoints);
    }

    // Each window keeps its own mouse mode; the commands show the active one's.
    Trigger(View().actScaleY);
    EXPECT_EQ(plot.MouseMode(), TMouseMode::mmScaleY);
    ASSERT_NE(NewWindow(), nullptr);
    EXPECT_TRUE(View().actNothing->isChecked());
    FMain->MdiArea()->setActiveSubWindow(window->SubWindow());
    EXPECT_TRUE(QTest::qWaitFor([&] { return View().actScaleY->isChecked(); }));
}

TEST_F(MainWindowTest, FormulaThatDoesNotCompileIsReportedAndOfferedForCorrection) {
    TfrmChild2D_* window = NewWindow({"x", "2*x"});
    ASSERT_NE(window, nullptr);
    TGraphDocument faulty = window->Document();  // a file may hold one
    faulty.Func(0)->Expression = "sin(x";
    window->Owner()->Reset(faulty);

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
    EXPECT_EQ(FMain->StatusText(TMainStatusPanel::mspState), "Ready");
    EnterFormula("sin(x)");
    EXPECT_GT(window->Indicator().Plines().Items(0).Pline().Count(), 0) << "corrected, it draws";
}

TEST_F(MainWindowTest, UndoKeysInTheFunctionBoxUndoTheDocumentUnlessTheUserIsTyping) {
    TfrmChild2D_* window = NewWindow({"x^3"});
    ASSERT_NE(window, nullptr);
    EnterFormula("x^4");
    QLineEdit* edit = FMain->FuncCombo()->lineEdit();
    FMain->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(FMain.get()));
    edit->setFocus(Qt::OtherFocusReason);
    const struct {
        QKeyCombination Key;
        const char* Formula;
    } rows[] = {
        {Qt::CTRL | Qt::Key_Z, "x^3"},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Z, "x^4"},
        {Qt::CTRL | Qt::Key_Z, "x^3"},
        {Qt::CTRL | Qt::Key_Y, "x^4"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(QKeySequence(row.Key).toString().toStdString());
        QTest::keyClick(edit, row.Key.key(), row.Key.keyboardModifiers());
        EXPECT_EQ(window->Func(0)->Expression, row.Formula);
        EXPECT_EQ(edit->text(), row.Formula);
    }
    // While the box differs from the formula, the keys undo the typing.
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClicks(edit, "+1");
    QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_NE(edit->text(), "x^4+1");
    EXPECT_EQ(window->Func(0)->Expression, "x^4");
}

TEST_F(MainWindowTest, TypoInTheFunctionBoxIsShownUnderItAndChangesNothing) {
    TfrmChild2D_* window = NewWindow({"x^2", "2"});
    ASSERT_NE(window, nullptr);
    // The second function is polar: its formula knows a, not x.
    testing::ShowDocument(*window, [](TGraphDocument& d) { d.Func(1)->FuncType = TFuncType::ftPolar; });
    const int steps = window->UndoStack()->count();
    auto* message = FMain->findChild<QLabel*>("lblFuncMessage");
    ASSERT_NE(message, nullptr);
    QLineEdit* edit = FMain->FuncCombo()->lineEdit();
    const struct {
        int Func;
        const char *Typed, *Token, *Kept;
    } rows[] = {
        {0, "sin(x", "", "x^2"},       // an unclosed parenthesis
        {0, "1e400", "1e400", "x^2"},  // a number beyond the double range
        {1, "2*x", "x", "2"},          // a polar formula's variable is a
    };
    TModalAnswerer answerer;  // expects no box at all
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Typed);
        testing::ShowDocument(*window, [&](TGraphDocument& d) { d.FuncActive = row.Func; });
        EnterFormula(row.Typed);
        QTest::qWait(50);
        EXPECT_TRUE(answerer.Unexpected.isEmpty()) << answerer.Unexpected.join('|').toStdString();
        EXPECT_EQ(window->Func(row.Func)->Expression, row.Kept);
        EXPECT_EQ(window->UndoStack()->count(), steps);
        EXPECT_TRUE(message->isVisible());
        EXPECT_TRUE(message->text().startsWith("Syntax error : ")) << message->text().toStdString();
        EXPECT_EQ(edit->text(), row.Typed) << "the typed text waits for correction";
        EXPECT_EQ(edit->selectedText(), row.Token);
    }
    EnterFormula("sin(a)");
    EXPECT_EQ(window->Func(1)->Expression, "sin(a)");
    EXPECT_FALSE(message->isVisible());
}

TEST_F(MainWindowTest, ShiftEnterAddsTheTypedFormulaAsANewFunctionInOneUndoStepEach) {
    TfrmChild2D_* window = NewWindow({"x"});
    ASSERT_NE(window, nullptr);
    QLineEdit* edit = FMain->FuncCombo()->lineEdit();
    QUndoStack* undo = window->UndoStack();
    const int steps = undo->count();
    const struct {
        const char* Formula;
        Qt::KeyboardModifier Key;
    } rows[] = {{"x^2", Qt::ShiftModifier}, {"x^3", Qt::ControlModifier}, {"x^4", Qt::ShiftModifier}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(rows[i].Formula);
        Type(edit, rows[i].Formula);
        QTest::keyClick(edit, Qt::Key_Return, rows[i].Key);
        ASSERT_EQ(window->FuncCount(), i + 2);
        EXPECT_EQ(window->Func(i + 1)->Expression, rows[i].Formula);
        EXPECT_EQ(window->FuncActive(), i + 1);
        EXPECT_EQ(undo->count(), steps + i + 1);
        EXPECT_EQ(edit->selectedText(), rows[i].Formula) << "ready to be typed over";
    }
    std::set<std::int32_t> colors;
    for (int i = 0; i < window->FuncCount(); ++i) colors.insert(window->Func(i)->Color);
    EXPECT_EQ(colors.size(), 4u) << "each added function takes a colour of its own";
    for (int count = 3; count >= 1; --count) {
        Trigger(FMain->EditCommands().EditUndo);
        EXPECT_EQ(window->FuncCount(), count) << "undo takes back one function at a time";
    }
    EnterFormula("cos(x)");
    ASSERT_EQ(window->FuncCount(), 1) << "Enter still replaces";
    EXPECT_EQ(window->Func(0)->Expression, "cos(x)");

    // A typo is refused under the box, as Enter refuses it; the tool bar
    // button adds like Shift+Enter.
    Type(edit, "sin(x");
    QTest::keyClick(edit, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(window->FuncCount(), 1);
    EXPECT_TRUE(FMain->findChild<QLabel*>("lblFuncMessage")->text().startsWith("Syntax error : "));
    Type(edit, "x/2");
    auto* button = FMain->findChild<QToolButton*>("btnFuncAddFromBox");
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(window->FuncCount(), 2);
    EXPECT_EQ(window->Func(1)->Expression, "x/2");
}

TEST_F(MainWindowTest, FormulaTypedWithNoWindowOpensA2DWindowAndASignBeforeAPowerIsHintedOnce) {
    ASSERT_TRUE(FMain->MdiArea()->subWindowList().isEmpty());
    QLineEdit* edit = FMain->FuncCombo()->lineEdit();
    auto* message = FMain->findChild<QLabel*>("lblFuncMessage");
    Type(edit, "exp(-x^2");
    QTest::keyClick(edit, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_TRUE(FMain->MdiArea()->subWindowList().isEmpty()) << "a typo opens no window";
    EXPECT_TRUE(message->text().startsWith("Syntax error : "));

    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClicks(edit, ")");
    QTest::keyClick(edit, Qt::Key_Return, Qt::ShiftModifier);
    auto* window = qobject_cast<TfrmChild2D_*>(CurrentGraphWindow(FMain->MdiArea()));
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(window->FuncCount(), 1);
    EXPECT_EQ(window->Func(0)->Expression, "exp(-x^2)");
    EXPECT_EQ(window->UndoStack()->count(), 1);
    QApplication::processEvents();  // the window's own update of the bar
    EXPECT_TRUE(message->isVisible());
    EXPECT_EQ(message->text(), "-x^2 is read as (-x)^2; write -(x^2) for the negative of a square");
    EXPECT_EQ(edit->text(), "exp(-x^2)");

    // The same formula again is taken as meant; another one is hinted.
    const struct {
        const char* Formula;
        bool Hinted;
    } rows[] = {{"exp(-x^2)", false}, {"exp(-(x^2))", false}, {"-2*x", false}, {"2*-x^2", true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Formula);
        Type(edit, row.Formula);
        QTest::keyClick(edit, Qt::Key_Return, Qt::ShiftModifier);
        EXPECT_EQ(window->ActiveFunc()->Expression, row.Formula);
        EXPECT_EQ(message->isVisible(), row.Hinted);
    }
}

TEST_F(MainWindowTest, MissingFileIsReportedAndExitAsksAboutUnsavedDocuments) {
    TModalAnswerer answerer;
    answerer.ThenMessage(QMessageBox::Ok);
    const QString missing = FDir.filePath("missing.gfx");
    FMain->OpenDocuments({missing});

    NewWindow({"x"});
    answerer.ThenMessage(QMessageBox::Cancel);
    Trigger(File().FileExit);
    ASSERT_EQ(answerer.Messages.size(), 2);
    EXPECT_TRUE(answerer.Messages[0].contains(missing)) << answerer.Messages[0].toStdString();
    EXPECT_TRUE(answerer.Messages[1].startsWith("Save changes")) << answerer.Messages[1].toStdString();
    EXPECT_EQ(FMain->MdiArea()->subWindowList().size(), 1) << "the missing file opened none; Cancel kept this one";
}

}  // namespace
}  // namespace curvane

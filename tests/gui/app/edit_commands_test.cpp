// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/edit_commands.h"

#include "core/document/shared_evaluators.h"
#include "core/settings/settings.h"
#include "core/support/ini_file.h"
#include "gui/app/file_commands.h"
#include "gui/app/frm_main.h"
#include "gui/app/function_commands.h"
#include "gui/app/shell_memory.h"
#include "gui/app/view2d_commands.h"
#include "gui/app/view3d_commands.h"
#include "gui/dialogs/frm_func_explorer.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/plot3d/frm_child3d.h"
#include "gui/shell_test_helpers.h"
#include "gui/tools/tool_test_frame.h"
#include "gui/widgets/func_bar_widgets.h"
#include "render/plot3d/plot3d.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <functional>

#include <gtest/gtest.h>

namespace curvane {
namespace {

using testing::TModalAnswerer;

// The whole document as a file holds it, and the 3D grid switch, which a
// file does not keep.
std::string DocumentText(TfrmAbstractMDIChild& window) {
    TIniFile ini = TIniFile::FromText("");
    window.Owner()->Snapshot().SaveToIni(ini);
    const auto* w3 = qobject_cast<TfrmChild3D*>(&window);
    return ini.Text() + (w3 && w3->Plot().Style().Grid ? "grid" : "");
}

class EditCommandsTest : public testing::ToolTestFrame {
protected:
    TEditCommands& Edit() { return FMain->EditCommands(); }
    TFunctionCommands& Func() { return FMain->FunctionCommands(); }
    // Undo and redo sample from the event loop: the document is compared
    // once that has happened.
    static void Settle(TfrmAbstractMDIChild& window) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window.RecalculatePostponed(); }));
        QApplication::processEvents();
    }
};

TEST_F(EditCommandsTest, EveryActionIsOneStepThatUndoAndRedoRestoreExactly) {
    TModalAnswerer answerer;
    const auto properties = [&answerer](const char* formula) {
        answerer.Then([formula](QWidget* w) {
            w->findChild<QComboBox*>("edtFuncY")->setEditText(formula);
            w->findChild<QPushButton*>("btnOk")->click();
        });
    };
    const struct {
        const char* step;
        bool is3D;
        std::function<void()> act;
    } rows[] = {
        {"Change formula", false, [&] { EnterFormula("x+1"); }},
        {"Add function", false, [&] { properties("x/2"); Trigger(Func().FuncAdd); }},
        {"Function properties", false, [&] { properties("cos(x)"); Trigger(Func().FuncProperties); }},
        {"Delete function", false, [&] { Trigger(Func().FuncDelete); }},
        {"Duplicate function", false, [&] { Trigger(Func().FuncAddCopy); }},
        {"Duplicate as derivative", false, [&] { Trigger(Func().FuncAddDeriv); }},
        {"Derivative", false, [&] { Trigger(Func().FuncDerivate); }},
        {"Hide function", false, [&] { Trigger(Func().FuncVisible); }},
        {"Change color", false, [&] { emit FMain->ColorBox()->colorChosen(0x00FF00); }},
        {"Change width", false, [&] {
             FMain->WidthCombo()->SetListChoice(true);
             FMain->WidthCombo()->setCurrentIndex(4);
         }},
        {"Move function", false, [&] { FMain->Memory()->FuncExplorer()->MoveFunction(0, 1); }},
        {"Grid", false, [&] { Trigger(FMain->View2DCommands().actDisGrid); }},
        {"Number labels", false, [&] { Trigger(FMain->View2DCommands().actDisLabels); }},
        {"Uniform scale", false, [&] { Trigger(FMain->View2DCommands().actDisUniform); }},
        {"Draw type", true, [&] { Trigger(FMain->View3DCommands().btnSurface); }},
        {"Smooth", true, [&] { Trigger(FMain->View3DCommands().btnSmooth); }},
        {"Grid", true, [&] { Trigger(FMain->View3DCommands().btnGrid3D); }},
    };
    FMain->Memory()->ShowFuncExplorer(true);
    TfrmAbstractMDIChild* w2 = NewWindowWith(FMain->FileCommands().FileNew2D, {"x*x", "sin(x)"});
    TfrmAbstractMDIChild* w3 = NewWindowWith(FMain->FileCommands().FileNew3D, {"x*y"});
    ASSERT_TRUE(w2 && w3);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.step);
        TfrmAbstractMDIChild& window = row.is3D ? *w3 : *w2;
        FMain->MdiArea()->setActiveSubWindow(window.SubWindow());
        QApplication::processEvents();
        const int steps = window.UndoStack()->count();
        const std::string before = DocumentText(window);
        row.act();
        const std::string after = DocumentText(window);
        EXPECT_NE(after, before);
        EXPECT_EQ(window.UndoStack()->count(), steps + 1) << "one step per action";
        EXPECT_EQ(Edit().EditUndo->text(), QStringLiteral("&Undo ") + row.step);

        Trigger(Edit().EditUndo);
        Settle(window);
        EXPECT_EQ(DocumentText(window), before);
        EXPECT_EQ(Edit().EditRedo->text(), QStringLiteral("&Redo ") + row.step);
        Trigger(Edit().EditRedo);
        Settle(window);
        EXPECT_EQ(DocumentText(window), after);
    }
    EXPECT_EQ(answerer.Pending(), 0u);
}

TEST_F(EditCommandsTest, SavingMarksTheCleanStateAndTheCaptionShowsUnsavedChanges) {
    TfrmAbstractMDIChild* other = NewWindowWith(FMain->FileCommands().FileNew2D, {"x"});
    TfrmAbstractMDIChild* window = NewWindowWith(FMain->FileCommands().FileNew2D, {"x*x"});
    ASSERT_TRUE(other && window);
    const QString path = FDir.filePath("doc.gfx");
    SetSaveFileChooser([path](QWidget*, const QString&) { return path; });
    Trigger(FMain->FileCommands().File_Save);
    SetSaveFileChooser({});
    EXPECT_FALSE(window->IsModified());
    EXPECT_EQ(ShownTitle(*window->SubWindow()), "[doc.gfx] - x*x");

    EnterFormula("x-1");
    EXPECT_TRUE(window->IsModified());
    EXPECT_EQ(ShownTitle(*window->SubWindow()), "[doc.gfx] - x-1*");
    Trigger(Edit().EditUndo);
    EXPECT_FALSE(window->IsModified()) << "undone back to the saved state";
    EXPECT_EQ(ShownTitle(*window), "[doc.gfx] - x*x");
    EXPECT_EQ(Edit().EditUndo->text(), "&Undo Add function") << "the first formula of a new window";
    EXPECT_TRUE(Edit().EditRedo->isEnabled());
    {
        // A run holding the evaluators may be sampling these very functions.
        TSharedEvaluatorLease lease;
        FMain->UpdateControls();
        EXPECT_FALSE(Edit().EditRedo->isEnabled());
    }

    // The other window keeps its own history, and only it asks at Exit.
    FMain->MdiArea()->setActiveSubWindow(other->SubWindow());
    QApplication::processEvents();
    EXPECT_EQ(Edit().EditUndo->text(), "&Undo Add function");
    EXPECT_FALSE(Edit().EditRedo->isEnabled());
    TModalAnswerer answerer;
    answerer.ThenMessage(QMessageBox::Cancel);
    Trigger(FMain->FileCommands().FileExit);
    EXPECT_EQ(answerer.Messages, QStringList{"Save changes to file ?"});
    EXPECT_TRUE(answerer.Unexpected.isEmpty());
}

}  // namespace
}  // namespace curvane

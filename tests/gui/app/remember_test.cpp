// SPDX-License-Identifier: GPL-3.0-or-later
#include <QAction>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "gui/qt_print.h"
#include "gui/shell_test_helpers.h"

#include <memory>

#include "core/settings/settings.h"
#include "gui/app/file_commands.h"
#include "gui/app/frm_main.h"
#include "gui/app/shell_memory.h"
#include "gui/app/view2d_commands.h"
#include "gui/app/window_commands.h"
#include "gui/document_test_helpers.h"
#include "gui/plot2d/frm_child2d.h"
#include "gui/plot2d/points_of_interest.h"
#include "gui/widgets/func_bar_widgets.h"

namespace curvane {
namespace {

const QString Document = QStringLiteral(CURVANE_SOURCE_DIR "/examples/explicit.gfx");

// Each run of the program is one TfrmMain from construction (start-up) to
// destruction (exit), with its settings file in a folder of its own.
class RememberTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        qputenv("CURVANE_SETTINGS", FIniPath.toUtf8());
        Settings() = TSettings{};
    }
    void TearDown() override {
        qunsetenv("CURVANE_SETTINGS");
        Settings() = TSettings{};
    }
    std::unique_ptr<TfrmMain> Start() {
        auto main = std::make_unique<TfrmMain>();
        main->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(main.get()));
        return main;
    }
    // As "E&xit" ends the program once the questions are answered: the main
    // window is hidden and destroyed.
    static void Exit(std::unique_ptr<TfrmMain>& main) {
        main->hide();
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QString FileText() const { return testing::ReadText(FIniPath); }
    static std::vector<std::string> Recent(TfrmMain& main) { return main.Memory()->RecentFiles().Items(); }

    QTemporaryDir FDir;
    QString FIniPath = FDir.filePath("curvane.ini");
};

TEST_F(RememberTest, WhatTheLastRunLeftComesBackUnlessSaveConfigIsOff) {
    auto first = Start();
    first->OpenDocuments({Document});
    first->WindowCommands().ViewLog->trigger();
    first->WindowCommands().ViewFuncExplorer->trigger();
    ASSERT_NE(first->Memory()->FuncExplorer(), nullptr);
    // Closed with its own close button before exit.
    first->Memory()->FuncExplorer()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(first->WindowCommands().ViewFuncExplorer->isChecked());
    first->setWindowState(Qt::WindowNoState);
    first->setGeometry(60, 70, 700, 500);
    QTest::qWait(30);
    const QRect placement(first->pos(), first->size());
    Exit(first);
    const QString saved = FileText();

    auto second = Start();
    EXPECT_EQ(Recent(*second), std::vector<std::string>{Document.toStdString()});
    EXPECT_EQ(second->Memory()->FuncExplorer(), nullptr) << "closed before exit stays closed";
    ASSERT_NE(second->Memory()->LogWindow(), nullptr);
    EXPECT_TRUE(second->WindowCommands().ViewLog->isChecked());
    EXPECT_EQ(second->dockWidgetArea(second->Memory()->LogWindow()), Qt::BottomDockWidgetArea);
    EXPECT_EQ(QRect(second->pos(), second->size()), placement);
    // Choosing the entry opens the document as File Open does.
    second->ReopenMenu()->actions().last()->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(second->MdiArea()->subWindowList().size(), 1);

    // With "save configuration" off, nothing of this run is written.
    Settings().SaveConfig = false;
    second->WindowCommands().ViewLog->trigger();  // closes it
    second->Memory()->RecentFiles().Add("/somewhere/else.gfx");
    second->setGeometry(10, 10, 333, 222);
    Exit(second);
    EXPECT_EQ(FileText(), saved);
}

TEST_F(RememberTest, RecentFileThatWentAwayIsReportedAndMayBeDroppedAndClearEmptiesTheList) {
    const QString gone = FDir.filePath("gone.gfx");
    testing::WriteText(FIniPath, ("[MRUFiles]\nFile1=" + gone + "\nFile2=" + Document).toUtf8());
    auto main = Start();
    // "No" keeps the entry, "Yes" drops it; neither opens a window.
    testing::TModalAnswerer answerer;
    answerer.ThenMessage(QMessageBox::No);
    answerer.ThenMessage(QMessageBox::Yes);
    main->ReopenMenu()->actions()[2]->trigger();
    main->ReopenMenu()->actions()[2]->trigger();
    ASSERT_EQ(answerer.Messages.size(), 2);
    EXPECT_TRUE(answerer.Messages[1].contains(gone)) << answerer.Messages[1].toStdString();
    EXPECT_TRUE(main->MdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(Recent(*main), std::vector<std::string>{Document.toStdString()});

    main->FileCommands().FileClearMRU->trigger();
    Exit(main);
    EXPECT_FALSE(FileText().contains("File1=")) << "the cleared list is stored";
}

TEST_F(RememberTest, ExplorerAndLogFollowTheMainWindow) {
    auto main = Start();
    main->WindowCommands().ViewFuncExplorer->trigger();
    TfrmFuncExplorer* explorer = main->Memory()->FuncExplorer();
    ASSERT_NE(explorer, nullptr);
    TfrmAbstractMDIChild* window = main->NewGraphWindow2D();
    for (const char* formula : {"sin(x)", "cos(x)", "x"}) testing::AddFunctionTo(*window, formula);
    QCoreApplication::processEvents();
    ASSERT_EQ(explorer->List()->topLevelItemCount(), 3);
    explorer->List()->setCurrentItem(explorer->List()->topLevelItem(0));
    QCoreApplication::processEvents();
    EXPECT_EQ(window->FuncActive(), 0);
    EXPECT_EQ(main->FuncCombo()->currentIndex(), 0) << "the function bar follows the explorer";

    // Lines logged while the log window is hidden leave no trace.
    main->WindowCommands().ViewLog->trigger();
    TfrmLogWindow* log = main->Memory()->LogWindow();
    ASSERT_NE(log, nullptr);
    main->AddLogLine("kept");
    log->hide();
    main->AddLogLine("lost");
    log->show();
    EXPECT_EQ(log->Memo()->toPlainText(), "kept");
    Exit(main);
}

// The switch reaches every 2D window at once and the next run starts with it.
TEST_F(RememberTest, PointsOfInterestSwitchIsKeptInTheSettings) {
    auto first = Start();
    first->OpenDocuments({Document});
    QAction* command = first->View2DCommands().actPointsOfInterest;
    auto* window = qobject_cast<TfrmChild2D_*>(first->NewGraphWindow2D());
    ASSERT_NE(window, nullptr);
    command->trigger();
    for (QMdiSubWindow* sub : first->MdiArea()->subWindowList())
        EXPECT_TRUE(qobject_cast<TfrmChild2D_*>(sub->widget())->PointsOfInterest().Shown());
    Exit(first);
    EXPECT_TRUE(FileText().contains("[2D window]") && FileText().contains("\nPointsOfInterest=1\n"));

    auto second = Start();
    EXPECT_TRUE(second->View2DCommands().actPointsOfInterest->isChecked());
    auto* fresh = qobject_cast<TfrmChild2D_*>(second->NewGraphWindow2D());
    ASSERT_NE(fresh, nullptr);
    EXPECT_TRUE(fresh->PointsOfInterest().Shown());
    QCoreApplication::processEvents();  // the command is enabled once a 2D window is there
    second->View2DCommands().actPointsOfInterest->trigger();
    EXPECT_FALSE(fresh->PointsOfInterest().Shown());
    Exit(second);
    EXPECT_TRUE(FileText().contains("\nPointsOfInterest=0\n"));
}

}  // namespace
}  // namespace curvane

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMdiArea>
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
#include "core/support/ini_file.h"
#include "gui/app/file_commands.h"
#include "gui/app/frm_log_window.h"
#include "gui/app/frm_main.h"
#include "gui/app/shell_memory.h"
#include "gui/app/window_commands.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/plot2d/frm_child2d.h"
#include "gui/widgets/func_bar_widgets.h"

namespace curvane {
namespace {

// Each run of the program is one TfrmMain from construction (start-up) to
// destruction (exit), with its settings file in a folder of its own.
class RememberTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        FIniPath = FDir.filePath("curvane.ini");
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
        QTest::qWait(30);
        return main;
    }
    // Exit as "E&xit" ends the program: no close questions, the main window
    // is destroyed.
    void Exit(std::unique_ptr<TfrmMain>& main) {
        main->hide();
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QString MakeDocument(const QString& name) {
        const QString path = FDir.filePath(name);
        TfrmChild2D window;
        window.AddFunction("sin(x)");
        window.SaveToFile(path);
        return path;
    }

    QString FileText() const {
        QFile f(FIniPath);
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(f.readAll());
    }

    static QAction* ViewLog(TfrmMain& main) { return main.WindowCommands().ViewLog; }
    static QAction* ViewFuncExplorer(TfrmMain& main) { return main.WindowCommands().ViewFuncExplorer; }

    static QStringList MenuTexts(QMenu* menu) {
        QStringList out;
        for (QAction* a : menu->actions()) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return out;
    }

    QTemporaryDir FDir;
    QString FIniPath;
};

TEST_F(RememberTest, SettingsFileRoundTripThroughStartAndExit) {
    const QString doc = MakeDocument("wave.gfx");

    auto first = Start();
    first->OpenDocuments({doc});
    EXPECT_EQ(MenuTexts(first->ReopenMenu()), (QStringList{"Clear &File List", "-", "&1 " + doc}));

    ViewLog(*first)->trigger();
    ASSERT_NE(first->Memory()->LogWindow(), nullptr);
    ViewFuncExplorer(*first)->trigger();
    ASSERT_NE(first->Memory()->FuncExplorer(), nullptr);
    EXPECT_EQ(first->Memory()->FuncExplorer()->List()->topLevelItemCount(), 1);
    // Closed with its own close button before exit.
    first->Memory()->FuncExplorer()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(ViewFuncExplorer(*first)->isChecked());

    first->setWindowState(Qt::WindowNoState);
    first->setGeometry(60, 70, 700, 500);
    QTest::qWait(30);
    const QPoint pos = first->pos();
    Exit(first);

    // One file, every part in its order: settings, placement, recent files,
    // then the two tool windows.
    const QString text = FileText();
    qsizetype last = -1;
    for (const char* section : {"[Global]", "[WindowsRestorer]", "[MRUFiles]", "[Function explorer]", "[Log window]"}) {
        SCOPED_TRACE(section);
        EXPECT_GT(text.indexOf(section), last);
        last = text.indexOf(section);
    }
    const auto ini = TIniFile::FromText(text.toStdString());
    EXPECT_EQ(ini.ReadString("MRUFiles", "File1", ""), doc.toStdString());
    EXPECT_EQ(ini.ReadInteger("WindowsRestorer", "TfrmMain_WindowState", 0), 2);
    EXPECT_EQ(ini.ReadInteger("WindowsRestorer", "TfrmMain_Width", 0), 700);
    EXPECT_FALSE(ini.ReadBool("Function explorer", "Visible", true));
    EXPECT_TRUE(ini.ReadBool("Log window", "Visible", false));
    EXPECT_EQ(ini.ReadString("Log window", "DockedTo", ""), "BottomDockPanel");

    auto second = Start();
    EXPECT_EQ(MenuTexts(second->ReopenMenu()), (QStringList{"Clear &File List", "-", "&1 " + doc}));
    EXPECT_EQ(second->Memory()->FuncExplorer(), nullptr) << "closed before exit stays closed";
    EXPECT_FALSE(ViewFuncExplorer(*second)->isChecked());
    ASSERT_NE(second->Memory()->LogWindow(), nullptr);
    EXPECT_TRUE(ViewLog(*second)->isChecked());
    EXPECT_EQ(second->dockWidgetArea(second->Memory()->LogWindow()), Qt::BottomDockWidgetArea);
    EXPECT_FALSE(second->isMaximized());
    EXPECT_EQ(second->size(), QSize(700, 500));
    EXPECT_EQ(second->pos(), pos);

    // Choosing the entry opens the document as File Open does.
    second->ReopenMenu()->actions().last()->trigger();
    QCoreApplication::processEvents();
    ASSERT_EQ(second->MdiArea()->subWindowList().size(), 1);
    Exit(second);
}

TEST_F(RememberTest, NothingIsWrittenWhenSaveConfigIsOff) {
    auto first = Start();
    ViewLog(*first)->trigger();
    Exit(first);
    const QString before = FileText();
    ASSERT_TRUE(before.contains("SaveConfig=1"));

    auto second = Start();
    Settings().SaveConfig = false;
    ViewLog(*second)->trigger();  // closes it
    second->Memory()->RecentFiles().Add("/somewhere/else.gfx");
    second->setWindowState(Qt::WindowNoState);
    second->setGeometry(10, 10, 333, 222);
    Exit(second);
    EXPECT_EQ(FileText(), before);

    auto third = Start();
    EXPECT_TRUE(Settings().SaveConfig);
    EXPECT_NE(third->Memory()->LogWindow(), nullptr);
    EXPECT_TRUE(third->Memory()->RecentFiles().Empty());
    Exit(third);
}

TEST_F(RememberTest, ClearFileListEmptiesTheStoredList) {
    {
        QFile f(FIniPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[MRUFiles]\nFile1=/a.gfx\nFile2=/b.gfx\n");
    }
    auto main = Start();
    QAction* clear = main->FileCommands().FileClearMRU;
    ASSERT_TRUE(clear->isEnabled());
    clear->trigger();
    EXPECT_FALSE(main->ReopenMenu()->menuAction()->isEnabled());
    Exit(main);
    EXPECT_FALSE(TIniFile::FromText(FileText().toStdString()).ValueExists("MRUFiles", "File1"));
}

TEST_F(RememberTest, ExplorerFollowsTheCurrentWindowAndDrivesTheFunctionBar) {
    auto main = Start();
    ViewFuncExplorer(*main)->trigger();
    TfrmFuncExplorer* explorer = main->Memory()->FuncExplorer();
    ASSERT_NE(explorer, nullptr);
    EXPECT_EQ(explorer->List()->topLevelItemCount(), 0);

    TfrmAbstractMDIChild* window = main->NewGraphWindow2D();
    window->AddFunction("sin(x)");
    window->AddFunction("cos(x)");
    window->AddFunction("x");
    main->UpdateFuncBar(true);
    QCoreApplication::processEvents();
    ASSERT_EQ(explorer->List()->topLevelItemCount(), 3);
    EXPECT_EQ(explorer->List()->currentIndex().row(), 2);

    explorer->List()->setCurrentItem(explorer->List()->topLevelItem(0));
    QCoreApplication::processEvents();
    EXPECT_EQ(window->FuncActive(), 0);
    EXPECT_EQ(main->FuncCombo()->currentIndex(), 0) << "the function bar follows the explorer";
    Exit(main);
}

TEST_F(RememberTest, LogLinesWhileTheLogIsHiddenLeaveNoTrace) {
    auto main = Start();
    main->AddLogLine("lost 1");
    ViewLog(*main)->trigger();
    TfrmLogWindow* log = main->Memory()->LogWindow();
    ASSERT_NE(log, nullptr);
    main->AddLogLine("kept");
    log->hide();
    main->AddLogLine("lost 2");
    log->show();
    main->AddLogLine("kept too");
    EXPECT_EQ(log->Memo()->toPlainText(), "kept\nkept too");
    ViewLog(*main)->trigger();
    ViewLog(*main)->trigger();
    ASSERT_NE(main->Memory()->LogWindow(), nullptr);
    EXPECT_EQ(main->Memory()->LogWindow()->Memo()->toPlainText(), "") << "a new log window starts empty";
    Exit(main);
}

TEST_F(RememberTest, RecentFileThatWentAwayIsReportedAndMayBeDropped) {
    const QString doc = MakeDocument("kept.gfx");
    const QString gone = FDir.filePath("gone.gfx");
    {
        QFile f(FIniPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(("[MRUFiles]\nFile1=" + gone + "\nFile2=" + doc + "\n").toUtf8());
    }
    auto main = Start();
    auto entry = [&](int i) { return main->ReopenMenu()->actions()[2 + i]; };
    // "No" keeps the entry, "Yes" drops it; neither opens a window.
    testing::TModalAnswerer answerer;
    answerer.ThenMessage(QMessageBox::No);
    answerer.ThenMessage(QMessageBox::Yes);
    entry(0)->trigger();
    entry(0)->trigger();
    EXPECT_EQ(answerer.Pending(), 0u);
    ASSERT_EQ(answerer.Messages.size(), 2);
    EXPECT_TRUE(answerer.Messages[1].contains(gone)) << answerer.Messages[1].toStdString();
    EXPECT_TRUE(main->MdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(MenuTexts(main->ReopenMenu()), (QStringList{"Clear &File List", "-", "&1 " + doc}));
    entry(0)->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(main->MdiArea()->subWindowList().size(), 1);
    Exit(main);
}

}  // namespace
}  // namespace curvane

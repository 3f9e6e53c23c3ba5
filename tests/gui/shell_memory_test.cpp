#include "gui/shell_memory.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "qt_print.h"

#include <memory>

#include "core/support/ini_file.h"
#include "gui/frm_abstract_mdi_child.h"
#include "gui/frm_log_window.h"

namespace curvane {
namespace {

// A frame with the commands the memory plugs into, as the main window has.
struct Shell {
    QMainWindow window;
    QMdiArea* mdi = new QMdiArea;
    QMenu reopen{"Reopen"};
    QAction* clear = reopen.addAction("Clear &File List");
    QAction viewExplorer{"Function explorer"};
    QAction viewLog{"Log window"};
    QAction add{"Add"}, del{"Delete"}, props{"Properties"};
    TShellMemory* memory;
    QStringList opened;

    Shell() {
        window.setCentralWidget(mdi);
        window.resize(900, 700);
        memory = new TShellMemory(window, mdi, {&reopen, clear, &viewExplorer, &viewLog, {&add, &del, &props}});
        memory->SetOpenHandler([this](const QString& p) { opened << p; });
    }
    void Start(const std::string& iniText) {
        memory->Load(TIniFile::FromText(iniText));
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(30);
    }
    std::string Exit() {
        auto ini = TIniFile::FromText("[Global]\nSaveConfig=1\n");
        memory->Save(ini);
        return ini.Text();
    }
};

TEST(ShellMemory, ToolWindowsReopenAsTheyWereLeft) {
    Shell first;
    first.Start("[Function explorer]\nVisible=1\nDockedTo=LeftDockPanel\nDockWidth=230\n"
                "[Log window]\nVisible=0\n");
    ASSERT_NE(first.memory->FuncExplorer(), nullptr);
    EXPECT_EQ(first.window.dockWidgetArea(first.memory->FuncExplorer()), Qt::LeftDockWidgetArea);
    EXPECT_EQ(first.memory->LogWindow(), nullptr);
    EXPECT_TRUE(first.viewExplorer.isChecked());
    EXPECT_FALSE(first.viewLog.isChecked());

    // The user opens the log, closes the explorer with its own close button.
    first.viewLog.trigger();
    ASSERT_NE(first.memory->LogWindow(), nullptr);
    EXPECT_EQ(first.window.dockWidgetArea(first.memory->LogWindow()), Qt::BottomDockWidgetArea);
    first.memory->FuncExplorer()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(first.memory->FuncExplorer(), nullptr);
    EXPECT_FALSE(first.viewExplorer.isChecked());
    const std::string saved = first.Exit();

    auto ini = TIniFile::FromText(saved);
    EXPECT_FALSE(ini.ReadBool("Function explorer", "Visible", true));
    EXPECT_EQ(ini.ReadString("Function explorer", "DockedTo", ""), "LeftDockPanel");
    EXPECT_TRUE(ini.ReadBool("Log window", "Visible", false));
    EXPECT_EQ(ini.ReadString("Log window", "DockedTo", ""), "BottomDockPanel");

    Shell second;
    second.Start(saved);
    EXPECT_EQ(second.memory->FuncExplorer(), nullptr) << "closed before exit stays closed";
    EXPECT_FALSE(second.viewExplorer.isChecked());
    ASSERT_NE(second.memory->LogWindow(), nullptr);
    EXPECT_TRUE(second.viewLog.isChecked());
    EXPECT_EQ(second.window.dockWidgetArea(second.memory->LogWindow()), Qt::BottomDockWidgetArea);

    // Unchecking the command closes the window too.
    second.viewLog.trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(second.memory->LogWindow(), nullptr);
    EXPECT_FALSE(TIniFile::FromText(second.Exit()).ReadBool("Log window", "Visible", true));
}

TEST(ShellMemory, PanelThatNoLongerExistsOpensFloating) {
    Shell s;
    s.Start("[Function explorer]\nVisible=1\nDockedTo=DockPanel2\nUndockLeft=200\nUndockTop=150\n"
            "UnDockWidth=280\nUnDockHeight=330\nFloating=0\n");
    ASSERT_NE(s.memory->FuncExplorer(), nullptr);
    EXPECT_TRUE(s.memory->FuncExplorer()->isFloating());
    EXPECT_EQ(s.memory->FuncExplorer()->size(), QSize(280, 330));
    auto ini = TIniFile::FromText(s.Exit());
    EXPECT_TRUE(ini.ReadBool("Function explorer", "Floating", false));
    EXPECT_EQ(ini.ReadString("Function explorer", "DockedTo", "?"), "");
}

TEST(ShellMemory, LogLinesWhileTheLogIsHiddenLeaveNoTrace) {
    Shell s;
    s.Start("");
    s.memory->AddLogLine("lost 1");
    s.viewLog.trigger();
    ASSERT_NE(s.memory->LogWindow(), nullptr);
    s.memory->AddLogLine("kept");
    s.memory->LogWindow()->hide();
    s.memory->AddLogLine("lost 2");
    s.memory->LogWindow()->show();
    s.memory->AddLogLine("kept too");
    EXPECT_EQ(s.memory->LogWindow()->Memo()->toPlainText(), "kept\nkept too");
    s.viewLog.trigger();
    s.viewLog.trigger();
    EXPECT_EQ(s.memory->LogWindow()->Memo()->toPlainText(), "") << "a new log window starts empty";
}

TEST(ShellMemory, PlacementIsRestoredAtTheFirstShowAndSaved) {
    Shell s;
    s.window.setWindowState(Qt::WindowMaximized);  // as the program starts
    s.Start("[WindowsRestorer]\nQMainWindow_Left=30\nQMainWindow_Top=40\nQMainWindow_Width=640\n"
            "QMainWindow_Height=480\nQMainWindow_WindowState=2\n");
    EXPECT_FALSE(s.window.isMaximized());
    EXPECT_EQ(s.window.pos(), QPoint(30, 40));
    EXPECT_EQ(s.window.size(), QSize(640, 480));
    s.window.move(50, 60);
    auto ini = TIniFile::FromText(s.Exit());
    EXPECT_EQ(ini.ReadInteger("WindowsRestorer", "QMainWindow_Left", 0), 50);
    EXPECT_EQ(ini.ReadInteger("WindowsRestorer", "QMainWindow_WindowState", 0), 2);

    Shell m;
    m.window.setWindowState(Qt::WindowMaximized);
    m.Start("[WindowsRestorer]\nQMainWindow_Width=640\nQMainWindow_Height=480\n");
    EXPECT_TRUE(m.window.isMaximized()) << "no stored state keeps the start-up state";
}

TEST(ShellMemory, RecentFilesFollowOpenedDocumentsAndPersist) {
    QTemporaryDir dir;
    const QString present = dir.filePath("Plot.gfx");
    QFile(present).open(QIODevice::WriteOnly);
    const QString gone = dir.filePath("gone.gfx");

    Shell s;
    s.Start("[MRUFiles]\nFile1=" + gone.toStdString() + "\n");
    EXPECT_TRUE(s.reopen.menuAction()->isEnabled());
    emit TGraphHub::Instance().DocumentOpened(present);
    ASSERT_EQ(s.memory->RecentFiles().Count(), 2);
    EXPECT_EQ(s.memory->RecentFiles().Items()[0], present.toStdString());

    // Choosing the present file hands it to the opener.
    s.memory->OpenRecentFile(present);
    EXPECT_EQ(s.opened, QStringList{present});

    // A file that went away: a question, "No" keeps the entry, "Yes" drops it.
    for (auto button : {QMessageBox::No, QMessageBox::Yes}) {
        bool asked = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            asked = box->text().contains(gone);
            box->button(button)->click();
        });
        s.memory->OpenRecentFile(gone);
        EXPECT_TRUE(asked);
    }
    EXPECT_EQ(s.opened, QStringList{present});
    EXPECT_EQ(s.memory->RecentFiles().Items(), std::vector<std::string>{present.toStdString()});

    auto ini = TIniFile::FromText(s.Exit());
    EXPECT_EQ(ini.ReadString("MRUFiles", "File1", ""), present.toStdString());
    EXPECT_FALSE(ini.ValueExists("MRUFiles", "File2"));
}

}  // namespace
}  // namespace curvane

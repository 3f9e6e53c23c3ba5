// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/recovery.h"

#include "core/settings/settings.h"
#include "core/support/ini_file.h"
#include "gui/app/frm_main.h"
#include "gui/app/session_end.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/document_test_helpers.h"
#include "gui/run_curvane.h"
#include "gui/shell_test_helpers.h"
#include "gui/tools/frm_integral.h"
#include "gui/tools/tool_dialog.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>

#include <string>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <unistd.h>

#include <csignal>
#include <memory>

namespace curvane {
namespace {

using testing::ReadText;
using testing::TModalAnswerer;
using testing::WriteText;
using testing::XDo;

// One user edit: the active function's formula (a new function when there
// is none), as one undo step.
void SetExpression(TfrmAbstractMDIChild& window, const char* text) {
    testing::EditDocument(window, [text](TGraphDocument& d) {
        (d.ActiveFunc() ? *d.ActiveFunc() : AddFunction(d, "")).Expression = text;
    });
}

class RecoveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        FOldState = qgetenv("XDG_STATE_HOME");
        qputenv("XDG_STATE_HOME", FDir.filePath("state").toUtf8());
        qputenv("CURVANE_SETTINGS", FDir.filePath("curvane.ini").toUtf8());
        qputenv("CURVANE_ERROR_LOG", FDir.filePath("curvane.err").toUtf8());
        Settings() = TSettings();
        QDir().mkpath(Folder());
    }
    void TearDown() override {
        FMain.reset();
        SetSaveFileChooser({});
        Settings() = TSettings();
        qputenv("XDG_STATE_HOME", FOldState);
        qunsetenv("CURVANE_SETTINGS");
        qunsetenv("CURVANE_ERROR_LOG");
    }

    QString Folder() const { return FDir.filePath("state/curvane/recovery"); }
    QStringList Copies() const { return QDir(Folder()).entryList({"*.gfx"}, QDir::Files, QDir::Name); }
    void Start() {
        FMain = std::make_unique<TfrmMain>();
        FMain->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(FMain.get()));
    }
    QList<TfrmAbstractMDIChild*> Windows() const {
        QList<TfrmAbstractMDIChild*> windows;
        for (QMdiSubWindow* sub : FMain->MdiArea()->subWindowList())
            windows.push_back(qobject_cast<TfrmAbstractMDIChild*>(sub->widget()));
        return windows;
    }
    // The text of the window's copy once it holds `expression`, else empty.
    QString WaitForCopyWith(const QString& expression, int timeoutMs = TRecoveryKeeper::CopyDelayMs + 3000) {
        QString found;
        (void)QTest::qWaitFor(
            [&] {
                for (const QString& name : Copies())
                    if (const QString text = ReadText(QDir(Folder()).filePath(name));
                        text.contains("Expression=" + expression + "\n"))
                        found = text;
                return !found.isEmpty();
            },
            timeoutMs);
        return found;
    }

    QTemporaryDir FDir;
    QByteArray FOldState;
    std::unique_ptr<TfrmMain> FMain;
};

// The copy comes after the delay, also while a long computation keeps the
// program busy, and goes with a save and with a close.
TEST_F(RecoveryTest, CopyFollowsTheDocumentThroughEditsRunsSavesAndCloses) {
    Start();
    TfrmAbstractMDIChild* window = FMain->NewGraphWindow2D();
    SetExpression(*window, "x^2");
    QApplication::processEvents();
    FMain->Recovery()->WaitForWrites();
    EXPECT_TRUE(Copies().isEmpty()) << "written before the delay";
    const QString copy = WaitForCopyWith("x^2");
    ASSERT_FALSE(copy.isEmpty());
    EXPECT_TRUE(copy.contains("[Recovery]\nFileName=\n")) << copy.toStdString();

    // An edit just before a long integral: its copy is written during the run.
    SetExpression(*window, "x^3");
    TfrmIntegral* dialog = TfrmIntegral::ShowInstance(FMain.get());
    dialog->findChild<QComboBox*>("cbxFunction")->lineEdit()->setText("sin(x)*x");
    dialog->findChild<QLineEdit*>("edtFrom")->setText("0");
    dialog->findChild<QLineEdit*>("edtTo")->setText("1e7");
    dialog->findChild<QSpinBox*>("edtSegments")->setValue(2000000000);
    auto* calc = dialog->findChild<QPushButton*>("btnCalc");
    // Watch from inside the run: the copy must appear while it goes on; the
    // run is stopped as soon as it does, or when it is overdue.
    bool copiedWhileRunning = false;
    QElapsedTimer clock;
    clock.start();
    QTimer watch;
    watch.setInterval(100);
    QObject::connect(&watch, &QTimer::timeout, dialog, [&] {
        if (!TToolRun::AnyRunning()) return;
        copiedWhileRunning = !WaitForCopyWith("x^3", 0).isEmpty();
        if (copiedWhileRunning || clock.elapsed() > TRecoveryKeeper::CopyDelayMs + 5000) {
            watch.stop();
            calc->click();  // Stop
        }
    });
    watch.start();
    QTest::mouseClick(calc, Qt::LeftButton);
    EXPECT_TRUE(copiedWhileRunning);
    delete dialog;

    // Changes that never pause (a playing parameter) do not hold the copy back.
    const auto copiedOneOfThem = [this] {
        FMain->Recovery()->WaitForWrites();
        for (const QString& name : Copies())
            if (ReadText(QDir(Folder()).filePath(name)).contains("Expression=x+")) return true;
        return false;
    };
    QElapsedTimer changing;
    changing.start();
    bool copiedWhileChanging = false;
    for (int i = 0; !copiedWhileChanging && changing.elapsed() < TRecoveryKeeper::CopyDelayMs + 3000; ++i) {
        SetExpression(*window, ("x+" + std::to_string(i)).c_str());
        QTest::qWait(200);
        copiedWhileChanging = copiedOneOfThem();
    }
    EXPECT_TRUE(copiedWhileChanging);

    SetSaveFileChooser([this](QWidget*, const QString&) { return FDir.filePath("saved.gfx"); });
    ASSERT_TRUE(SaveGraphWindow(*window, false));
    FMain->Recovery()->WaitForWrites();
    EXPECT_TRUE(Copies().isEmpty()) << "kept after a save";

    SetExpression(*window, "x^4");
    EXPECT_TRUE(WaitForCopyWith("x^4").contains("FileName=" + FDir.filePath("saved.gfx") + "\n"));
    delete window->SubWindow();
    FMain->Recovery()->WaitForWrites();
    EXPECT_TRUE(Copies().isEmpty()) << "kept after a close";
}

// A data set is part of each undo step and of the copy, and comes back when
// the copy is opened.
TEST_F(RecoveryTest, DataSetsFollowUndoAndTheCopy) {
    Start();
    TfrmAbstractMDIChild* window = FMain->NewGraphWindow2D();
    TDataSet set;
    set.X = {1, 2}, set.Y = {3, 4}, set.DY = {0.1, 0.2};
    testing::EditDocument(*window, [&](TGraphDocument& d) { d.DataSets.push_back(set); });
    TfrmAbstractMDIChild* reopened = FMain->NewGraphWindow2D();
    reopened->Owner()->LoadFromIni(TIniFile::FromText(RecoveryCopyText(*window->Owner())));
    EXPECT_EQ(reopened->Document().DataSets, std::vector<TDataSet>{set});
    window->UndoStack()->undo();
    EXPECT_TRUE(window->Document().DataSets.empty());
    window->UndoStack()->redo();
    EXPECT_EQ(window->Document().DataSets, std::vector<TDataSet>{set});
}

// Root writes into read-only folders, so for root a file stands where the
// folder should be: the same refusal.
TEST_F(RecoveryTest, FolderThatCannotBeWrittenIsReportedOnceAndTheProgramGoesOn) {
    const QString state = FDir.filePath("state/curvane");
    ASSERT_TRUE(QDir(state).removeRecursively());
    if (::geteuid() == 0) {
        WriteText(state, "not a folder");
    } else {
        ASSERT_TRUE(QDir().mkpath(state));
        QFile::setPermissions(state, QFile::ReadOwner | QFile::ExeOwner);
    }
    TModalAnswerer answers;
    answers.ThenMessage(QMessageBox::Ok);
    Start();
    QList<TfrmAbstractMDIChild*> windows{FMain->NewGraphWindow2D(), FMain->NewGraphWindow2D()};
    for (const char* formula : {"x", "x+1"}) {
        for (TfrmAbstractMDIChild* window : windows) SetExpression(*window, formula);
        QTest::qWait(TRecoveryKeeper::CopyDelayMs + 500);
    }
    EXPECT_FALSE(FMain->Recovery()->Enabled());
    ASSERT_EQ(answers.Messages.size(), 1);
    EXPECT_TRUE(answers.Messages[0].contains("Recovery after a crash is off")) << answers.Messages[0].toStdString();
    EXPECT_TRUE(answers.Unexpected.isEmpty()) << answers.Unexpected.join('|').toStdString();
    EXPECT_EQ(windows[1]->ActiveFunc()->Expression, "x+1");
    QFile::setPermissions(state, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Another running Curvane keeps its copies; once it is gone they are
// offered, the damaged one reported and set aside, the other reopened unsaved
// under its own name.
TEST_F(RecoveryTest, OfferTakesOnlyCopiesOfGoneRunsAndSkipsDamagedOnes) {
    QProcess other;
    other.start(QStringLiteral(CURVANE_EXE), {});
    ASSERT_TRUE(other.waitForStarted());
    const QString owner = QDir(Folder()).filePath(QString::number(other.processId()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(owner + ".lock"); }, 20000));
    WriteText(owner + "-1.gfx", "[Global]\nFunc count=1\nFunc active=0\nWindow type=0\n[Function1]\nExpression=cos(x)*2\n"
                                "[Recovery]\nFileName=/nowhere/mine.gfx\n");
    WriteText(owner + "-2.gfx", "[Global]\nFunc count=1\nWindow ty");
    {
        TModalAnswerer none;  // a live run's copies are not offered
        Start();
        QTest::qWait(300);
        EXPECT_TRUE(none.Unexpected.isEmpty()) << none.Unexpected.join('|').toStdString();
        FMain.reset();
    }
    other.kill();
    other.waitForFinished();
    TModalAnswerer answers;
    answers.ThenMessage(QMessageBox::Yes);
    answers.ThenMessage(QMessageBox::Ok);
    Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.Messages.size() == 2; }, 5000));
    EXPECT_EQ(answers.Messages[0], "Curvane was not closed properly. Recover 1 unsaved document?\n\n/nowhere/mine.gfx");
    EXPECT_TRUE(answers.Messages[1].endsWith("-2.gfx.damaged")) << answers.Messages[1].toStdString();
    EXPECT_TRUE(QFile::exists(owner + "-2.gfx.damaged"));
    ASSERT_EQ(Windows().size(), 1);
    EXPECT_EQ(Windows()[0]->FileName(), "/nowhere/mine.gfx");
    EXPECT_TRUE(Windows()[0]->IsModified());
    EXPECT_EQ(Windows()[0]->ActiveFunc()->Expression, "cos(x)*2");
    FMain->Recovery()->WaitForWrites();
    EXPECT_FALSE(QFile::exists(owner + "-1.gfx")) << "the copy is this run's now";
}

// Declining the offer deletes the copies and opens nothing. No process can
// have the number above Linux's highest process number.
TEST_F(RecoveryTest, DecliningTheOfferDeletesTheCopies) {
    const QString copy = QDir(Folder()).filePath("4194305-1.gfx");
    WriteText(copy, "[Global]\nFunc count=1\nFunc active=0\nWindow type=0\n[Function1]\nExpression=x\n"
                    "[Recovery]\nFileName=\n");
    TModalAnswerer answers;
    answers.ThenMessage(QMessageBox::No);
    Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.Messages.size() == 1; }, 5000));
    EXPECT_TRUE(answers.Messages[0].endsWith("(never saved)")) << answers.Messages[0].toStdString();
    EXPECT_FALSE(QFile::exists(copy));
    EXPECT_TRUE(Windows().isEmpty());
}

// SIGTERM, what a desktop session sends at its end, while a message box
// waits: the box's loop and the main loop return with status 0, nothing is
// asked, and the unsaved document's copy, due only later, is written and
// stays for the next start (a normal exit leaves none).
TEST_F(RecoveryTest, SessionEndLeavesOpenDialogsAndKeepsUnsavedDocuments) {
    Start();
    SetExpression(*FMain->NewGraphWindow2D(), "x^5");
    const TSessionEndWatch watch([this] { FMain->EndSession(); });
    bool boxReturned = false;
    QTimer::singleShot(0, FMain.get(), [&] {
        QMessageBox box(QMessageBox::Question, "", "Waiting", QMessageBox::Ok, FMain.get());
        QTimer::singleShot(200, &box, [] { std::raise(SIGTERM); });
        box.exec();
        boxReturned = true;
    });
    QTimer failsafe;  // a signal that is not handled fails the test rather than hanging it
    failsafe.setSingleShot(true);
    QObject::connect(&failsafe, &QTimer::timeout, [] { QApplication::exit(1); });
    failsafe.start(15000);
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(boxReturned);
    FMain.reset();
    const QStringList copies = Copies();
    ASSERT_EQ(copies.size(), 1);
    EXPECT_TRUE(ReadText(QDir(Folder()).filePath(copies[0])).contains("Expression=x^5\n"));
}

// A run killed with two edited documents, then a new start that accepts the
// offer: the recovered windows are unsaved (they write copies of their own)
// and those copies equal the killed run's, every field, view and file name.
TEST_F(RecoveryTest, KilledRunIsRecoveredExactlyByTheNextStart) {
    ASSERT_FALSE(QStandardPaths::findExecutable("xdotool").isEmpty()) << "xdotool is needed: scripts/deps.sh installs it";
    QStringList documents;
    for (const char* name : {"explicit.gfx", "units_pi.gfx"}) {
        documents.push_back(FDir.filePath(name));
        ASSERT_TRUE(QFile::copy(QStringLiteral(CURVANE_SOURCE_DIR "/examples/") + name, documents.back()));
    }
    // Original file name -> copy text.
    const auto copies = [this] {
        QMap<QString, QString> found;
        for (const QString& name : Copies()) {
            const QString path = QDir(Folder()).filePath(name);
            found.insert(QString::fromStdString(TIniFile(path.toStdString()).ReadString("Recovery", "FileName", "?")),
                         ReadText(path));
        }
        return found;
    };
    const char* formulas[] = {"sin(x)/2", "cos(x)/3"};

    QProcess first;
    first.start(QStringLiteral(CURVANE_EXE), documents);
    ASSERT_TRUE(first.waitForStarted());
    const QString frame = XDo({"search", "--sync", "--onlyvisible", "--pid", QString::number(first.processId()),
                               "--name", "Curvane"})
                              .section('\n', 0, 0);
    ASSERT_FALSE(frame.isEmpty());
    QTest::qWait(1500);  // both documents open and sampled
    XDo({"windowfocus", "--sync", frame});
    // Window menu, the n-th window, F2 into the formula box, a new formula.
    for (int i = 0; i < 2; ++i) {
        XDo({"key", "--delay", "200", "alt+w", QString::number(i + 1), "F2"});
        XDo({"type", "--delay", "30", formulas[i]});
        XDo({"key", "Return"});
    }
    QMap<QString, QString> before;
    const bool edited = QTest::qWaitFor(
        [&] {
            before = copies();
            return before.size() == 2 && before.value(documents[0]).contains(formulas[0]) &&
                   before.value(documents[1]).contains(formulas[1]);
        },
        15000);
    first.kill();
    first.waitForFinished();
    ASSERT_TRUE(edited) << QStringList(before.keys()).join(' ').toStdString();
    const QStringList killedCopies = Copies();

    QProcess second;
    second.start(QStringLiteral(CURVANE_EXE), {});
    ASSERT_TRUE(second.waitForStarted());
    // Yes is the offer's default button. Until the box is up, Return reaches
    // a frame without documents, where it does nothing.
    const bool accepted = QTest::qWaitFor(
        [&] {
            for (const QString& name : killedCopies)
                if (QFile::exists(QDir(Folder()).filePath(name))) {
                    XDo({"key", "Return"});
                    QTest::qWait(400);
                    return false;
                }
            return true;
        },
        30000);
    QMap<QString, QString> after;
    (void)QTest::qWaitFor([&] { return (after = copies()) == before; }, 10000);
    second.kill();
    second.waitForFinished();
    ASSERT_TRUE(accepted);
    for (const QString& document : documents) {
        SCOPED_TRACE(document.toStdString());
        EXPECT_EQ(after.value(document).toStdString(), before.value(document).toStdString());
    }
}

}  // namespace
}  // namespace curvane

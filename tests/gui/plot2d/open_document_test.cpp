#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include "core/settings/settings.h"
#include "gui/app/file_commands.h"
#include "gui/app/frm_main.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/shell_test_helpers.h"
#include "gui/widgets/func_bar_widgets.h"

namespace curvane {
namespace {

using testing::TModalAnswerer;

const QString EqualLimits = "\"From\" field is equal to field \"To\".";

// Documents opened through the main window's own commands.
class OpenDocumentTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        qputenv("CURVANE_SETTINGS", FDir.filePath("curvane.ini").toUtf8());
        qputenv("CURVANE_ERROR_LOG", FDir.filePath("curvane.err").toUtf8());
        Settings() = TSettings();
        FMain = std::make_unique<TfrmMain>();
        FMain->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(FMain.get()));
    }
    void TearDown() override {
        EXPECT_TRUE(FAnswer.Unexpected.isEmpty()) << FAnswer.Unexpected.join(", ").toStdString();
        FMain.reset();
        Settings() = TSettings();
        qunsetenv("CURVANE_SETTINGS");
        qunsetenv("CURVANE_ERROR_LOG");
    }

    // A document whose one function has equal manual limits: each sampling
    // of it shows one warning.
    QString Document(const QString& name, const char* expression = "x") {
        const QString path = FDir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("[Global]\nFunc count=1\nFunc active=0\n[Function1]\nExpression=") + expression +
                "\nManual limits=1\nFrom=1\nTo=1\nStep=0.5\n");
        return path;
    }
    // Closes every window, answering "No" to saving.
    void CloseAll() {
        for (int i = 0; i < Windows(); ++i) FAnswer.ThenMessage(QMessageBox::No);
        FMain->MdiArea()->closeAllSubWindows();
        ASSERT_TRUE(QTest::qWaitFor([&] { return Windows() == 0; }));
    }
    int Windows() const { return static_cast<int>(FMain->MdiArea()->subWindowList().size()); }
    // Answers each warning with OK; whatever else appears is unexpected.
    void ExpectWarnings(int n) {
        for (int i = 0; i < n; ++i) FAnswer.ThenMessage(QMessageBox::Ok);
    }
    // Lets late resizes and queued calls run, so that a second sampling
    // would show its warning.
    void Settle() { QTest::qWait(150); }

    QTemporaryDir FDir;
    std::unique_ptr<TfrmMain> FMain;
    TModalAnswerer FAnswer;
};

TEST_F(OpenDocumentTest, OpeningSamplesEachDocumentOnce) {
    const QString first = Document("first.gfx");
    // File Open: the dialog, then the document's one warning.
    FAnswer.Then([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr) << w->metaObject()->className();
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        name->setText(first);
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog hides the public slot
    });
    ExpectWarnings(1);
    FMain->FileCommands().File_Open->trigger();
    Settle();
    EXPECT_EQ(FAnswer.Pending(), 0u);
    EXPECT_EQ(FAnswer.Messages, QStringList{EqualLimits});
    ASSERT_EQ(Windows(), 1);

    // Reopen from the recent files, after closing it (without saving).
    CloseAll();
    ExpectWarnings(1);
    FMain->ReopenMenu()->actions()[2]->trigger();
    Settle();
    EXPECT_EQ(FAnswer.Pending(), 0u);
    EXPECT_EQ(FAnswer.Messages.count(EqualLimits), 2);
    EXPECT_EQ(Windows(), 1);

    // The command line with two: tiled, each sampled once. (A window that
    // was open already would resample at its tiled size, with Autoredraw.)
    CloseAll();
    ExpectWarnings(2);
    FMain->OpenDocuments({Document("second.gfx"), Document("third.gfx")});
    Settle();
    EXPECT_EQ(FAnswer.Pending(), 0u);
    EXPECT_EQ(FAnswer.Messages.count(EqualLimits), 4);
    EXPECT_EQ(Windows(), 2);
    for (QMdiSubWindow* sub : FMain->MdiArea()->subWindowList()) {
        auto* window = qobject_cast<TfrmAbstractMDIChild*>(sub->widget());
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(window->windowTitle().endsWith("] - x")) << window->windowTitle().toStdString();
        while (window->FuncCount() > 0) window->DeleteFunction(0);
    }
}

TEST_F(OpenDocumentTest, FormulaErrorInAnOpenedFileGoesToTheExceptionReport) {
    const QString bad = FDir.filePath("bad.gfx");
    {
        QFile f(bad);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Global]\nFunc count=2\nFunc active=0\n[Function1]\nExpression=x\n[Function2]\nExpression=x+*2\n");
    }
    FAnswer.ThenMessage(QMessageBox::Ok);  // "in exception"
    QString shown;
    FAnswer.Then([&shown](QWidget* w) {
        shown = w->findChild<QLabel*>("lblMessage")->text();
        w->findChild<QPushButton*>("btnOK")->click();
    });
    FMain->OpenDocuments({bad});
    Settle();
    EXPECT_EQ(FAnswer.Pending(), 0u);
    EXPECT_EQ(FAnswer.Messages, QStringList{"in exception"});
    EXPECT_FALSE(shown.isEmpty());
    QFile log(FDir.filePath("curvane.err"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("Except class: ESyntaxError"));

    // The window stays with the faulty function active and in the formula box.
    ASSERT_EQ(Windows(), 1);
    auto* window = qobject_cast<TfrmAbstractMDIChild*>(FMain->MdiArea()->subWindowList().front()->widget());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->FuncActive(), 1);
    EXPECT_EQ(window->windowTitle(), "[bad.gfx] - x, x+*2");
    EXPECT_EQ(FMain->FuncCombo()->currentText(), "x+*2");
    while (window->FuncCount() > 0) window->DeleteFunction(0);
}

}  // namespace
}  // namespace curvane

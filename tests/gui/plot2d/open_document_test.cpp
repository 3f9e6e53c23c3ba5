// SPDX-License-Identifier: GPL-3.0-or-later
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "core/settings/settings.h"
#include "gui/app/file_commands.h"
#include "gui/app/frm_main.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/document_test_helpers.h"
#include "gui/shell_test_helpers.h"
#include "gui/tools/tool_test_frame.h"
#include "gui/widgets/func_bar_widgets.h"

namespace curvane {
namespace {

using testing::TModalAnswerer;

const QString EqualLimits = "\"From\" field is equal to field \"To\".";
// One function with equal manual limits: each sampling of it shows one warning.
const char* const OneWarning = "[Global]\nFunc count=1\nFunc active=0\n[Function1]\nExpression=x\n"
                               "Manual limits=1\nFrom=1\nTo=1\nStep=0.5\n";

// Documents opened through the main window's own commands.
class OpenDocumentTest : public testing::ToolTestFrame {
protected:
    void TearDown() override {
        EXPECT_TRUE(FAnswer.Unexpected.isEmpty()) << FAnswer.Unexpected.join(", ").toStdString();
        ToolTestFrame::TearDown();
    }

    QString Write(const QString& name, const char* content) {
        testing::WriteText(FDir.filePath(name), content);
        return FDir.filePath(name);
    }
    int Windows() const { return static_cast<int>(FMain->MdiArea()->subWindowList().size()); }
    // Closes every window (answering "No" where it asks about saving), then opens `windows`
    // documents through `open`: each must warn once, and no more once late
    // resizes and queued calls have run.
    void ExpectEachSampledOnce(const char* how, int windows, const std::function<void()>& open) {
        SCOPED_TRACE(how);
        for (QMdiSubWindow* sub : FMain->MdiArea()->subWindowList())
            if (qobject_cast<TfrmAbstractMDIChild*>(sub->widget())->IsModified()) FAnswer.ThenMessage(QMessageBox::No);
        FMain->MdiArea()->closeAllSubWindows();
        ASSERT_TRUE(QTest::qWaitFor([&] { return Windows() == 0; }));
        const auto before = FAnswer.Messages.count(EqualLimits);
        for (int i = 0; i < windows; ++i) FAnswer.ThenMessage(QMessageBox::Ok);
        open();
        QTest::qWait(150);
        EXPECT_EQ(FAnswer.Pending(), 0u);
        EXPECT_EQ(FAnswer.Messages.count(EqualLimits), before + windows);
        EXPECT_EQ(Windows(), windows);
    }

    TModalAnswerer FAnswer;
};

TEST_F(OpenDocumentTest, OpeningSamplesEachDocumentOnce) {
    const QString first = Write("first.gfx", OneWarning);
    FAnswer.Then([&](QWidget* dialog) {
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr) << dialog->metaObject()->className();
        name->setText(first);
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog hides the public slot
    });
    ExpectEachSampledOnce("File Open", 1, [&] { FMain->FileCommands().File_Open->trigger(); });
    ExpectEachSampledOnce("recent files", 1, [&] { FMain->ReopenMenu()->actions()[2]->trigger(); });
    // The command line with two: tiled, each sampled once. (A window that
    // was open already would resample at its tiled size, with Autoredraw.)
    const QStringList two = {Write("a.gfx", OneWarning), Write("b.gfx", OneWarning)};
    ExpectEachSampledOnce("command line", 2, [&] { FMain->OpenDocuments(two); });
}

TEST_F(OpenDocumentTest, FormulaErrorInAnOpenedFileGoesToTheExceptionReport) {
    const QString bad = Write("bad.gfx", "[Global]\nFunc count=2\nFunc active=0\n[Function1]\nExpression=x\n"
                                         "[Function2]\nExpression=x+*2\n");
    FAnswer.ThenMessage(QMessageBox::Ok);  // "in exception"
    QString shown;
    FAnswer.Then([&shown](QWidget* w) {
        shown = w->findChild<QLabel*>("lblMessage")->text();
        w->findChild<QPushButton*>("btnOK")->click();
    });
    FMain->OpenDocuments({bad});
    QTest::qWait(150);
    EXPECT_EQ(FAnswer.Messages, QStringList{"in exception"});
    EXPECT_FALSE(shown.isEmpty());

    // The window stays, with the faulty function active: its text waits in
    // the formula box.
    EXPECT_EQ(Windows(), 1);
    EXPECT_EQ(FMain->FuncCombo()->currentText(), "x+*2");
}

}  // namespace
}  // namespace curvane

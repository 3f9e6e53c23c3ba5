// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/exception_report.h"
#include "gui/common/frm_except.h"

#include "core/support/exceptions.h"
#include "gui/shell_test_helpers.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

#include <gtest/gtest.h>

#include <stdexcept>

namespace curvane {
namespace {

using testing::TModalAnswerer;

class ExceptionReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        TExceptionReport::Instance().SetLogPath(FLog);
        TExceptionReport::Instance().SetTerminateHandler([this] { ++FTerminated; });
    }
    void TearDown() override {
        TExceptionReport::Instance().SetLogPath(QString());
        TExceptionReport::Instance().SetTerminateHandler(nullptr);
    }
    // Runs `command` guarded, answering "in exception" and then the error
    // dialog with `button`; returns the dialog's message and log note.
    std::pair<QString, QString> RunAndAnswer(const std::function<void()>& command, const char* button) {
        TModalAnswerer answerer;
        QString shown, note;
        answerer.ThenMessage(QMessageBox::Ok);
        answerer.Then([&](QWidget* w) {
            shown = w->findChild<QLabel*>("lblMessage")->text();
            note = w->findChild<QLabel*>("lblLog")->text();
            w->findChild<QPushButton*>(button)->click();
        });
        EXPECT_FALSE(RunGuarded(command));
        EXPECT_EQ(answerer.Pending(), 0u);
        EXPECT_EQ(answerer.Messages, QStringList{"in exception"});
        return {shown, note};
    }

    QTemporaryDir FDir;
    QString FLog = FDir.filePath("curvane.err");
    int FTerminated = 0;
};

TEST_F(ExceptionReportTest, EscapedErrorIsShownAndLoggedAndOnlyTerminateEndsTheProgram) {
    const struct {
        std::function<void()> Command;
        const char* Button;
        QString Message, Class;
        int Terminated;
    } rows[] = {
        {[] { throw ESyntaxError("Syntax error in formula"); }, "btnOK", "Syntax error in formula", "ESyntaxError", 0},
        {[] { throw std::runtime_error("disk on fire"); }, "btnTerminate", "disk on fire", "std::runtime_error", 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Button);
        const auto [shown, note] = RunAndAnswer(row.Command, row.Button);
        EXPECT_EQ(shown, row.Message);
        EXPECT_TRUE(note.contains(FLog)) << note.toStdString();
        EXPECT_EQ(FTerminated, row.Terminated);
    }
    EXPECT_TRUE(RunGuarded([] {}));

    // The first report created the log, the second was appended: nine lines
    // each, and the final newline's empty rest.
    QFile file(FLog);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    ASSERT_EQ(lines.size(), 19);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const int at = 9 * i;
        EXPECT_EQ(lines[at], QString(80, '-'));
        EXPECT_NE(lines[at + 2], "    Executable version:  unknown creation time");
        EXPECT_EQ(lines[at + 4], "    Error message: " + rows[i].Message);
        EXPECT_EQ(lines[at + 5], "    Except class: " + rows[i].Class);
        EXPECT_TRUE(QRegularExpression("^    Except address: [0-9a-f]{8,}h$").match(lines[at + 6]).hasMatch());
        EXPECT_NE(lines[at + 6], "    Except address: 00000000h") << "the throw's address is known";
        EXPECT_EQ(lines[at + 7], lines[at]);
    }
    EXPECT_NE(lines[6], lines[9 + 6]) << "each throw records its own address";
    EXPECT_EQ(FormatExceptAddress(0x401000), "00401000h");
}

TEST_F(ExceptionReportTest, UnwritableLogStillShowsTheDialog) {
    // A directory where the file should be: opening it for appending fails.
    ASSERT_TRUE(QDir().mkpath(FLog));
    const auto [shown, note] = RunAndAnswer([] { throw EFileError("Unable to write to /tmp/x.gfx"); }, "btnOK");
    EXPECT_EQ(shown, "Unable to write to /tmp/x.gfx");
    EXPECT_EQ(note, "The report could not be written to " + FLog + ".");
}

QUrl gOpenedUrl;

TEST(FrmExceptTest, HereLinkMailsTheWholeReportAndEscapeDoesNotTerminate) {
    TfrmExcept::SetUrlOpener([](const QUrl& url) { return gOpenedUrl = url, true; });
    const QString message = "Bad & worse #1?\nsecond line = 50% ünïcode";
    TfrmExcept dialog;
    dialog.SetException(message, "ERangeError", "00401000h");
    dialog.show();
    QTest::mouseClick(dialog.findChild<QLabel*>("lblHere"), Qt::LeftButton);
    TfrmExcept::SetUrlOpener(nullptr);
    EXPECT_EQ(gOpenedUrl.scheme(), "mailto");
    EXPECT_EQ(QUrlQuery(gOpenedUrl).queryItemValue("body", QUrl::FullyDecoded), message);

    QTimer::singleShot(0, &dialog, [&dialog] { QTest::keyClick(&dialog, Qt::Key_Escape); });
    EXPECT_NE(dialog.exec(), TfrmExcept::TerminateResult);
}

}  // namespace
}  // namespace curvane

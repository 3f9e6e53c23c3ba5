#include "gui/app/exception_report.h"
#include "gui/app/frm_except.h"

#include "core/support/exceptions.h"
#include "gui/shell_test_helpers.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

#include <gtest/gtest.h>

namespace curvane {
namespace {

using testing::TModalAnswerer;

QStringList ReadLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
}

// Answers "in exception" and then the error dialog with the given button.
void AnswerReport(TModalAnswerer& answerer, const char* button, QString* shownMessage = nullptr,
                  QString* logNote = nullptr) {
    answerer.ThenMessage(QMessageBox::Ok);
    answerer.Then([button, shownMessage, logNote](QWidget* w) {
        auto* dialog = qobject_cast<TfrmExcept*>(w);
        ASSERT_NE(dialog, nullptr) << w->metaObject()->className();
        if (shownMessage) *shownMessage = dialog->findChild<QLabel*>("lblMessage")->text();
        if (logNote) *logNote = dialog->findChild<QLabel*>("lblLog")->text();
        dialog->findChild<QPushButton*>(button)->click();
    });
}

class ExceptionReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        FLog = FDir.filePath("curvane.err");
        TExceptionReport::Instance().SetLogPath(FLog);
        TExceptionReport::Instance().SetTerminateHandler([this] { ++FTerminated; });
    }
    void TearDown() override {
        TExceptionReport::Instance().SetLogPath(QString());
        TExceptionReport::Instance().SetTerminateHandler(nullptr);
    }

    QTemporaryDir FDir;
    QString FLog;
    int FTerminated = 0;
};

TEST_F(ExceptionReportTest, FirstReportCreatesTheLogAndLaterOnesAppend) {
    ASSERT_FALSE(QFile::exists(FLog));
    ASSERT_TRUE(AppendErrorReport(FLog, {"first failure", "EMathError", 0x401000}));
    ASSERT_TRUE(AppendErrorReport(FLog, {"second failure", "ESyntaxError", 0x7f12345678ab}));

    const QStringList lines = ReadLines(FLog);
    // Two reports of nine lines each, and the final newline's empty rest.
    ASSERT_EQ(lines.size(), 19);
    const QString rule(80, QLatin1Char('-'));
    const struct {
        int Line;
        QString Prefix;
    } expected[] = {
        {0, rule},
        {1, "--> EXCEPTION occured at: "},
        {2, "    Executable version: "},
        {3, ""},
        {4, "    Error message: first failure"},
        {5, "    Except class: EMathError"},
        {6, "    Except address: 00401000h"},  // padded to eight digits
        {7, rule},
        {8, ""},
        {9, rule},
        {13, "    Error message: second failure"},
        {15, "    Except address: 7f12345678abh"},
        {16, rule},
    };
    for (const auto& row : expected) {
        SCOPED_TRACE(row.Line);
        if (row.Prefix.isEmpty() || row.Prefix == rule)
            EXPECT_EQ(lines[row.Line], row.Prefix);
        else
            EXPECT_TRUE(lines[row.Line].startsWith(row.Prefix)) << lines[row.Line].toStdString();
    }
    // The test program exists, so its creation time replaces the placeholder.
    EXPECT_NE(lines[2], "    Executable version:  unknown creation time");
}

TEST_F(ExceptionReportTest, GuardReportsTheEscapedExceptionAndTheProgramGoesOn) {
    TModalAnswerer answerer;
    QString shown;
    AnswerReport(answerer, "btnOK", &shown);
    const bool finished = RunGuarded([] { throw ESyntaxError("Syntax error in formula"); });
    EXPECT_FALSE(finished);
    EXPECT_EQ(answerer.Pending(), 0u);
    EXPECT_EQ(answerer.Messages, QStringList{"in exception"});
    EXPECT_EQ(shown, "Syntax error in formula");
    EXPECT_EQ(FTerminated, 0);

    const QStringList lines = ReadLines(FLog);
    ASSERT_GE(lines.size(), 7);
    EXPECT_EQ(lines[5], "    Except class: ESyntaxError");
    // The address of the throw is known, not a placeholder.
    EXPECT_NE(lines[6], "    Except address: 00000000h");

    EXPECT_TRUE(RunGuarded([] {}));
}

TEST_F(ExceptionReportTest, TerminateEndsTheProgram) {
    TModalAnswerer answerer;
    AnswerReport(answerer, "btnTerminate");
    RunGuarded([] { throw std::runtime_error("disk on fire"); });
    EXPECT_EQ(answerer.Pending(), 0u);
    EXPECT_EQ(FTerminated, 1);
    const QStringList lines = ReadLines(FLog);
    ASSERT_GE(lines.size(), 7);
    EXPECT_EQ(lines[5], "    Except class: std::runtime_error");
}

TEST_F(ExceptionReportTest, UnwritableLogStillShowsTheDialog) {
    // A directory where the file should be: opening it for appending fails.
    const QString blocked = FDir.filePath("blocked.err");
    ASSERT_TRUE(QDir().mkpath(blocked));
    TExceptionReport::Instance().SetLogPath(blocked);
    EXPECT_FALSE(AppendErrorReport(blocked, {"x", "E", 0}));

    TModalAnswerer answerer;
    QString shown;
    QString note;
    AnswerReport(answerer, "btnOK", &shown, &note);
    RunGuarded([] { throw EFileError("Unable to write to /tmp/x.gfx"); });
    EXPECT_EQ(answerer.Pending(), 0u);
    EXPECT_EQ(shown, "Unable to write to /tmp/x.gfx");
    EXPECT_EQ(note, "The report could not be written to " + blocked + ".");
}

TEST_F(ExceptionReportTest, EachThrowRecordsItsOwnAddress) {
    quintptr first = 0;
    quintptr second = 0;
    try {
        throw EInvalidOp();
    } catch (const std::exception& e) {
        first = DescribeException(e).Address;
        EXPECT_EQ(DescribeException(e).ClassName, "EInvalidOp");
    }
    try {
        throw EZeroDivide();
    } catch (const std::exception& e) {
        second = DescribeException(e).Address;
        // A rethrow keeps the original address.
        try {
            throw;
        } catch (const std::exception& again) {
            EXPECT_EQ(DescribeException(again).Address, second);
        }
    }
    EXPECT_NE(first, 0u);
    EXPECT_NE(second, 0u);
    EXPECT_NE(first, second);
}

QUrl gOpenedUrl;

TEST(FrmExceptTest, HereLinkMailsTheReportAndButtonsEndTheDialog) {
    TfrmExcept::SetUrlOpener([](const QUrl& url) {
        gOpenedUrl = url;
        return true;
    });
    // The mail program gets the whole message, whatever characters it holds.
    const QString message = "Bad & worse #1?\nsecond line = 50% ünïcode";
    TfrmExcept dialog;
    dialog.SetException(message, "ERangeError", "00401000h");
    auto* here = dialog.findChild<QLabel*>("lblHere");
    ASSERT_NE(here, nullptr);
    dialog.show();
    QTest::mouseClick(here, Qt::LeftButton);
    EXPECT_EQ(gOpenedUrl.scheme(), "mailto");
    EXPECT_EQ(QUrlQuery(gOpenedUrl).queryItemValue("body", QUrl::FullyDecoded), message);
    TfrmExcept::SetUrlOpener(nullptr);

    const struct {
        const char* Button;
        int Result;
    } rows[] = {{"btnOK", QDialog::Accepted}, {"btnTerminate", TfrmExcept::TerminateResult}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Button);
        TfrmExcept d;
        QTimer::singleShot(0, &d, [&d, &row] { d.findChild<QPushButton*>(row.Button)->click(); });
        EXPECT_EQ(d.exec(), row.Result);
    }
    TfrmExcept escape;
    QTimer::singleShot(0, &escape, [&escape] { QTest::keyClick(&escape, Qt::Key_Escape); });
    EXPECT_NE(escape.exec(), TfrmExcept::TerminateResult);
}

}  // namespace
}  // namespace curvane

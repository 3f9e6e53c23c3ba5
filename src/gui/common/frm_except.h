// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QLabel>
#include <QString>
#include <QUrl>

class QPushButton;

namespace curvane {

// The address users are asked to send bug reports to.
inline constexpr const char* SupportMailAddress = "support@curvane.org";

// "mailto:" + support address + "?subject=Curvane bug report&body=" + the
// message, percent-encoded so that a message with "&", "#" or line breaks
// arrives whole in the mail program.
QUrl BugReportMailUrl(const QString& message);

// A label that acts like a link: hand cursor, and `clicked` on a left click.
class TClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// "Application error": the dialog of the exception report. Ends with Accepted
// for "OK" (also Escape) and with TerminateResult for "Terminate".
class TfrmExcept : public QDialog {
    Q_OBJECT
public:
    static constexpr int TerminateResult = 3;  // the "abort" result

    explicit TfrmExcept(QWidget* parent = nullptr);

    void SetException(const QString& message, const QString& className, const QString& address);

    // Where the report went, or that it could not be written there.
    void SetLogResult(const QString& logPath, bool written);

    QString Message() const { return FMessage; }

    // Opening the mail program; replaced by tests, QDesktopServices by default.
    static void SetUrlOpener(bool (*opener)(const QUrl&));

private:
    void SendReport();

    QString FMessage;
    QLabel* lblMessage;
    QLabel* lblClass;
    QLabel* lblAddress;
    QLabel* lblLog;
    TClickLabel* lblHere;
    QPushButton* btnOK;
    QPushButton* btnTerminate;
};

}  // namespace curvane

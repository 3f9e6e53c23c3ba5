// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/frm_except.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace curvane {

namespace {

bool OpenWithDesktop(const QUrl& url) { return QDesktopServices::openUrl(url); }

bool (*gUrlOpener)(const QUrl&) = &OpenWithDesktop;

}  // namespace

QUrl BugReportMailUrl(const QString& message) {
    const QByteArray encoded = "mailto:" + QByteArray(SupportMailAddress) +
                               "?subject=Curvane%20bug%20report&body=" + QUrl::toPercentEncoding(message);
    return QUrl::fromEncoded(encoded);
}

void TClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
}

void TfrmExcept::SetUrlOpener(bool (*opener)(const QUrl&)) { gUrlOpener = opener ? opener : &OpenWithDesktop; }

TfrmExcept::TfrmExcept(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmExcept"));
    setWindowTitle(QStringLiteral("Application error"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);

    auto* note = new QLabel(
        QStringLiteral("An unexpected error has occurred. Please send a bug report by e-mail to %1, "
                       "or click")
            .arg(QString::fromLatin1(SupportMailAddress)),
        this);
    note->setWordWrap(true);
    lblHere = new TClickLabel(QStringLiteral("here"), this);
    lblHere->setObjectName(QStringLiteral("lblHere"));
    lblHere->setCursor(Qt::PointingHandCursor);
    lblHere->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
    lblHere->setToolTip(QStringLiteral("Send the report with your mail program"));
    auto* noteEnd = new QLabel(QStringLiteral("to send it automatically."), this);
    auto* hereRow = new QHBoxLayout;
    hereRow->addWidget(lblHere);
    hereRow->addWidget(noteEnd);
    hereRow->addStretch();

    auto* caption = new QLabel(QStringLiteral("Error message"), this);
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);
    lblMessage = new QLabel(this);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    lblMessage->setWordWrap(true);
    lblMessage->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblMessage->setFrameShape(QFrame::StyledPanel);
    lblMessage->setMinimumHeight(48);
    lblMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* details = new QGridLayout;
    details->addWidget(new QLabel(QStringLiteral("ExceptClass : "), this), 0, 0);
    lblClass = new QLabel(this);
    lblClass->setObjectName(QStringLiteral("lblClass"));
    lblClass->setTextInteractionFlags(Qt::TextSelectableByMouse);
    details->addWidget(lblClass, 0, 1);
    details->addWidget(new QLabel(QStringLiteral("Exception address : "), this), 1, 0);
    lblAddress = new QLabel(this);
    lblAddress->setObjectName(QStringLiteral("lblAddress"));
    lblAddress->setTextInteractionFlags(Qt::TextSelectableByMouse);
    details->addWidget(lblAddress, 1, 1);
    details->setColumnStretch(1, 1);
    lblLog = new QLabel(this);
    lblLog->setObjectName(QStringLiteral("lblLog"));
    lblLog->setWordWrap(true);
    lblLog->setTextInteractionFlags(Qt::TextSelectableByMouse);

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnTerminate = new QPushButton(QStringLiteral("Terminate"), this);
    btnTerminate->setObjectName(QStringLiteral("btnTerminate"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnTerminate);

    auto* text = new QVBoxLayout;
    text->addWidget(note);
    text->addLayout(hereRow);
    text->addSpacing(8);
    text->addWidget(caption);
    text->addWidget(lblMessage, 1);
    text->addLayout(details);
    text->addWidget(lblLog);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addLayout(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);

    // QDialog's Escape already rejects, which is what "OK" as the cancel
    // button means here: continue with the program.
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnTerminate, &QPushButton::clicked, this, [this] { done(TerminateResult); });
    connect(lblHere, &TClickLabel::clicked, this, &TfrmExcept::SendReport);

    resize(460, 260);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = geometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TfrmExcept::SetException(const QString& message, const QString& className, const QString& address) {
    FMessage = message;
    lblMessage->setText(message);
    lblClass->setText(className);
    lblAddress->setText(address);
}

void TfrmExcept::SetLogResult(const QString& logPath, bool written) {
    lblLog->setText(written ? QStringLiteral("The report was added to %1.").arg(logPath)
                            : QStringLiteral("The report could not be written to %1.").arg(logPath));
}

void TfrmExcept::SendReport() { gUrlOpener(BugReportMailUrl(FMessage)); }

}  // namespace curvane

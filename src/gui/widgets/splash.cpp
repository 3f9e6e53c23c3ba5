// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/splash.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QVBoxLayout>

namespace curvane {

namespace {
QPointer<TfrmSplash> GSplash;
}  // namespace

TfrmSplash::TfrmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmSplash"));
    setFixedSize(SplashWidth, SplashHeight);
    FPanel = new QLabel(QStringLiteral("Please wait..."), this);
    FPanel->setObjectName(QStringLiteral("pnlMessage"));
    FPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    FPanel->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FPanel);
}

QString TfrmSplash::Message() const { return FPanel->text(); }

void TfrmSplash::SetMessage(const QString& message) { FPanel->setText(message); }

void ShowSplash(const QString& message) {
    if (!GSplash) GSplash = new TfrmSplash;
    GSplash->SetMessage(message);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = GSplash->geometry();
        frame.moveCenter(screen->geometry().center());
        GSplash->move(frame.topLeft());
    }
    GSplash->show();
    GSplash->raise();
    // The work that follows blocks the event loop; without a paint now the
    // window would stay blank until it is hidden again.
    GSplash->repaint();
}

void HideSplash() { delete GSplash.data(); }

TfrmSplash* SplashWindow() { return GSplash.data(); }

}  // namespace curvane

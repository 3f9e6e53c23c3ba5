// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QWidget>

class QLabel;

namespace curvane {

// The "please wait" window shown while something slow runs on the GUI thread
// (an OpenGL context being set up): borderless, on top, centred on the
// screen, one sunken panel carrying the message.
class TfrmSplash : public QWidget {
    Q_OBJECT
public:
    static constexpr int SplashWidth = 319;
    static constexpr int SplashHeight = 38;

    explicit TfrmSplash(QWidget* parent = nullptr);

    QString Message() const;
    void SetMessage(const QString& message);

private:
    QLabel* FPanel = nullptr;
};

// Creates the splash window, shows `message` on it and paints it at once:
// the caller is about to keep the event loop busy.
void ShowSplash(const QString& message);
// Frees the splash window; nothing happens when none is shown.
void HideSplash();
// The splash window on the screen, or null.
TfrmSplash* SplashWindow();

}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QPushButton;
class QTextBrowser;

namespace curvane {

// The help window: the pages built into the program in a browser with Back,
// Forward and Contents. A normal window of its own, not owned by the main
// window; one exists at most. Closing it only hides it, so the history is
// still there at the next F1. It does not keep the program running once the
// main window has closed.
class TfrmHelp : public QWidget {
    Q_OBJECT
public:
    // The window, or null before the first help was asked for.
    static TfrmHelp* Instance();
    // Creates the window if needed, shows `page` (see ShowHelpTopic) and
    // brings the window to the front.
    static TfrmHelp* ShowPage(const QString& page);
    // Deletes the window: the main window does so when it goes.
    static void DeleteInstance();

    void OpenPage(const QString& page);
    // The page shown, as a topic: "windows2d.html", "tools.html#integral".
    QString CurrentPage() const;

    QTextBrowser* const Browser;
    QPushButton* const btnBack;
    QPushButton* const btnForward;
    QPushButton* const btnContents;

private:
    TfrmHelp();
    void LinkClicked(const QUrl& url);
    void UpdateCaption();
};

}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/app/command_group.h"

class QWidget;

namespace curvane {

// Help contents, the home page and the about box. F1 opens the help at the
// topic of whatever has the focus: the page a dialog names (its helpTopic
// property), that of the active graph window, or the contents. The command's
// shortcut answers in the main window and the tool windows; the group also
// watches the key presses of the whole application for F1 in dialogs, which
// the main window's shortcuts do not reach.
//
// What's This (Shift+F1, or a dialog's title-bar help button) turns the
// pointer into a question mark; the control then clicked opens the help at
// the topic F1 gives there. The controls carry no texts of their own: the
// pages say what the windows and dialogs do.
class THelpCommands : public TCommandGroup {
    Q_OBJECT
public:
    explicit THelpCommands(TfrmMain& main);
    ~THelpCommands() override;

    void UpdateControls(const TCommandState& state) override;

    // The help topic for `focus`: its own or its windows' (HelpTopicAt); in
    // the main window without one, the current graph window's; else the
    // contents.
    QString TopicFor(const QWidget* focus) const;

    QAction* const HelpContents;
    QAction* const HelpWhatsThis;
    QAction* const HelpVelmoraHomePage;
    QAction* const HelpAbout;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void HelpContentsExecute();
    void HelpWhatsThisExecute();
    void HelpVelmoraHomePageExecute();
    void HelpAboutExecute();
};

}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace curvane {

// What the dialogs and windows below the shell may ask of the main window.
// They never include the main window's header: it would pull the whole shell
// (every command group, the docks, recovery) into each of them and make the
// folders depend on each other both ways. The main window registers itself
// here for as long as it exists.
class TShell {
public:
    // Appends a line to the log window when it is shown; otherwise the line
    // is dropped.
    virtual void AddLogLine(const QString& line) = 0;

protected:
    ~TShell() = default;
};

// The main window, or null while there is none: before it is built, after it
// is gone (a tool dialog can outlive it briefly at shutdown), and in tests that
// show a dialog on its own. Look it up at each use; never keep it.
TShell* MainShell();

// Called by the main window's constructor and destructor. While more than one
// main window is alive (tests build a second one), the one registered last
// answers; unregistering it hands back to the one before.
void RegisterShell(TShell& shell);
void UnregisterShell(TShell& shell);

}  // namespace curvane

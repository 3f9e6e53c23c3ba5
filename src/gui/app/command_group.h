// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

class QAction;

namespace curvane {

class TfrmAbstractMDIChild;
class TfrmMain;

// What the command groups decide their enabled states from, gathered once per
// update of the main window's controls.
struct TCommandState {
    TfrmAbstractMDIChild* Window = nullptr;  // the current graph window, if any
    bool Any = false;                        // at least one graph window is open
    bool Is2D = false;
    bool Is3D = false;
    bool HasFunctions = false;  // the current window holds at least one function
    // A computation holds the shared evaluators (SharedEvaluatorsLeased): a
    // message box of that run is spinning a nested event loop, and every
    // command that compiles into the evaluators, resamples, or opens or
    // closes a window must wait until the run is over.
    bool Busy = false;
};

// Whether a command compiles into or samples with the shared evaluators, or
// creates or destroys a window a run may be using. Such a command is disabled
// while a run holds the evaluators, and refuses to run should it be triggered
// anyway (a queued event, a shortcut that slipped through).
enum class TCommandUse : std::uint8_t { cuFree = 0, cuEvaluators = 1 };

// One feature's commands: the group owns its actions (as typed members of the
// derived class, object names as users, settings and tests know them) and its
// part of the main window's UpdateControls. The main window only places the
// actions in its menus and tool bars.
class TCommandGroup : public QObject {
    Q_OBJECT
public:
    // Sets the enabled states of the group's commands. Placeholders (commands
    // whose feature is not built) stay disabled.
    virtual void UpdateControls(const TCommandState& state) = 0;

    // A part that connects a placeholder makes it usable here; from then on
    // UpdateControls enables it like any other command.
    void MakeAvailable(QAction* action);
    bool Available(const QAction* action) const { return !FUnavailable.contains(action); }

    const QList<QAction*>& Actions() const { return FActions; }

protected:
    explicit TCommandGroup(TfrmMain& main);

    TfrmMain& Main() const { return FMain; }
    // The graph window the commands work on, found at each call.
    TfrmAbstractMDIChild* CurrentWindow() const;

    // A command that runs `execute` through the exception guard.
    template <class TGroup>
    QAction* Add(const char* name, const QString& caption, const char* themeIcon, const QKeySequence& shortcut,
                 void (TGroup::*execute)(), TCommandUse use = TCommandUse::cuFree) {
        QAction* action = Create(name, caption, themeIcon, shortcut);
        Connect(action, [this, execute] { (static_cast<TGroup*>(this)->*execute)(); }, use);
        return action;
    }
    // A command of a feature that is not built yet: shown, never enabled.
    QAction* AddPlaceholder(const char* name, const QString& caption, const char* themeIcon = "",
                            const QKeySequence& shortcut = {});
    // A command whose reaction another part connects (the tool windows).
    QAction* AddPlain(const char* name, const QString& caption);

    // Enables a command unless it is a placeholder.
    void Enable(QAction* action, bool enabled);

    QAction* Create(const char* name, const QString& caption, const char* themeIcon, const QKeySequence& shortcut);
    void Connect(QAction* action, std::function<void()> execute, TCommandUse use);

private:

    TfrmMain& FMain;
    QList<QAction*> FActions;
    QList<const QAction*> FUnavailable;
};

// "Short|Long": the short part becomes the tool tip, the long part the status
// bar hint.
void SetHint(QAction* action, const QString& hint);

}  // namespace curvane

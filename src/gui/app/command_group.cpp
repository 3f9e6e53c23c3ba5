// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/command_group.h"

#include "core/document/shared_evaluators.h"
#include "gui/app/frm_main.h"
#include "gui/common/artwork.h"
#include "gui/common/exception_report.h"
#include "gui/document/frm_abstract_mdi_child.h"

#include <QAction>
#include <QSignalBlocker>

namespace curvane {

void SetHint(QAction* action, const QString& hint) {
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    action->setToolTip(bar < 0 ? hint : hint.left(bar));
    action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

TCommandGroup::TCommandGroup(TfrmMain& main) : QObject(&main), FMain(main) {}

TfrmAbstractMDIChild* TCommandGroup::CurrentWindow() const { return CurrentGraphWindow(FMain.MdiArea()); }

QAction* TCommandGroup::Create(const char* name, const QString& caption, const char* themeIcon,
                               const QKeySequence& shortcut) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    action->setIcon(CommandIcon(QString::fromLatin1(themeIcon), action->objectName()));
    if (!shortcut.isEmpty()) action->setShortcut(shortcut);
    // Menus show the captions with their accelerators; tool tips the caption.
    QString plain = caption;
    plain.remove(QLatin1Char('&'));
    if (plain.endsWith(QLatin1String("..."))) plain.chop(3);
    action->setToolTip(plain);
    FActions << action;
    return action;
}

void TCommandGroup::Connect(QAction* action, std::function<void()> execute, TCommandUse use) {
    connect(action, &QAction::triggered, this, [action, execute = std::move(execute), use] {
        if (use == TCommandUse::cuEvaluators && SharedEvaluatorsLeased()) {
            // Refused while a run holds the evaluators; a check box that
            // toggled on the way in goes back to what it showed.
            if (action->isCheckable()) {
                const QSignalBlocker block(action);
                action->setChecked(!action->isChecked());
            }
            return;
        }
        RunGuarded(execute);
    });
}

QAction* TCommandGroup::AddPlaceholder(const char* name, const QString& caption, const char* themeIcon,
                                       const QKeySequence& shortcut) {
    QAction* action = Create(name, caption, themeIcon, shortcut);
    FUnavailable << action;
    action->setEnabled(false);
    return action;
}

QAction* TCommandGroup::AddPlain(const char* name, const QString& caption) { return Create(name, caption, "", {}); }

void TCommandGroup::MakeAvailable(QAction* action) {
    FUnavailable.removeAll(action);
    action->setEnabled(true);
    FMain.PostUpdateControls();
}

void TCommandGroup::Enable(QAction* action, bool enabled) { action->setEnabled(enabled && Available(action)); }

}  // namespace curvane

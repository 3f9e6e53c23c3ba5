// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/mru_menu.h"

#include <QAction>
#include <QMenu>

namespace curvane {

TMRUMenu::TMRUMenu(TMRUFiles& files, QMenu* menu, QAction* menuItem, QObject* parent)
    : QObject(parent), FFiles(files), FMenu(menu), FMenuItem(menuItem) {
    FFiles.SetOnChange([this] { Rebuild(); });
    if (FMenuItem) connect(FMenuItem, &QAction::triggered, this, [this] { FFiles.Clear(); });
    Rebuild();
}

TMRUMenu::~TMRUMenu() {
    // The list may outlive this adapter; it must not call back into it.
    FFiles.SetOnChange(nullptr);
    RemoveInserted();
}

QList<QAction*> TMRUMenu::InsertedActions() const {
    QList<QAction*> result;
    for (const auto& a : FInserted)
        if (a) result.append(a.data());
    return result;
}

void TMRUMenu::RemoveInserted() {
    for (const auto& a : FInserted) {
        if (!a) continue;
        if (FMenu) FMenu->removeAction(a);
        // Later, not now: the list changes while an entry's triggered signal
        // is still being delivered (opening the file puts it on top).
        a->deleteLater();
    }
    FInserted.clear();
}

void TMRUMenu::Rebuild() {
    RemoveInserted();
    const bool any = !FFiles.Empty();
    if (FMenuItem) FMenuItem->setEnabled(any);
    if (!FMenu || !FMenuItem) return;
    FMenu->menuAction()->setEnabled(any);
    if (!any) return;

    // Entries go right below the clear item, above whatever else the menu has.
    const QList<QAction*> existing = FMenu->actions();
    const qsizetype at = existing.indexOf(FMenuItem.data());
    QAction* before = (at >= 0 && at + 1 < existing.size()) ? existing[at + 1] : nullptr;

    auto* separator = new QAction(FMenu);
    separator->setSeparator(true);
    FMenu->insertAction(before, separator);
    FInserted.append(separator);
    for (int i = 0; i < FFiles.Count(); ++i) {
        const QString name = QString::fromStdString(FFiles.Items()[std::size_t(i)]);
        auto* entry = new QAction(QString::fromStdString(FFiles.EntryCaption(i)), FMenu);
        entry->setStatusTip(QString::fromStdString(TMRUFiles::EntryHint(FFiles.Items()[std::size_t(i)])));
        entry->setData(i);
        connect(entry, &QAction::triggered, this, [this, name] { emit FileClicked(name); });
        FMenu->insertAction(before, entry);
        FInserted.append(entry);
    }
}

}  // namespace curvane

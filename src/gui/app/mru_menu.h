// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

#include "core/settings/mru_files.h"

class QAction;
class QMenu;

namespace curvane {

// Shows a TMRUFiles as menu entries right below `menuItem` (the "Clear &File
// List" item of the "Reopen" submenu): a separator, then one entry per file,
// newest on top. The submenu and the clear item are enabled only while the
// list holds a file. Triggering the clear item empties the list.
class TMRUMenu : public QObject {
    Q_OBJECT
public:
    TMRUMenu(TMRUFiles& files, QMenu* menu, QAction* menuItem, QObject* parent = nullptr);
    ~TMRUMenu() override;

    // The separator and the entries of the last rebuild, top-down.
    QList<QAction*> InsertedActions() const;
    void Rebuild();

signals:
    // An entry was chosen; the name is the file's full path as listed.
    void FileClicked(const QString& fileName);

private:
    void RemoveInserted();

    TMRUFiles& FFiles;
    QPointer<QMenu> FMenu;
    QPointer<QAction> FMenuItem;
    // Guarded: the menu may be destroyed before this adapter, taking them along.
    QList<QPointer<QAction>> FInserted;
};

}  // namespace curvane

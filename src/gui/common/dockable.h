// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDockWidget>
#include <QString>

#include <optional>

#include "core/settings/dock_state.h"

class QMainWindow;

namespace curvane {

// The dock panel a record's "DockedTo" names, or nothing for an empty or
// unknown name (a record written by another build, or edited by hand).
std::optional<Qt::DockWidgetArea> DockAreaByName(const QString& name);
// The stored name of a dock area; empty for anything but the four edges.
QString DockAreaName(Qt::DockWidgetArea area);

// Base of the tool windows that float above the main window or dock at one of
// its four edges. The window writes its placement into a dock-state record
// that the main window owns and saves, so the record outlives the window: it
// is updated on every move, resize and change of dock, and marked not visible
// when the user closes the window. Closing deletes the window.
class TfrmDockable : public QDockWidget {
    Q_OBJECT
public:
    TfrmDockable(const QString& title, TDockState& record, QMainWindow* mainWindow);

    TDockState& Record() { return FRecord; }

    // Puts the window where its record says: docked in the named panel, below
    // (or, for orientation 2, to the right of) the panel's last visible
    // window, or floating at the record's undocked bounds when the record
    // names no panel that exists. Then shows it.
    void ShowFromRecord();

signals:
    // The user closed the window (its record is already marked not visible);
    // the window deletes itself after this.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateRecord();
    void PlaceFloating();
    QDockWidget* LastVisibleDockIn(Qt::DockWidgetArea area) const;

    TDockState& FRecord;
    QMainWindow* FMainWindow;
    bool FPlacing = false;  // the record is being applied: do not write it back
};

}  // namespace curvane

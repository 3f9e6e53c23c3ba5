// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QTreeWidget>

#include <functional>

#include "gui/common/dockable.h"
#include "gui/document/frm_abstract_mdi_child.h"

class QAction;
class QMenu;

namespace curvane {

// The explorer's list: one row per function. Rows are reordered by dragging
// one onto another; the list never moves its own items but reports the wish,
// and the owner moves the function and refills.
class TFuncListView : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr const char* RowMimeType = "application/x-curvane-function-row";

    explicit TFuncListView(QWidget* parent = nullptr);

    // The drag payload for a row: this process and the row number, so a drop
    // from another running copy of the program is not taken for one of ours.
    static QMimeData* RowMimeData(int row);

signals:
    void MoveRequested(int from, int to);

protected:
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// The main window's commands the explorer's pop-up menu runs. Their enabled
// state is mirrored when the menu opens.
struct TFuncExplorerCommands {
    QAction* FuncAdd = nullptr;
    QAction* FuncDelete = nullptr;
    QAction* FuncProperties = nullptr;
    // Opens the table of data set `set` of the current window.
    std::function<void(int set)> EditDataSet;
};

// Lists the functions of the current graph window: a check box for
// visibility, the caption, and a colour cell. Selecting a row makes that
// function active; dragging one row onto another moves the function. The data
// sets follow the functions, with their own rows: visibility, colour, the
// table of points (double click, Enter) and deletion, but no dragging and no
// active function. The list follows the current window's document by itself.
class TfrmFuncExplorer : public TfrmDockable {
    Q_OBJECT
public:
    static constexpr int ColFunction = 0;
    static constexpr int ColColor = 1;

    TfrmFuncExplorer(TDockState& record, QMainWindow* mainWindow, TFuncExplorerCommands commands);

    // Rebuilds the rows from a window's function list (none: the list is
    // empty) and selects its active function.
    void Refill(TfrmAbstractMDIChild* window);
    // Selects the window's active function without rebuilding.
    void SelectActive();
    // Repaints the colour cells (a colour was changed elsewhere).
    void RefreshColors();

    TfrmAbstractMDIChild* Window() const { return FWindow; }
    TFuncListView* List() const { return lvFunctions; }
    QMenu* PopupMenu() const { return FPopup; }

    // The caption a row shows: the same text as the function bar's list.
    static QString RowCaption(const TfrmAbstractMDIChild& window, int index);
    // Data set `set`'s row, below the functions.
    static QString DataRowCaption(const TfrmAbstractMDIChild& window, int set);
    int DataRow(int set) const;

    // Moves function `from` to position `to` of the window's list (the
    // active function stays active at its new index) as one undo step. A
    // drop on its own row or on no row (to < 0) changes nothing.
    void MoveFunction(int from, int to);

private:
    void OnCurrentItemChanged(QTreeWidgetItem* current);
    void OnItemChanged(QTreeWidgetItem* item, int column);
    void OnItemDoubleClicked(QTreeWidgetItem* item);
    void UpdatePopup();
    void ToggleVisible();
    void RunProperties();
    int SelectedRow() const;
    // The data set a row shows, or -1 for a function's row and no row.
    int DataSetOfRow(int row) const;
    void DeleteDataSet(int set);

    TFuncListView* lvFunctions;
    QPointer<TfrmAbstractMDIChild> FWindow;
    TFuncExplorerCommands FCommands;
    QMenu* FPopup;
    QAction* FPopAdd;
    QAction* FPopDelete;
    QAction* FPopVisible;
    QAction* FPopProperties;
    QAction* FPopEditData;
    bool FFilling = false;
    // The active function when the list last selected it: a data set's row
    // stays selected until another function becomes active.
    int FSelectedActive = -1;
};

}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/frm_func_explorer.h"

#include <QAction>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QStyledItemDelegate>

#include <functional>

#include "core/document/data_set.h"
#include "core/document/func_item.h"
#include "gui/document/document_owner.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/help/help.h"
#include "render/color.h"

namespace curvane {

namespace {

// Paints the "Color" cell: the normal cell background (selection included),
// then the cell less one pixel on each side in the function's colour.
class TColorCellDelegate : public QStyledItemDelegate {
public:
    TColorCellDelegate(std::function<std::optional<QColor>(int)> colorOf, QObject* parent)
        : QStyledItemDelegate(parent), FColorOf(std::move(colorOf)) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        const auto color = FColorOf(index.row());
        if (!color) return;
        painter->fillRect(option.rect.adjusted(1, 1, -1, -1), *color);
    }

private:
    std::function<std::optional<QColor>(int)> FColorOf;
};

// "<pid>:<row>": the drag payload of one row.
QByteArray RowPayload(int row) {
    return QByteArray::number(QCoreApplication::applicationPid()) + ':' + QByteArray::number(row);
}

// The row a drag carries, or -1 when it is not a row of this process's list.
int RowFromPayload(const QMimeData* mime) {
    if (!mime || !mime->hasFormat(TFuncListView::RowMimeType)) return -1;
    const QList<QByteArray> parts = mime->data(TFuncListView::RowMimeType).split(':');
    if (parts.size() != 2) return -1;
    bool okPid = false, okRow = false;
    const qint64 pid = parts[0].toLongLong(&okPid);
    const int row = parts[1].toInt(&okRow);
    if (!okPid || !okRow || pid != QCoreApplication::applicationPid() || row < 0) return -1;
    return row;
}

}  // namespace

TFuncListView::TFuncListView(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
}

QMimeData* TFuncListView::RowMimeData(int row) {
    auto* mime = new QMimeData;
    mime->setData(RowMimeType, RowPayload(row));
    return mime;
}

QStringList TFuncListView::mimeTypes() const { return {QString::fromLatin1(RowMimeType)}; }

QMimeData* TFuncListView::mimeData(const QList<QTreeWidgetItem*>& items) const {
    if (items.isEmpty()) return nullptr;
    return RowMimeData(indexOfTopLevelItem(items.first()));
}

void TFuncListView::dragEnterEvent(QDragEnterEvent* event) {
    if (RowFromPayload(event->mimeData()) < 0) {
        event->ignore();
        return;
    }
    QTreeWidget::dragEnterEvent(event);
    event->acceptProposedAction();
}

void TFuncListView::dragMoveEvent(QDragMoveEvent* event) {
    if (RowFromPayload(event->mimeData()) < 0) {
        event->ignore();
        return;
    }
    QTreeWidget::dragMoveEvent(event);  // auto-scroll and the drop indicator
    event->acceptProposedAction();
}

void TFuncListView::dropEvent(QDropEvent* event) {
    const int from = RowFromPayload(event->mimeData());
    const QModelIndex target = indexAt(event->position().toPoint());
    // Accepted as a copy: a move would make the view delete the dragged
    // item itself once the drag ends, after the owner has already refilled.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
    if (from < 0 || !target.isValid() || target.row() == from) return;
    emit MoveRequested(from, target.row());
}

void TFuncListView::keyPressEvent(QKeyEvent* event) {
    // Ctrl+Up / Ctrl+Down move the selected function: the keyboard's way to
    // do what dragging does.
    const int row = currentIndex().isValid() ? currentIndex().row() : -1;
    if (row >= 0 && event->modifiers() == Qt::ControlModifier &&
        (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
        const int to = event->key() == Qt::Key_Up ? row - 1 : row + 1;
        if (to >= 0 && to < topLevelItemCount()) emit MoveRequested(row, to);
        event->accept();
        return;
    }
    if (row >= 0 && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        emit itemDoubleClicked(currentItem(), 0);
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

TfrmFuncExplorer::TfrmFuncExplorer(TDockState& record, QMainWindow* mainWindow, TFuncExplorerCommands commands)
    : TfrmDockable(QStringLiteral("Function explorer"), record, mainWindow),
      lvFunctions(new TFuncListView(this)),
      FCommands(commands),
      FPopup(new QMenu(this)) {
    setObjectName(QStringLiteral("frmFuncExplorer"));
    SetHelpTopic(this, QStringLiteral("functions.html#explorer"));
    lvFunctions->setObjectName(QStringLiteral("lvFunctions"));
    lvFunctions->setColumnCount(2);
    lvFunctions->setHeaderLabels({QStringLiteral("Function"), QStringLiteral("Color")});
    lvFunctions->header()->setStretchLastSection(false);
    lvFunctions->header()->setSectionResizeMode(ColFunction, QHeaderView::Stretch);
    lvFunctions->header()->setSectionResizeMode(ColColor, QHeaderView::Fixed);
    lvFunctions->header()->resizeSection(ColColor, 48);
    lvFunctions->setItemDelegateForColumn(
        ColColor, new TColorCellDelegate(
                      [this](int row) -> std::optional<QColor> {
                          if (!FWindow || row < 0) return std::nullopt;
                          if (row < FWindow->FuncCount()) return ToQColor(FWindow->Func(row)->Color);
                          const int set = DataSetOfRow(row);
                          if (set < 0) return std::nullopt;
                          return ToQColor(FWindow->Document().DataSets[static_cast<std::size_t>(set)].Color);
                      },
                      lvFunctions));
    lvFunctions->setContextMenuPolicy(Qt::CustomContextMenu);
    setWidget(lvFunctions);

    FPopAdd = FPopup->addAction(QStringLiteral("&Add"));
    FPopAdd->setShortcut(QKeySequence(Qt::Key_F7));
    FPopDelete = FPopup->addAction(QStringLiteral("&Delete"));
    FPopDelete->setShortcut(QKeySequence(Qt::Key_F8));
    FPopup->addSeparator();
    FPopVisible = FPopup->addAction(QStringLiteral("&Visible"));
    FPopVisible->setCheckable(true);
    FPopProperties = FPopup->addAction(QStringLiteral("&Properties"));
    FPopEditData = FPopup->addAction(QStringLiteral("&Edit data..."));
    FPopup->setDefaultAction(FPopProperties);
    // The shortcuts are shown for the user's information; the main window's
    // own commands answer the keys, so these must not compete for them.
    FPopAdd->setShortcutContext(Qt::WidgetShortcut);
    FPopDelete->setShortcutContext(Qt::WidgetShortcut);

    connect(FPopAdd, &QAction::triggered, this, [this] {
        if (FCommands.FuncAdd && FCommands.FuncAdd->isEnabled()) FCommands.FuncAdd->trigger();
    });
    connect(FPopDelete, &QAction::triggered, this, [this] {
        if (const int set = DataSetOfRow(SelectedRow()); set >= 0)
            DeleteDataSet(set);
        else if (FCommands.FuncDelete && FCommands.FuncDelete->isEnabled())
            FCommands.FuncDelete->trigger();
    });
    connect(FPopVisible, &QAction::triggered, this, &TfrmFuncExplorer::ToggleVisible);
    connect(FPopProperties, &QAction::triggered, this, &TfrmFuncExplorer::RunProperties);
    connect(FPopEditData, &QAction::triggered, this, &TfrmFuncExplorer::RunProperties);
    connect(FPopup, &QMenu::aboutToShow, this, &TfrmFuncExplorer::UpdatePopup);
    connect(lvFunctions, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        UpdatePopup();
        FPopup->popup(lvFunctions->viewport()->mapToGlobal(pos));
    });
    connect(lvFunctions, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { OnCurrentItemChanged(current); });
    connect(lvFunctions, &QTreeWidget::itemChanged, this, &TfrmFuncExplorer::OnItemChanged);
    connect(lvFunctions, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { OnItemDoubleClicked(item); });
    connect(lvFunctions, &TFuncListView::MoveRequested, this, &TfrmFuncExplorer::MoveFunction);
    connect(&TGraphHub::Instance(), &TGraphHub::ActiveDocumentChanged, this,
            [this] { Refill(CurrentGraphWindow()); });
    Refill(CurrentGraphWindow());
}

QString TfrmFuncExplorer::RowCaption(const TfrmAbstractMDIChild& window, int index) {
    const TFuncItem* f = window.Func(index);
    if (!f) return {};
    const QString caption = QString::fromStdString(FuncCaption(*f, window.WindowType() == TWindowType::wt3D));
    if (f->Derivative) return caption + QStringLiteral("; Derivative");
    if (f->Expression.empty()) return QStringLiteral("; Empty");
    return caption;
}

QString TfrmFuncExplorer::DataRowCaption(const TfrmAbstractMDIChild& window, int set) {
    const std::vector<TDataSet>& sets = window.Document().DataSets;
    if (set < 0 || static_cast<std::size_t>(set) >= sets.size()) return {};
    const TDataSet& data = sets[static_cast<std::size_t>(set)];
    return QStringLiteral("%1; Data, %2 points").arg(QString::fromStdString(data.Name)).arg(data.Count());
}

int TfrmFuncExplorer::DataRow(int set) const { return FWindow ? FWindow->FuncCount() + set : -1; }

int TfrmFuncExplorer::DataSetOfRow(int row) const {
    if (!FWindow || row < FWindow->FuncCount()) return -1;
    const int set = row - FWindow->FuncCount();
    return static_cast<std::size_t>(set) < FWindow->Document().DataSets.size() ? set : -1;
}

void TfrmFuncExplorer::Refill(TfrmAbstractMDIChild* window) {
    // Rows are updated in place rather than rebuilt: the list is refilled on
    // every change of the function bar, and recreating the items would drop
    // a press or drag the user has begun on a row.
    FFilling = true;
    if (FWindow != window) FSelectedActive = -2;
    FWindow = window;
    const int functions = window ? window->FuncCount() : 0;
    // 3D documents hold no data sets.
    const int count = functions + (window ? static_cast<int>(window->Document().DataSets.size()) : 0);
    while (lvFunctions->topLevelItemCount() > count)
        delete lvFunctions->takeTopLevelItem(lvFunctions->topLevelItemCount() - 1);
    while (lvFunctions->topLevelItemCount() < count) new QTreeWidgetItem(lvFunctions);
    for (int i = 0; i < count; ++i) {
        QTreeWidgetItem* item = lvFunctions->topLevelItem(i);
        const bool function = i < functions;
        // Data sets keep their place below the functions: they are neither
        // dragged nor dropped on.
        const Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable |
                                    (function ? Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled : Qt::NoItemFlags);
        if (item->flags() != flags) item->setFlags(flags);
        const QString caption = function ? RowCaption(*window, i) : DataRowCaption(*window, i - functions);
        if (item->text(ColFunction) != caption) {
            item->setText(ColFunction, caption);
            item->setToolTip(ColFunction, caption);
        }
        const bool visible = function ? window->Func(i)->Active
                                      : window->Document().DataSets[static_cast<std::size_t>(i - functions)].Visible;
        const Qt::CheckState check = visible ? Qt::Checked : Qt::Unchecked;
        if (item->checkState(ColFunction) != check) item->setCheckState(ColFunction, check);
    }
    FFilling = false;
    SelectActive();
    RefreshColors();
}

void TfrmFuncExplorer::SelectActive() {
    const int active = FWindow ? FWindow->FuncActive() : -1;
    if (active == FSelectedActive && DataSetOfRow(SelectedRow()) >= 0) return;
    FSelectedActive = active;
    FFilling = true;
    QTreeWidgetItem* item = FWindow ? lvFunctions->topLevelItem(active) : nullptr;
    if (lvFunctions->currentItem() != item || (item && !item->isSelected())) lvFunctions->setCurrentItem(item);
    if (!item) lvFunctions->clearSelection();
    FFilling = false;
}

void TfrmFuncExplorer::RefreshColors() { lvFunctions->viewport()->update(); }

int TfrmFuncExplorer::SelectedRow() const {
    const auto selected = lvFunctions->selectedItems();
    return selected.isEmpty() ? -1 : lvFunctions->indexOfTopLevelItem(selected.first());
}

void TfrmFuncExplorer::OnCurrentItemChanged(QTreeWidgetItem* current) {
    if (FFilling || !FWindow || !current) return;
    const int row = lvFunctions->indexOfTopLevelItem(current);
    if (row < 0 || row >= FWindow->FuncCount() || row == FWindow->FuncActive()) return;
    FWindow->SetFuncActive(row);
}

void TfrmFuncExplorer::OnItemChanged(QTreeWidgetItem* item, int column) {
    if (FFilling || !FWindow || column != ColFunction) return;
    const int row = lvFunctions->indexOfTopLevelItem(item);
    const bool visible = item->checkState(ColFunction) == Qt::Checked;
    if (const int set = DataSetOfRow(row); set >= 0) {
        if (FWindow->Document().DataSets[static_cast<std::size_t>(set)].Visible == visible) return;
        TDocumentEdit edit(FWindow->Owner(),
                           visible ? QStringLiteral("Show data set") : QStringLiteral("Hide data set"));
        edit.Document().DataSets[static_cast<std::size_t>(set)].Visible = visible;
        edit.Commit();
        return;
    }
    const TFuncItem* f = FWindow->Func(row);
    if (!f) return;
    if (f->Active == visible) return;
    // Hidden functions are not sampled: the window samples one shown again.
    TDocumentEdit edit(FWindow->Owner(), visible ? QStringLiteral("Show function") : QStringLiteral("Hide function"));
    edit.Func(row)->Active = visible;
    edit.Commit();
}

void TfrmFuncExplorer::OnItemDoubleClicked(QTreeWidgetItem* item) {
    if (!FWindow || !item) return;
    const int row = lvFunctions->indexOfTopLevelItem(item);
    if (row < 0 || (row >= FWindow->FuncCount() && DataSetOfRow(row) < 0)) return;
    lvFunctions->setCurrentItem(item);
    RunProperties();
}

void TfrmFuncExplorer::UpdatePopup() {
    const bool rowSelected = FWindow && SelectedRow() >= 0;
    const int set = DataSetOfRow(SelectedRow());
    FPopAdd->setEnabled(FCommands.FuncAdd && FCommands.FuncAdd->isEnabled());
    FPopDelete->setEnabled(set >= 0 || (FCommands.FuncDelete && FCommands.FuncDelete->isEnabled()));
    // F8 is the main window's Delete function, which a data set's row must
    // not seem to offer.
    FPopDelete->setShortcut(set >= 0 ? QKeySequence() : QKeySequence(Qt::Key_F8));
    FPopVisible->setEnabled(rowSelected);
    // A data set's row offers its table where a function's offers its
    // properties, as the default action of a double click.
    FPopProperties->setVisible(set < 0);
    FPopProperties->setEnabled(rowSelected);
    FPopEditData->setVisible(set >= 0);
    FPopEditData->setEnabled(set >= 0 && FCommands.EditDataSet);
    FPopup->setDefaultAction(set >= 0 ? FPopEditData : FPopProperties);
    const TFuncItem* f = rowSelected ? FWindow->Func(SelectedRow()) : nullptr;
    FPopVisible->setChecked(set >= 0 ? FWindow->Document().DataSets[static_cast<std::size_t>(set)].Visible
                                     : f && f->Active);
}

void TfrmFuncExplorer::ToggleVisible() {
    const int row = SelectedRow();
    QTreeWidgetItem* item = lvFunctions->topLevelItem(row);
    if (!FWindow || !item) return;
    // Through the check box, so the list and the function cannot disagree.
    item->setCheckState(ColFunction, item->checkState(ColFunction) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void TfrmFuncExplorer::RunProperties() {
    const int row = SelectedRow();
    if (const int set = DataSetOfRow(row); set >= 0) {
        if (FCommands.EditDataSet) FCommands.EditDataSet(set);
        return;
    }
    if (!FWindow || row < 0 || row >= FWindow->FuncCount()) return;
    if (FWindow->FuncActive() != row) FWindow->SetFuncActive(row);
    if (FCommands.FuncProperties && FCommands.FuncProperties->isEnabled()) FCommands.FuncProperties->trigger();
}

void TfrmFuncExplorer::DeleteDataSet(int set) {
    if (!FWindow || set < 0 || static_cast<std::size_t>(set) >= FWindow->Document().DataSets.size()) return;
    TDocumentEdit edit(FWindow->Owner(), QStringLiteral("Delete data set"));
    std::vector<TDataSet>& sets = edit.Document().DataSets;
    sets.erase(sets.begin() + set);
    edit.Commit();
}

void TfrmFuncExplorer::MoveFunction(int from, int to) {
    if (!FWindow || from == to || from < 0 || to < 0 || from >= FWindow->FuncCount() ||
        to >= FWindow->FuncCount())
        return;
    // The active function stays active wherever the move puts it.
    int active = FWindow->FuncActive();
    if (active == from)
        active = to;
    else if (from < active && active <= to)
        --active;
    else if (to <= active && active < from)
        ++active;
    TDocumentEdit edit(FWindow->Owner(), QStringLiteral("Move function"));
    edit.Document().Functions.Move(from, to);
    edit.Document().FuncActive = active;
    edit.Commit();
}

}  // namespace curvane

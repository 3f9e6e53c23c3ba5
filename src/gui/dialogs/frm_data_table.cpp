// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/frm_data_table.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTableView>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "core/document/data_set.h"
#include "core/support/number_format.h"
#include "gui/document/document_owner.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/help/help.h"

namespace curvane {

namespace {

// Removes the entries whose mask byte is set, keeping the others in order.
void RemoveMasked(std::vector<double>& values, const std::vector<char>& removed) {
    if (values.empty()) return;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < values.size(); ++i)
        if (!removed[i]) values[kept++] = values[i];
    values.resize(kept);
}

template <class TSet>
auto& Column(TSet& set, int column) {
    return column == TDataTableModel::ColX ? set.X : column == TDataTableModel::ColY ? set.Y : set.DY;
}

}  // namespace

TDataTableModel::TDataTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void TDataTableModel::Show(TfrmAbstractMDIChild* window, int set) {
    beginResetModel();
    if (FWindow) disconnect(FWindow->Owner(), nullptr, this, nullptr);
    FWindow = window;
    FSet = set;
    if (FWindow) connect(FWindow->Owner(), &TDocumentOwner::Changed, this, &TDataTableModel::Refresh);
    TakeShape();
    endResetModel();
}

void TDataTableModel::TakeShape() {
    const TDataSet* set = DataSet();
    FRows = set ? static_cast<int>(set->Count()) : 0;
    FColumns = !set ? 0 : set->HasUncertainties() ? 3 : 2;
}

void TDataTableModel::Refresh() {
    const TDataSet* set = DataSet();
    const int rows = set ? static_cast<int>(set->Count()) : 0;
    const int columns = !set ? 0 : set->HasUncertainties() ? 3 : 2;
    if (rows == FRows && columns == FColumns) {
        if (rows > 0) emit dataChanged(index(0, 0), index(rows - 1, columns - 1));
        return;
    }
    beginResetModel();
    TakeShape();
    endResetModel();
}

const TDataSet* TDataTableModel::DataSet() const {
    if (!FWindow || FSet < 0) return nullptr;
    const std::vector<TDataSet>& sets = FWindow->Document().DataSets;
    return static_cast<std::size_t>(FSet) < sets.size() ? &sets[static_cast<std::size_t>(FSet)] : nullptr;
}

int TDataTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : FRows; }

int TDataTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : FColumns; }

QVariant TDataTableModel::data(const QModelIndex& index, int role) const {
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
    const TDataSet* set = DataSet();
    // The view may ask for a row of the shape it was last told while a
    // change that shortened the set is on its way.
    const auto row = static_cast<std::size_t>(index.row());
    if (!set || !index.isValid() || row >= set->Count()) return {};
    const std::vector<double>& column = Column(*set, index.column());
    if (row >= column.size()) return {};
    return QString::fromStdString(FormatShortest(column[row]));
}

QVariant TDataTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        static const char* const Names[] = {"x", "y", "dy"};
        return section >= 0 && section < 3 ? QString::fromLatin1(Names[section]) : QVariant();
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags TDataTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

bool TDataTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    const TDataSet* set = DataSet();
    if (role != Qt::EditRole || !set || !index.isValid() || static_cast<std::size_t>(index.row()) >= set->Count())
        return false;
    const QString text = value.toString().trimmed();
    const std::optional<double> number = ParseDouble(text.toStdString());
    if (!number || !std::isfinite(*number)) {
        emit Refused(QStringLiteral("\"%1\" is not a number; the point keeps its value. Numbers are written "
                                    "with \".\" as the decimal point, as in 2.5 or 1e-3.")
                         .arg(text));
        return false;
    }
    if (index.column() == ColDY && !(*number > 0)) {
        emit Refused(QStringLiteral("An uncertainty dy is a positive number; the point keeps its value."));
        return false;
    }
    const auto row = static_cast<std::size_t>(index.row());
    if (Column(*set, index.column()).Values().at(row) == *number) return true;
    TDocumentEdit edit(FWindow->Owner(), QStringLiteral("Edit point"));
    Column(edit.Document().DataSets[static_cast<std::size_t>(FSet)], index.column()).Edit().at(row) = *number;
    edit.Commit();
    return true;
}

int TDataTableModel::InsertPoint(int row) {
    const TDataSet* shown = DataSet();
    if (!shown || shown->Count() >= static_cast<std::size_t>(MaxDataPointCount)) return -1;
    TDocumentEdit edit(FWindow->Owner(), QStringLiteral("Add point"));
    TDataSet& set = edit.Document().DataSets[static_cast<std::size_t>(FSet)];
    if (set.X.empty()) {
        set.X = std::vector<double>{0};
        set.Y = std::vector<double>{0};
        edit.Commit();
        return 0;
    }
    const auto at = static_cast<std::size_t>(std::clamp(row, 0, static_cast<int>(set.Count()) - 1));
    const auto copyAfter = [at](std::vector<double>& column) {
        if (!column.empty()) column.insert(column.begin() + static_cast<std::ptrdiff_t>(at) + 1, column[at]);
    };
    copyAfter(set.X.Edit());
    copyAfter(set.Y.Edit());
    if (set.HasUncertainties()) copyAfter(set.DY.Edit());
    edit.Commit();
    return static_cast<int>(at) + 1;
}

void TDataTableModel::RemovePoints(const std::vector<std::pair<int, int>>& ranges) {
    const TDataSet* shown = DataSet();
    if (!shown) return;
    std::vector<char> removed(shown->Count(), 0);
    bool any = false;
    for (const auto& [first, last] : ranges)
        for (int row = std::max(first, 0); row <= last && static_cast<std::size_t>(row) < removed.size(); ++row)
            removed[static_cast<std::size_t>(row)] = any = true;
    if (!any) return;
    TDocumentEdit edit(FWindow->Owner(), QStringLiteral("Delete points"));
    TDataSet& set = edit.Document().DataSets[static_cast<std::size_t>(FSet)];
    RemoveMasked(set.X.Edit(), removed);
    RemoveMasked(set.Y.Edit(), removed);
    if (set.HasUncertainties()) RemoveMasked(set.DY.Edit(), removed);
    edit.Commit();
}

TfrmDataTable::TfrmDataTable(QWidget* parent)
    : QDialog(parent),
      FModel(new TDataTableModel(this)),
      cbxDataSet(new QComboBox(this)),
      grdPoints(new QTableView(this)),
      lblMessage(new QLabel(this)),
      btnAdd(new QPushButton(QStringLiteral("&Add point"), this)),
      btnDelete(new QPushButton(QStringLiteral("De&lete points"), this)) {
    setObjectName(QStringLiteral("frmDataTable"));
    setWindowTitle(QStringLiteral("Edit data"));
    setAttribute(Qt::WA_DeleteOnClose);
    SetHelpTopic(this, QStringLiteral("data.html#table"));
    cbxDataSet->setObjectName(QStringLiteral("cbxDataSet"));
    grdPoints->setObjectName(QStringLiteral("grdPoints"));
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    btnAdd->setObjectName(QStringLiteral("btnAdd"));
    btnDelete->setObjectName(QStringLiteral("btnDelete"));
    btnAdd->setToolTip(QStringLiteral("Adds a copy of the current point after it (Insert)"));
    btnDelete->setToolTip(QStringLiteral("Deletes the points of the selected rows (Delete)"));
    btnAdd->setAutoDefault(false);
    btnDelete->setAutoDefault(false);

    auto* label = new QLabel(QStringLiteral("&Data set:"), this);
    label->setBuddy(cbxDataSet);
    auto* top = new QHBoxLayout;
    top->addWidget(label);
    top->addWidget(cbxDataSet, 1);

    grdPoints->setModel(FModel);
    grdPoints->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grdPoints->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::AnyKeyPressed);
    grdPoints->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    // Fixed heights: a header that measured its rows would visit all of a
    // large set's points.
    grdPoints->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grdPoints->setWordWrap(false);

    lblMessage->setWordWrap(true);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnAdd);
    buttons->addWidget(btnDelete);
    buttons->addStretch(1);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(grdPoints, 1);
    layout->addWidget(lblMessage);
    layout->addLayout(buttons);
    resize(360, 480);

    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(btnAdd, &QPushButton::clicked, this, &TfrmDataTable::AddPoint);
    connect(btnDelete, &QPushButton::clicked, this, &TfrmDataTable::DeleteSelectedPoints);
    // Only while the table itself has the focus: in a cell's editor the keys
    // belong to the text.
    connect(new QShortcut(QKeySequence(Qt::Key_Insert), grdPoints, nullptr, nullptr, Qt::WidgetShortcut),
            &QShortcut::activated, this, &TfrmDataTable::AddPoint);
    connect(new QShortcut(QKeySequence::Delete, grdPoints, nullptr, nullptr, Qt::WidgetShortcut),
            &QShortcut::activated, this, &TfrmDataTable::DeleteSelectedPoints);
    // The main window's Undo and Redo do not reach a window of its own.
    const auto history = [this](void (QUndoStack::*step)()) {
        return [this, step] {
            if (TfrmAbstractMDIChild* window = FModel->Window()) (window->UndoStack()->*step)();
        };
    };
    connect(new QShortcut(QKeySequence::Undo, this), &QShortcut::activated, this, history(&QUndoStack::undo));
    connect(new QShortcut(QKeySequence::Redo, this), &QShortcut::activated, this, history(&QUndoStack::redo));
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y), this), &QShortcut::activated, this,
            history(&QUndoStack::redo));

    connect(FModel, &TDataTableModel::Refused, lblMessage, &QLabel::setText);
    // A reset (an undo that added or removed points) keeps the place the
    // user was looking at.
    connect(FModel, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        FKeptRow = grdPoints->currentIndex().row();
        FKeptScroll = grdPoints->verticalScrollBar()->value();
    });
    connect(FModel, &QAbstractItemModel::modelReset, this, [this] {
        const int row = std::min(FKeptRow, FModel->rowCount() - 1);
        if (row >= 0) grdPoints->setCurrentIndex(FModel->index(row, 0));
        grdPoints->verticalScrollBar()->setValue(FKeptScroll);
    });
    connect(cbxDataSet, &QComboBox::currentIndexChanged, this, [this](int set) {
        if (FFilling || set < 0) return;
        FModel->Show(FModel->Window(), set);
        lblMessage->clear();
        UpdateControls();
    });
    connect(&TGraphHub::Instance(), &TGraphHub::ActiveDocumentChanged, this, &TfrmDataTable::FollowDocument);
    FollowDocument();
}

void TfrmDataTable::ShowDataSet(int set) {
    FollowDocument();
    if (set < 0 || set >= cbxDataSet->count()) return;
    cbxDataSet->setCurrentIndex(set);
    grdPoints->setFocus();
}

QString TfrmDataTable::Message() const { return lblMessage->text(); }

void TfrmDataTable::FollowDocument() {
    TfrmAbstractMDIChild* window = CurrentGraphWindow();
    if (window && window->WindowType() != TWindowType::wt2D) window = nullptr;
    const int count = window ? static_cast<int>(window->Document().DataSets.size()) : 0;
    int set = window == FModel->Window() ? FModel->SetIndex() : 0;
    set = count == 0 ? -1 : std::clamp(set, 0, count - 1);

    FFilling = true;
    // The names again only when one changed: refilling would close the list
    // while the user has it open.
    bool same = cbxDataSet->count() == count;
    for (int i = 0; same && i < count; ++i)
        same = cbxDataSet->itemText(i).toStdString() == window->Document().DataSets[static_cast<std::size_t>(i)].Name;
    if (!same) {
        cbxDataSet->clear();
        for (int i = 0; i < count; ++i)
            cbxDataSet->addItem(QString::fromStdString(window->Document().DataSets[static_cast<std::size_t>(i)].Name));
    }
    cbxDataSet->setCurrentIndex(set);
    FFilling = false;

    if (window != FModel->Window() || set != FModel->SetIndex()) FModel->Show(window, set);
    // A change of the document answers any refusal shown before it.
    lblMessage->setText(count > 0 ? QString() : QStringLiteral("The current window holds no data sets."));
    UpdateControls();
}

void TfrmDataTable::UpdateControls() {
    const bool shown = FModel->DataSet() != nullptr;
    cbxDataSet->setEnabled(shown);
    btnAdd->setEnabled(shown);
    btnDelete->setEnabled(shown && FModel->rowCount() > 0);
}

void TfrmDataTable::AddPoint() {
    const int row = FModel->InsertPoint(grdPoints->currentIndex().isValid() ? grdPoints->currentIndex().row()
                                                                            : FModel->rowCount() - 1);
    if (row < 0) return;
    const QModelIndex cell = FModel->index(row, std::max(grdPoints->currentIndex().column(), 0));
    grdPoints->setCurrentIndex(cell);
    grdPoints->scrollTo(cell);
    grdPoints->setFocus();
}

void TfrmDataTable::DeleteSelectedPoints() {
    std::vector<std::pair<int, int>> rows;
    // Ranges, not indexes: a selection of every row of a large set stays a
    // handful of ranges.
    for (const QItemSelectionRange& range : grdPoints->selectionModel()->selection())
        rows.emplace_back(range.top(), range.bottom());
    if (rows.empty() && grdPoints->currentIndex().isValid())
        rows.emplace_back(grdPoints->currentIndex().row(), grdPoints->currentIndex().row());
    FModel->RemovePoints(rows);
}

}  // namespace curvane

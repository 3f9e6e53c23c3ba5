// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <QPointer>

#include <utility>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;

namespace curvane {

struct TDataSet;
class TfrmAbstractMDIChild;

// The points of one data set of a graph window as a table: x, y and, when the
// set has them, the uncertainties dy. Cells are read from the window's
// document when the view asks for them, so a set of a million points costs
// the view nothing but the rows it shows. Every change is one undo step of
// the window's document; the model never keeps the set itself, only the
// window (guarded) and the set's index, looked up again at each call.
class TDataTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int ColX = 0;
    static constexpr int ColY = 1;
    static constexpr int ColDY = 2;

    explicit TDataTableModel(QObject* parent = nullptr);

    // Shows data set `set` of window (none: an empty table).
    void Show(TfrmAbstractMDIChild* window, int set);
    // Follows a change of the window's document: the shown cells again when
    // the table keeps its shape, the whole table when rows or columns came or
    // went (an undo, a deletion elsewhere).
    void Refresh();

    TfrmAbstractMDIChild* Window() const { return FWindow; }
    int SetIndex() const { return FSet; }
    // The shown set, or null when the window or the set is gone.
    const TDataSet* DataSet() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Text that is not a finite number (read with "." as the decimal point),
    // or an uncertainty that is not positive, changes nothing and is reported
    // through Refused.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // A copy of point `row` inserted after it (a point at the origin in an
    // empty set), for the user to edit. Returns the new point's row, or -1.
    int InsertPoint(int row);
    // Removes the points of the row ranges (first and last row, both
    // included) as one step.
    void RemovePoints(const std::vector<std::pair<int, int>>& ranges);

signals:
    void Refused(const QString& message);

private:
    // Keeps the shape the view was last told, which may lag the document
    // for the length of one change.
    void TakeShape();

    QPointer<TfrmAbstractMDIChild> FWindow;
    int FSet = -1;
    int FRows = 0;
    int FColumns = 0;
};

// Function Edit data: the points of the current 2D window's data sets, one
// set at a time, in an editable table. The window follows the current graph
// window and its document (an undo shows at once); it stays open beside the
// graph windows and is deleted when closed.
class TfrmDataTable : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDataTable(QWidget* parent = nullptr);

    // Shows data set `set` of the current window.
    void ShowDataSet(int set);

    TDataTableModel* Model() const { return FModel; }
    QTableView* Table() const { return grdPoints; }
    // The last refusal, or what the table lacks; empty when all is well.
    QString Message() const;

private:
    void FollowDocument();
    void AddPoint();
    void DeleteSelectedPoints();
    void UpdateControls();

    TDataTableModel* FModel;
    QComboBox* cbxDataSet;
    QTableView* grdPoints;
    QLabel* lblMessage;
    QPushButton* btnAdd;
    QPushButton* btnDelete;
    bool FFilling = false;
    // Where the user was before the table was reset.
    int FKeptRow = -1;
    int FKeptScroll = 0;
};

}  // namespace curvane

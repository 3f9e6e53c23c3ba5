// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdint>
#include <thread>

#include "core/numeric/point_search.h"
#include "gui/tools/tool_dialog.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace curvane {

class TfrmAbstractMDIChild;

// What the dialog looks for; the order of its "Search" list.
enum class TPointQuery : std::uint8_t { pqRoots, pqExtrema, pqExtremaAndEnds, pqIntersections };

// "Points of interest": every root, minimum and maximum of a function of the
// active 2D window on [a, b], or every point where two of them meet, with
// what the search proved about each, in a table that can be copied or saved
// as text. The search runs on a thread of its own with the search's own
// formula copies, so the window stays responsive and may even go away
// meanwhile; Stop, or closing the dialog, ends the one running. At most one
// exists.
class TfrmPoints : public TToolDialog {
    Q_OBJECT
public:
    // The open dialog, or null.
    static TfrmPoints* Instance();
    // Creates the dialog once; shows and raises it.
    static TfrmPoints* Open(QWidget* parent);
    ~TfrmPoints() override;

    // A search is running.
    bool Searching() const { return FSearching; }
    // The table as text: a header line and one line per point, the cells
    // separated by tabs, "." as the decimal point, each line ended.
    QString TableText() const;

    QComboBox* const cbxFunction1;
    QComboBox* const cbxFunction2;
    QComboBox* const cbxSearch;
    QLineEdit* const edtFrom;
    QLineEdit* const edtTo;
    QPushButton* const btnSearch;
    QTableWidget* const grdPoints;
    QLabel* const lblResult;
    QPushButton* const btnCopy;
    QPushButton* const btnSave;
    QPushButton* const btnClose;

private:
    explicit TfrmPoints(QWidget* parent);
    template <class TWindow>
    friend TWindow* ShowSingleInstance(QPointer<TWindow>& instance, QWidget* parent);

    TPointQuery Query() const;
    // The function lists follow the active window; the choices stay where
    // they were while the window has that many functions.
    void FillFunctions();
    // From and To as the function of Function 1 is drawn: its manual limits,
    // else the window's visible x range.
    void ResetRange();
    void UpdateFields();
    // Says why there is no search and empties the table.
    void Refuse(const QString& why);
    void btnSearchClick();
    // On the user-interface thread, once the worker is done; `error` is the
    // message of a search that failed.
    void ShowResult(const TPointSearch& search, const QString& error);
    void CopyTable();
    void SaveTable();

    // The window whose functions the lists show: another one active means
    // other functions, so the choices and the range start afresh.
    QPointer<TfrmAbstractMDIChild> FListedWindow;
    std::jthread FWorker;  // the search running or last run; stopped and joined on destruction
    bool FSearching = false;
};

}  // namespace curvane

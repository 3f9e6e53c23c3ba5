// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QString>

#include "gui/app/command_group.h"

class QEvent;

namespace curvane {

struct TDataSet;
class TfrmDataTable;
class TfrmImportData;

// Points brought into a 2D window (File Import data, pasting, dropping a
// file of numbers on a window) and the fit of a formula to them. A data set
// arrives in the current 2D window's document as one undo step, or in a new
// 2D window when the current window is not a 2D one.
class TDataCommands : public TCommandGroup {
    Q_OBJECT
public:
    explicit TDataCommands(TfrmMain& main);

    void UpdateControls(const TCommandState& state) override;

    QAction* const FileImportData;
    // The clipboard's text as a data set, without a dialog: what was read
    // and what was skipped goes to the status bar and the log window.
    QAction* const EditPasteData;
    QAction* const FuncFitData;
    // The table of the current 2D window's points (one table window, kept
    // open beside the graph windows).
    QAction* const FuncEditData;

    // The table window, brought up showing data set `set` of the current
    // window.
    void EditDataSet(int set);
    TfrmDataTable* DataTable() const;

    // The import dialog for the file at path (a file dropped on a window).
    void ImportFile(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FileImportDataExecute();
    void EditPasteDataExecute();
    void FuncFitDataExecute();
    void FuncEditDataExecute();
    void RunImport(TfrmImportData& dialog);
    // False when the window holds no more data sets (the user was told).
    bool AddDataSet(TDataSet set, const QString& step);

    QPointer<TfrmDataTable> FDataTable;
};

}  // namespace curvane

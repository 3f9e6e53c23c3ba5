// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/data_commands.h"

#include <QAction>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QUrl>

#include "core/data/data_reader.h"
#include "core/document/data_set.h"
#include "core/document/func_palette.h"
#include "core/document/shared_evaluators.h"
#include "core/support/exceptions.h"
#include "gui/app/frm_main.h"
#include "gui/common/application.h"
#include "gui/common/exception_report.h"
#include "gui/dialogs/frm_data_table.h"
#include "gui/dialogs/frm_fit.h"
#include "gui/dialogs/frm_import_data.h"
#include "gui/document/document_owner.h"
#include "gui/document/frm_abstract_mdi_child.h"

namespace curvane {

namespace {

constexpr TCommandUse cuEvaluators = TCommandUse::cuEvaluators;

QStringList LocalFiles(const QMimeData* data) {
    QStringList paths;
    if (data && data->hasUrls())
        for (const QUrl& url : data->urls())
            if (url.isLocalFile()) paths << url.toLocalFile();
    return paths;
}

}  // namespace

TDataCommands::TDataCommands(TfrmMain& main)
    : TCommandGroup(main),
      // A new window may be opened for the points, which samples it.
      FileImportData(Add("FileImportData", "Import &data...", "", {}, &TDataCommands::FileImportDataExecute,
                         cuEvaluators)),
      // Ctrl+V stays with the text boxes, which paste formulas.
      EditPasteData(Add("EditPasteData", "&Paste data", "edit-paste", QKeySequence("Ctrl+Shift+V"),
                        &TDataCommands::EditPasteDataExecute, cuEvaluators)),
      // The fit compiles the model into the shared evaluator of y(x).
      FuncFitData(Add("FuncFitData", "&Fit to data...", "", {}, &TDataCommands::FuncFitDataExecute, cuEvaluators)),
      FuncEditData(Add("FuncEditData", "&Edit data...", "", {}, &TDataCommands::FuncEditDataExecute)) {
    SetHint(FileImportData, QStringLiteral("Import data|Reads points from a CSV, TSV or text file"));
    SetHint(EditPasteData, QStringLiteral("Paste data|Adds the numbers on the clipboard as a data set"));
    SetHint(FuncFitData, QStringLiteral("Fit to data|Fits a formula's parameters to a data set"));
    SetHint(FuncEditData, QStringLiteral("Edit data|Shows and edits the points of a data set"));
    // Files dropped anywhere on the window area: the graph windows take no
    // drops of their own, so the drop reaches the area behind them.
    // Undoing the last import leaves nothing to fit or edit; no other command
    // depends on the data sets, so the main window does not update for them.
    connect(&TGraphHub::Instance(), &TGraphHub::ActiveDocumentChanged, this, [this] {
        const TfrmAbstractMDIChild* window = CurrentWindow();
        Enable(FuncFitData, window && window->WindowType() == TWindowType::wt2D &&
                                !window->Document().DataSets.empty() && !SharedEvaluatorsLeased());
        Enable(FuncEditData, window && window->WindowType() == TWindowType::wt2D &&
                                 !window->Document().DataSets.empty());
    });
    QWidget* viewport = main.MdiArea()->viewport();
    viewport->setAcceptDrops(true);
    viewport->installEventFilter(this);
}

void TDataCommands::UpdateControls(const TCommandState& state) {
    Enable(FileImportData, !state.Busy);
    Enable(EditPasteData, !state.Busy);
    Enable(FuncFitData, state.Is2D && !state.Busy && !state.Window->Document().DataSets.empty());
    Enable(FuncEditData, state.Is2D && !state.Window->Document().DataSets.empty());
}

bool TDataCommands::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (!LocalFiles(drag->mimeData()).isEmpty()) {
            drag->acceptProposedAction();
            return true;
        }
    } else if (event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        const QStringList paths = LocalFiles(drop->mimeData());
        if (paths.isEmpty()) return QObject::eventFilter(watched, event);
        drop->acceptProposedAction();
        // The window the file landed on becomes the one the points go to.
        const QPoint at = drop->position().toPoint();
        for (QMdiSubWindow* sub : Main().MdiArea()->subWindowList(QMdiArea::StackingOrder))
            if (sub->geometry().contains(at)) Main().MdiArea()->setActiveSubWindow(sub);
        QStringList documents;
        for (const QString& path : paths)
            if (!IsDataFileName(path)) documents << path;
        // Answered after the drop has ended: the dialog's loop must not run
        // inside the drag's own.
        QMetaObject::invokeMethod(
            this,
            [this, paths, documents] {
                RunGuarded([&] {
                    // As the commands that open windows, nothing while a run
                    // holds the evaluators.
                    if (SharedEvaluatorsLeased()) return;
                    if (!documents.isEmpty()) Main().OpenDocuments(documents);
                    for (const QString& path : paths)
                        if (IsDataFileName(path)) ImportFile(path);
                });
            },
            Qt::QueuedConnection);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void TDataCommands::FileImportDataExecute() {
    TfrmImportData dialog(&Main());
    RunImport(dialog);
}

void TDataCommands::ImportFile(const QString& path) {
    if (SharedEvaluatorsLeased()) return;
    TfrmImportData dialog(&Main());
    if (dialog.LoadFile(path)) RunImport(dialog);
}

void TDataCommands::RunImport(TfrmImportData& dialog) {
    if (dialog.exec() != QDialog::Accepted || !dialog.Table()) return;
    AddDataSet(dialog.DataSet(), QStringLiteral("Import data"));
}

void TDataCommands::EditPasteDataExecute() {
    const QString text = QGuiApplication::clipboard()->text();
    TDataTable table;
    try {
        table = ReadDataText(text.toStdString());
    } catch (const Exception& e) {
        QMessageBox::warning(&Main(), ApplicationTitle(),
                             QStringLiteral("The clipboard holds no points: %1").arg(QString::fromStdString(e.what())));
        return;
    }
    TDataSet set;
    set.Name = "Pasted data";
    set.X = std::move(table.X);
    set.Y = std::move(table.Y);
    set.DY = std::move(table.DY);
    QString note = QStringLiteral("Pasted %1 points").arg(set.Count());
    if (table.SkippedCount > 0) note += QStringLiteral("; %1 lines skipped").arg(table.SkippedCount);
    if (!AddDataSet(std::move(set), QStringLiteral("Paste data"))) return;
    Main().SetStatusText(TMainStatusPanel::mspHint, note);
    Main().AddLogLine(note);
    for (const TSkippedLine& skipped : table.Skipped)
        Main().AddLogLine(QStringLiteral("  skipped ") + QString::fromStdString(DescribeSkippedLine(skipped)));
}

bool TDataCommands::AddDataSet(TDataSet set, const QString& step) {
    TfrmAbstractMDIChild* window = CurrentWindow();
    if (!window || window->WindowType() != TWindowType::wt2D) window = Main().NewGraphWindow2D();
    if (!window) return false;
    if (window->Document().DataSets.size() >= MaxDataSetCount) {
        QMessageBox::warning(&Main(), ApplicationTitle(),
                             QStringLiteral("A window holds at most %1 data sets.").arg(MaxDataSetCount));
        return false;
    }
    if (set.Name.empty()) set.Name = "Data " + std::to_string(window->Document().DataSets.size() + 1);
    TDocumentEdit edit(window->Owner(), step);
    // Points start in a colour no function has yet, as a new function does.
    set.Color = NewFunctionColor(edit.Document());
    edit.Document().DataSets.push_back(std::move(set));
    edit.Commit();
    Main().UpdateControls();
    return true;
}

TfrmDataTable* TDataCommands::DataTable() const { return FDataTable; }

void TDataCommands::FuncEditDataExecute() {
    // An open table keeps the set it shows.
    EditDataSet(FDataTable ? FDataTable->Model()->SetIndex() : 0);
}

void TDataCommands::EditDataSet(int set) {
    if (!FDataTable) FDataTable = new TfrmDataTable(&Main());
    FDataTable->show();
    FDataTable->raise();
    FDataTable->activateWindow();
    FDataTable->ShowDataSet(set);
}

void TDataCommands::FuncFitDataExecute() {
    const QPointer<TfrmAbstractMDIChild> window = CurrentWindow();
    if (!window || window->Document().DataSets.empty()) return;
    TfrmFit dialog(window, &Main());
    dialog.exec();
}

}  // namespace curvane

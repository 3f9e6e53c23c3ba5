// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/file_commands.h"

#include "gui/app/frm_main.h"
#include "gui/common/application.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/export/animation_export.h"
#include "gui/export/frm_print.h"
#include "gui/export/image_export.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPointer>
#include <QPrinter>

namespace curvane {

namespace {
constexpr TCommandUse cuEvaluators = TCommandUse::cuEvaluators;
}

TFileCommands::TFileCommands(TfrmMain& main)
    : TCommandGroup(main),
      // Opening or creating a window samples it; closing one destroys what a
      // run may be sampling: all of them wait for a running computation.
      FileNew2D(Add("FileNew2D", "New &2D window", "document-new", QKeySequence("Ctrl+N"),
                    &TFileCommands::FileNew2DExecute, cuEvaluators)),
      FileNew3D(Add("FileNew3D", "New &3D window", "", QKeySequence("Ctrl+Shift+N"), &TFileCommands::FileNew3DExecute,
                    cuEvaluators)),
      File_Open(Add("File_Open", "&Open", "document-open", QKeySequence("Ctrl+O"), &TFileCommands::File_OpenExecute,
                    cuEvaluators)),
      File_Save(Add("File_Save", "&Save", "document-save", QKeySequence("Ctrl+S"), &TFileCommands::File_SaveExecute)),
      File_SaveAs(Add("File_SaveAs", "Save &As...", "document-save-as", {}, &TFileCommands::File_SaveAsExecute)),
      FileClose(Add("FileClose", "&Close", "window-close", QKeySequence("Ctrl+F4"), &TFileCommands::FileCloseExecute,
                    cuEvaluators)),
      FileCloseAll(Add("FileCloseAll", "Close &All", "", {}, &TFileCommands::FileCloseAllExecute, cuEvaluators)),
      FileSaveImage(Add("FileSaveImage", "Save &image...", "", {}, &TFileCommands::FileSaveImageExecute)),
      FileImage2Clip(Add("FileImage2Clip", "Copy image...", "", {}, &TFileCommands::FileImage2ClipExecute)),
      FilePrint(Add("FilePrint", "&Print...", "document-print", QKeySequence("Ctrl+P"),
                    &TFileCommands::FilePrintExecute)),
      // Reads the shared evaluators to sample each frame.
      FileExportAnimation(Add("FileExportAnimation", "Export a&nimation...", "", {},
                              &TFileCommands::FileExportAnimationExecute, cuEvaluators)),
      FileClearMRU(AddPlain("FileClearMRU", "Clear &File List")),
      FileExit(Add("FileExit", "E&xit", "application-exit", QKeySequence("Alt+X"), &TFileCommands::FileExitExecute,
                   cuEvaluators)) {
    // Adding the first parameter or deleting the last one changes no other
    // command, so the main window does not update the commands for it.
    connect(&TGraphHub::Instance(), &TGraphHub::ActiveDocumentChanged, this, [this](const TDocumentChange& change) {
        if (change.Kind == TChangeKind::ckParameters) UpdateExportAnimation(CurrentWindow());
    });
}

void TFileCommands::UpdateControls(const TCommandState& state) {
    for (QAction* action : {File_Save, File_SaveAs, FilePrint, FileSaveImage, FileImage2Clip})
        Enable(action, state.Any);
    for (QAction* action : {FileClose, FileCloseAll}) Enable(action, state.Any && !state.Busy);
    UpdateExportAnimation(state.Busy ? nullptr : state.Window);
    for (QAction* action : {FileNew2D, FileNew3D, File_Open, FileExit}) Enable(action, !state.Busy);
}

void TFileCommands::FileNew2DExecute() { Main().NewGraphWindow2D(); }

void TFileCommands::FileNew3DExecute() { Main().NewGraphWindow3D(); }

void TFileCommands::File_OpenExecute() { Main().File_Open(); }

void TFileCommands::Save(bool saveAs) {
    if (TfrmAbstractMDIChild* window = CurrentWindow()) {
        FSaveSucceeded = false;
        FSaveSucceeded = SaveGraphWindow(*window, saveAs);
    }
}

void TFileCommands::File_SaveExecute() { Save(false); }

void TFileCommands::File_SaveAsExecute() { Save(true); }

void TFileCommands::FileSaveImageExecute() { SaveGraphImage(CurrentWindow(), &Main()); }

void TFileCommands::FileImage2ClipExecute() { CopyGraphImage(CurrentWindow()); }

void TFileCommands::FileCloseExecute() { Main().MdiArea()->closeActiveSubWindow(); }

void TFileCommands::FileCloseAllExecute() {
    const auto windows = Main().MdiArea()->subWindowList();
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) (*it)->close();
}

void TFileCommands::FilePrintExecute() {
    // Disabled without a graph window; a shortcut that slips through prints
    // nothing rather than an empty page.
    // The print dialog's loop may close the window: it is printed only if
    // it is still there when the dialog is answered.
    const QPointer<TfrmAbstractMDIChild> window = CurrentWindow();
    if (!window) return;
    QPrinter printer(QPrinter::HighResolution);
    if (!PreparePrinter(printer)) {
        QMessageBox::warning(&Main(), ApplicationTitle(),
                             QStringLiteral("No printers installed. Install the printer in the Control Panel."));
        return;
    }
    printer.setDocName(ShownTitle(*window));
    TfrmPrint dialog(printer, &Main());
    if (dialog.exec() != QDialog::Accepted || !window) return;
    if (PrintGraphWindow(*window, printer, PrintFitMode()) == TPrintOutcome::poPrinterFailed)
        QMessageBox::warning(&Main(), ApplicationTitle(),
                             QStringLiteral("The printer %1 could not be opened.").arg(Printers().Selected(printer)));
}

void TFileCommands::UpdateExportAnimation(TfrmAbstractMDIChild* window) {
    Enable(FileExportAnimation, window && !window->Document().Parameters.Empty());
}

void TFileCommands::FileExportAnimationExecute() { ExportGraphAnimation(CurrentWindow(), &Main()); }

void TFileCommands::FileExitExecute() {
    // Exit closes the frame like its close box does, so every document with
    // functions is asked about first instead of being dropped unsaved.
    Main().close();
}

}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/app/command_group.h"

namespace curvane {

// New, open, save and close documents, pictures and printing, and Exit.
class TFileCommands : public TCommandGroup {
    Q_OBJECT
public:
    explicit TFileCommands(TfrmMain& main);

    void UpdateControls(const TCommandState& state) override;

    // Result of the last File Save or File Save As.
    bool SaveSucceeded() const { return FSaveSucceeded; }

    QAction* const FileNew2D;
    QAction* const FileNew3D;
    QAction* const File_Open;
    QAction* const File_Save;
    QAction* const File_SaveAs;
    QAction* const FileClose;
    QAction* const FileCloseAll;
    QAction* const FileSaveImage;
    QAction* const FileImage2Clip;
    QAction* const FilePrint;
    // Enabled while the current window's document has parameters.
    QAction* const FileExportAnimation;
    // Connected by the recent-files menu, which also keeps its enabled state.
    QAction* const FileClearMRU;
    QAction* const FileExit;

private:
    void FileNew2DExecute();
    void FileNew3DExecute();
    void File_OpenExecute();
    void File_SaveExecute();
    void File_SaveAsExecute();
    void FileSaveImageExecute();
    void FileImage2ClipExecute();
    void FileCloseExecute();
    void FileCloseAllExecute();
    void FilePrintExecute();
    void FileExportAnimationExecute();
    void UpdateExportAnimation(TfrmAbstractMDIChild* window);
    void FileExitExecute();
    void Save(bool saveAs);

    bool FSaveSucceeded = false;
};

}  // namespace curvane

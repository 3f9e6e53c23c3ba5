// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <map>
#include <optional>
#include <string>

#include "core/settings/dock_state.h"
#include "core/settings/mru_files.h"
#include "core/settings/win_restorer.h"
#include "gui/dialogs/frm_func_explorer.h"
#include "gui/dialogs/frm_log_window.h"
#include "gui/dialogs/frm_parameters.h"

class QAction;
class QMainWindow;
class QMdiArea;
class QMenu;

namespace curvane {

class TMRUMenu;

// What the main window remembers between runs besides the settings: the
// recent files with their "Reopen" entries, its own placement, and the tool
// windows (function explorer, log window, parameters) with their dock-state
// records.
// The main window owns one, loads it at start-up and saves it at exit.
class TShellMemory : public QObject {
    Q_OBJECT
public:
    static constexpr const char* MRUSection = "MRUFiles";
    static constexpr const char* ExplorerSection = "Function explorer";
    static constexpr const char* LogSection = "Log window";
    static constexpr const char* ParametersSection = "Parameters panel";
    static constexpr std::uint8_t RecentFilesCapacity = 10;

    struct TCommands {
        QMenu* ReopenMenu = nullptr;      // holds ClearMRU; entries go below it
        QAction* ClearMRU = nullptr;      // "Clear &File List"
        QAction* ViewFuncExplorer = nullptr;
        QAction* ViewLog = nullptr;
        TFuncExplorerCommands Explorer;   // run by the explorer's pop-up menu
        QAction* ViewParameters = nullptr;
    };

    TShellMemory(QMainWindow& mainWindow, QMdiArea* mdiArea, const TCommands& commands);
    ~TShellMemory() override;

    TMRUFiles& RecentFiles() { return FRecentFiles; }
    const TWinRestorer& Restorer() const { return FRestorer; }
    TDockState& ExplorerState() { return FExplorerState; }
    TDockState& LogState() { return FLogState; }
    TfrmFuncExplorer* FuncExplorer() const { return FExplorer; }
    TfrmLogWindow* LogWindow() const { return FLogWindow; }
    TfrmParameters* Parameters() const { return FParameters; }

    // Start-up, after the settings: the recent files, then the main window's
    // placement, then the tool windows, each shown when it was at the last
    // exit.
    void Load(const TIniFile& ini);
    // Exit, after the settings: placement, recent files, then both dock
    // states, into the same file object.
    void Save(TIniFile& ini) const;
    // Load on the settings file itself. A file that cannot be read loads
    // nothing (the settings loader has already said why).
    void LoadFile(const std::string& path);

    // Screen positions of the floating tool forms (the display controller),
    // by form class name: kept here between showings, written at exit.
    std::optional<TWinPlacement> FormPosition(const std::string& className) const;
    void SetFormPosition(const std::string& className, const TWinPlacement& placement);

    void ShowFuncExplorer(bool show);
    void ShowLogWindow(bool show);
    void ShowParameters(bool show);

    // Appends a line to the log window when it is shown; otherwise the line
    // is dropped and leaves no trace.
    void AddLogLine(const QString& line);

    // What a click on a recent file does when the file is there (the main
    // window opens it as File Open does). A file that has gone away is
    // reported here and the user may drop it from the list.
    void SetOpenHandler(std::function<void(const QString&)> handler) { FOpenHandler = std::move(handler); }
    void OpenRecentFile(const QString& path);

private:
    template <class TPanel, class TMake>
    void ShowPanel(QPointer<TPanel>& panel, TDockState& state, QAction* action, bool show, TMake make);
    void SyncViewAction(QAction* action, bool checked);

    QMainWindow& FMainWindow;
    QPointer<QMdiArea> FMdiArea;
    TCommands FCommands;
    TMRUFiles FRecentFiles;
    TMRUMenu* FMRUMenu = nullptr;
    TWinRestorer FRestorer{{TRestoreAspect::raSize, TRestoreAspect::raLocation, TRestoreAspect::raState}};
    TDockState FExplorerState = DefaultFuncExplorerDockState();
    TDockState FLogState = DefaultLogWindowDockState();
    TDockState FParametersState = DefaultParametersDockState();
    std::map<std::string, TWinPlacement> FFormPositions;
    QPointer<TfrmFuncExplorer> FExplorer;
    QPointer<TfrmLogWindow> FLogWindow;
    QPointer<TfrmParameters> FParameters;
    std::function<void(const QString&)> FOpenHandler;
};

}  // namespace curvane

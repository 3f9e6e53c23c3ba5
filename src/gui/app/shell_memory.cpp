// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/shell_memory.h"

#include <QAction>
#include <QEvent>
#include <QFileInfo>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QMessageBox>
#include <QSignalBlocker>

#include "core/support/exceptions.h"
#include "core/support/ini_file.h"
#include "gui/common/application.h"
#include "gui/common/form_placement.h"
#include "gui/dialogs/frm_log_window.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/app/mru_menu.h"

namespace curvane {

namespace {

using enum TRestoreAspect;

// The floating tool forms whose position is remembered.
constexpr const char* ToolForms[] = {"TfrmView"};

// The restorer's keys start with the form's class name, without namespace.
std::string FormClassName(const QObject& form) {
    QString name = QString::fromLatin1(form.metaObject()->className());
    const qsizetype colon = name.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) name = name.mid(colon + 1);
    return name.toStdString();
}

// Runs once when the window is first shown. The program decides how to show
// its main window (maximised at start-up), and the stored placement must win
// over that, not the other way round; floating tool windows, too, should not
// appear before their main window does.
class TFirstShow : public QObject {
public:
    TFirstShow(QWidget& window, std::function<void()> action)
        : QObject(&window), FWindow(window), FAction(std::move(action)) {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &FWindow && event->type() == QEvent::Show && FAction) {
            FWindow.removeEventFilter(this);
            auto action = std::move(FAction);
            FAction = nullptr;
            deleteLater();
            action();
        }
        return false;
    }

private:
    QWidget& FWindow;
    std::function<void()> FAction;
};

}  // namespace

TShellMemory::TShellMemory(QMainWindow& mainWindow, QMdiArea* mdiArea, const TCommands& commands)
    : QObject(&mainWindow), FMainWindow(mainWindow), FMdiArea(mdiArea), FCommands(commands) {
    FRecentFiles.SetMaxEntries(RecentFilesCapacity);
    FMRUMenu = new TMRUMenu(FRecentFiles, FCommands.ReopenMenu, FCommands.ClearMRU, this);
    connect(FMRUMenu, &TMRUMenu::FileClicked, this, &TShellMemory::OpenRecentFile);

    // Opening a document, from any command, puts it on top of the list.
    connect(&TGraphHub::Instance(), &TGraphHub::DocumentOpened, this,
            [this](const QString& path) { FRecentFiles.Add(path.toStdString()); });

    if (FCommands.ViewFuncExplorer) {
        FCommands.ViewFuncExplorer->setCheckable(true);
        connect(FCommands.ViewFuncExplorer, &QAction::toggled, this, &TShellMemory::ShowFuncExplorer);
    }
    if (FCommands.ViewLog) {
        FCommands.ViewLog->setCheckable(true);
        connect(FCommands.ViewLog, &QAction::toggled, this, &TShellMemory::ShowLogWindow);
    }
    if (FCommands.ViewParameters) {
        FCommands.ViewParameters->setCheckable(true);
        connect(FCommands.ViewParameters, &QAction::toggled, this, &TShellMemory::ShowParameters);
    }
}

TShellMemory::~TShellMemory() {
    // The menu adapter goes first: it holds a callback into the list.
    delete FMRUMenu;
    FMRUMenu = nullptr;
}

void TShellMemory::Load(const TIniFile& ini) {
    FRecentFiles.Load(ini, MRUSection);

    TWinPlacement placement = PlacementOf(FMainWindow);
    FRestorer.Restore(ini, FormClassName(FMainWindow), {raDefault}, placement);

    FFormPositions.clear();
    for (const char* form : ToolForms) {
        // Only a stored position counts: without one the form goes where the
        // window system puts it.
        if (!ini.ValueExists(TWinRestorer::Section, std::string(form) + "_Left")) continue;
        TWinPlacement position;
        FRestorer.Restore(ini, form, {raLocation}, position);
        FFormPositions[form] = position;
    }
    LoadDockState(FExplorerState, ini, ExplorerSection);
    LoadDockState(FLogState, ini, LogSection);
    LoadDockState(FParametersState, ini, ParametersSection);
    SyncViewAction(FCommands.ViewFuncExplorer, FExplorerState.Visible);
    SyncViewAction(FCommands.ViewLog, FLogState.Visible);
    SyncViewAction(FCommands.ViewParameters, FParametersState.Visible);

    auto apply = [this, placement] {
        ApplyPlacement(FMainWindow, placement, FRestorer.Defaults());
        if (FExplorerState.Visible) ShowFuncExplorer(true);
        if (FLogState.Visible) ShowLogWindow(true);
        if (FParametersState.Visible) ShowParameters(true);
    };
    if (FMainWindow.isVisible())
        apply();
    else
        new TFirstShow(FMainWindow, apply);
}

void TShellMemory::Save(TIniFile& ini) const {
    FRestorer.Save(ini, FormClassName(FMainWindow), {raDefault}, PlacementOf(FMainWindow));
    FRecentFiles.Save(ini, MRUSection);
    for (const auto& [form, position] : FFormPositions) FRestorer.Save(ini, form, {raLocation}, position);
    SaveDockState(FExplorerState, ini, ExplorerSection);
    SaveDockState(FLogState, ini, LogSection);
    SaveDockState(FParametersState, ini, ParametersSection);
}

std::optional<TWinPlacement> TShellMemory::FormPosition(const std::string& className) const {
    const auto found = FFormPositions.find(className);
    if (found == FFormPositions.end()) return std::nullopt;
    return found->second;
}

void TShellMemory::SetFormPosition(const std::string& className, const TWinPlacement& placement) {
    FFormPositions[className] = placement;
}

void TShellMemory::LoadFile(const std::string& path) {
    try {
        Load(TIniFile(path));
    } catch (const EFileError&) {
        Load(TIniFile::FromText(""));
    }
}

void TShellMemory::SyncViewAction(QAction* action, bool checked) {
    if (!action) return;
    const QSignalBlocker block(action);
    action->setChecked(checked);
}

// One of the dockable panels shown or hidden from its View command. Closing
// marks the record hidden and deletes the panel later; it is forgotten at
// once so that showing it again builds a new one.
template <class TPanel, class TMake>
void TShellMemory::ShowPanel(QPointer<TPanel>& panel, TDockState& state, QAction* action, bool show, TMake make) {
    if (!show) {
        if (auto* shown = panel.data()) {
            panel = nullptr;
            shown->close();
        }
        state.Visible = false;
        SyncViewAction(action, false);
        return;
    }
    SyncViewAction(action, true);
    if (panel) {
        panel->raise();
        return;
    }
    panel = make();
    connect(panel, &TfrmDockable::Closed, this, [this, &panel, action] {
        panel = nullptr;
        SyncViewAction(action, false);
    });
    panel->ShowFromRecord();
}

void TShellMemory::ShowFuncExplorer(bool show) {
    ShowPanel(FExplorer, FExplorerState, FCommands.ViewFuncExplorer, show,
              [this] { return new TfrmFuncExplorer(FExplorerState, &FMainWindow, FCommands.Explorer); });
}

void TShellMemory::ShowLogWindow(bool show) {
    ShowPanel(FLogWindow, FLogState, FCommands.ViewLog, show,
              [this] { return new TfrmLogWindow(FLogState, &FMainWindow); });
}

void TShellMemory::ShowParameters(bool show) {
    ShowPanel(FParameters, FParametersState, FCommands.ViewParameters, show,
              [this] { return new TfrmParameters(FParametersState, &FMainWindow); });
}

void TShellMemory::AddLogLine(const QString& line) {
    if (FLogWindow && FLogWindow->isVisible()) FLogWindow->AddLine(line);
}

void TShellMemory::OpenRecentFile(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        const auto answer = QMessageBox::question(
            &FMainWindow, ApplicationTitle(),
            QStringLiteral("The file %1 cannot be found.\n\nRemove it from the list of recent files?").arg(path),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        if (answer == QMessageBox::Yes) FRecentFiles.Remove(path.toStdString());
        return;
    }
    if (FOpenHandler) FOpenHandler(path);
}

}  // namespace curvane

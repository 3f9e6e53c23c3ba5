// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <cstdint>

#include "gui/common/shell.h"
#include "gui/document/status_panel.h"

class QLabel;
class QLineEdit;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class QToolButton;

namespace curvane {

class TCalculusCommands;
class TDataCommands;
class TColorBox;
class TParameterOffer;
class TCommandGroup;
class TEditCommands;
class TFileCommands;
class TFunctionCommands;
class THelpCommands;
class TView2DCommands;
class TView3DCommands;
class TWindowCommands;
struct TCommandState;
class TFuncCombo;
class TWidthCombo;
class TFormulaSnippetMenu;
class TfrmAbstractMDIChild;
class TShellMemory;
class TRecoveryKeeper;

// What the message line under the function box says: a formula refused, or
// a hint about a formula that was accepted.
enum class TFuncMessage : std::uint8_t { fmError, fmHint };

// The MDI frame: menus, the four tool bars, the function bar and the status
// bar. The commands live in their feature's group (file, function, 2D view,
// 3D view, calculus, window, help), which owns its actions and its part of
// UpdateControls; the frame places them. Commands look up the current graph
// window at each call (the active MDI child) and never keep one.
class TfrmMain : public QMainWindow, public TShell {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    QMdiArea* MdiArea() const { return FMdiArea; }

    // -- the commands, by feature --
    TFileCommands& FileCommands() const { return *FFileCommands; }
    TEditCommands& EditCommands() const { return *FEditCommands; }
    TFunctionCommands& FunctionCommands() const { return *FFunctionCommands; }
    TView2DCommands& View2DCommands() const { return *FView2DCommands; }
    TView3DCommands& View3DCommands() const { return *FView3DCommands; }
    TCalculusCommands& CalculusCommands() const { return *FCalculusCommands; }
    TWindowCommands& WindowCommands() const { return *FWindowCommands; }
    THelpCommands& HelpCommands() const { return *FHelpCommands; }
    TDataCommands& DataCommands() const { return *FDataCommands; }

    // -- state the commands share --
    bool Autoredraw() const;
    void SetAutoredraw(bool value);

    // -- function bar and command states --
    void UpdateControls();
    void PostUpdateControls();
    // The function bar from the current window's document: the list of
    // functions again (fuList), or only which one is active (fuSelection).
    enum class TFuncBarUpdate : std::uint8_t { fuSelection, fuList };
    void UpdateFuncBar(TFuncBarUpdate update);
    void FillFuncCombo();
    // Colour, width, Derivated and FuncVisible from the active function.
    void UpdateFuncDependentControls();
    // Puts FuncActive of the current window into the function combo.
    void SelectFuncActiveInCombo();
    // The Expression texts of the current window's functions, in list order.
    QStringList FunctionExpressions() const;

    // -- the formula snippet menu, shared with the properties dialog --
    TFormulaSnippetMenu* SnippetMenu() const { return FSnippetMenu; }

    // -- places other parts of the program plug into --
    // The settings file: CURVANE_SETTINGS when set (tests, portable set-ups),
    // else beside the program or in the user's config folder. The recent
    // files, the window placement and the tool windows share it.
    static QString SettingsFile();
    QMenu* FileMenu() const { return FFileMenu; }
    QMenu* ReopenMenu() const { return FReopenMenu; }  // recent files, with "Clear &File List" last
    QMenu* ViewMenu() const { return FViewMenu; }
    // Recent files, window placement, function explorer and log window.
    TShellMemory* Memory() const { return FMemory; }
    // Appends a line to the log window when it is shown; otherwise the line
    // is dropped.
    void AddLogLine(const QString& line) override;
    QToolButton* OpenButton() const { return FOpenButton; }
    // Recovery copies of the modified windows, and the offer at start.
    TRecoveryKeeper* Recovery() const { return FRecovery; }
    // Ends the program as at the end of a desktop session (SIGTERM): no
    // questions, the loops of open dialogs and the main loop left with status
    // 0, running computations stopped, and the unsaved documents kept as
    // recovery copies for the next start to offer, as after a crash.
    void EndSession();

    // The status bar's state ("Ready"/"Working") and hint panels.
    QString StatusText(TMainStatusPanel panel) const;
    void SetStatusText(TMainStatusPanel panel, const QString& text);

    // -- window commands, also used by the command line --
    // Opens each document in a window of its own; problems with one file are
    // reported in a message box and the next file is still opened.
    void OpenDocuments(const QStringList& paths);
    TfrmAbstractMDIChild* NewGraphWindow2D();
    TfrmAbstractMDIChild* NewGraphWindow3D();
    // The File Open command: the open dialog, then OpenDocuments.
    void File_Open();

    TFuncCombo* FuncCombo() const { return edtFunc; }
    // The message line under the function box; "" hides it.
    void ShowFuncMessage(const QString& text, TFuncMessage kind = TFuncMessage::fmError);
    // Under the message line: the offer to make a formula's unknown names
    // parameters. Hidden with the message.
    TParameterOffer* ParameterOffer() const { return FParameterOffer; }
    TWidthCombo* WidthCombo() const { return cbxGraphicWidth; }
    TColorBox* ColorBox() const { return btnFuncColor; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void CreateCommands();
    void CreateMenus();
    void CreateToolBars();
    void CreateFuncBar();
    void CreateStatusBar();
    void CreateBlankHint();
    void ConnectGraphHub();
    // Start-up and shutdown in their fixed order. The settings, the recent
    // files, the window placement and the tool windows are loaded and saved
    // here and nowhere else.
    void RunStartup();
    void RunShutdown();
    void RebuildSnippetMenuForOrtho();
    void LoadSettings();
    void SaveSettings();
    bool SaveSettingsOnExit() const;

    void PlaceNewWindow(QMdiSubWindow* sub);
    TfrmAbstractMDIChild* AddNewGraphWindow(TfrmAbstractMDIChild* window);
    void OnWindowActivated(TfrmAbstractMDIChild* window);
    void OnFormulaEditRequested(const QString& expression);
    TCommandState CommandState() const;

    // Function bar reactions.
    void FuncComboChanged(int index);
    void WidthChanged(int index);
    void ColorChanged(std::int32_t color);

    QMdiArea* FMdiArea = nullptr;
    TShellMemory* FMemory = nullptr;
    TRecoveryKeeper* FRecovery = nullptr;
    TFileCommands* FFileCommands = nullptr;
    TEditCommands* FEditCommands = nullptr;
    TFunctionCommands* FFunctionCommands = nullptr;
    TView2DCommands* FView2DCommands = nullptr;
    TView3DCommands* FView3DCommands = nullptr;
    TCalculusCommands* FCalculusCommands = nullptr;
    TWindowCommands* FWindowCommands = nullptr;
    THelpCommands* FHelpCommands = nullptr;
    TDataCommands* FDataCommands = nullptr;
    QList<TCommandGroup*> FCommandGroups;

    QMenu* FFileMenu = nullptr;
    QMenu* FReopenMenu = nullptr;
    QMenu* FViewMenu = nullptr;
    QMenu* FWindowMenu = nullptr;
    QToolButton* FOpenButton = nullptr;

    QToolBar* barMain = nullptr;
    QToolBar* barFuncParam = nullptr;
    QToolBar* bar2D = nullptr;
    QToolBar* bar3D = nullptr;
    TFuncCombo* edtFunc = nullptr;
    QLabel* lblFuncMessage = nullptr;
    TParameterOffer* FParameterOffer = nullptr;
    TFuncMessage FFuncMessageKind = TFuncMessage::fmError;
    // The first steps, shown on the empty MDI area while no window is open.
    QLabel* lblBlankHint = nullptr;
    TWidthCombo* cbxGraphicWidth = nullptr;
    TColorBox* btnFuncColor = nullptr;
    TFormulaSnippetMenu* FSnippetMenu = nullptr;

    QLabel* FStatusPanels[3] = {};

    bool FUpdatePosted = false;
    bool FShutdownDone = false;
    bool FSessionEnding = false;
};

}  // namespace curvane

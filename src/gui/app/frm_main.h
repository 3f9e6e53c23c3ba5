#pragma once

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <cstdint>

class QAction;
class QActionGroup;
class QLabel;
class QLineEdit;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class QToolButton;

namespace curvane {

class TColorBox;
class TFuncCombo;
class TWidthCombo;
class TFormulaSnippetMenu;
class TfrmAbstractMDIChild;
class TShellMemory;

// The MDI frame: menus, the four tool bars, the function bar, the status bar,
// and every command. Commands look up the current graph window at each call
// (the active MDI child) and never keep one.
class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The one main window while it exists, else null (tests may create and
    // destroy several in turn; the command-line renderer has none).
    static TfrmMain* Instance();

    QMdiArea* MdiArea() const { return FMdiArea; }

    // A command by its name ("FileNew2D", "FuncAdd", "actDisGrid", ...);
    // null for an unknown name.
    QAction* Action(const QString& name) const;

    // -- state the commands share --
    bool Autoredraw() const;
    void SetAutoredraw(bool value);
    // Result of the last save (File Save, File Save As).
    bool SaveSucceeded() const { return FSaveSucceeded; }

    // -- function bar and command states --
    void UpdateControls();
    void PostUpdateControls();
    void UpdateFuncBar(bool rebuildList);
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
    // Commands whose features are not built yet are shown but disabled; a
    // part that connects one (recent files, tool windows, ...) makes it
    // available here, and from then on UpdateControls enables it as usual.
    void MakeAvailable(const QString& name);
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
    void AddLogLine(const QString& line);
    QToolButton* OpenButton() const { return FOpenButton; }

    // Status bar panel 0 ("Ready"/"Working") and panel 2 (long hints).
    QString StatusText(int panel) const;
    void SetStatusText(int panel, const QString& text);

    // -- window commands, also used by the command line --
    // Opens each document in a window of its own; problems with one file are
    // reported in a message box and the next file is still opened.
    void OpenDocuments(const QStringList& paths);
    TfrmAbstractMDIChild* NewGraphWindow2D();

    TFuncCombo* FuncCombo() const { return edtFunc; }
    TWidthCombo* WidthCombo() const { return cbxGraphicWidth; }
    TColorBox* ColorBox() const { return btnFuncColor; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBars();
    void CreateFuncBar();
    void CreateStatusBar();
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

    QAction* AddAction(const QString& name, const QString& caption, const QString& themeIcon,
                       const QKeySequence& shortcut, void (TfrmMain::*command)());
    void SetUnavailable(const QStringList& names);
    void EnableAction(const QString& name, bool enabled);
    void SetComboEnabled(QWidget* combo, bool enabled);
    void PlaceNewWindow(QMdiSubWindow* sub);
    void CheckMouseModeOf(TfrmAbstractMDIChild* window);
    void OnWindowActivated(TfrmAbstractMDIChild* window);
    void OnFormulaEditRequested(const QString& expression);

    // Commands.
    void FileNew2D();
    void File_Open();
    void File_Save();
    void File_SaveAs();
    void FileClose();
    void FileCloseAll();
    void FileExit();
    void FuncSet();
    void FuncUpdate();
    void FuncAdd();
    void FuncDelete();
    void FuncDraw();
    void FuncProperties();
    void FuncDerivate();
    void FuncAddCopy();
    void FuncAddDeriv();
    void FuncVisible();
    void MouseModeCommand();
    void actDisUniform();
    void actDisGrid();
    void actDisLabels();
    void actDisPoints();
    void actDisAutoredraw();
    void actDisResetScales();
    void actDisDefault();
    void WindowCascade1();
    void WindowTileHorizontal1();
    void WindowTileVertical1();
    void WindowMinimizeAll1();
    void WindowArrangeAll1();
    void btnOrthoClick();
    void btnPolarClick();

    // Function bar reactions.
    void FuncComboChanged(int index);
    void WidthChanged(int index);
    void ColorChanged(std::int32_t color);
    void SetCoordinateSystem(int funcType);

    // Asks the properties dialog to edit function `index` of the current
    // window; true when it closed with OK.
    bool RunPropertiesDialog(int index);

    QMdiArea* FMdiArea = nullptr;
    TShellMemory* FMemory = nullptr;
    QHash<QString, QAction*> FActions;
    QActionGroup* FModeGroup = nullptr;
    QAction* FCheckedMode = nullptr;
    QStringList FUnavailable;

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
    TWidthCombo* cbxGraphicWidth = nullptr;
    TColorBox* btnFuncColor = nullptr;
    QAction* btnOrtho = nullptr;
    QAction* btnPolar = nullptr;
    TFormulaSnippetMenu* FSnippetMenu = nullptr;

    QLabel* FStatusPanels[3] = {};

    bool FListChoice = false;
    bool FSaveSucceeded = false;
    bool FUpdatePosted = false;
    bool FShutdownDone = false;
};

}  // namespace curvane

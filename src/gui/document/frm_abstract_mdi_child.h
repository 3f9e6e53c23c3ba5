// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

#include "core/document/graph_document.h"
#include "gui/document/status_panel.h"

class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QStatusBar;
class QTimer;
class QUndoStack;
class QVBoxLayout;

namespace curvane {

class TFuncItem;
class TFuncList;
struct TDocumentContent;
class TIniFile;
class TFormulaSnippetMenu;
class TfrmAbstractMDIChild;

// The graph windows' side of the conversation with the frame that holds them.
// Windows never include the main window: they raise these signals and read the
// Autoredraw switch from here, so a window also works on its own (tests, the
// command-line renderer). The main window connects once at start-up.
class TGraphHub : public QObject {
    Q_OBJECT
public:
    static TGraphHub& Instance();

    // The main window's "Autoredraw" switch, initially on; the main window
    // keeps it in step with its command's check.
    bool Autoredraw() const { return FAutoredraw; }
    void SetAutoredraw(bool value) { FAutoredraw = value; }

    // The formula snippet menu the main window shares with the dialogs that
    // edit formulas (null without a main window: a dialog then builds its
    // own). The menu is not owned here.
    TFormulaSnippetMenu* SnippetMenu() const;
    void SetSnippetMenu(TFormulaSnippetMenu* menu);

    // Posts UpdateControlsRequested through the event queue, so a window that
    // is still being built or torn down is never asked about its state.
    void PostUpdateControls();

signals:
    // Refresh tool bars and command states (the queued "update" message).
    void UpdateControlsRequested();
    // Refresh the function bar; rebuildList also rebuilds the function combo.
    void FuncBarRefreshRequested(bool rebuildList);
    // A window became the current graph window; the frame checks its commands
    // from the window's state (mouse mode, grid, labels, uniform scale).
    void WindowActivated(curvane::TfrmAbstractMDIChild* window);
    // Text for a panel of the main status bar ("Working", "Ready"); the
    // receiver repaints the panel at once, since sampling blocks the loop.
    void StatusTextRequested(curvane::TMainStatusPanel panel, const QString& text);
    // A formula failed to compile: show it in the formula box and focus it.
    void FormulaEditRequested(const QString& expression);
    // A document was opened from a file (for the recent-files list).
    void DocumentOpened(const QString& path);
    // The view of a 2D window changed (the view dialog refreshes its numbers).
    void ViewChanged(curvane::TfrmAbstractMDIChild* window);
    // The last graph window of a kind is going away.
    void LastWindowClosed(curvane::TWindowType windowType);
    // AddGraphWindow put a window into an MDI area (it may still be empty).
    void GraphWindowAdded(curvane::TfrmAbstractMDIChild* window);

private:
    TGraphHub() = default;
    bool FAutoredraw = true;
    QPointer<TFormulaSnippetMenu> FSnippetMenu;
};

// Held by a window for one run that uses the shared evaluators: the frame
// refreshes its commands when the run starts (they are disabled while the
// evaluators are held) and again when it ends, also by an exception.
class TComputationNotice {
public:
    TComputationNotice() { TGraphHub::Instance().PostUpdateControls(); }
    ~TComputationNotice() { TGraphHub::Instance().PostUpdateControls(); }
    TComputationNotice(const TComputationNotice&) = delete;
    TComputationNotice& operator=(const TComputationNotice&) = delete;
};

// The graph window commands, dialogs and tools work on (null when none). It
// follows activation; a window that is destroyed is forgotten automatically.
TfrmAbstractMDIChild* CurrentGraphWindow();
void SetCurrentGraphWindow(TfrmAbstractMDIChild* window);
// The graph window of the active sub-window of an MDI area (null when none).
// Commands should use this at each call rather than keep a window.
TfrmAbstractMDIChild* CurrentGraphWindow(QMdiArea* area);

// A window's title as its title bar shows it: the "[*]" placeholder becomes
// "*" while the window is marked modified and disappears otherwise (for the
// Window menu, the printer's document name).
QString ShownTitle(const QWidget& window);

// Base of every graph document window: a widget shown inside a QMdiSubWindow,
// owning the function list, the file path and the active function.
class TfrmAbstractMDIChild : public QWidget {
    Q_OBJECT
public:
    ~TfrmAbstractMDIChild() override;

    TWindowType WindowType() const { return FWindowType; }
    const QString& FileName() const { return FFileName; }
    void SetFileName(const QString& path) { FFileName = path; }

    TFuncList& Functions() { return *FFunctions; }
    const TFuncList& Functions() const { return *FFunctions; }
    int FuncCount() const;
    // The function at index, or null outside 0..count-1.
    TFuncItem* Func(int index) const;
    // Index of the active function, -1 for none. Read from files unchecked,
    // so users check it against the list (ActiveFunc does).
    int FuncActive() const { return FFuncActive; }
    void SetFuncActive(int index) { FFuncActive = index; }
    TFuncItem* ActiveFunc() const { return Func(FFuncActive); }

    // The window's own status bar: five panels (seven in a 3D window), the
    // odd ones raised separators.
    QStatusBar* StatusBar() const { return FStatusBar; }
    void SetStatusPanel(TStatusPanel panel, const QString& text);
    QString StatusPanel(TStatusPanel panel) const;

    // The sub-window frame this window is shown in, if any.
    QMdiSubWindow* SubWindow() const;

    // -- operations shared by 2D and 3D windows --
    virtual void Activated();
    virtual void UpdateCaption();
    virtual void SetActiveExpression(const QString& text);
    virtual void AddFunction(const QString& text);
    virtual void DeleteFunction(int index);
    virtual void MoveFunction(int from, int to);
    virtual void Recalculate(bool onlyActive) = 0;
    virtual void Redraw() = 0;
    virtual std::int32_t GetFuncColor(int index) const = 0;
    virtual void SetFuncColor(int index, std::int32_t color) = 0;
    virtual void SetFuncWidth(int index, std::int32_t width) = 0;
    virtual std::int32_t GetFuncWidth(int index) const = 0;
    virtual void SaveToIni(TIniFile& ini);
    virtual void LoadFromIni(TIniFile& ini);

    // Writes the document to path (SaveToIni on the file). Raises EFileError
    // "Unable to write to %s" and keeps FileName and caption when it fails.
    void SaveToFile(const QString& path);
    // Reads the document from path (LoadFromIni); FileName is not changed.
    void LoadFromFile(const QString& path);

    // The window's undo history: every change to the document is pushed here
    // as one step per user action (at most 1,000 are kept). The document has
    // unsaved changes exactly when the stack is not at its clean index, which
    // a save or a load sets.
    QUndoStack* UndoStack() const { return FUndoStack; }
    bool IsModified() const;

    // The content an undo step keeps (TDocumentEdit takes it before and after
    // an action). Descendants add their display switches.
    virtual void GetContent(TDocumentContent& content) const;
    // Puts a step's content back and shows it: the caption, the function bar,
    // a new picture. Changed functions (or a changed scale) are sampled from
    // the event loop rather than here, inside the undo stack's call, where a
    // question or an error of the sampling has no business.
    void RestoreContent(const TDocumentContent& content);

    // Samples every function once control is back in the event loop (and the
    // shared evaluators are free).
    void PostRecalculate();

    // Runs the activation steps: becomes CurrentGraphWindow (when it is not
    // already), Activated, and posts the update request.
    void HandleActivation();

    // The close question; true when the window may close. Asked only when
    // the document has unsaved changes.
    bool CloseQuery();

    // A Recalculate asked for while another computation holds the shared
    // evaluators (from the event loop of a message box it shows) waits and
    // runs once they are free: true while one waits.
    bool RecalculatePostponed() const { return FPostponed != TPostponed::ppNone; }

signals:
    // The stored document changed: an edit was pushed, undone or redone.
    // Camera moves, pans and zooms are not edits and do not raise it.
    void DocumentChanged();

protected:
    TfrmAbstractMDIChild(TWindowType windowType, QWidget* parent = nullptr);

    // Called first by Recalculate. While the shared evaluators are held, the
    // run is postponed (an all-functions run covers an active-only one) and
    // true tells the caller to return; otherwise a postponed run this one
    // covers is dropped and false lets the caller go on.
    bool PostponeWhileLeased(bool onlyActive);

    // A record was appended by LoadFromIni at index; the descendant adds the
    // drawing object that belongs to it.
    virtual void FunctionLoaded(int index) { Q_UNUSED(index); }

    // Sets the content without showing it (RestoreContent shows it). The base
    // sets the functions, their colours and widths, and the active function.
    virtual void SetContent(const TDocumentContent& content);

    // The area above the status bar where the descendant puts its view.
    QVBoxLayout* ClientLayout() const { return FClientLayout; }

    void closeEvent(QCloseEvent* event) override;

private:
    enum class TPostponed { ppNone, ppActive, ppAll };
    void RunPostponed();
    void ShowModified();

    TWindowType FWindowType;
    QString FFileName;
    std::unique_ptr<TFuncList> FFunctions;
    int FFuncActive = -1;
    int FSerial;
    QStatusBar* FStatusBar = nullptr;
    QLabel* FPanels[7] = {};
    int FPanelCount = 5;
    QVBoxLayout* FClientLayout = nullptr;
    TPostponed FPostponed = TPostponed::ppNone;
    QTimer* FRetry = nullptr;
    QUndoStack* FUndoStack = nullptr;
};

// Creates the window class a "Window type" names, so that opening needs no
// knowledge of the classes. RegisterGraphWindowClasses (gui/app) registers
// every class; a type without a class cannot be opened.
using TGraphWindowFactory = std::function<TfrmAbstractMDIChild*()>;
void RegisterGraphWindowClass(TWindowType windowType, TGraphWindowFactory factory);

// Puts a new graph window into an MDI area in its own sub-window, wires its
// activation, and shows it. Returns the sub-window.
QMdiSubWindow* AddGraphWindow(QMdiArea* area, TfrmAbstractMDIChild* window);

// Opens a document in a new window of the type it stores. When a window of the
// area already shows this exact path it is brought to the front and returned
// instead. A missing or unreadable file, or a window type no class is
// registered for, raises EFileError with a message naming the file, and no
// window is created.
//
// `place` gives a new window its place in the area before the document is
// loaded, so that the stored view is applied, and the functions sampled, at
// the size the window keeps. With `sample` false the caller samples
// (Recalculate(false), then UpdateCaption): several documents are tiled
// first, so that each is sampled once. Errors of the sampling propagate; the
// window then stays, with the faulty function active.
using TPlaceGraphWindow = std::function<void(QMdiSubWindow* sub)>;
TfrmAbstractMDIChild* OpenGraphDocument(QMdiArea* area, const QString& path, const TPlaceGraphWindow& place = {},
                                        bool sample = true);
// True while OpenGraphDocument runs: it lets timers and posted calls through
// while the new window settles, and those must not open documents of their own.
bool GraphDocumentOpening();

// The same for a file that is a copy and not the user's document (a recovery
// copy): it does not join the recent files, and a window already showing the
// path is not reused.
TfrmAbstractMDIChild* OpenGraphDocumentCopy(QMdiArea* area, const QString& path, const TPlaceGraphWindow& place = {},
                                            bool sample = true);

// Asks for the path a document is saved under; an empty result means the user
// cancelled. The default runs the save dialog ("Function definitions
// (*.gfx)", default extension gfx, asking before overwriting). Tests and
// scripted runs install their own; an empty function restores the default.
using TSaveFileChooser = std::function<QString(QWidget* parent, const QString& currentPath)>;
void SetSaveFileChooser(TSaveFileChooser chooser);

// Saves one window as File Save (saveAs false) or File Save As does. Returns
// whether the save went through: true also for a window without functions
// (after "No functions available. Save is unavailable."), false when the user
// cancels the file dialog. Write errors propagate as EFileError.
bool SaveGraphWindow(TfrmAbstractMDIChild& window, bool saveAs);

}  // namespace curvane

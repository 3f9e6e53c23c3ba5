// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

#include "core/document/document_change.h"
#include "core/document/graph_document.h"
#include "gui/document/document_owner.h"
#include "gui/document/status_panel.h"

class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QPainter;
class QStatusBar;
class QTimer;
class QUndoStack;
class QVBoxLayout;

namespace curvane {

class TFuncItem;
class TFuncList;
class TFormulaSnippetMenu;
class TfrmAbstractMDIChild;
struct TViewBox;
enum class TViewValue : std::uint8_t;
struct TWindowLook;

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
    // The document of the current graph window changed, or another window
    // became the current one (ckDocument). Everything that shows the active
    // document (the function bar, the explorer, the display controller, the
    // ticker, the tools' function lists) follows this one signal.
    void ActiveDocumentChanged(const curvane::TDocumentChange& change);
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
// The hub relays the current window's document changes (ActiveDocumentChanged).
TfrmAbstractMDIChild* CurrentGraphWindow();
void SetCurrentGraphWindow(TfrmAbstractMDIChild* window);
// The graph window of the active sub-window of an MDI area (null when none).
// Commands should use this at each call rather than keep a window.
TfrmAbstractMDIChild* CurrentGraphWindow(QMdiArea* area);

// A window's title as its title bar shows it: the "[*]" placeholder becomes
// "*" while the window is marked modified and disappears otherwise (for the
// Window menu, the printer's document name).
QString ShownTitle(const QWidget& window);

// How much a sampling run covers: the active function, or every function.
enum class TRecalc : std::uint8_t { rcActive, rcAll };

// Base of every graph document window: a widget shown inside a QMdiSubWindow,
// showing the document its TDocumentOwner holds. Commands change the document
// through the owner (TDocumentEdit); the window follows its Changed signal.
class TfrmAbstractMDIChild : public QWidget {
    Q_OBJECT
public:
    ~TfrmAbstractMDIChild() override;

    TWindowType WindowType() const { return FWindowType; }

    // The document and its owner, which lives as long as the window.
    TDocumentOwner* Owner() const { return FOwner; }
    const TGraphDocument& Document() const;
    const QString& FileName() const;
    void SetFileName(const QString& path);

    const TFuncList& Functions() const;
    int FuncCount() const;
    // The function at index, or null outside 0..count-1.
    const TFuncItem* Func(int index) const;
    // Index of the active function, -1 for none. Read from files unchecked,
    // so users check it against the list (ActiveFunc does).
    int FuncActive() const;
    void SetFuncActive(int index);
    const TFuncItem* ActiveFunc() const { return Func(FuncActive()); }

    // The window's own status bar: five panels (nine in a 3D window), the
    // odd ones raised separators.
    QStatusBar* StatusBar() const { return FStatusBar; }
    void SetStatusPanel(TStatusPanel panel, const QString& text);
    QString StatusPanel(TStatusPanel panel) const;

    // The sub-window frame this window is shown in, if any.
    QMdiSubWindow* SubWindow() const;

    // -- operations shared by 2D and 3D windows --
    virtual void Activated();
    virtual void UpdateCaption();
    virtual void Recalculate(TRecalc scope) = 0;
    virtual void Redraw() = 0;

    // -- what a feature asks any graph window --
    // Pictures, pages, the display controller and the Options dialog ask the
    // window rather than its class.

    // The picture the window shows, pixel for pixel (a HiDPI picture keeps
    // its device pixel ratio); a null image when it has none.
    virtual QImage Picture() const = 0;
    // Whether Picture would give one, without drawing it.
    virtual bool HasPicture() const = 0;
    // The picture's size in the window's pixels (not device pixels); empty
    // when there is none.
    virtual QSize PictureSize() const = 0;
    // Whether the picture can be painted as vectors (curves as paths, texts
    // as text) by PaintVectors: such a window is offered as SVG and PDF and
    // prints sharp at any scale; the others print their pixels stretched.
    virtual bool HasVectors() const { return false; }
    // Paints the picture as vectors at PictureSize in the painter's
    // coordinates; a window without vectors paints nothing.
    virtual void PaintVectors(QPainter& painter) const { Q_UNUSED(painter); }
    // The view as the display controller shows it, and one of its numbers
    // changed as typed there (shown at once; a value the window has no use
    // for, such as z in a 2D window, is ignored).
    virtual TViewBox ViewBox() const = 0;
    virtual void SetViewValue(TViewValue which, double value) = 0;
    // Takes this kind's part of the look the Options dialog applies.
    virtual void ApplyLook(const TWindowLook& look) = 0;

    // The owner's undo history and whether the document has unsaved changes.
    QUndoStack* UndoStack() const;
    bool IsModified() const;

    // Reads the document from path into this window; FileName is not changed.
    void LoadFromFile(const QString& path);

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

protected:
    TfrmAbstractMDIChild(TWindowType windowType, QWidget* parent = nullptr);

    // Called first by Recalculate. While the shared evaluators are held, the
    // run is postponed (an all-functions run covers an active-only one) and
    // true tells the caller to return; otherwise a postponed run this one
    // covers is dropped and false lets the caller go on.
    bool PostponeWhileLeased(TRecalc scope);

    // The document changed: the descendant brings its plot in line and says
    // what the picture needs (the base has updated the caption, and paints or
    // samples as the need and the origin say).
    virtual TPlotNeed FollowDocument(const TDocumentChange& change, TChangeOrigin origin) = 0;
    // Samples what an edit changed (pnSampleOne or pnSampleAll).
    virtual void SampleChange(const TDocumentChange& change, TPlotNeed need) = 0;

    // The area above the status bar where the descendant puts its view.
    QVBoxLayout* ClientLayout() const { return FClientLayout; }

    void closeEvent(QCloseEvent* event) override;

private:
    enum class TPostponed { ppNone, ppActive, ppAll };
    void RunPostponed();
    void DocumentChanged(const TDocumentChange& change, TChangeOrigin origin);

    TWindowType FWindowType;
    TDocumentOwner* FOwner = nullptr;
    int FSerial;
    QStatusBar* FStatusBar = nullptr;
    QLabel* FPanels[9] = {};
    int FPanelCount = 5;
    QVBoxLayout* FClientLayout = nullptr;
    TPostponed FPostponed = TPostponed::ppNone;
    QTimer* FRetry = nullptr;
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
// instead. A missing or unreadable file, a file that is not a document (no
// "Global" section), or a window type no class is registered for, raises
// EFileError with a message naming the file, and no window is created.
//
// `place` gives a new window its place in the area before the document is
// loaded, so that the stored view is applied, and the functions sampled, at
// the size the window keeps. With TOpenSampling::osByCaller the caller samples
// (Recalculate(TRecalc::rcAll), then UpdateCaption): several documents are tiled
// first, so that each is sampled once. Errors of the sampling propagate; the
// window then stays, with the faulty function active.
using TPlaceGraphWindow = std::function<void(QMdiSubWindow* sub)>;
enum class TOpenSampling : std::uint8_t { osNow, osByCaller };
TfrmAbstractMDIChild* OpenGraphDocument(QMdiArea* area, const QString& path, const TPlaceGraphWindow& place = {},
                                        TOpenSampling sampling = TOpenSampling::osNow);
// True while OpenGraphDocument runs: it lets timers and posted calls through
// while the new window settles, and those must not open documents of their own.
bool GraphDocumentOpening();

// The same for a file that is a copy and not the user's document (a recovery
// copy): it does not join the recent files, and a window already showing the
// path is not reused.
TfrmAbstractMDIChild* OpenGraphDocumentCopy(QMdiArea* area, const QString& path, const TPlaceGraphWindow& place = {},
                                            TOpenSampling sampling = TOpenSampling::osNow);

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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/document/frm_abstract_mdi_child.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QMap>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QUndoStack>
#include <QVBoxLayout>

#include "core/document/func_item.h"
#include "core/document/graph_document.h"
#include "core/document/shared_evaluators.h"
#include "core/support/exceptions.h"
#include "core/support/file_stamp.h"
#include "core/support/ini_file.h"
#include "gui/common/application.h"
#include "gui/common/artwork.h"
#include "gui/common/exception_report.h"
#include "gui/help/help.h"
#include "gui/widgets/formula_snippet_menu.h"

namespace curvane {

namespace {

QPointer<TfrmAbstractMDIChild> GCurrentGraphWindow;
int GWindowSerial = 0;
// Live graph windows per window type, for LastWindowClosed.
QMap<TWindowType, int> GLiveWindows;

TSaveFileChooser GSaveFileChooser;
int GOpening = 0;  // nesting depth of document opens

// Whether a modal dialog of `window`'s own is open: a question of its
// sampling, its save dialog, its close question. Each runs a loop on the
// stack of a call of this window and is its child.
bool HasOwnModalDialog(const QWidget* window) {
    for (const QWidget* top : QApplication::topLevelWidgets()) {
        if (!top->isVisible() || !top->isModal()) continue;
        for (const QWidget* w = top->parentWidget(); w; w = w->parentWidget())
            if (w == window) return true;
    }
    return false;
}

QString RunSaveDialog(QWidget* parent, const QString& currentPath) {
    QFileDialog dialog(parent, QStringLiteral("Save As"), QFileInfo(currentPath).absolutePath(),
                       QStringLiteral("Function definitions (*.gfx)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("gfx"));
    UseDocumentIcons(dialog);
    if (!currentPath.isEmpty()) dialog.selectFile(currentPath);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().constFirst();
}

enum class TChangedFileAnswer : std::uint8_t { caOverwrite, caSaveAs, caCancel };

// Someone else wrote the document's file since it was read or saved here.
// Cancel is the default and Escape's answer: a stray Return loses nothing.
// The file is named as the close question names it. The box is the window's
// child, so a window closed while it is open takes it along: it is not on
// the stack, and that counts as Cancel.
TChangedFileAnswer AskAboutChangedFile(QWidget& window, const QString& path) {
    const QPointer<QMessageBox> box = new QMessageBox(
        QMessageBox::Warning, ApplicationTitle(),
        "The file " + path + " was changed by another program since it was opened. Overwrite it?",
        QMessageBox::NoButton, &window);
    QPushButton* overwrite = box->addButton(QStringLiteral("Overwrite"), QMessageBox::AcceptRole);
    QPushButton* saveAs = box->addButton(QString::fromUtf8("Save As\u2026"), QMessageBox::ActionRole);
    QPushButton* cancel = box->addButton(QMessageBox::Cancel);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    box->exec();
    if (!box) return TChangedFileAnswer::caCancel;
    const QAbstractButton* clicked = box->clickedButton();
    delete box.data();
    if (clicked == overwrite) return TChangedFileAnswer::caOverwrite;
    return clicked == saveAs ? TChangedFileAnswer::caSaveAs : TChangedFileAnswer::caCancel;
}

// Keyed by the number a file stores, which may name no type at all.
QMap<int, TGraphWindowFactory>& Factories() {
    static QMap<int, TGraphWindowFactory> factories;
    return factories;
}

std::string ToStd(const QString& text) { return text.toStdString(); }
QString FromStd(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

TGraphHub& TGraphHub::Instance() {
    static TGraphHub* hub = new TGraphHub;  // lives for the whole run, as the windows may
    return *hub;
}

void TGraphHub::PostUpdateControls() {
    QMetaObject::invokeMethod(this, &TGraphHub::UpdateControlsRequested, Qt::QueuedConnection);
}

TFormulaSnippetMenu* TGraphHub::SnippetMenu() const { return FSnippetMenu.data(); }

void TGraphHub::SetSnippetMenu(TFormulaSnippetMenu* menu) { FSnippetMenu = menu; }

QString ShownTitle(const QWidget& window) {
    QString title = window.windowTitle();
    title.replace(QLatin1String("[*]"), window.isWindowModified() ? QStringLiteral("*") : QString());
    return title;
}

TfrmAbstractMDIChild* CurrentGraphWindow() { return GCurrentGraphWindow.data(); }

void SetCurrentGraphWindow(TfrmAbstractMDIChild* window) {
    if (GCurrentGraphWindow == window) return;
    GCurrentGraphWindow = window;
    // One relay at a time: what shows the active document hears only the
    // current window's changes, and a new current window as a whole.
    static QMetaObject::Connection relay;
    QObject::disconnect(relay);
    TGraphHub& hub = TGraphHub::Instance();
    if (window)
        relay = QObject::connect(window->Owner(), &TDocumentOwner::Changed, &hub,
                                 [&hub](const TDocumentChange& change) { emit hub.ActiveDocumentChanged(change); });
    emit hub.ActiveDocumentChanged({TChangeKind::ckDocument});
}

TfrmAbstractMDIChild* CurrentGraphWindow(QMdiArea* area) {
    if (!area) return nullptr;
    QMdiSubWindow* sub = area->activeSubWindow();
    return sub ? qobject_cast<TfrmAbstractMDIChild*>(sub->widget()) : nullptr;
}

TfrmAbstractMDIChild::TfrmAbstractMDIChild(TWindowType windowType, QWidget* parent)
    : QWidget(parent), FWindowType(windowType), FSerial(++GWindowSerial) {
    // The sub-window deletes this widget with itself; the widget must not
    // delete itself on close as well (a window on the stack, as the command-
    // line renderer makes one, would be freed twice).
    ++GLiveWindows[windowType];
    SetHelpTopic(this, QString::fromLatin1(windowType == TWindowType::wt3D ? HelpPages::Windows3D
                                                                           : HelpPages::Windows2D));
    // How often a postponed Recalculate looks whether the evaluators are free;
    // it only waits while a question of another run is on the screen.
    FRetry = new QTimer(this);
    FRetry->setSingleShot(true);
    FRetry->setInterval(25);
    connect(FRetry, &QTimer::timeout, this, &TfrmAbstractMDIChild::RunPostponed);
    FOwner = new TDocumentOwner(windowType, this);
    connect(FOwner, &TDocumentOwner::Changed, this, &TfrmAbstractMDIChild::DocumentChanged);
    connect(FOwner, &TDocumentOwner::CaptionChanged, this, &TfrmAbstractMDIChild::UpdateCaption);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    FClientLayout = new QVBoxLayout;
    FClientLayout->setContentsMargins(0, 0, 0, 0);
    FClientLayout->setSpacing(0);
    outer->addLayout(FClientLayout, 1);

    FStatusBar = new QStatusBar(this);
    FStatusBar->setSizeGripEnabled(false);
    // Coordinates, raised separator, coordinates, raised separator, free panel;
    // a 3D window has a wider third panel and two more separators and panels
    // (the camera readout, the point under the mouse).
    const bool is3D = windowType == TWindowType::wt3D;
    FPanelCount = is3D ? 9 : 5;
    // The pointer's panel takes the room that is left, so it does not make
    // the window any wider than the camera readout does.
    const int widths[9] = {100, 4, 100, 4, is3D ? 150 : 50, 4, 50, 4, 0};
    const char* texts[9] = {"X = 0.00", "", "Y = 0.00", "", "", "", "", "", ""};
    for (int i = 0; i < FPanelCount; ++i) {
        auto* label = new QLabel(QString::fromLatin1(texts[i]), FStatusBar);
        if (widths[i] > 0)
            label->setFixedWidth(widths[i]);
        else
            label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        if (i % 2 == 1) label->setFrameStyle(QFrame::Panel | QFrame::Raised);
        FStatusBar->addWidget(label, widths[i] > 0 ? 0 : 1);
        FPanels[i] = label;
    }
    outer->addWidget(FStatusBar);
    TGraphHub::Instance().PostUpdateControls();
}

TfrmAbstractMDIChild::~TfrmAbstractMDIChild() {
    if (GCurrentGraphWindow == this) GCurrentGraphWindow = nullptr;
    TGraphHub& hub = TGraphHub::Instance();
    if (--GLiveWindows[FWindowType] == 0) emit hub.LastWindowClosed(FWindowType);
    hub.PostUpdateControls();
}

bool TfrmAbstractMDIChild::IsModified() const { return FOwner->IsModified(); }

QUndoStack* TfrmAbstractMDIChild::UndoStack() const { return FOwner->UndoStack(); }

const TGraphDocument& TfrmAbstractMDIChild::Document() const { return FOwner->Document(); }

const QString& TfrmAbstractMDIChild::FileName() const { return FOwner->FileName(); }

void TfrmAbstractMDIChild::SetFileName(const QString& path) { FOwner->SetFileName(path); }

const TFuncList& TfrmAbstractMDIChild::Functions() const { return Document().Functions; }

int TfrmAbstractMDIChild::FuncActive() const { return Document().FuncActive; }

void TfrmAbstractMDIChild::SetFuncActive(int index) { FOwner->SetFuncActive(index); }

void TfrmAbstractMDIChild::DocumentChanged(const TDocumentChange& change, TChangeOrigin origin) {
    if (!change.LeavesPictures()) UpdateCaption();
    const TPlotNeed need = FollowDocument(change, origin);
    // A document being opened is sampled by the opener, once the window has
    // its place.
    if (origin == TChangeOrigin::coLoad || need == TPlotNeed::pnNothing) return;
    if (need == TPlotNeed::pnPaint) return Redraw();
    // A step taken back or made again is sampled from the event loop, not
    // inside the undo stack's call.
    if (origin == TChangeOrigin::coHistory) return PostRecalculate();
    // An error of the sampling is reported here: it must not unwind through
    // the signal that brought the change, nor undo the edit that was made.
    RunGuarded([this, change, need] { SampleChange(change, need); });
}

void TfrmAbstractMDIChild::PostRecalculate() {
    FPostponed = TPostponed::ppAll;
    if (!FRetry->isActive()) FRetry->start();
}

int TfrmAbstractMDIChild::FuncCount() const { return Functions().Count(); }

const TFuncItem* TfrmAbstractMDIChild::Func(int index) const { return Functions().Items(index); }

void TfrmAbstractMDIChild::SetStatusPanel(TStatusPanel panel, const QString& text) {
    const int index = static_cast<int>(panel);
    if (index < FPanelCount) FPanels[index]->setText(text);
}

QString TfrmAbstractMDIChild::StatusPanel(TStatusPanel panel) const {
    const int index = static_cast<int>(panel);
    return index < FPanelCount ? FPanels[index]->text() : QString();
}

QMdiSubWindow* TfrmAbstractMDIChild::SubWindow() const {
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}

void TfrmAbstractMDIChild::Activated() {
    if (TGraphHub::Instance().Autoredraw()) Redraw();
}

void TfrmAbstractMDIChild::UpdateCaption() {
    QString caption;
    if (!FileName().isEmpty())
        caption = "[" + QFileInfo(FileName()).fileName() + "] - ";
    else
        caption = "[not saved" + QString::number(FSerial) + "] - ";
    for (int i = 0; i < FuncCount(); ++i) {
        if (i > 0) caption += ", ";
        caption += FromStd(Func(i)->Expression);
    }
    // Qt turns the placeholder into the "*" of a document with unsaved changes.
    setWindowTitle(caption + QStringLiteral("[*]"));
    setWindowModified(IsModified());
}

void TfrmAbstractMDIChild::LoadFromFile(const QString& path) { FOwner->LoadFromFile(path); }

void TfrmAbstractMDIChild::HandleActivation() {
    if (GCurrentGraphWindow == this) return;
    SetCurrentGraphWindow(this);
    Activated();
    emit TGraphHub::Instance().WindowActivated(this);
    TGraphHub::Instance().PostUpdateControls();
}

bool TfrmAbstractMDIChild::CloseQuery() {
    if (!IsModified()) return true;
    const QString name = FileName().isEmpty() ? QStringLiteral("file") : FileName();
    const auto answer = QMessageBox::question(this, ApplicationTitle(), "Save changes to " + name + " ?",
                                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::No) return true;
    if (answer != QMessageBox::Yes) return false;  // Cancel, or the box closed
    try {
        return SaveGraphWindow(*this, false);
    } catch (const Exception& e) {
        // A save that failed must not lose the document with the window.
        QMessageBox::critical(this, ApplicationTitle(), QString::fromStdString(e.Message()));
        return false;
    }
}

void TfrmAbstractMDIChild::closeEvent(QCloseEvent* event) {
    // Closing now would delete the window, and the dialog with it, under the
    // call that waits for the dialog's answer (a close from a timer, another
    // window's command, a second close while the first one asks). The close
    // is refused; once the dialog is answered the window can be closed.
    if (HasOwnModalDialog(this)) return event->ignore();
    if (CloseQuery())
        event->accept();
    else
        event->ignore();
}

void RegisterGraphWindowClass(TWindowType windowType, TGraphWindowFactory factory) {
    Factories().insert(static_cast<int>(windowType), std::move(factory));
}

QMdiSubWindow* AddGraphWindow(QMdiArea* area, TfrmAbstractMDIChild* window) {
    QMdiSubWindow* sub = area->addSubWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(sub, &QMdiSubWindow::windowStateChanged, window,
                     [window](Qt::WindowStates oldState, Qt::WindowStates newState) {
                         if (!(oldState & Qt::WindowActive) && (newState & Qt::WindowActive))
                             window->HandleActivation();
                     });
    sub->show();
    emit TGraphHub::Instance().GraphWindowAdded(window);
    return sub;
}

namespace {

// The user's own document joins the recent files and is shown once; a copy
// (a recovery copy) does neither.
enum class TDocumentFile : std::uint8_t { dfOwn, dfCopy };

TfrmAbstractMDIChild* OpenDocumentFile(QMdiArea* area, const QString& path, const TPlaceGraphWindow& place,
                                       TOpenSampling sampling, TDocumentFile file) {
    const bool own = file == TDocumentFile::dfOwn;
    ++GOpening;
    struct TOpening {
        ~TOpening() { --GOpening; }
    } opening;
    for (QMdiSubWindow* sub : own ? area->subWindowList() : QList<QMdiSubWindow*>()) {
        auto* open = qobject_cast<TfrmAbstractMDIChild*>(sub->widget());
        if (open && open->FileName() == path) {
            area->setActiveSubWindow(sub);
            return open;
        }
    }
    const QFileInfo info(path);
    if (!info.exists()) throw EFileError("Cannot open " + ToStd(path) + ": the file does not exist.");
    if (!info.isFile() || !info.isReadable())
        throw EFileError("Cannot open " + ToStd(path) + ": the file cannot be read.");

    // Stamped before reading, as TDocumentOwner::LoadFromFile does.
    const TFileStamp stamp = ReadFileStamp(ToStd(path));
    TIniFile ini(ToStd(path));
    if (!IsGraphDocument(ini)) throw EFileError("Cannot open " + ToStd(path) + ": it is not a Curvane document.");
    const long long type = ReadWindowType(ini);
    const auto factory = Factories().constFind(static_cast<int>(type));
    if (factory == Factories().constEnd() || type < 0 || type > 255)
        throw EFileError("Cannot open " + ToStd(path) + ": it holds an unknown window type (" +
                         std::to_string(type) + ").");
    TfrmAbstractMDIChild* w = (*factory)();
    w->setWindowTitle(QString());
    // The window is shown and placed first so that it has its real size when
    // the stored view is applied (a uniform scale depends on the plot's
    // proportions) and when the functions are sampled over the visible range.
    QMdiSubWindow* sub = AddGraphWindow(area, w);
    if (place) place(sub);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    std::vector<std::string> notes;
    try {
        notes = w->Owner()->LoadFromFile(path, ini, stamp);
    } catch (...) {
        // No half-loaded window stays behind; deleting skips the close question.
        delete sub;
        throw;
    }
    TGraphHub& hub = TGraphHub::Instance();
    if (own) emit hub.DocumentOpened(path);
    // Showing activated the window while it was still empty: run the
    // activation steps again for the loaded document.
    SetCurrentGraphWindow(w);
    w->Activated();
    // What shows the active document has heard the load already: from the
    // relay when the window was current, else from becoming current here.
    emit hub.WindowActivated(w);
    hub.PostUpdateControls();
    // The caption is set before sampling too: a formula error propagates from
    // Recalculate and must not leave the window without one.
    w->SetFileName(path);
    w->UpdateCaption();
    if (sampling == TOpenSampling::osNow) {
        w->Recalculate(TRecalc::rcAll);
        w->UpdateCaption();
    }
    if (!notes.empty()) {
        // Told once the opening is over, not from inside it: the question's
        // event loop must not run while the caller still holds the window.
        QStringList lines;
        for (const std::string& note : notes) lines << QString::fromStdString(note);
        const QString text = QStringLiteral("Some parameters of %1 could not be used and were left out:\n%2")
                                 .arg(path, lines.join(QLatin1Char('\n')));
        QTimer::singleShot(0, area, [area, text] { QMessageBox::warning(area->window(), ApplicationTitle(), text); });
    }
    return w;
}

}  // namespace

bool GraphDocumentOpening() { return GOpening > 0; }

TfrmAbstractMDIChild* OpenGraphDocument(QMdiArea* area, const QString& path, const TPlaceGraphWindow& place,
                                        TOpenSampling sampling) {
    return OpenDocumentFile(area, path, place, sampling, TDocumentFile::dfOwn);
}

TfrmAbstractMDIChild* OpenGraphDocumentCopy(QMdiArea* area, const QString& path, const TPlaceGraphWindow& place,
                                            TOpenSampling sampling) {
    return OpenDocumentFile(area, path, place, sampling, TDocumentFile::dfCopy);
}

void SetSaveFileChooser(TSaveFileChooser chooser) { GSaveFileChooser = std::move(chooser); }

bool SaveGraphWindow(TfrmAbstractMDIChild& window, bool saveAs) {
    if (window.FuncCount() == 0) {
        QMessageBox::critical(&window, ApplicationTitle(),
                              QStringLiteral("No functions available. Save is unavailable."));
        return true;
    }
    // The question and the file dialog run event loops of their own, in which
    // other input may close the window: it is looked at again after each.
    const QPointer<TfrmAbstractMDIChild> guard(&window);
    QString path = window.FileName();
    if (!saveAs && !path.isEmpty() && window.Owner()->ChangedOnDisk()) {
        const TChangedFileAnswer answer = AskAboutChangedFile(window, path);
        if (!guard || answer == TChangedFileAnswer::caCancel) return false;
        saveAs = answer == TChangedFileAnswer::caSaveAs;
    }
    if (saveAs || path.isEmpty()) {
        path = GSaveFileChooser ? GSaveFileChooser(&window, path) : RunSaveDialog(&window, path);
        if (!guard || path.isEmpty()) return false;
    }
    TDocumentOwner& owner = *window.Owner();
    owner.SaveToFile(path);
    owner.SetFileName(path);
    owner.UndoStack()->setClean();
    return true;
}

}  // namespace curvane

namespace curvane {

bool TfrmAbstractMDIChild::PostponeWhileLeased(TRecalc scope) {
    const bool onlyActive = scope == TRecalc::rcActive;
    if (SharedEvaluatorsLeased()) {
        const TPostponed wanted = onlyActive ? TPostponed::ppActive : TPostponed::ppAll;
        if (wanted > FPostponed) FPostponed = wanted;
        if (!FRetry->isActive()) FRetry->start();
        return true;
    }
    // This run covers a postponed one unless that one wanted every function.
    if (!onlyActive || FPostponed == TPostponed::ppActive) {
        FPostponed = TPostponed::ppNone;
        FRetry->stop();
    }
    return false;
}

void TfrmAbstractMDIChild::RunPostponed() {
    if (FPostponed == TPostponed::ppNone) return;
    if (SharedEvaluatorsLeased()) {
        FRetry->start();
        return;
    }
    const TRecalc scope = FPostponed == TPostponed::ppActive ? TRecalc::rcActive : TRecalc::rcAll;
    FPostponed = TPostponed::ppNone;
    RunGuarded([this, scope] { Recalculate(scope); });
}

}  // namespace curvane

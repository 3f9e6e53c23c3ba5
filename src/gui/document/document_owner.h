// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

#include "core/document/document_change.h"
#include "core/document/graph_document.h"
#include "core/support/file_stamp.h"

class QUndoStack;

namespace curvane {

class TIniFile;

// Where a change came from: a view follows an edit at once, while a step
// taken back or made again is shown from the event loop (the undo stack's
// call is no place for a question or an error of the sampling).
enum class TChangeOrigin : std::uint8_t { coEdit, coHistory, coLoad };

// The one owner of a graph window's document: the value, its file name and
// its undo history. Every change goes through here, as one undo step per user
// action (TDocumentEdit), and is announced once through Changed, saying what
// changed; the window, its plot and everything that shows the active document
// follow that signal instead of being refreshed by hand.
//
// The visible area (the 2D edges, the 3D camera) belongs to the window that
// shows the document: saving and recovery ask it through the view source.
class TDocumentOwner : public QObject {
    Q_OBJECT
public:
    explicit TDocumentOwner(TWindowType windowType, QObject* parent = nullptr);

    const TGraphDocument& Document() const { return FDocument; }
    TWindowType WindowType() const { return FDocument.WindowType; }
    int FuncCount() const { return FDocument.Functions.Count(); }

    const QString& FileName() const { return FFileName; }
    void SetFileName(const QString& path);

    // At most 1,000 steps are kept. The document has unsaved changes exactly
    // when the stack is not at its clean index, which a save or a load sets.
    QUndoStack* UndoStack() const { return FUndoStack; }
    bool IsModified() const;

    // Sampling settled the range of function index (the automatic range, or
    // manual limits the user agreed to swap): the record keeps it, as files
    // do, without an undo step or a change to announce.
    void KeepSampledRange(int index, const TFuncItem& sampled);

    // The active function is a selection, not an edit: no undo step.
    void SetFuncActive(int index);

    // Replaces the document without an undo step (a new window's defaults,
    // a document read from a file); the history starts again there.
    void Reset(const TGraphDocument& document);

    // Records the change from `before` to `after` as one undo step named
    // `text` (none when they differ in nothing but the visible area) and puts
    // `after` in place.
    void Record(const TGraphDocument& before, const TGraphDocument& after, const QString& text);
    // Puts `document` in place without an undo step (an edit shown before it
    // is recorded, or called off). The visible area stays.
    void Show(const TGraphDocument& document);

    // The document as written to a file: the value with the visible area the
    // window shows now.
    TGraphDocument Snapshot() const;
    using TViewSource = std::function<void(TGraphDocument& document)>;
    void SetViewSource(TViewSource source) { FViewSource = std::move(source); }

    // Reads a document into a new value (the current one gives the defaults
    // of missing view keys); the history starts again. Returns the lines of
    // TGraphDocument::LoadFromIni on parameters left out.
    std::vector<std::string> LoadFromIni(const TIniFile& ini);
    // Reads path into a new value (the current one gives the defaults of
    // missing view keys); the history starts again. Raises EFileError.
    void LoadFromFile(const QString& path);
    // The same for a file the caller has read into ini already (to check it
    // before making a window), with the stamp it took before reading it.
    std::vector<std::string> LoadFromFile(const QString& path, const TIniFile& ini, const TFileStamp& stamp);
    // Writes the snapshot to path, replacing the file as a whole. Raises
    // EFileError "Unable to write to <path>" and keeps the old file.
    void SaveToFile(const QString& path);

    // Whether the file under the document's name was written by someone else
    // (another Curvane, an editor) since this owner last read or wrote it: its
    // size, time or content differ from then. False when the file is gone,
    // and when this owner never read or wrote that name (a new document, or a
    // recovered one: the run that read the file is gone with its stamp).
    // Copies written elsewhere (recovery) leave the stamp alone.
    bool ChangedOnDisk() const;

signals:
    // The document changed: an edit, an undo or redo, a load. Not raised for
    // the visible area, which is not an edit.
    void Changed(const curvane::TDocumentChange& change, curvane::TChangeOrigin origin);
    // The file name, or whether there are unsaved changes, changed.
    void CaptionChanged();

private:
    friend class TDocumentStep;
    void Put(const TGraphDocument& document, TChangeOrigin origin);

    TGraphDocument FDocument;
    QString FFileName;
    // The file last read or written, and how it looked then.
    QString FStampedPath;
    TFileStamp FStamp;
    QUndoStack* FUndoStack = nullptr;
    TViewSource FViewSource;
};

// Records one user action on a document as one undo step: the action works on
// a copy, which Commit puts in place (or the destructor, when the action ends
// early or by an exception: whatever did change stays undoable). An action
// that changed nothing (a dialog cancelled, a value chosen again) pushes no
// step. A null owner, or one destroyed while the action ran (its window was
// closed from the event loop of a dialog), records nothing.
//
//     TDocumentEdit edit(window->Owner(), "Delete function");
//     edit.Document().Functions.Delete(index);
//     edit.Commit();
class TDocumentEdit {
public:
    TDocumentEdit(TDocumentOwner* owner, const QString& text);
    ~TDocumentEdit();
    TDocumentEdit(const TDocumentEdit&) = delete;
    TDocumentEdit& operator=(const TDocumentEdit&) = delete;

    // The copy the action changes.
    TGraphDocument& Document() { return FDocument; }
    TFuncItem* Func(int index) const { return FDocument.Func(index); }
    TFuncItem* ActiveFunc() const { return FDocument.ActiveFunc(); }

    // Shows the copy as it is now (a dialog's Apply button) without ending
    // the action.
    void Preview();
    // Records the action and puts the copy in place (once; later calls do
    // nothing).
    void Commit();
    // Calls the action off: the document is as it was before it.
    void Cancel();

private:
    QPointer<TDocumentOwner> FOwner;
    QString FText;
    TGraphDocument FBefore;
    TGraphDocument FDocument;
    bool FPreviewed = false;
    bool FDone = false;
};

// Adds a function to a document as the function box and Add function do: an
// empty last function is reused (its formula set) instead of another being
// appended. The new or reused function becomes the active one and takes the
// next palette colour (NewFunctionColor); returns it. Every function the
// program makes is made here, so that each starts in a colour of its own.
TFuncItem& AddFunction(TGraphDocument& document, const std::string& expression);
// Removes the function at index, keeping the active index on the same
// function where it can (on the one before when the active one goes).
void DeleteFunction(TGraphDocument& document, int index);

}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/document/document_owner.h"

#include <QUndoCommand>
#include <QUndoStack>

#include "core/document/func_palette.h"
#include "core/support/ini_file.h"

namespace curvane {

// One step: the document before and after the action, without the visible
// area (undoing a deletion does not undo a pan made after it).
class TDocumentStep : public QUndoCommand {
public:
    TDocumentStep(TDocumentOwner& owner, const QString& text, TGraphDocument before, TGraphDocument after)
        : QUndoCommand(text), FOwner(&owner), FBefore(std::move(before)), FAfter(std::move(after)) {}

    void undo() override { Restore(FBefore); }
    void redo() override {
        // The stack calls this once when the step is pushed, after the edit
        // has already put the document in place.
        if (FPushed) return Restore(FAfter);
        FPushed = true;
    }

private:
    void Restore(const TGraphDocument& content) {
        // The stack belongs to the owner, which outlives its steps; the
        // pointer only guards a step taken off a stack by hand.
        if (!FOwner) return;
        TGraphDocument document = content;
        document.TakeVisibleArea(FOwner->FDocument);
        FOwner->Put(document, TChangeOrigin::coHistory);
    }

    QPointer<TDocumentOwner> FOwner;
    TGraphDocument FBefore;
    TGraphDocument FAfter;
    bool FPushed = false;
};

TDocumentOwner::TDocumentOwner(TWindowType windowType, QObject* parent) : QObject(parent) {
    FDocument.WindowType = windowType;
    FUndoStack = new QUndoStack(this);
    FUndoStack->setUndoLimit(1000);
    connect(FUndoStack, &QUndoStack::cleanChanged, this, &TDocumentOwner::CaptionChanged);
}

void TDocumentOwner::SetFileName(const QString& path) {
    if (path == FFileName) return;
    FFileName = path;
    emit CaptionChanged();
}

bool TDocumentOwner::IsModified() const { return !FUndoStack->isClean(); }

void TDocumentOwner::KeepSampledRange(int index, const TFuncItem& sampled) {
    TFuncItem* item = FDocument.Func(index);
    if (!item) return;
    item->From = sampled.From;
    item->To = sampled.To;
    item->Step = sampled.Step;
    item->FromY = sampled.FromY;
    item->ToY = sampled.ToY;
}

void TDocumentOwner::SetFuncActive(int index) {
    if (index == FDocument.FuncActive) return;
    FDocument.FuncActive = index;
    emit Changed({TChangeKind::ckActive}, TChangeOrigin::coEdit);
}

void TDocumentOwner::Reset(const TGraphDocument& document) {
    FUndoStack->clear();
    FDocument = document;
    emit Changed({TChangeKind::ckDocument}, TChangeOrigin::coLoad);
}

void TDocumentOwner::Record(const TGraphDocument& before, const TGraphDocument& after, const QString& text) {
    TGraphDocument from = before.WithoutVisibleArea();
    TGraphDocument to = after.WithoutVisibleArea();
    if (!(from == to)) FUndoStack->push(new TDocumentStep(*this, text, std::move(from), std::move(to)));
    Show(after);
}

void TDocumentOwner::Show(const TGraphDocument& document) {
    TGraphDocument shown = document;
    shown.TakeVisibleArea(FDocument);
    Put(shown, TChangeOrigin::coEdit);
}

void TDocumentOwner::Put(const TGraphDocument& document, TChangeOrigin origin) {
    const TDocumentChange change = DescribeChange(FDocument, document);
    FDocument = document;
    if (change.Kind != TChangeKind::ckNothing) emit Changed(change, origin);
}

TGraphDocument TDocumentOwner::Snapshot() const {
    TGraphDocument document = FDocument;
    if (FViewSource) FViewSource(document);
    return document;
}

void TDocumentOwner::LoadFromFile(const QString& path) {
    // Stamped before reading: a write between the two makes the stamp older
    // than what was read, so the next save asks once too often rather than
    // overwriting that write unasked.
    const TFileStamp stamp = ReadFileStamp(path.toStdString());
    LoadFromFile(path, TIniFile(path.toStdString()), stamp);
}

std::vector<std::string> TDocumentOwner::LoadFromFile(const QString& path, const TIniFile& ini,
                                                     const TFileStamp& stamp) {
    std::vector<std::string> notes = LoadFromIni(ini);
    FStampedPath = path;
    FStamp = stamp;
    return notes;
}

std::vector<std::string> TDocumentOwner::LoadFromIni(const TIniFile& ini) {
    TGraphDocument document = Snapshot();
    // The file's functions replace the current ones; its view keys are read
    // with the current view as defaults.
    document.Functions.Clear();
    std::vector<std::string> notes = document.LoadFromIni(ini);
    document.WindowType = FDocument.WindowType;
    Reset(document);
    return notes;
}

void TDocumentOwner::SaveToFile(const QString& path) {
    Snapshot().SaveToFile(path.toStdString());
    FStampedPath = path;
    FStamp = ReadFileStamp(path.toStdString());
}

bool TDocumentOwner::ChangedOnDisk() const {
    if (FFileName.isEmpty() || FFileName != FStampedPath) return false;
    const TFileStamp now = ReadFileStamp(FFileName.toStdString());
    return now.Exists && now != FStamp;
}

TDocumentEdit::TDocumentEdit(TDocumentOwner* owner, const QString& text) : FOwner(owner), FText(text) {
    if (FOwner) FBefore = FDocument = FOwner->Document();
}

TDocumentEdit::~TDocumentEdit() {
    try {
        Commit();
    } catch (...) {
        // Out of memory while keeping the step: the action is lost. A
        // destructor must not throw, least of all while an exception of the
        // action is on its way out.
    }
}

void TDocumentEdit::Preview() {
    if (FDone || !FOwner) return;
    FPreviewed = true;
    FOwner->Show(FDocument);
}

void TDocumentEdit::Commit() {
    if (FDone) return;
    FDone = true;
    if (FOwner) FOwner->Record(FBefore, FDocument, FText);
}

void TDocumentEdit::Cancel() {
    if (FDone) return;
    FDone = true;
    if (FOwner && FPreviewed) FOwner->Show(FBefore);
}

TFuncItem& AddFunction(TGraphDocument& document, const std::string& expression) {
    const std::int32_t color = NewFunctionColor(document);
    TFuncList& list = document.Functions;
    TFuncItem* last = list.Last();
    if (!last || !last->Expression.empty())
        last = list.Add(TFuncItem(expression, document.WindowType == TWindowType::wt3D));
    last->Expression = expression;
    last->Color = color;
    document.FuncActive = list.Count() - 1;
    return *last;
}

void DeleteFunction(TGraphDocument& document, int index) {
    const int count = document.Functions.Count();
    if (index < 0 || index >= count) return;
    if (index < document.FuncActive || document.FuncActive == count - 1) --document.FuncActive;
    document.Functions.Delete(index);
}

}  // namespace curvane

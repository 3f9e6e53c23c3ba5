// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <functional>
#include <memory>
#include <string>

#include "gui/document/frm_abstract_mdi_child.h"

class QLockFile;
class QMdiArea;
class QTimer;

namespace curvane {

// The text of a document's recovery copy: the document as a .gfx file would
// hold it, view included, and a [Recovery] section with the file name it was
// opened from or saved under (empty when it never was). The document loader
// reads sections by name, so the extra one is harmless to it.
std::string RecoveryCopyText(const TDocumentOwner& owner);

// The recovery folder of this run: beside the executable when the settings
// file is, else in the state folder ($XDG_STATE_HOME/curvane/recovery).
QString DefaultRecoveryFolder();

// Keeps a copy of every modified document of one MDI area's graph windows in the
// recovery folder, so that a program that was killed or crashed loses at most
// the last two seconds of work; and, at start, offers the copies that
// processes which are gone left behind.
//
// A running program holds "<pid>.lock" (a QLockFile) in the folder for as long
// as it runs; its copies are "<pid>-<n>.gfx". Copies whose lock can be taken
// belong to nobody. Copies are written through QSaveFile on a writer thread
// of their own, in the order they were asked for, so a slow disk never holds
// up the user interface and a removal never overtakes the write before it.
class TRecoveryKeeper : public QObject {
    Q_OBJECT
public:
    // How long after a window's last change its copy is written.
    static constexpr int CopyDelayMs = 2000;

    TRecoveryKeeper(QMdiArea* area, const QString& folder, TPlaceGraphWindow place, QObject* parent);
    // Removes the copies that are left (a normal exit leaves none) and the
    // lock; after KeepCopies only the lock.
    ~TRecoveryKeeper() override;

    const QString& Folder() const { return FFolder; }
    // False once copies cannot be written; the user has been told once, and
    // the program goes on without them.
    bool Enabled() const { return FEnabled; }
    // Blocks until every write and removal asked for so far is done.
    void WaitForWrites();
    // At a session's end: writes the copy of every modified document now and
    // keeps the copies from then on, through the closing of their windows
    // and the keeper's end, so that the next start offers them, as after a
    // crash. Blocks until they are written.
    void KeepCopies();

    // Finds the copies no live process owns and asks whether to reopen them
    // (Yes: they open as unsaved windows with their original file names; No:
    // they are deleted). Damaged copies are named in one message and renamed
    // to "<name>.damaged", so they are neither offered again nor lost.
    void OfferRecovery();
    // OfferRecovery from the event loop, once no document is being opened
    // (the ones named on the command line come first).
    void OfferWhenIdle();

private:
    struct TWatch {
        QTimer* Timer = nullptr;
        QString Path;
        bool Written = false;
    };

    void Watch(TDocumentOwner* owner);
    void Schedule(TDocumentOwner* owner);
    void WriteCopy(TDocumentOwner* owner);
    void Discard(TDocumentOwner* owner);
    bool EnsureLocked();
    void TurnOff();
    // Runs a file job on the writer thread; a job that fails turns recovery off.
    void Enqueue(std::function<bool()> job);

    QMdiArea* FArea;
    QString FFolder;
    TPlaceGraphWindow FPlace;
    std::unique_ptr<QLockFile> FLock;
    QHash<TDocumentOwner*, TWatch> FWatched;
    QThreadPool FWriter;
    bool FEnabled = true;
    bool FKeeping = false;
};

}  // namespace curvane

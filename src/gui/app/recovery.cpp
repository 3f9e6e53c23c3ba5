// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/recovery.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTimer>
#include <QUndoStack>

#include <map>
#include <vector>

#include "core/settings/state_folder.h"
#include "core/support/exceptions.h"
#include "core/support/ini_file.h"
#include "gui/app/frm_main.h"
#include "gui/common/application.h"
#include "gui/common/exception_report.h"

namespace curvane {

namespace {

constexpr const char* SecRecovery = "Recovery";
constexpr const char* KeyFileName = "FileName";

// Numbers copies across every keeper of the process, so that a keeper never
// reuses the name of a copy an earlier one may still be removing.
int GCopySerial = 0;

QString PidText() { return QString::number(QCoreApplication::applicationPid()); }

// A lock that never goes stale by age: a program may run for days. A lock
// whose process is gone is still taken over (Qt checks the process).
std::unique_ptr<QLockFile> MakeLock(const QString& path) {
    auto lock = std::make_unique<QLockFile>(path);
    lock->setStaleLockTime(0);
    return lock;
}

struct TFoundCopy {
    QString Path;
    QString Original;
};

}  // namespace

std::string RecoveryCopyText(const TDocumentOwner& owner) {
    TIniFile ini = TIniFile::FromText("");
    owner.Snapshot().SaveToIni(ini);
    ini.WriteStringExact(SecRecovery, KeyFileName, owner.FileName().toStdString());
    return ini.Text();
}

QString DefaultRecoveryFolder() {
    return QString::fromStdString(RecoveryFolderPath(TfrmMain::SettingsFile().toStdString(),
                                                     QCoreApplication::applicationFilePath().toStdString()));
}

TRecoveryKeeper::TRecoveryKeeper(QMdiArea* area, const QString& folder, TPlaceGraphWindow place, QObject* parent)
    : QObject(parent), FArea(area), FFolder(folder), FPlace(std::move(place)) {
    FWriter.setMaxThreadCount(1);  // one writer keeps the jobs in order
    // Taken now, so that another start sees at once that this run's copies
    // have an owner; a folder that cannot be written is only reported when a
    // copy is first due, since a run that edits nothing loses nothing.
    EnsureLocked();
    connect(&TGraphHub::Instance(), &TGraphHub::GraphWindowAdded, this, [this](TfrmAbstractMDIChild* window) {
        const QMdiSubWindow* sub = window->SubWindow();
        if (sub && sub->mdiArea() == FArea) Watch(window->Owner());
    });
}

TRecoveryKeeper::~TRecoveryKeeper() {
    for (auto it = FWatched.cbegin(); it != FWatched.cend(); ++it) {
        if (!it->Written || FKeeping) continue;
        const QString path = it->Path;
        Enqueue([path] { return QFile::remove(path) || !QFile::exists(path); });
    }
    FWriter.waitForDone();
    if (FLock) FLock->unlock();
    QDir().rmdir(FFolder);  // only when empty: copies of other runs stay
}

void TRecoveryKeeper::WaitForWrites() { FWriter.waitForDone(); }

void TRecoveryKeeper::KeepCopies() {
    const QList<TDocumentOwner*> owners = FWatched.keys();
    for (TDocumentOwner* owner : owners) {
        FWatched[owner].Timer->stop();
        WriteCopy(owner);  // an unmodified document's copy goes
    }
    FKeeping = true;
    WaitForWrites();
}

bool TRecoveryKeeper::EnsureLocked() {
    if (FLock && FLock->isLocked()) return true;
    if (!QDir().mkpath(FFolder)) return false;
    FLock = MakeLock(FFolder + QLatin1Char('/') + PidText() + QStringLiteral(".lock"));
    if (FLock->tryLock(0)) return true;
    // A killed run whose process number this run now has left a lock that
    // looks alive (its number is ours): it is ours to replace.
    qint64 pid = 0;
    QString host, app;
    if (FLock->error() == QLockFile::LockFailedError && FLock->getLockInfo(&pid, &host, &app) &&
        pid == QCoreApplication::applicationPid() && FLock->removeStaleLockFile())
        return FLock->tryLock(0);
    return false;
}

void TRecoveryKeeper::Watch(TDocumentOwner* owner) {
    if (FWatched.contains(owner)) return;
    TWatch& watch = FWatched[owner];
    watch.Path = FFolder + QStringLiteral("/%1-%2.gfx").arg(PidText()).arg(++GCopySerial);
    // Not a child of the owner, which may go before the keeper.
    watch.Timer = new QTimer(this);
    watch.Timer->setSingleShot(true);
    watch.Timer->setInterval(CopyDelayMs);
    connect(watch.Timer, &QTimer::timeout, this, [this, owner] { RunGuarded([this, owner] { WriteCopy(owner); }); });
    connect(owner, &TDocumentOwner::Changed, this, [this, owner] { Schedule(owner); });
    // A save (or undoing back to it) makes the copy pointless; a recovered
    // document is made unsaved without any edit.
    connect(owner->UndoStack(), &QUndoStack::cleanChanged, this, [this, owner](bool clean) {
        if (clean)
            Discard(owner);
        else
            Schedule(owner);
    });
    // The owner is half destroyed here: only its entry is used.
    connect(owner, &QObject::destroyed, this, [this, owner] {
        Discard(owner);
        delete FWatched.take(owner).Timer;
    });
    if (owner->IsModified()) Schedule(owner);
}

// The delay runs from the first change not yet copied and is not started
// again by the ones after it: a playing parameter or a long drag changes the
// document many times a second, and the copy must not wait for them to end.
void TRecoveryKeeper::Schedule(TDocumentOwner* owner) {
    const auto it = FWatched.find(owner);
    if (it != FWatched.end() && FEnabled && !FKeeping && !it->Timer->isActive()) it->Timer->start();
}

void TRecoveryKeeper::WriteCopy(TDocumentOwner* owner) {
    const auto it = FWatched.find(owner);
    if (it == FWatched.end() || !FEnabled) return;
    if (!owner->IsModified()) return Discard(owner);
    if (!EnsureLocked()) return TurnOff();
    // The text is made here, where the document lives; only the file work
    // goes to the writer.
    const QByteArray text = QByteArray::fromStdString(RecoveryCopyText(*owner));
    const QString path = it->Path;
    it->Written = true;
    Enqueue([path, text] {
        QSaveFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit();
    });
}

void TRecoveryKeeper::Discard(TDocumentOwner* owner) {
    const auto it = FWatched.find(owner);
    if (it == FWatched.end()) return;
    it->Timer->stop();
    if (!it->Written || FKeeping) return;
    it->Written = false;
    const QString path = it->Path;
    Enqueue([path] { return QFile::remove(path) || !QFile::exists(path); });
}

void TRecoveryKeeper::Enqueue(std::function<bool()> job) {
    FWriter.start([this, job = std::move(job)] {
        // The keeper waits for its writer before it goes, so `this` outlives
        // the queued call.
        if (!job()) QMetaObject::invokeMethod(this, [this] { TurnOff(); }, Qt::QueuedConnection);
    });
}

void TRecoveryKeeper::TurnOff() {
    if (!FEnabled) return;
    FEnabled = false;
    for (const TWatch& watch : std::as_const(FWatched)) watch.Timer->stop();
    // Said once, without stopping the work at hand: the box does not wait.
    auto* box = new QMessageBox(QMessageBox::Warning, ApplicationTitle(),
                                QStringLiteral("Copies of unsaved documents cannot be written to %1. Recovery after a "
                                               "crash is off until Curvane is started again.")
                                    .arg(QDir::toNativeSeparators(FFolder)),
                                QMessageBox::Ok, FArea ? FArea->window() : nullptr);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void TRecoveryKeeper::OfferWhenIdle() {
    QTimer::singleShot(GraphDocumentOpening() ? 100 : 0, this, [this] {
        if (GraphDocumentOpening())
            OfferWhenIdle();
        else
            RunGuarded([this] { OfferRecovery(); });
    });
}

void TRecoveryKeeper::OfferRecovery() {
    static const QRegularExpression copyName(QStringLiteral("^(\\d+)-\\d+\\.gfx$"));
    const QDir folder(FFolder);
    std::map<QString, QStringList> byOwner;
    for (const QString& name : folder.entryList({QStringLiteral("*.gfx")}, QDir::Files, QDir::Name)) {
        const QRegularExpressionMatch m = copyName.match(name);
        if (m.hasMatch()) byOwner[m.captured(1)].push_back(folder.filePath(name));
    }
    // The locks of the owners that are gone are held until the copies are
    // dealt with, so that two starts never both take them. Copies under this
    // run's own number cannot be this run's (it has written none yet).
    std::vector<std::unique_ptr<QLockFile>> claimed;
    std::vector<TFoundCopy> copies;
    QStringList damaged;
    for (const auto& [owner, paths] : byOwner) {
        if (owner != PidText()) {
            auto lock = MakeLock(folder.filePath(owner + QStringLiteral(".lock")));
            if (!lock->tryLock(0)) continue;  // a live process's copies
            claimed.push_back(std::move(lock));
        }
        for (const QString& path : paths) {
            try {
                const TIniFile ini(path.toStdString());
                // The recovery section is written last: a copy cut short lacks it.
                if (ini.ValueExists(SecRecovery, KeyFileName) && ini.ValueExists("Global", "Window type")) {
                    copies.push_back({path, QString::fromStdString(ini.ReadString(SecRecovery, KeyFileName, ""))});
                    continue;
                }
            } catch (const Exception&) {
            }
            damaged.push_back(path);
        }
    }
    QWidget* parent = FArea ? FArea->window() : nullptr;
    if (!copies.empty()) {
        QString list;
        for (const TFoundCopy& copy : copies)
            list += QLatin1Char('\n') +
                    (copy.Original.isEmpty() ? QStringLiteral("(never saved)") : QDir::toNativeSeparators(copy.Original));
        const qsizetype n = copies.size();
        const QString question = QStringLiteral("Curvane was not closed properly. Recover %1 unsaved document%2?\n")
                                     .arg(n)
                                     .arg(n == 1 ? "" : "s");
        const auto answer = QMessageBox::question(parent, ApplicationTitle(), question + list,
                                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        for (const TFoundCopy& copy : copies) {
            if (answer != QMessageBox::Yes) {
                QFile::remove(copy.Path);
                continue;
            }
            TfrmAbstractMDIChild* window = nullptr;
            try {
                window = OpenGraphDocumentCopy(FArea, copy.Path, FPlace, TOpenSampling::osByCaller);
            } catch (const Exception&) {
                damaged.push_back(copy.Path);
                continue;
            }
            window->SetFileName(copy.Original);
            // Unsaved until the next save, whatever is undone.
            window->UndoStack()->resetClean();
            window->UpdateCaption();
            // This run's copy replaces the old one before that goes.
            WriteCopy(window->Owner());
            const QString old = copy.Path;
            Enqueue([old] { return QFile::remove(old) || !QFile::exists(old); });
            // A formula that does not compile is reported as on any open;
            // the window stays.
            RunGuarded([window] {
                window->Recalculate(TRecalc::rcAll);
                window->UpdateCaption();
            });
        }
    }
    if (!damaged.isEmpty()) {
        QString list;
        for (const QString& path : damaged) {
            QFile::remove(path + QStringLiteral(".damaged"));
            QFile::rename(path, path + QStringLiteral(".damaged"));
            list += QLatin1Char('\n') + QDir::toNativeSeparators(path + QStringLiteral(".damaged"));
        }
        QMessageBox::warning(parent, ApplicationTitle(),
                             QStringLiteral("These recovery files are damaged and were skipped; they are kept as:") +
                                 list);
    }
    WaitForWrites();  // the old copies are gone before their owners' locks
}

}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/plot2d/point_finder.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

namespace curvane {

namespace {

// The one thread every window's point searches run on, one search at a time,
// in the order asked for. An owner has at most one search waiting: a new one
// replaces it, and stops the owner's running one.
class TSearchLane {
public:
    using TJob = std::function<void(std::stop_token)>;

    static TSearchLane& Instance() {
        static TSearchLane lane;
        return lane;
    }

    ~TSearchLane() {
        {
            const std::lock_guard lock(FMutex);
            FWaiting.clear();
            FRunningStop.request_stop();
        }
        // The thread's own stop wakes it; its destructor then joins it,
        // after the search under way has seen its stop.
        if (FThread.joinable()) FThread.request_stop();
    }

    void Post(const void* owner, TJob job) {
        const std::lock_guard lock(FMutex);
        DropLocked(owner);
        FWaiting.push_back({owner, std::move(job)});
        if (!FThread.joinable()) FThread = std::jthread([this](std::stop_token stop) { Loop(stop); });
        FWake.notify_one();
    }

    void Drop(const void* owner) {
        const std::lock_guard lock(FMutex);
        DropLocked(owner);
    }

private:
    struct TWaiting {
        const void* Owner;
        TJob Job;
    };

    void DropLocked(const void* owner) {
        std::erase_if(FWaiting, [owner](const TWaiting& w) { return w.Owner == owner; });
        if (FRunningOwner == owner) FRunningStop.request_stop();
    }

    void Loop(std::stop_token stop) {
        std::unique_lock lock(FMutex);
        for (;;) {
            if (!FWake.wait(lock, stop, [this] { return !FWaiting.empty(); })) return;
            TWaiting next = std::move(FWaiting.front());
            FWaiting.pop_front();
            FRunningOwner = next.Owner;
            FRunningStop = std::stop_source();
            const std::stop_token token = FRunningStop.get_token();
            lock.unlock();
            next.Job(token);
            // The job's captures (formulas, the mailbox) go here, outside
            // the lock.
            next.Job = nullptr;
            lock.lock();
            FRunningOwner = nullptr;
        }
    }

    std::mutex FMutex;
    std::condition_variable_any FWake;
    std::deque<TWaiting> FWaiting;
    const void* FRunningOwner = nullptr;
    std::stop_source FRunningStop;
    std::jthread FThread;  // last: it stops and joins before the members it uses go
};

bool Within(double x, double lo, double hi) { return lo <= x && x <= hi; }

QString Capitalised(const char* word) {
    QString text = QString::fromLatin1(word);
    if (!text.isEmpty()) text[0] = text[0].toUpper();
    return text;
}

// The proved digits of [lo, hi]; where not even the first digit is proved,
// the enclosure itself, whose ends are exact.
QString Coordinate(double lo, double hi) {
    const std::string digits = ProvedDigits(lo, hi);
    if (!digits.empty()) return QString::fromStdString(digits);
    return QStringLiteral("[%1, %2]").arg(QString::fromStdString(ProvedDigits(lo, lo)),
                                          QString::fromStdString(ProvedDigits(hi, hi)));
}

// Proving digits takes tens of microseconds a number: done here, on the
// search's thread, for every point.
void Label(TFoundPoints& found) {
    found.Labels.clear();
    for (const TPointOfInterest& p : found.Points) found.Labels.push_back(PointLabel(p));
}

}  // namespace

// What a search posts its result to: the finder while it lives. The finder
// clears it under the lock before it goes, so a search that ends meanwhile
// either posts to a finder that is still there (and whose posted events go
// with it) or posts nothing.
struct TPointFinder::TMailbox {
    std::mutex Mutex;
    TPointFinder* Receiver = nullptr;
};

TPointResult SearchPoints(const TPointRequest& request, std::stop_token stop) {
    TPointResult result;
    const TPointTarget& active = request.Active;
    TFoundPoints& own = result.Own;
    own.Function = active.Function;
    if (!active.Formula) return result;
    const TPointFormula& f = *active.Formula;

    const auto take = [&own](TPointSearch found) {
        own.WorkLimitReached = own.WorkLimitReached || found.WorkLimitReached;
        own.Points.insert(own.Points.end(), found.Points.begin(), found.Points.end());
        return !found.Stopped;
    };
    if (!take(FindRoots(f, active.From, active.To, {}, stop))) return result;
    if (!take(FindExtrema(f, active.From, active.To, TSearchEnds::seExclude, {}, stop))) return result;
    // Where a root or an extremum sits on the y axis it is the y-intercept
    // as well; one circle there, named for the other kind.
    const bool onAxis = std::any_of(own.Points.begin(), own.Points.end(),
                                    [](const TPointOfInterest& p) { return Within(0, p.XLo, p.XHi); });
    if (Within(0, active.From, active.To) && !onAxis)
        if (const std::optional<TPointOfInterest> intercept = FindYIntercept(f)) own.Points.push_back(*intercept);
    std::stable_sort(own.Points.begin(), own.Points.end(),
                     [](const TPointOfInterest& a, const TPointOfInterest& b) { return a.X < b.X; });
    Label(own);

    for (const TPointTarget& other : request.Others) {
        if (!other.Formula) continue;
        TPointSearch found = FindIntersections(f, *other.Formula, other.From, other.To, {}, stop);
        if (found.Stopped || stop.stop_requested()) return result;
        TFoundPoints& meeting = result.Intersections.emplace_back();
        meeting.Function = other.Function;
        meeting.Points = std::move(found.Points);
        meeting.WorkLimitReached = found.WorkLimitReached;
        Label(meeting);
    }
    return result;
}

QString PointLabel(const TPointOfInterest& point) {
    QString kind = Capitalised(PointKindName(point.Kind));
    if (point.Status != TPointStatus::psUnique)
        kind += QStringLiteral(" (%1)").arg(QString::fromLatin1(PointStatusName(point.Status)));
    // A root lies on the x axis whatever the enclosure of the value there.
    const QString y = point.Kind == TPointKind::pkRoot ? QStringLiteral("0") : Coordinate(point.YLo, point.YHi);
    return QStringLiteral("%1: x = %2, y = %3").arg(kind, Coordinate(point.XLo, point.XHi), y);
}

TPointFinder::TPointFinder(QObject* parent) : QObject(parent), FMailbox(std::make_shared<TMailbox>()) {
    FMailbox->Receiver = this;
}

TPointFinder::~TPointFinder() {
    {
        const std::lock_guard lock(FMailbox->Mutex);
        FMailbox->Receiver = nullptr;
    }
    TSearchLane::Instance().Drop(FMailbox.get());
}

std::uint64_t TPointFinder::Start(TPointRequest request) {
    const std::uint64_t generation = ++FGeneration;
    FBusy = true;
    TSearchLane::Instance().Post(
        FMailbox.get(),
        [mailbox = FMailbox, request = std::move(request), generation](std::stop_token stop) {
            TPointResult result;
            try {
                result = SearchPoints(request, stop);
            } catch (...) {
                // Nothing may escape on this thread; the window says the
                // search failed rather than show no points as if proved.
                result = {};
                result.Failed = true;
            }
            if (stop.stop_requested()) return;
            result.Generation = generation;
            const std::lock_guard lock(mailbox->Mutex);
            if (TPointFinder* receiver = mailbox->Receiver)
                QMetaObject::invokeMethod(
                    receiver, [receiver, result = std::move(result)]() mutable { receiver->Deliver(std::move(result)); },
                    Qt::QueuedConnection);
        });
    return generation;
}

void TPointFinder::Cancel() {
    ++FGeneration;
    FBusy = false;
    TSearchLane::Instance().Drop(FMailbox.get());
}

void TPointFinder::Deliver(TPointResult result) {
    // A result that was on its way when a newer search began is stale.
    if (result.Generation != FGeneration) return;
    FBusy = false;
    emit Found(result);
}

}  // namespace curvane

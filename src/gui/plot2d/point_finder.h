// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

#include "core/numeric/point_search.h"

namespace curvane {

// One curve of a search: its formula as it stood when the search was asked
// for, and the part of the x axis to search.
struct TPointTarget {
    int Function = -1;
    std::optional<TPointFormula> Formula;  // always set in a request
    double From = 0, To = 0;
};

// What one window asks for: the roots, extrema and y-intercept of the active
// function, and where it meets each of the others.
struct TPointRequest {
    TPointTarget Active;
    std::vector<TPointTarget> Others;
};

// The points of one curve, or of one pair of curves, each with its label.
struct TFoundPoints {
    int Function = -1;  // the active function, or the other one of an intersection
    std::vector<TPointOfInterest> Points;
    std::vector<QString> Labels;
    bool WorkLimitReached = false;
};

struct TPointResult {
    std::uint64_t Generation = 0;
    TFoundPoints Own;
    std::vector<TFoundPoints> Intersections;  // one per other function, in the request's order
    bool Failed = false;  // the search raised an error: nothing found is known
};

// Runs the searches of a request and labels the points found; a stop ends it
// early (the result is then incomplete and meant to be dropped).
TPointResult SearchPoints(const TPointRequest& request, std::stop_token stop);

// A point's label: its kind (with what is proved, unless it is proved
// unique) and its coordinates to the digits the search proved
// ("Root: x = 3.14159265358979, y = 0").
QString PointLabel(const TPointOfInterest& point);

// Searches for a window's points away from the user-interface thread. Each
// Start drops the search before it (asked to stop, its result never shown),
// so a view that moves on keeps at most one search of it running; nothing
// ever waits for a search. Every finder shares one background thread.
//
// The result comes back through the event loop as Found, numbered by the
// generation its Start returned. A finder that is deleted first hears nothing
// and its search is stopped.
class TPointFinder : public QObject {
    Q_OBJECT
public:
    explicit TPointFinder(QObject* parent = nullptr);
    ~TPointFinder() override;

    std::uint64_t Start(TPointRequest request);
    // Drops the search under way, if any.
    void Cancel();
    // A search was started and its result has not come back yet.
    bool Busy() const { return FBusy; }

signals:
    void Found(const curvane::TPointResult& result);

private:
    struct TMailbox;
    void Deliver(TPointResult result);

    std::shared_ptr<TMailbox> FMailbox;
    std::uint64_t FGeneration = 0;
    bool FBusy = false;
};

}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPoint>
#include <QSize>
#include <QString>

#include <cstdint>
#include <optional>

#include "core/numeric/point_search.h"
#include "core/plot/view_history.h"

class QTimer;

namespace curvane {

class TfrmChild2D_;
class TPointFinder;
struct TPointResult;

// Whether a change leaves the points found so far where they are: a new view
// or new parameter values move them at most a little until the new ones come,
// while a new formula or another active function makes them wrong at once.
enum class TPointChange : std::uint8_t { pcView, pcContent };

// The points of interest of one 2D window: the roots, extrema and
// y-intercept of its active function and where that meets the other visible
// functions, marked on the plot. After every change of the view or the
// document a search is asked for once the event loop is back (the formulas
// are taken as they stand then) and runs on another thread; its result is
// marked when it comes, unless a newer change dropped it. The mouse over a
// mark shows its label; a click pins it until the next change. What cannot be
// shown is said in the main status bar.
class TPointsOfInterest : public QObject {
    Q_OBJECT
public:
    // The status bar's notes.
    static const QString NotExplicitNote;
    static const QString CrowdedNote;
    static const QString WorkLimitNote;
    static const QString FailedNote;
    // A function with more points than one per this many pixels of the
    // plot's width gets none marked.
    static constexpr int PixelsPerPoint = 8;

    explicit TPointsOfInterest(TfrmChild2D_& window);
    ~TPointsOfInterest() override;

    bool Shown() const { return FShown; }
    void SetShown(bool on);

    // Something the points depend on changed: the pinned label goes, and a
    // search follows.
    void Changed(TPointChange change);
    // The pointer moved to `pixel` over the plot (or left it: nullopt).
    void Hover(std::optional<QPoint> pixel);
    // A press of the plot: true when it pinned the label of the mark there,
    // and so belongs to the points rather than to the mouse mode.
    bool Press(QPoint pixel, Qt::MouseButton button, Qt::KeyboardModifiers keys);

    // What the status bar says about this window's points; empty when all
    // is shown.
    const QString& Note() const { return FNote; }
    // A search is asked for or under way.
    bool Searching() const;
    // Results marked so far (every search that was not dropped).
    int Results() const { return FResults; }

private:
    void Request();
    void Show(const TPointResult& result);
    // No points, and the note that says why (empty: nothing to say).
    void ShowNone(const QString& note);
    void SetNote(const QString& note);
    void Repaint();

    TfrmChild2D_& FWindow;
    TPointFinder* FFinder = nullptr;
    // Single shot, no delay: the changes that came together ask once.
    QTimer* FRequest = nullptr;
    bool FShown = false;
    int FResults = 0;
    QString FNote;
    // The view the last change saw, and its size in pixels; a picture of
    // another one is a change.
    TWorldView FView;
    QSize FPixels;
};

}  // namespace curvane

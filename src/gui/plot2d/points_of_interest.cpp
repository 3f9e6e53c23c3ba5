// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/plot2d/points_of_interest.h"

#include <QCursor>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <exception>
#include <numbers>

#include "core/document/func_item.h"
#include "core/document/parameter_cells.h"
#include "core/document/shared_evaluators.h"
#include "gui/common/exception_report.h"
#include "gui/plot2d/frm_child2d.h"
#include "gui/plot2d/point_finder.h"
#include "gui/plot2d/scope.h"
#include "render/plot2d/indicator.h"
#include "render/plot2d/plot2d.h"

namespace curvane {

const QString TPointsOfInterest::NotExplicitNote =
    QStringLiteral("Points of interest are marked for Y(x) functions only");
const QString TPointsOfInterest::CrowdedNote = QStringLiteral("Too many points of interest to mark");
const QString TPointsOfInterest::WorkLimitNote =
    QStringLiteral("The point search reached its work limit: some points may be missing");
const QString TPointsOfInterest::FailedNote = QStringLiteral("The point search failed");

namespace {

bool IsExplicitY(const TFuncItem& f) {
    return f.FuncType == TFuncType::ftOrtho2D && f.FuncKind == TFuncKind::fkExplicit;
}

// Where a function's points are looked for within [from, to] (the visible x
// range): all of it, or the part its manual limits draw. Nullopt for a
// function that draws nothing there or whose formula does not compile (the
// window reports that when it samples).
std::optional<TPointTarget> Target(const TFuncItem& f, int index, double from, double to) {
    if (!f.Active || f.Expression.empty() || !IsExplicitY(f)) return std::nullopt;
    if (f.ManualLimits) {
        const double scale = f.ConvToDeg ? std::numbers::pi / 180 : 1.0;
        const double a = f.From * scale, b = f.To * scale;
        // The sampler asks about limits the wrong way round; here they are
        // only a range.
        from = std::max(from, std::min(a, b));
        to = std::min(to, std::max(a, b));
    }
    if (!(from < to) || !std::isfinite(from) || !std::isfinite(to)) return std::nullopt;
    TPointTarget target;
    target.Function = index;
    target.From = from;
    target.To = to;
    try {
        target.Formula = TPointFormula::Make(EvalOrtho(), f.Expression,
                                             f.Derivative ? TCurveOrder::coDerivative : TCurveOrder::coValue);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    return target;
}

// Whether `marks` draw the circles `layer` shows: the same pixels in the
// same colours (the labels may differ in digits no picture shows).
bool SameCircles(const TPointLayer& layer, const std::vector<TPointMark>& marks, const TIndicator& indicator) {
    if (layer.Pinned() || layer.Marks().size() != marks.size()) return false;
    for (std::size_t i = 0; i < marks.size(); ++i)
        if (layer.Marks()[i].Color != marks[i].Color ||
            TPointLayer::Centre(indicator, layer.Marks()[i]) != TPointLayer::Centre(indicator, marks[i]))
            return false;
    return true;
}

}  // namespace

TPointsOfInterest::TPointsOfInterest(TfrmChild2D_& window) : QObject(&window), FWindow(window) {
    FFinder = new TPointFinder(this);
    connect(FFinder, &TPointFinder::Found, this,
            [this](const TPointResult& result) { RunGuarded([&] { Show(result); }); });
    FRequest = new QTimer(this);
    FRequest->setSingleShot(true);
    FRequest->setInterval(0);
    connect(FRequest, &QTimer::timeout, this, [this] { RunGuarded([this] { Request(); }); });
    // Every new view is painted: whichever way it came (a drag, the wheel,
    // a command, a resize), the points follow from here.
    // The hint panel shows the current window's note.
    connect(&TGraphHub::Instance(), &TGraphHub::WindowActivated, this, [this](TfrmAbstractMDIChild* activated) {
        if (activated == &FWindow && !FNote.isEmpty())
            emit TGraphHub::Instance().StatusTextRequested(TMainStatusPanel::mspHint, FNote);
    });
    connect(window.Scope(), &TScope::BufferRedrawn, this, [this] {
        if (FShown && (FWindow.Indicator().View() != FView || FWindow.Plot().Size() != FPixels))
            Changed(TPointChange::pcView);
    });
}

TPointsOfInterest::~TPointsOfInterest() = default;

void TPointsOfInterest::SetShown(bool on) {
    if (on == FShown) return;
    FShown = on;
    if (on) return Changed(TPointChange::pcContent);
    FRequest->stop();
    ShowNone({});
}

bool TPointsOfInterest::Searching() const { return FRequest->isActive() || FFinder->Busy(); }

void TPointsOfInterest::Changed(TPointChange change) {
    if (!FShown) return;
    FView = FWindow.Indicator().View();
    FPixels = FWindow.Plot().Size();
    TPointLayer& points = FWindow.Plot().Points();
    FWindow.Scope()->SetHoveredPoint(std::nullopt);
    if (change == TPointChange::pcContent && !points.Marks().empty()) {
        points.Clear();
        Repaint();
    } else if (points.Pinned()) {
        points.SetPinned(std::nullopt);
        Repaint();
    }
    FRequest->start();
}

void TPointsOfInterest::Request() {
    if (!FShown) return;
    const TFuncItem* active = FWindow.ActiveFunc();
    if (!active || !active->Active || active->Expression.empty()) return ShowNone({});
    if (!IsExplicitY(*active)) return ShowNone(NotExplicitNote);
    const TIndicator& indicator = FWindow.Indicator();
    // The formulas take the parameters' values of now; the search never
    // sees the document again.
    const TParameterBinding parameters(FWindow.Document().Parameters);
    const int activeIndex = FWindow.FuncActive();
    std::optional<TPointTarget> own = Target(*active, activeIndex, indicator.WorldLeft(), indicator.WorldRight());
    if (!own) return ShowNone({});
    TPointRequest request;
    for (int i = 0; i < FWindow.FuncCount(); ++i)
        if (i != activeIndex)
            if (std::optional<TPointTarget> other = Target(*FWindow.Func(i), i, own->From, own->To))
                request.Others.push_back(std::move(*other));
    request.Active = std::move(*own);
    FFinder->Start(std::move(request));
}

void TPointsOfInterest::Show(const TPointResult& result) {
    if (!FShown) return;
    const TFuncItem* active = FWindow.Func(result.Own.Function);
    if (!active) return ShowNone({});
    if (result.Failed) return ShowNone(FailedNote);
    ++FResults;
    const std::size_t most = static_cast<std::size_t>(std::max(1, FWindow.Indicator().Width() / PixelsPerPoint));
    std::vector<TPointMark> marks;
    bool crowded = false, cut = false;
    const auto mark = [&](const TFoundPoints& found) {
        // Points left out for their number need no word about the ones the
        // work limit may have missed.
        if (found.Points.size() > most) {
            crowded = true;
            return;
        }
        cut = cut || found.WorkLimitReached;
        for (std::size_t i = 0; i < found.Points.size(); ++i) {
            const TPointOfInterest& p = found.Points[i];
            marks.push_back({p.X, p.Kind == TPointKind::pkRoot ? 0.0 : p.Y, active->Color, found.Labels[i]});
        }
    };
    mark(result.Own);
    for (const TFoundPoints& found : result.Intersections) mark(found);
    // Panning finds mostly the points shown already, and those are drawn
    // where they belong: the picture is painted again only when a circle
    // comes, goes or moves by a pixel.
    TPointLayer& layer = FWindow.Plot().Points();
    const bool samePicture = SameCircles(layer, marks, FWindow.Indicator());
    layer.SetMarks(std::move(marks));
    // The pointer may rest on a new mark already.
    TScope* scope = FWindow.Scope();
    scope->SetHoveredPoint(std::nullopt);
    if (scope->underMouse()) Hover(scope->mapFromGlobal(QCursor::pos()));
    QStringList notes;
    if (crowded) notes << CrowdedNote;
    if (cut) notes << WorkLimitNote;
    SetNote(notes.join(QStringLiteral("; ")));
    if (!samePicture) Repaint();
}

void TPointsOfInterest::ShowNone(const QString& note) {
    FFinder->Cancel();
    FWindow.Scope()->SetHoveredPoint(std::nullopt);
    TPointLayer& points = FWindow.Plot().Points();
    if (!points.Marks().empty()) {
        points.Clear();
        Repaint();
    }
    SetNote(note);
}

void TPointsOfInterest::SetNote(const QString& note) {
    const bool changed = note != FNote;
    FNote = note;
    // The hint panel is the whole frame's: only the current window writes
    // there. A sampling run clears it, so a note is said again with each
    // result; an empty one only replaces a note of ours.
    if (CurrentGraphWindow() == &FWindow && (!note.isEmpty() || changed))
        emit TGraphHub::Instance().StatusTextRequested(TMainStatusPanel::mspHint, note);
}

void TPointsOfInterest::Repaint() { FWindow.Scope()->RequestRedraw(); }

void TPointsOfInterest::Hover(std::optional<QPoint> pixel) {
    if (!FShown) return;
    const TPointLayer& points = FWindow.Plot().Points();
    FWindow.Scope()->SetHoveredPoint(pixel ? points.MarkAt(FWindow.Indicator(), *pixel) : std::nullopt);
}

bool TPointsOfInterest::Press(QPoint pixel, Qt::MouseButton button, Qt::KeyboardModifiers keys) {
    if (!FShown || button != Qt::LeftButton || keys != Qt::NoModifier) return false;
    TPointLayer& points = FWindow.Plot().Points();
    const std::optional<std::size_t> index = points.MarkAt(FWindow.Indicator(), pixel);
    if (!index) return false;
    points.SetPinned(index);
    Repaint();
    return true;
}

}  // namespace curvane

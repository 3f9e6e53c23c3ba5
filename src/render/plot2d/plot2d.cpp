// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plot2d/plot2d.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <exception>
#include <numbers>
#include <vector>

#include "core/document/parameter_cells.h"
#include "core/document/shared_evaluators.h"
#include "core/plot/curve_job.h"
#include "core/plot/sampler2d.h"
#include "core/support/work_pool.h"
#include "core/settings/settings.h"
#include "core/support/ini_file.h"

namespace curvane {


TPlot2D::TPlot2D() : FBackground(static_cast<TPlotColor>(0xFF00000Fu)) {  // the system's button face
    FIndicator.SetAxisColor(clRed);
    FIndicator.SetBackground(clBlack);
    FIndicator.SetGraphicColor(clBlue);
    SetSize({100, 100});
    FIndicator.SetXRange(-10, 10);
    FIndicator.SetYRange(-1, 1);
    FIndicator.OnGetAxisLabel = [this](double value, TAxis axis, QString& text) {
        UnitsAxisLabel(value, axis == TAxis::axX ? FUnitsXMode : FUnitsYMode, text);
    };
}

TPlot2D::~TPlot2D() = default;

void TPlot2D::SetBackground(TPlotColor color) {
    if (FBackground == color) return;
    FBackground = color;
    if (TIndicatorOwner* owner = FIndicator.Owner()) owner->RequestRedraw();
}

void TPlot2D::SetUnitsXMode(TUnits mode) {
    if (mode == FUnitsXMode) return;
    FUnitsXMode = mode;
    FIndicator.SetGridGranularityX(UnitsGranularity(mode));
}

void TPlot2D::SetUnitsYMode(TUnits mode) {
    if (mode == FUnitsYMode) return;
    FUnitsYMode = mode;
    FIndicator.SetGridGranularityY(UnitsGranularity(mode));
}

QSize TPlot2D::Size() const {
    const TPixelRect& r = FIndicator.ControlRect();
    return {r.Right - r.Left, r.Bottom - r.Top};
}

void TPlot2D::SetSize(QSize size) {
    FIndicator.Layout({0, 0, std::max(MinSide, size.width()), std::max(MinSide, size.height())});
}

void TPlot2D::ApplySettings(const TSettings& all) {
    const TSettings2D& settings = all.Window2D;
    // The units give each axis its granularity (1, or pi for radians and
    // degrees). A stored granularity replaces it only on a dimensionless
    // axis: radians and degrees label multiples of pi, and the stored value,
    // 1 unless the user chose another, would put those labels at odd
    // fractions of pi.
    SetUnitsXMode(settings.UnitsX);
    SetUnitsYMode(settings.UnitsY);
    if (FUnitsXMode == TUnits::uDimensionless) FIndicator.SetGridGranularityX(settings.GranularityX);
    if (FUnitsYMode == TUnits::uDimensionless) FIndicator.SetGridGranularityY(settings.GranularityY);

    const TOwnerBatch batch(FIndicator.Owner());
    FIndicator.ZoomToRect({-10, -10}, {10, 10});
    SetBackground(settings.WindowBackground);
    TLook2D look = FIndicator.Look();
    look.Stored() = LookFromSettings(all);
    look.ScopeType = TScopeType::stScope;
    look.GridLineStyle = Qt::DotLine;
    FIndicator.SetLook(look);
}

void TPlot2D::StoreSettings(TSettings& all) const {
    TSettings2D& settings = all.Window2D;
    settings.UnitsX = FUnitsXMode;
    settings.UnitsY = FUnitsYMode;
    settings.GranularityX = FIndicator.GridGranularityX();
    settings.GranularityY = FIndicator.GridGranularityY();
    settings.WindowBackground = FBackground;
    StoreLook(FIndicator.Look(), all);
}

TView2D TPlot2D::View() const {
    TView2D view;
    view.Uniform = FIndicator.Uniform();
    view.FullGrid = FIndicator.FullGrid();
    view.Labels = FIndicator.Labels();
    view.UnitsX = FUnitsXMode;
    view.UnitsY = FUnitsYMode;
    view.GranularityX = FIndicator.GridGranularityX();
    view.GranularityY = FIndicator.GridGranularityY();
    view.Left = FIndicator.WorldLeft();
    view.Right = FIndicator.WorldRight();
    view.Top = FIndicator.WorldTop();
    view.Bottom = FIndicator.WorldBottom();
    return view;
}

void TPlot2D::ApplyView(const TView2D& view) {
    const TOwnerBatch batch(FIndicator.Owner());
    FIndicator.SetUniform(view.Uniform);
    FIndicator.SetFullGrid(view.FullGrid);
    FIndicator.SetLabels(view.Labels);
    // Units set their own granularity, which a document may have replaced.
    SetUnitsXMode(view.UnitsX);
    SetUnitsYMode(view.UnitsY);
    FIndicator.SetGridGranularityX(view.GranularityX);
    FIndicator.SetGridGranularityY(view.GranularityY);
}

void TPlot2D::ShowVisibleArea(const TView2D& view) {
    FIndicator.ZoomToRect({view.Left, view.Top}, {view.Right, view.Bottom});
}

void TPlot2D::ShowCaption(const TGraphDocument& document) {
    QString caption;
    for (int i = 0; i < document.Functions.Count(); ++i) {
        const TFuncItem& f = *document.Functions[i];
        const QString text = QString::fromStdString(f.Expression);
        if (i > 0) caption += ", ";
        caption += f.Derivative ? "[" + text + "]'" : text;
    }
    FIndicator.SetCaption(caption);
}

void TPlot2D::MatchCurves(const TGraphDocument& document) {
    TGraphPlines& plines = FIndicator.Plines();
    const int count = document.Functions.Count();
    while (plines.Count() > count) plines.Delete(plines.Count() - 1);
    while (plines.Count() < count) plines.Add();
    for (int i = 0; i < count; ++i) {
        plines[i].SetColor(document.Functions[i]->Color);
        plines[i].SetWidth(document.Functions[i]->Width);
    }
}

TPlotNeed TPlot2D::Follow(const TGraphDocument& document, const TDocumentChange& change) {
    const TOwnerBatch batch(FIndicator.Owner());
    TGraphPlines& plines = FIndicator.Plines();
    TPlotNeed need = TPlotNeed::pnPaint;
    switch (change.Kind) {
        case TChangeKind::ckNothing:
        case TChangeKind::ckActive:
            return TPlotNeed::pnNothing;
        case TChangeKind::ckLook:
            break;
        case TChangeKind::ckFormula:
            // Marks belong to the samples: a changed function finds its own again.
            if (change.Function >= 0 && change.Function < plines.Count()) plines[change.Function].Pline().Clear();
            FIndicator.ClearMarks();
            need = TPlotNeed::pnSampleOne;
            break;
        case TChangeKind::ckParameters:
            // A new range redraws nothing; a new value samples what uses it.
            if (change.Functions.empty()) return TPlotNeed::pnNothing;
            for (const int i : change.Functions)
                if (i >= 0 && i < plines.Count()) plines[i].Pline().Clear();
            FIndicator.ClearMarks();
            need = TPlotNeed::pnSampleListed;
            break;
        case TChangeKind::ckInserted:
            if (change.Function >= 0 && change.Function <= plines.Count()) plines.Insert(change.Function);
            need = TPlotNeed::pnSampleOne;
            break;
        case TChangeKind::ckRemoved:
            if (change.Function >= 0 && change.Function < plines.Count()) plines.Delete(change.Function);
            break;
        case TChangeKind::ckMoved:
            if (std::max(change.Function, change.To) < plines.Count()) plines.Move(change.Function, change.To);
            break;
        case TChangeKind::ckScale:
        case TChangeKind::ckDisplay:
            ApplyView(document.View2D);
            if (change.Kind == TChangeKind::ckScale) need = TPlotNeed::pnSampleAll;
            break;
        case TChangeKind::ckDocument:
            FIndicator.ClearMarks();
            for (int i = 0; i < plines.Count(); ++i) plines[i].Pline().Clear();
            ApplyView(document.View2D);
            FDataSets.SetSets(document.DataSets);
            need = TPlotNeed::pnSampleAll;
            break;
    }
    // Whatever went wrong above (a curve count out of step), curve i is
    // function i from here on.
    MatchCurves(document);
    ShowCaption(document);
    return need;
}

void TPlot2D::ShowDocument(const TGraphDocument& document) {
    Follow(document, {TChangeKind::ckDocument});
    ShowVisibleArea(document.View2D);
}

void TPlot2D::Sample(const TGraphDocument& document, std::optional<int> only, TSamplerDialog& dialog,
                     const TRangeKeeper& keep) {
    std::vector<int> functions;
    if (only)
        functions.push_back(*only);
    else
        for (int i = 0; i < document.Functions.Count(); ++i) functions.push_back(i);
    Sample(document, functions, dialog, keep);
}

// One function of a run sampled on the work pool: everything its job writes is
// its own, and the run publishes it afterwards on the calling thread.
struct TPlot2D::TPooledCurve {
    int Function = 0;
    TFuncItem Func;  // the record, with the range sampling settled
    TCurveJob Job;
    TPline Curve{3};
    std::vector<TSampleMark> Marks;
    std::uint64_t Evaluations = 0;
    std::exception_ptr Error;  // what ended the function: a compile error, or one while sampling
};

// The plot's kept evaluators for one run; a run started from a question of
// another (a nested event loop) finds them taken and compiles into
// evaluators of its own (null).
class TPlot2D::TKeptEvaluatorsLease {
public:
    explicit TKeptEvaluatorsLease(TPlot2D& plot) : FPlot(plot), FBefore(plot.FKeptEvaluatorsBusy) {
        if (!FPlot.FKeptEvaluators) FPlot.FKeptEvaluators = std::make_unique<TPrivateEvaluators>();
        FEvaluators = FBefore ? nullptr : FPlot.FKeptEvaluators.get();
        FPlot.FKeptEvaluatorsBusy = true;
    }
    ~TKeptEvaluatorsLease() { FPlot.FKeptEvaluatorsBusy = FBefore; }
    TKeptEvaluatorsLease(const TKeptEvaluatorsLease&) = delete;
    TKeptEvaluatorsLease& operator=(const TKeptEvaluatorsLease&) = delete;
    TPrivateEvaluators* Evaluators() const { return FEvaluators; }

private:
    TPlot2D& FPlot;
    bool FBefore;
    TPrivateEvaluators* FEvaluators;
};

namespace {

// Curves of up to this many vertices keep their storage from one run to the
// next: panning samples the same number again, and storage freed and taken
// anew costs zero-filling and page faults every frame. A curve that once
// had a million vertices gives its storage back.
constexpr std::int32_t KeptCurveCapacity = 1 << 16;

void EmptyForSampling(TPline& curve) {
    if (curve.Capacity() <= KeptCurveCapacity) curve.SetCount(0);
    else curve.Clear();
}

}  // namespace

void TPlot2D::Sample(const TGraphDocument& document, const std::vector<int>& functions, TSamplerDialog& dialog,
                     const TRangeKeeper& keep) {
    // A question asked in the middle of the run spins an event loop; whoever
    // wants the evaluators from there must see that this run holds them.
    const TSharedEvaluatorLease lease;
    const TParameterBinding parameters(document.Parameters);
    FFailedFunction = -1;
    const TSampleView view{FIndicator.WorldLeft(),   FIndicator.WorldRight(), FIndicator.Width(),
                           FIndicator.WorldBottom(), FIndicator.WorldTop(),   FIndicator.Height()};
    MatchCurves(document);

    // Marks already shown stay; the sampler adds only positions not known yet.
    std::vector<TSampleMark> marks;
    for (int i = 0; i < FIndicator.Marks().Count(); ++i) marks.push_back({FIndicator.Marks().GetVertex(i)[0], {}});
    const std::size_t knownMarks = marks.size();
    auto publishMarks = [&] {
        for (std::size_t i = knownMarks; i < marks.size(); ++i)
            FIndicator.AddMark(QString::fromStdString(marks[i].Text), marks[i].Position);
    };

    if (functions.size() >= ThreadedSamplingMinFunctions && SharedWorkPool().Threads() > 1)
        return SampleOnPool(document, functions, view, dialog, keep, marks, publishMarks);

    // Many functions on one thread go into the kept evaluators as well: a
    // compile into the shared ones writes and seals new code every time.
    std::optional<TKeptEvaluatorsLease> kept;
    if (functions.size() >= ThreadedSamplingMinFunctions) kept.emplace(*this);
    std::size_t slot = 0;
    TGraphPlines& plines = FIndicator.Plines();
    for (const int i : functions) {
        if (!document.Functions.Items(i)) continue;
        TFuncItem func = *document.Functions[i];
        ++FSampledFunctions;
        {
            TGraphPline& curve = plines[i];
            EmptyForSampling(curve.Pline());
            curve.SetColor(func.Color);
            curve.SetWidth(func.Width);
        }
        TRangeOutcome outcome;
        try {
            const TCurveJob job = kept ? PrepareCurveJob(func, view, dialog, TEvaluatorUse::euPrivate,
                                                         kept->Evaluators(), slot++)
                                       : PrepareCurveJob(func, view, dialog, TEvaluatorUse::euShared);
            // The questions about limits spin an event loop: the curve is
            // looked up after them.
            SampleCurveJob(job, plines[i].Pline(), marks, &FEvaluatedPoints);
            outcome = job.Outcome;
        } catch (...) {
            if (keep) keep(i, func);
            FFailedFunction = i;
            publishMarks();
            throw;
        }
        if (keep) keep(i, func);
        if (outcome == TRangeOutcome::roCancel) break;
    }
    publishMarks();
}

void TPlot2D::SampleOnPool(const TGraphDocument& document, const std::vector<int>& functions,
                           const TSampleView& view, TSamplerDialog& dialog, const TRangeKeeper& keep,
                           std::vector<TSampleMark>& marks, const std::function<void()>& publishMarks) {
    // First, here and in order, what may ask the user or touch what threads
    // share: the ranges (whose questions spin an event loop, before any
    // worker is busy) and the compiles, each into evaluators of its own. A
    // compile error or the user's cancel ends the list there, as it ends
    // the run of one thread.
    const TKeptEvaluatorsLease kept(*this);

    std::vector<TPooledCurve> curves;
    curves.reserve(functions.size());
    for (const int i : functions) {
        if (!document.Functions.Items(i)) continue;
        TPooledCurve& c = curves.emplace_back();
        c.Function = i;
        if (curves.size() <= FSpareCurves.size()) {
            c.Curve.SwapVertices(FSpareCurves[curves.size() - 1]);
            c.Curve.SetCount(0);
        }
        c.Func = *document.Functions[i];
        try {
            c.Job = PrepareCurveJob(c.Func, view, dialog, TEvaluatorUse::euPrivate, kept.Evaluators(),
                                    curves.size() - 1);
        } catch (...) {
            c.Error = std::current_exception();
            break;
        }
        if (c.Job.Outcome == TRangeOutcome::roCancel) break;
    }

    // The sampling, side by side: each job writes only its own curve, marks
    // and count, and reads the parameter cells nobody writes during the run.
    SharedWorkPool().Run(curves.size(), [&curves](std::size_t k) {
        TPooledCurve& c = curves[k];
        if (c.Error) return;
        try {
            SampleCurveJob(c.Job, c.Curve, c.Marks, &c.Evaluations);
        } catch (...) {
            c.Error = std::current_exception();
        }
    });

    // Then, in order, what one thread would have left: an error (at compile
    // or while sampling) ends the run at its function, whose curve holds what
    // was sampled before it; the curves of the functions after it stay as
    // they were and their ranges are not kept, though their questions were
    // asked before the sampling began.
    TGraphPlines& plines = FIndicator.Plines();
    if (FSpareCurves.size() < curves.size()) FSpareCurves.resize(curves.size(), TPline(3));
    for (std::size_t k = 0; k < curves.size(); ++k) {
        TPooledCurve& c = curves[k];
        ++FSampledFunctions;
        TGraphPline& curve = plines[c.Function];
        curve.SetColor(c.Func.Color);
        curve.SetWidth(c.Func.Width);
        // The curve's old storage is the next run's spare for this place.
        curve.Pline().SwapVertices(c.Curve);
        EmptyForSampling(c.Curve);
        FSpareCurves[k].SwapVertices(c.Curve);
        FEvaluatedPoints += c.Evaluations;
        for (TSampleMark& mark : c.Marks) AddSampleMark(marks, std::move(mark));
        if (keep) keep(c.Function, c.Func);
        if (c.Error) {
            FFailedFunction = c.Function;
            publishMarks();
            std::rethrow_exception(c.Error);
        }
    }
    publishMarks();
}

void TPlot2D::Paint(QPainter& painter) const {
    painter.fillRect(QRect(QPoint(0, 0), Size()), ToQColor(FBackground));
    FIndicator.Paint(painter);
    FDataSets.Paint(FIndicator, painter);
    FPoints.Paint(FIndicator, painter);
}

QImage TPlot2D::Picture(double ratio) const {
    if (!(ratio >= 1) || !std::isfinite(ratio)) ratio = 1;
    const QSize size = Size();
    QImage picture(static_cast<int>(std::ceil(size.width() * ratio)),
                   static_cast<int>(std::ceil(size.height() * ratio)), QImage::Format_RGB32);
    picture.setDevicePixelRatio(ratio);
    QPainter painter(&picture);
    Paint(painter);
    return picture;
}

}  // namespace curvane

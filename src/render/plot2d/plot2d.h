// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QImage>
#include <QSize>

#include "core/document/document_change.h"
#include "core/document/func_item.h"
#include "core/document/graph_document.h"
#include "core/plot/sampler2d.h"
#include "core/plot/units.h"
#include "render/color.h"
#include "render/plot2d/data_layer.h"
#include "render/plot2d/indicator.h"
#include "render/plot2d/point_layer.h"

class QPainter;

namespace curvane {

class TIniFile;
class TPrivateEvaluators;
class TSamplerDialog;
struct TSettings;

// A 2D graph from document to picture, without widgets: the indicator with
// its look, the units of both axes, the colour around the plot, one curve per
// function of the document it shows, and one Paint that draws the whole
// picture. The plot reads the document (a TGraphDocument) and never keeps it:
// Follow brings it in line after a change, Sample fills its curves.
// The 2D window shows one through its TScope (which becomes the indicator's
// owner); the command-line renderer, image export, the clipboard, printing
// and previews use one directly. Without an owner the indicator's setters
// ask for no redraw: a headless caller paints when it wants a picture.
//
// The plot answers the axis labels itself (OnGetAxisLabel of its indicator),
// so a headless picture shows its units exactly as the window does.
class TPlot2D {
public:
    // Below this width or height the plot has no room; sizes are raised to it.
    static constexpr int MinSide = 50;

    // A new plot at 100 x 100 pixels, world -10..10 by -1..1, no curves.
    TPlot2D();
    ~TPlot2D();
    TPlot2D(const TPlot2D&) = delete;
    TPlot2D& operator=(const TPlot2D&) = delete;

    TIndicator& Indicator() { return FIndicator; }
    const TIndicator& Indicator() const { return FIndicator; }

    // The points of interest marked over the curves, painted after the
    // indicator's picture; the plot never fills them itself.
    TPointLayer& Points() { return FPoints; }
    const TPointLayer& Points() const { return FPoints; }

    // The document's data sets as the plot shows them, over the curves and
    // under the points of interest; Follow copies them at every change of
    // the whole document, which is what an edit of the data sets is.
    const TDataLayer& DataSets() const { return FDataSets; }

    // The colour around the plot frame.
    TPlotColor Background() const { return FBackground; }
    void SetBackground(TPlotColor color);

    // Units of an axis. A new value sets the axis granularity
    // (UnitsGranularity); the same value changes nothing.
    TUnits UnitsXMode() const { return FUnitsXMode; }
    TUnits UnitsYMode() const { return FUnitsYMode; }
    void SetUnitsXMode(TUnits mode);
    void SetUnitsYMode(TUnits mode);

    // The picture's size in pixels; each side is raised to MinSide.
    QSize Size() const;
    void SetSize(QSize size);

    // The look a new 2D window takes from the settings: colours, switches,
    // fonts, units and granularities, and the view -10..10 on both axes.
    void ApplySettings(const TSettings& settings);
    // The other way: this plot's look, units and granularities into the
    // settings (what "Save as default" keeps). The view is not a setting.
    void StoreSettings(TSettings& settings) const;

    // The 2D view keys of a document ("Uniform", "Full grid", "Labels",
    // units, granularities, the four edges) as the plot shows them now.
    TView2D View() const;
    // Shows a document's switches, units and granularities (in that order);
    // the visible area stays.
    void ApplyView(const TView2D& view);
    // Shows the document's visible area (ZoomToRect at the current size).
    void ShowVisibleArea(const TView2D& view);

    // Brings the curves (curve i belongs to function i), the caption and the
    // switches in line with `document` after `change`, and says what the
    // picture needs now. Marks go with the samples of changed functions.
    TPlotNeed Follow(const TGraphDocument& document, const TDocumentChange& change);
    // A whole document for a plot of its own (a picture, a preview): every
    // curve, the switches and the visible area. Sample it next.
    void ShowDocument(const TGraphDocument& document);

    // Samples function `only` (nothing when it names none) or, without it,
    // every function of `document` into its curve, over the visible X range,
    // with the shared evaluators held for the whole run. New division-by-zero
    // marks are added; marks already shown stay. A run the user cancels at
    // the swap question ends there. A formula that does not compile, or any
    // other evaluation error, propagates; FailedFunction() then names the
    // function, whose curve is empty, and later functions keep their curves.
    //
    // Sampling settles a function's range (the automatic range, or manual
    // limits the user agreed to swap): `keep` hears each sampled function's
    // record with its range, so that the caller can keep it in the document.
    using TRangeKeeper = std::function<void(int function, const TFuncItem& sampled)>;
    //
    // The formulas see the document's parameters with the values they have
    // when the run starts (a TParameterBinding of its own for the run).
    //
    // Many functions (ThreadedSamplingMinFunctions) are sampled side by side
    // with the same results. All their questions are asked first, so an
    // error while sampling one (Fact beyond its range) comes after the
    // questions about the functions behind it, whose curves and ranges stay
    // as they were nonetheless.
    void Sample(const TGraphDocument& document, std::optional<int> only, TSamplerDialog& dialog,
                const TRangeKeeper& keep = {});
    // The same for the functions listed (what a new parameter value needs),
    // in the order given; indices that name no function are skipped.
    void Sample(const TGraphDocument& document, const std::vector<int>& functions, TSamplerDialog& dialog,
                const TRangeKeeper& keep = {});
    // How many functions the sampling runs of this plot have sampled, for
    // checking that a change samples only what it needs.
    long long SampledFunctions() const { return FSampledFunctions; }
    // How many points of explicit, parametric and polar functions those runs
    // have evaluated (TCurvePlan::Evaluations), for timing the formulas alone
    // over as many.
    std::uint64_t EvaluatedPoints() const { return FEvaluatedPoints; }

    // From this many functions on, a run compiles them into private
    // evaluators the plot keeps from run to run, and samples them side by
    // side on the shared work pool (SharedWorkPool, when it has more than one
    // thread): the ranges and compiles stay on the calling thread, in order,
    // and the curves, marks, kept ranges and errors come out as from one
    // thread. Fewer are cheaper on one thread with the shared evaluators:
    // every private evaluator costs its own compile and code pages.
    static constexpr std::size_t ThreadedSamplingMinFunctions = 16;
    // The function whose error ended the last run; -1 after a run that ended
    // normally.
    int FailedFunction() const { return FFailedFunction; }

    // The whole picture in plot pixels from (0, 0): the background, the
    // indicator, the data sets, then the marked points and their pinned label. To draw into another rectangle (a printer page, a vector
    // file) scale the painter; the plot is never laid out again for it.
    void Paint(QPainter& painter) const;
    // Paint into a new image of Size() times `ratio` device pixels per side,
    // with that device pixel ratio: the same picture, sharper. The layout and
    // the sampling stay in plot pixels. A ratio below 1 is taken as 1.
    QImage Picture(double ratio = 1) const;

private:
    struct TPooledCurve;
    class TKeptEvaluatorsLease;
    void SampleOnPool(const TGraphDocument& document, const std::vector<int>& functions, const TSampleView& view,
                      TSamplerDialog& dialog, const TRangeKeeper& keep, std::vector<TSampleMark>& marks,
                      const std::function<void()>& publishMarks);
    void MatchCurves(const TGraphDocument& document);
    void ShowCaption(const TGraphDocument& document);

    TIndicator FIndicator;
    TPointLayer FPoints;
    TDataLayer FDataSets;
    long long FSampledFunctions = 0;
    std::uint64_t FEvaluatedPoints = 0;
    TPlotColor FBackground;
    TUnits FUnitsXMode = TUnits::uDimensionless;
    TUnits FUnitsYMode = TUnits::uDimensionless;
    int FFailedFunction = -1;
    // The evaluators of the runs on the work pool, kept between runs; a run
    // started from a question of another leaves them to that one.
    std::unique_ptr<TPrivateEvaluators> FKeptEvaluators;
    bool FKeptEvaluatorsBusy = false;
    // The storage of the curves a run on the work pool replaced, one per
    // place in the run, which the next run samples into.
    std::vector<TPline> FSpareCurves;
};

}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include <QImage>
#include <QSize>

#include "core/document/func_item.h"
#include "core/document/graph_document.h"
#include "core/plot/units.h"
#include "render/color.h"
#include "render/plot2d/indicator.h"

class QPainter;

namespace curvane {

class TIniFile;
class TSamplerDialog;
struct TSettings;

// A 2D graph from document to picture, without widgets: the indicator with
// its look, the units of both axes, the colour around the plot, the function
// list whose curves it samples, and one Paint that draws the whole picture.
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

    // A new plot at 100 x 100 pixels, world -10..10 by -1..1, with a function
    // list of its own.
    TPlot2D();
    ~TPlot2D();
    TPlot2D(const TPlot2D&) = delete;
    TPlot2D& operator=(const TPlot2D&) = delete;

    TIndicator& Indicator() { return FIndicator; }
    const TIndicator& Indicator() const { return FIndicator; }

    // The functions whose curves this plot holds: its own list until a
    // window shares its list (which must outlive the plot or be unshared).
    TFuncList& Functions() { return *FFunctions; }
    const TFuncList& Functions() const { return *FFunctions; }
    void ShareFunctions(TFuncList& list) { FFunctions = &list; }

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
    // units, granularities, the four edges). Loading reads with the current
    // values as defaults, then applies them in that order, ending with
    // ZoomToRect at the current size.
    TView2D View() const;
    void LoadView(const TIniFile& ini);
    void SaveView(TIniFile& ini) const;
    // A whole 2D document for a plot of its own: the functions are appended,
    // their curves made, then the view is loaded. Returns "Func active".
    std::int32_t LoadDocument(const TIniFile& ini);

    // The caption over the plot: the expressions in list order, a derivative
    // shown as "[expression]'".
    void UpdateCaption();
    // One curve per function (surplus curves stay, empty).
    void EnsureCurves();

    // Samples the active function (onlyActive; nothing when `active` names
    // none) or every function into its curve, over the visible X range, with
    // the shared evaluators held for the whole run. New division-by-zero
    // marks are added; marks already shown stay. A run the user cancels at
    // the swap question ends there. A formula that does not compile, or any
    // other evaluation error, propagates; FailedFunction() then names the
    // function, whose curve is empty, and later functions keep their curves.
    void Sample(bool onlyActive, int active, TSamplerDialog& dialog);
    // The function whose error ended the last run; -1 after a run that ended
    // normally.
    int FailedFunction() const { return FFailedFunction; }

    // The whole picture in plot pixels from (0, 0): the background, then the
    // indicator. To draw into another rectangle (a printer page, a vector
    // file) scale the painter; the plot is never laid out again for it.
    void Paint(QPainter& painter) const;
    // Paint into a new image of Size() times `ratio` device pixels per side,
    // with that device pixel ratio: the same picture, sharper. The layout and
    // the sampling stay in plot pixels. A ratio below 1 is taken as 1.
    QImage Picture(double ratio = 1) const;

private:
    TIndicator FIndicator;
    TFuncList FOwnFunctions;
    TFuncList* FFunctions = &FOwnFunctions;
    TPlotColor FBackground;
    TUnits FUnitsXMode = TUnits::uDimensionless;
    TUnits FUnitsYMode = TUnits::uDimensionless;
    int FFailedFunction = -1;
};

}  // namespace curvane

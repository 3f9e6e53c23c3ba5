// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include "core/document/data_set.h"

class QPainter;

namespace curvane {

class TIndicator;

// The data sets a plot shows over its curves: each visible set's joining
// line, error bars and markers, in that order, one set over the other in the
// document's order. The layer keeps its own copy of the sets, so that it can
// paint while the document changes on.
//
// On a raster picture of one device pixel a pixel (the window, image export,
// the clipboard, --render) everything goes into one TCurveLayer: lines
// through TCurveRaster, error bars filled as the spans it would fill, markers
// stamped from a sprite made once per shape, size and colour, so a million
// points cost a copy of a few pixels each; what a sorted series draws again
// in the same pixel column is left out. A raster picture of a whole number
// of device pixels a pixel (a display at 200%) stamps markers from sprites
// of that scale and paints lines and bars as paths; any other scaled or
// vector painter (printing, SVG, PDF) gets paths that scale as paths. Either
// way only what lies inside the plot frame is drawn; markers outside it cost
// a compare.
class TDataLayer {
public:
    const std::vector<TDataSet>& Sets() const { return FSets; }
    void SetSets(std::vector<TDataSet> sets) { FSets = std::move(sets); }

    // In the indicator's pixels; the painter comes back as it was.
    void Paint(const TIndicator& indicator, QPainter& painter) const;

private:
    std::vector<TDataSet> FSets;
};

}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/plot/axis_range.h"

#include <algorithm>
#include <cmath>

namespace curvane {

namespace {

// A width below this share of the coordinates' size leaves each pixel of a
// wide plot fewer than one double of its own: labels would repeat and the
// curves would be drawn in steps.
constexpr double MinRelativeWidth = 1e-12;

// A range whose edges are finite and far enough apart for the doubles there.
bool Resolvable(double low, double width) {
    const double high = low + width;
    if (!std::isfinite(low) || !std::isfinite(high) || !(width > 0)) return false;
    return width >= MinRelativeWidth * std::max(std::fabs(low), std::fabs(high));
}

}  // namespace

std::optional<TAxisRange> ZoomAxis(const TAxisRange& range, double fixed, double factor) {
    if (!(factor > 0) || !std::isfinite(factor) || !std::isfinite(fixed)) return std::nullopt;
    const double width = range.Width * factor;
    // Only a step further past a limit is refused: a view set past one
    // otherwise (a zoom rectangle keeps no limits) can still come back.
    if (factor < 1 && !(width >= MinViewRange)) return std::nullopt;
    if (factor > 1 && !(width <= MaxViewRange)) return std::nullopt;
    const double low = fixed - (fixed - range.Low) * factor;
    if (factor < 1 && !Resolvable(low, width)) return std::nullopt;
    if (!std::isfinite(low) || !std::isfinite(low + width)) return std::nullopt;
    return TAxisRange{low, width};
}

std::optional<TAxisRange> PanAxis(const TAxisRange& range, double fraction) {
    if (!std::isfinite(fraction)) return std::nullopt;
    const double low = range.Low + fraction * range.Width;
    if (!std::isfinite(low) || !std::isfinite(low + range.Width)) return std::nullopt;
    // As with zooming, a view that is already too fine for its place may
    // still move, towards the origin or away.
    if (!Resolvable(low, range.Width) && Resolvable(range.Low, range.Width)) return std::nullopt;
    return TAxisRange{low, range.Width};
}

double ZoomFactorOfNotches(double notches) { return std::pow(ZoomStepFactor, -notches); }

}  // namespace curvane

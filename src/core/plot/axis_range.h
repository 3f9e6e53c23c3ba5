// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

namespace curvane {

// Visible ranges of a 2D view narrower or wider than this are refused: that
// is what stops zooming for ever, and what keeps the grid and its labels
// computable.
inline constexpr double MinViewRange = 1e-5;
inline constexpr double MaxViewRange = 1e8;

// One wheel notch or one key press zooms the view by this factor; a fine
// wheel or a touchpad zooms in proportion to its turn.
inline constexpr double ZoomStepFactor = 1.25;
// One arrow key press, or one notch of a sideways turn, pans the view by
// this part of its width or height.
inline constexpr double PanStepFraction = 0.1;

// What one axis of a 2D view shows: Low to Low + Width.
struct TAxisRange {
    double Low = 0;
    double Width = 0;
    friend bool operator==(const TAxisRange&, const TAxisRange&) = default;
};

// The range zoomed by `factor` (below 1 shows less) about the value `fixed`,
// which keeps its place on the screen. Refused (nullopt) when the factor is
// not a positive number, or when the step takes the width further past
// MinViewRange..MaxViewRange or below what doubles can tell apart at these
// coordinates. A view already past a limit may still step back towards it.
std::optional<TAxisRange> ZoomAxis(const TAxisRange& range, double fixed, double factor);

// The range moved by `fraction` of its width (positive: towards larger
// values); refused when the edges would leave the finite numbers, or could
// no longer be told apart where they could before.
std::optional<TAxisRange> PanAxis(const TAxisRange& range, double fraction);

// The zoom factor of a turn of `notches` wheel notches (fractions for fine
// wheels); turning forward, a positive count, zooms in.
double ZoomFactorOfNotches(double notches);

}  // namespace curvane

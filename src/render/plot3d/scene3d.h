// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace curvane {

// No axis gets more grid lines or labels than this. A box typed as 1e9 wide
// with step 1, or a step of 0 read from a settings file, would otherwise
// keep the frame loop busy for ever; such an axis shows no grid and no
// labels instead (a thousand lines squeezed into one end of the box would
// mean nothing either).
inline constexpr int MaxGridLinesPerAxis = 1000;

// The grid positions of one axis: from `from` while at most `to`, adding
// `step` each time (so rounding accumulates as it does on screen). With
// snapZero (the axes are shown) a value within 1e-8 of zero becomes exactly
// 0 and the walk goes on from there; the caller leaves those lines to the
// axes. Empty for a step that is not positive or not finite, limits that are
// not finite, or more than MaxGridLinesPerAxis positions.
std::vector<double> GridPositions(double from, double to, double step, bool snapZero);

// The labelled values of one axis, the limits themselves excluded:
// ascending from + step while below to, or (descending) to - step while
// above from. Empty under the same conditions as GridPositions.
std::vector<double> LabelPositions(double from, double to, double step, bool descending);

// A label's text: two decimals with a point, whatever the locale; a value
// that rounds to zero is "0.00", never "-0.00".
std::string LabelText(double value);

// A screen label's text: as many decimals as the step needs to tell
// neighbouring grid values apart (step 0.25 gives two, 5 none; at most
// ten), a point whatever the locale, and never "-0".
std::string StepLabelText(double value, double step);

}  // namespace curvane

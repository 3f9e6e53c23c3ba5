// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace curvane {

// More frames than this is taken for a mistyped range or step rather than a
// wish: 10,000 frames of 800x600 are already some gigabytes of pixels.
inline constexpr int MaxAnimationFrames = 10000;

// --animate NAME=FROM:TO:STEP: the parameter takes FROM + i*STEP for each
// frame i from 0 while the value is at most TO.
struct TAnimationRange {
    std::string Name;
    double From = 0;
    double To = 0;
    double Step = 0;

    int FrameCount() const;
    double FrameValue(int frame) const { return From + frame * Step; }
};

// Reads "k=0:6.28:0.1", each number a constant formula. Raises ECommandLine
// with `usageStatus` for another shape, a number that does not read, a step
// not above 0, TO below FROM, more than MaxAnimationFrames frames, or a name
// CheckParameterName refuses on its own; whether the formulas use the name
// is for whoever knows them.
TAnimationRange ParseAnimationRange(std::string_view text, int usageStatus);

// The file of each frame: `pattern` holds exactly one "%0Nd" (N a digit 1..9,
// "%04d"), replaced by the frame number padded with zeros to N digits; "%%"
// stands for "%". Raises ECommandLine with `usageStatus` for a pattern with
// no such field, two of them, or another "%" field.
class TFramePattern {
public:
    TFramePattern(std::string_view pattern, int usageStatus);
    std::string Path(int frame) const;

private:
    std::string FBefore;
    std::string FAfter;
    int FWidth = 0;
};

}  // namespace curvane

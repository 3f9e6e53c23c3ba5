// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/cli/animation_frames.h"

#include <cmath>
#include <optional>
#include <vector>

#include "core/cli/command_line.h"
#include "core/document/constant_formula.h"
#include "core/document/parameters.h"

namespace curvane {

namespace {

// The frame count is counted from the quotient, which rounding leaves a hair
// below a whole number (0.3 / 0.1 is 2.9999999999999996): a TO the steps are
// meant to reach is reached.
constexpr double FrameCountTolerance = 1e-9;

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i)
        if (i == text.size() || text[i] == separator) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    return parts;
}

}  // namespace

int TAnimationRange::FrameCount() const {
    return static_cast<int>(std::floor((To - From) / Step + FrameCountTolerance)) + 1;
}

TAnimationRange ParseAnimationRange(std::string_view text, int usageStatus) {
    const auto bad = [&](const std::string& why) {
        return ECommandLine("--animate " + why + ", not \"" + std::string(text) + "\"", usageStatus);
    };
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos) throw bad("takes NAME=FROM:TO:STEP");
    const std::vector<std::string_view> numbers = Split(text.substr(eq + 1), ':');
    if (numbers.size() != 3) throw bad("takes NAME=FROM:TO:STEP");
    double values[3];
    for (int i = 0; i < 3; ++i) {
        const std::optional<double> value = ParseConstant(numbers[static_cast<std::size_t>(i)]);
        if (!value) throw bad("needs numbers FROM:TO:STEP");
        values[i] = *value;
    }
    TAnimationRange range{std::string(text.substr(0, eq)), values[0], values[1], values[2]};
    while (!range.Name.empty() && range.Name.back() == ' ') range.Name.pop_back();
    while (!range.Name.empty() && range.Name.front() == ' ') range.Name.erase(0, 1);
    if (const std::optional<std::string> refused = CheckParameterName(range.Name, TParameterList()))
        throw ECommandLine("--animate: " + *refused, usageStatus);
    if (!(range.Step > 0)) throw bad("needs a STEP above 0");
    if (range.To < range.From) throw bad("needs TO at least FROM");
    // Compared before FrameCount converts, which would overflow an int.
    if ((range.To - range.From) / range.Step + FrameCountTolerance >= MaxAnimationFrames)
        throw bad("makes more than " + std::to_string(MaxAnimationFrames) + " frames");
    return range;
}

TFramePattern::TFramePattern(std::string_view pattern, int usageStatus) {
    const auto bad = [&] {
        return ECommandLine("the frames of --animate need an --output with one %0Nd for the frame number "
                            "(frames/%04d.png) or a .gif file, not \"" + std::string(pattern) + "\"",
                            usageStatus);
    };
    bool found = false;
    std::string* part = &FBefore;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') {
            *part += pattern[i];
            continue;
        }
        if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
            *part += '%';
            ++i;
            continue;
        }
        const bool field = !found && i + 3 < pattern.size() && pattern[i + 1] == '0' && pattern[i + 2] >= '1' &&
                           pattern[i + 2] <= '9' && pattern[i + 3] == 'd';
        if (!field) throw bad();
        found = true;
        FWidth = pattern[i + 2] - '0';
        part = &FAfter;
        i += 3;
    }
    if (!found) throw bad();
}

std::string TFramePattern::Path(int frame) const {
    std::string number = std::to_string(frame);
    if (number.size() < static_cast<std::size_t>(FWidth)) number.insert(0, FWidth - number.size(), '0');
    return FBefore + number + FAfter;
}

}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plot3d/scene3d.h"

#include <charconv>
#include <cmath>

namespace curvane {

namespace {

// Walks first, first + delta, ... while inside(value) holds. Besides the cap,
// it stops when adding delta no longer moves the value (a step far below the
// spacing of doubles at that magnitude), which would otherwise never end.
template <typename Inside, typename Snap>
std::vector<double> Walk(double first, double delta, Inside inside, Snap snap) {
    std::vector<double> values;
    for (double v = snap(first); inside(v);) {
        if (values.size() == MaxGridLinesPerAxis) return {};
        values.push_back(v);
        const double next = snap(v + delta);
        if (next == v || std::isnan(next)) break;
        v = next;
    }
    return values;
}

bool Usable(double from, double to, double step) {
    return std::isfinite(from) && std::isfinite(to) && std::isfinite(step) && step > 0;
}

}  // namespace

std::vector<double> GridPositions(double from, double to, double step, bool snapZero) {
    if (!Usable(from, to, step)) return {};
    return Walk(
        from, step, [to](double v) { return v <= to; },
        [snapZero](double v) { return snapZero && std::fabs(v) <= 1e-8 ? 0.0 : v; });
}

std::vector<double> LabelPositions(double from, double to, double step, bool descending) {
    if (!Usable(from, to, step)) return {};
    const auto same = [](double v) { return v; };
    if (descending) return Walk(to - step, -step, [from](double v) { return v > from; }, same);
    return Walk(from + step, step, [to](double v) { return v < to; }, same);
}

std::string LabelText(double value) {
    // std::to_chars ignores the locale, which Qt sets from the environment.
    char buffer[400];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    if (ec != std::errc()) return {};
    std::string text(buffer, end);
    if (text == "-0.00") text = "0.00";
    return text;
}

std::string StepLabelText(double value, double step) {
    int decimals = 0;
    if (std::isfinite(step) && step > 0) {
        for (double scaled = step; decimals < 10; ++decimals, scaled *= 10)
            if (std::fabs(scaled - std::nearbyint(scaled)) <= 1e-6 * scaled) break;
    }
    char buffer[400];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (ec != std::errc()) return {};
    std::string text(buffer, end);
    if (text.starts_with('-') && text.find_first_not_of("0.", 1) == std::string::npos) text.erase(0, 1);
    return text;
}

}  // namespace curvane

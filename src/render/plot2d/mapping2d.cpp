// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plot2d/mapping2d.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/support/exceptions.h"

namespace curvane {

namespace {

// Pixel offsets beyond this are taken for the huge values of a function near
// a pole; the value is then drawn as +-100000 world units instead.
constexpr double PoleLimitPixels = 2e9;
constexpr double PoleSubstitute = 100000.0;

double SignOf(double v) { return v > 0 ? 1.0 : (v < 0 ? -1.0 : 0.0); }

bool FitsInt32(std::int64_t v) {
    return v >= std::numeric_limits<std::int32_t>::min() &&
           v <= std::numeric_limits<std::int32_t>::max();
}

// Bounds of a grid step in pixels, per axis.
constexpr int StepMinX = 40, StepMaxX = 100;
constexpr int StepMinY = 15, StepMaxY = 50;

// The automatic step: granularity * 2^k, halved while longer than maxPixels
// and doubled while shorter than minPixels. The loops are bounded: with a
// zero, negative or non-finite scale no step could ever fit.
double ChooseStep(double fixedStep, double granularity, double scale, int minPixels,
                  int maxPixels) {
    if (fixedStep > 0 && std::isfinite(fixedStep)) {
        // A fixed step so fine that its lines would merge is replaced by the
        // automatic one: it would otherwise mean millions of grid lines.
        if (std::isfinite(scale) && fixedStep * std::fabs(scale) >= 2) return fixedStep;
    }
    double step = (granularity > 0 && std::isfinite(granularity)) ? granularity : 1.0;
    if (!(scale > 0) || !std::isfinite(scale)) return step;
    for (int i = 0; i < 2200 && std::nearbyint(step * scale) > maxPixels; ++i) step /= 2;
    for (int i = 0; i < 2200 && std::nearbyint(step * scale) < minPixels; ++i) step *= 2;
    return step;
}

}  // namespace

namespace {

// One axis of WorldToScreen. `down` is true for y, whose pixels grow downward.
// Of internal linkage, so VertexPixel gets it inlined.
[[gnu::always_inline]] inline std::optional<int> MapAxisPixel(double value, double origin, double scale, int base,
                                                          bool down) {
    auto offset = [&](double v) -> std::optional<std::int64_t> {
        const double d = std::nearbyint((v - origin) * scale);
        // Beyond this the value is a pole's; NaN fails the test as well.
        if (!(std::fabs(d + 1) < PoleLimitPixels)) return std::nullopt;
        return static_cast<std::int64_t>(d);
    };
    // An undefined value has no place at all, not even a pole's.
    if (std::isnan(value)) return std::nullopt;
    std::optional<std::int64_t> d = offset(value);
    if (!d) d = offset(SignOf(value) * PoleSubstitute);
    if (!d) return std::nullopt;
    const std::int64_t pixel = down ? std::int64_t{base} - *d + 1 : std::int64_t{base} + *d + 1;
    if (!FitsInt32(pixel)) return std::nullopt;
    return static_cast<int>(pixel);
}

// MapAxisPixel for the painter's loop, which maps every vertex of every
// curve: an offset within TMapping2D::PlainOffsetPixels is rounded in one
// instruction (std::nearbyint is a call on baseline x86-64; both round to
// nearest with ties to even), anything else (NaN included) goes the whole way.
[[gnu::always_inline]] inline std::optional<int> MapAxisPixelFast(double value, double origin, double scale,
                                                              int base, bool down) {
    const double d = (value - origin) * scale;
    if (!(std::fabs(d) < TMapping2D::PlainOffsetPixels)) return MapAxisPixel(value, origin, scale, base, down);
#if defined(__SSE2__)
    const std::int64_t rounded = _mm_cvtsd_si32(_mm_set_sd(d));
#else
    const std::int64_t rounded = static_cast<std::int64_t>(std::nearbyint(d));
#endif
    const std::int64_t pixel = down ? std::int64_t{base} - rounded + 1 : std::int64_t{base} + rounded + 1;
    if (!FitsInt32(pixel)) return std::nullopt;
    return static_cast<int>(pixel);
}

// MapAxisPixel without the rounding: the pixel it gives is this rounded.
// The limits are tested on the unrounded values (std::nearbyint is a call
// here, and the painter maps every vertex); they differ from the rounded
// tests only within half a pixel of two billion.
[[gnu::always_inline]] inline bool MapAxisPoint(double value, double origin, double scale, int base, bool down,
                                                double& point) {
    if (std::isnan(value)) return false;
    double d = (value - origin) * scale;
    if (!(std::fabs(d + 1) < PoleLimitPixels)) {
        d = (SignOf(value) * PoleSubstitute - origin) * scale;
        if (!(std::fabs(d + 1) < PoleLimitPixels)) return false;
    }
    point = down ? base - d + 1 : base + d + 1;
    return point > std::numeric_limits<std::int32_t>::min() - 0.5 &&
           point < std::numeric_limits<std::int32_t>::max() + 0.5;
}

}  // namespace

void TMapping2D::Layout(const TPixelRect& rect, bool uniform, const std::function<int()>& labelMarginLeft) {
    FMarginLeft = FRequestedMarginLeft;
    LayoutPlot(rect, uniform);
    // Y labels wider than the margin would be cut at the control's edge
    // ("-0.875" read as "0.875"), so the margin grows to the widest. The
    // narrower plot may take another X step, and a uniform one another Y
    // range; the labels of that second layout are not measured again: one
    // that still does not fit is left out when painted.
    const int wanted = labelMarginLeft ? labelMarginLeft() : 0;
    if (wanted > FMarginLeft) {
        FMarginLeft = wanted;
        LayoutPlot(rect, uniform);
    }
}

void TMapping2D::LayoutPlot(const TPixelRect& rect, bool uniform) {
    FControlRect = rect;
    FWidth = std::abs(rect.Right - rect.Left) - FMarginLeft - FMarginRight - 2;
    FHeight = std::abs(rect.Bottom - rect.Top) - FMarginTop - FMarginBottom - 2;
    // Before the control has a size of its own the plot area is empty or
    // negative; re-sizing the world to it would destroy the view.
    if (!uniform || FWidth <= 0 || FHeight <= 0) {
        FScaleX = FWidth / FWorldWidth;
        FScaleY = FHeight / FWorldHeight;
    } else {
        // The centre stays where it is; the axis along the longer screen side
        // gets the extra room.
        const double cx = FOriginX + FWorldWidth / 2;
        const double cy = FOriginY - FWorldHeight / 2;
        if (FHeight >= FWidth) {
            FScaleX = FWidth / FWorldWidth;
            FScaleY = FScaleX;
            FWorldHeight = FHeight / FScaleY;
            FOriginY = cy + FWorldHeight / 2;
            FWorldTop = FOriginY;
            FWorldBottom = FOriginY - FWorldHeight;
        } else {
            FScaleY = FHeight / FWorldHeight;
            FScaleX = FScaleY;
            FWorldWidth = FWidth / FScaleX;
            FOriginX = cx - FWorldWidth / 2;
            FWorldLeft = FOriginX;
            FWorldRight = FOriginX + FWorldWidth;
        }
    }
    ChooseGridSteps();
    FPlotRect = {rect.Left + FMarginLeft + 1, rect.Top + FMarginTop + 1,
                 rect.Right - FMarginRight - 1, rect.Bottom - FMarginBottom - 1};
}

void TMapping2D::ChooseGridSteps() {
    FStepX = ChooseStep(FGridStepX, FGridGranularityX, FScaleX, StepMinX, StepMaxX);
    FStepY = ChooseStep(FGridStepY, FGridGranularityY, FScaleY, StepMinY, StepMaxY);
}

std::optional<int> TMapping2D::ScreenX(double x) const {
    return MapAxisPixel(x, FOriginX, FScaleX, FControlRect.Left + FMarginLeft, false);
}

std::optional<int> TMapping2D::ScreenY(double y) const {
    return MapAxisPixel(y, FOriginY, FScaleY, FControlRect.Top + FMarginTop, true);
}

// Inlined, the two mappings keep their results in registers: called, each
// hands its optional back through memory, which was a fifth of the cost of
// drawing a curve.
bool TMapping2D::VertexPixel(const double* v, int dim, QPoint& pixel) const {
    const std::optional<int> x = MapAxisPixelFast(v[0], FOriginX, FScaleX, FControlRect.Left + FMarginLeft, false);
    if (!x) return false;
    const std::optional<int> y =
        MapAxisPixelFast(dim > 1 ? v[1] : 0.0, FOriginY, FScaleY, FControlRect.Top + FMarginTop, true);
    if (!y) return false;
    pixel = QPoint(*x, *y);
    return true;
}

bool TMapping2D::VertexPoint(const double* v, int dim, QPointF& point) const {
    double x, y;
    if (!MapAxisPoint(v[0], FOriginX, FScaleX, FControlRect.Left + FMarginLeft, false, x)) return false;
    if (!MapAxisPoint(dim > 1 ? v[1] : 0.0, FOriginY, FScaleY, FControlRect.Top + FMarginTop, true, y)) return false;
    point = QPointF(x, y);
    return true;
}

TMapping2D::TPointMap::TPointMap(const TMapping2D& mapping)
    : FMapping(mapping),
      FOriginX(mapping.FOriginX),
      FScaleX(mapping.FScaleX),
      FOriginY(mapping.FOriginY),
      FScaleY(mapping.FScaleY),
      FBaseX(mapping.FControlRect.Left + mapping.FMarginLeft),
      FBaseY(mapping.FControlRect.Top + mapping.FMarginTop),
      // With the control's corner this near, a plain offset's point lies
      // inside int, as VertexPoint asks.
      FPlainOffset(std::fabs(FBaseX) < PlainOffsetPixels / 2 && std::fabs(FBaseY) < PlainOffsetPixels / 2
                       ? PlainOffsetPixels
                       : 0) {}

QPoint TMapping2D::WorldToScreen(double x, double y) const {
    const std::optional<int> sx = ScreenX(x);
    const std::optional<int> sy = ScreenY(y);
    if (!sx || !sy) throw ERangeError();
    return {*sx, *sy};
}

QPointF TMapping2D::ScreenToWorld(int px, int py) const {
    return {(px - FControlRect.Left - FMarginLeft - 1) / FScaleX + FOriginX,
            FOriginY - (py - FControlRect.Top - FMarginTop - 1) / FScaleY};
}

bool TMapping2D::SetXRange(double a, double b) {
    const double w = std::fabs(a - b);
    // The negated test also refuses NaN.
    if (!(w >= MinRange && w <= MaxRange)) return false;
    FOriginX = std::min(a, b);
    FWorldWidth = w;
    FWorldLeft = FOriginX;
    FWorldRight = FOriginX + w;
    return true;
}

bool TMapping2D::SetYRange(double a, double b) {
    const double w = std::fabs(a - b);
    if (!(w >= MinRange && w <= MaxRange)) return false;
    FOriginY = std::max(a, b);
    FWorldHeight = w;
    FWorldTop = FOriginY;
    FWorldBottom = FOriginY - w;
    return true;
}

void TMapping2D::ApplyOrigin() {
    FWorldLeft = FOriginX;
    FWorldRight = FOriginX + FWorldWidth;
    FWorldTop = FOriginY;
    FWorldBottom = FOriginY - FWorldHeight;
}

bool TMapping2D::FitUniform(QPointF p1, QPointF p2) {
    const double w = std::fabs(p2.x() - p1.x());
    const double h = std::fabs(p2.y() - p1.y());
    const double cx = (p1.x() + p2.x()) / 2;
    const double cy = (p1.y() + p2.y()) / 2;
    const double aspect = static_cast<double>(FWidth) / FHeight;
    double left, right, top, bottom;
    if (FWidth >= FHeight) {
        left = cx - h * aspect / 2;
        right = cx + h * aspect / 2;
        bottom = cy - h / 2;
        top = cy + h / 2;
    } else {
        left = cx - w / 2;
        right = cx + w / 2;
        bottom = cy - w / aspect / 2;
        top = cy + w / aspect / 2;
    }
    const double newWidth = std::fabs(right - left);
    const double newHeight = std::fabs(top - bottom);
    // The range limits do not hold here, but a rectangle that collapsed to
    // nothing or overflowed would leave a view no mapping can serve.
    if (!(newWidth > 0 && newHeight > 0 && std::isfinite(newWidth) && std::isfinite(newHeight) &&
          std::isfinite(left) && std::isfinite(top)))
        return false;
    FOriginX = left;
    FOriginY = top;
    FWorldWidth = newWidth;
    FWorldHeight = newHeight;
    ApplyOrigin();
    return true;
}

}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plot2d/indicator.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "core/support/exceptions.h"
#include "render/color.h"
#include "render/fonts.h"

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

// The stored face names must resolve before the first font is measured,
// whoever creates the first indicator (window, preview or renderer).
bool EnsureFontSubstitutions() {
    static const bool installed = (InstallFontSubstitutions(), true);
    return installed;
}

}  // namespace

TIndicator::TIndicator(TIndicatorOwner* owner)
    : FOwner((EnsureFontSubstitutions(), owner)),
      FFont(MakePlotFont(QStringLiteral("MS Sans Serif"), 8, true)),
      FFontColor(clWhite),
      FGridFont(MakePlotFont(QStringLiteral("Terminal"), 5)),
      FGridFontColor(clWhite),
      FBackground(clBlack),
      FGraphicColor(clBlue),
      FPencilColor(clWhite),
      FMarkColor(clRed),
      FAxisColor(clRed),
      FGridColor(HalfColor(clRed)),
      FCrossColor(clWhite) {
    FData.SetLineColor(FGraphicColor);
}

TIndicator::~TIndicator() = default;

void TIndicator::Changed() {
    if (FOwner) FOwner->RequestRedraw();
}

void TIndicator::RaiseAfterPan() {
    if (OnAfterPan) OnAfterPan(*this);
    if (FOwner) FOwner->AfterPan(*this);
}

void TIndicator::RaiseAfterScale() {
    if (OnAfterScale) OnAfterScale(*this);
    if (FOwner) FOwner->AfterScale(*this);
}

void TIndicator::Assign(const TIndicator& source) {
    if (this == &source) return;
    SetMouseMode(source.FMouseMode);
    SetFont(source.FFont);
    SetFontColor(source.FFontColor);
    SetGridFont(source.FGridFont);
    SetGridFontColor(source.FGridFontColor);
    SetCaption(source.FCaption);
    SetUnitsX(source.FUnitsX);
    SetUnitsY(source.FUnitsY);
    SetTag(source.FTag);
    SetBackground(source.FBackground);
    SetGraphicColor(source.FGraphicColor);
    SetGraphicWidth(source.FGraphicWidth);
    SetMarkColor(source.FMarkColor);
    SetAxisColor(source.FAxisColor);
    SetGridColor(source.FGridColor);
    SetFullGrid(source.FFullGrid);
    SetGridLineStyle(source.FGridLineStyle);
    SetLabels(source.FLabels);
    SetSlide(source.FSlide);
    SetStoreData(source.FStoreData);
    SetUniform(source.FUniform);
    SetAntialiasing(source.FAntialiasing);
    SetOutPlineCut(source.FOutPlineCut);
    SetAutoScale(source.FAutoScale);
    SetDrawType(source.FDrawType);
    SetOrientation(source.FOrientation);
}

// ---- setters ----------------------------------------------------------------

#define CURVANE_SETTER(Name, Field, Type)  \
    void TIndicator::Set##Name(Type value) { \
        if (Field == value) return;          \
        Field = value;                       \
        Changed();                           \
    }

CURVANE_SETTER(FontColor, FFontColor, TPlotColor)
CURVANE_SETTER(GridFontColor, FGridFontColor, TPlotColor)
CURVANE_SETTER(UnitsX, FUnitsX, const QString&)
CURVANE_SETTER(Background, FBackground, TPlotColor)
CURVANE_SETTER(MarkColor, FMarkColor, TPlotColor)
CURVANE_SETTER(AxisColor, FAxisColor, TPlotColor)
CURVANE_SETTER(GridColor, FGridColor, TPlotColor)
CURVANE_SETTER(GridLineStyle, FGridLineStyle, Qt::PenStyle)
CURVANE_SETTER(Antialiasing, FAntialiasing, bool)
CURVANE_SETTER(DrawType, FDrawType, TDrawType)
CURVANE_SETTER(ScopeType, FScopeType, TScopeType)

#undef CURVANE_SETTER

// These change the Y labels beside the plot, which the left margin must hold.
#define CURVANE_LABEL_SETTER(Name, Field, Type) \
    void TIndicator::Set##Name(Type value) {    \
        if (Field == value) return;             \
        Field = value;                          \
        Layout(FControlRect);                   \
        Changed();                              \
    }

CURVANE_LABEL_SETTER(UnitsY, FUnitsY, const QString&)
CURVANE_LABEL_SETTER(FullGrid, FFullGrid, bool)
CURVANE_LABEL_SETTER(Labels, FLabels, bool)
CURVANE_LABEL_SETTER(Slide, FSlide, bool)
CURVANE_LABEL_SETTER(GridFont, FGridFont, const QFont&)

#undef CURVANE_LABEL_SETTER

void TIndicator::SetFont(const QFont& font) {
    if (FFont == font) return;
    FFont = font;
    Changed();
}

void TIndicator::SetCaption(const QString& caption) {
    if (FCaption == caption) return;
    if (FCaption.isEmpty() && !caption.isEmpty()) FMarginTop += 10;
    else if (!FCaption.isEmpty() && caption.isEmpty()) FMarginTop -= 10;
    FCaption = caption;
    Layout(FControlRect);
    Changed();
}

void TIndicator::SetGridStepX(double step) {
    if (FGridStepX == step) return;
    FGridStepX = step;
    // The steps are chosen even while redraws are suspended, so the picture
    // rendered when they resume uses the new step.
    ChooseGridSteps();
    Changed();
}

void TIndicator::SetGridStepY(double step) {
    if (FGridStepY == step) return;
    FGridStepY = step;
    // Other Y labels may want another left margin; the layout chooses the
    // steps as well.
    Layout(FControlRect);
    Changed();
}

void TIndicator::SetGraphicColor(TPlotColor color) {
    if (FGraphicColor == color) return;
    FGraphicColor = color;
    FData.SetLineColor(color);
    Changed();
}

void TIndicator::SetGraphicWidth(int width) {
    if (width < 1 || width == FGraphicWidth) return;
    FGraphicWidth = width;
    Changed();
}

void TIndicator::SetMarkWidth(int width) {
    if (width < 1 || width > 255 || width == FMarkWidth) return;
    FMarkWidth = width;
    Changed();
}

void TIndicator::SetBranchLength(double length) {
    if (!(length > 0) || length == FBranchLength) return;
    FBranchLength = length;
    Changed();
}

void TIndicator::SetUniform(bool on) {
    if (FUniform == on) return;
    FUniform = on;
    Layout(FControlRect);
    Changed();
}

void TIndicator::SetAutoScaleThreshold(int value) {
    if (value < 0 || value > 100)
        throw Exception("AutoScaleThreshold must be value between 0 and 100");
    FAutoScaleThreshold = value;
}

void TIndicator::SetOrientation(TDataOrientation orientation) {
    if (FOrientation == orientation) return;
    FOrientation = orientation;
    if (orientation == TDataOrientation::doLeftToRight) {
        FRequestedMarginLeft += 30;
        FMarginTop -= 10;
    } else {
        FRequestedMarginLeft -= 30;
        FMarginTop += 10;
    }
    Layout(FControlRect);
    Changed();
}

void TIndicator::SetMarginLeft(int value) {
    FRequestedMarginLeft = value;
    Layout(FControlRect);
    Changed();
}

void TIndicator::SetMarginRight(int value) {
    FMarginRight = value;
    Layout(FControlRect);
    Changed();
}

void TIndicator::SetMarginTop(int value) {
    FMarginTop = value;
    Layout(FControlRect);
    Changed();
}

void TIndicator::SetMarginBottom(int value) {
    FMarginBottom = value;
    Layout(FControlRect);
    Changed();
}

void TIndicator::SetPlines(const TGraphPlines& plines) {
    FPlines.Assign(plines);
    Changed();
}

void TIndicator::AddMark(const QString& text, double position) {
    FMarks.AddVertex({position});
    FMarkTexts.append(text);
}

void TIndicator::ClearMarks() {
    FMarks.Clear();
    FMarkTexts.clear();
}

// ---- world and screen -------------------------------------------------------

void TIndicator::SetWorldLeft(double value) {
    FWorldLeft = value;
    SetXRange(FWorldLeft, FWorldRight);
}

void TIndicator::SetWorldRight(double value) {
    FWorldRight = value;
    SetXRange(FWorldLeft, FWorldRight);
}

void TIndicator::SetWorldTop(double value) {
    FWorldTop = value;
    SetYRange(FWorldTop, FWorldBottom);
}

void TIndicator::SetWorldBottom(double value) {
    FWorldBottom = value;
    SetYRange(FWorldTop, FWorldBottom);
}

void TIndicator::Layout(const TPixelRect& rect) {
    FMarginLeft = FRequestedMarginLeft;
    LayoutPlot(rect);
    // Y labels wider than the margin would be cut at the control's edge
    // ("-0.875" read as "0.875"), so the margin grows to the widest. The
    // narrower plot may take another X step, and a uniform one another Y
    // range; the labels of that second layout are not measured again: one
    // that still does not fit is left out when painted.
    const int wanted = LabelMarginLeft();
    if (wanted > FMarginLeft) {
        FMarginLeft = wanted;
        LayoutPlot(rect);
    }
}

void TIndicator::LayoutPlot(const TPixelRect& rect) {
    FControlRect = rect;
    FTag = 1;
    FWidth = std::abs(rect.Right - rect.Left) - FMarginLeft - FMarginRight - 2;
    FHeight = std::abs(rect.Bottom - rect.Top) - FMarginTop - FMarginBottom - 2;
    // Before the control has a size of its own the plot area is empty or
    // negative; re-sizing the world to it would destroy the view.
    if (!FUniform || FWidth <= 0 || FHeight <= 0) {
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

void TIndicator::ChooseGridSteps() {
    FStepX = ChooseStep(FGridStepX, FGridGranularityX, FScaleX, StepMinX, StepMaxX);
    FStepY = ChooseStep(FGridStepY, FGridGranularityY, FScaleY, StepMinY, StepMaxY);
}

namespace {

// One axis of WorldToScreen. `down` is true for y, whose pixels grow downward.
// Of internal linkage, so the painter's VertexPixel gets it inlined.
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

}  // namespace

std::optional<int> TIndicator::MapAxis(double value, double origin, double scale, int base,
                                       bool down) const {
    return MapAxisPixel(value, origin, scale, base, down);
}

std::optional<int> TIndicator::ScreenX(double x) const {
    return MapAxis(x, FOriginX, FScaleX, FControlRect.Left + FMarginLeft, false);
}

std::optional<int> TIndicator::ScreenY(double y) const {
    return MapAxis(y, FOriginY, FScaleY, FControlRect.Top + FMarginTop, true);
}

// Inlined, the two mappings keep their results in registers: called, each
// hands its optional back through memory, which was a fifth of the cost of
// drawing a curve.
bool TIndicator::VertexPixel(const double* v, int dim, QPoint& pixel) const {
    const std::optional<int> x = MapAxisPixel(v[0], FOriginX, FScaleX, FControlRect.Left + FMarginLeft, false);
    if (!x) return false;
    const std::optional<int> y =
        MapAxisPixel(dim > 1 ? v[1] : 0.0, FOriginY, FScaleY, FControlRect.Top + FMarginTop, true);
    if (!y) return false;
    pixel = QPoint(*x, *y);
    return true;
}

QPoint TIndicator::WorldToScreen(double x, double y) const {
    const std::optional<int> sx = ScreenX(x);
    const std::optional<int> sy = ScreenY(y);
    if (!sx || !sy) throw ERangeError();
    return {*sx, *sy};
}

QPointF TIndicator::ScreenToWorld(int px, int py) const {
    return {(px - FControlRect.Left - FMarginLeft - 1) / FScaleX + FOriginX,
            FOriginY - (py - FControlRect.Top - FMarginTop - 1) / FScaleY};
}

void TIndicator::SetXRange(double a, double b) {
    const double w = std::fabs(a - b);
    // The negated test also refuses NaN.
    if (!(w >= MinRange && w <= MaxRange)) return;
    FOriginX = std::min(a, b);
    FWorldWidth = w;
    FWorldLeft = FOriginX;
    FWorldRight = FOriginX + w;
    Layout(FControlRect);
    RaiseAfterScale();
}

void TIndicator::SetYRange(double a, double b) {
    const double w = std::fabs(a - b);
    if (!(w >= MinRange && w <= MaxRange)) return;
    FOriginY = std::max(a, b);
    FWorldHeight = w;
    FWorldTop = FOriginY;
    FWorldBottom = FOriginY - w;
    Layout(FControlRect);
    RaiseAfterScale();
}

void TIndicator::ApplyOrigin() {
    FWorldLeft = FOriginX;
    FWorldRight = FOriginX + FWorldWidth;
    FWorldTop = FOriginY;
    FWorldBottom = FOriginY - FWorldHeight;
    Layout(FControlRect);
}

void TIndicator::SetView(const TWorldView& view) {
    if (!(view.Width > 0 && view.Height > 0)) return;
    FOriginX = view.Left;
    FOriginY = view.Top;
    FWorldWidth = view.Width;
    FWorldHeight = view.Height;
    // Laid out as stored: fitting a uniform view to one scale again would
    // move its centre by a rounding at every step through the history.
    FUniform = false;
    ApplyOrigin();
    FUniform = view.Uniform;
    // A uniform view taken at another plot size no longer has one scale for
    // both axes: it is fitted as usual.
    if (FUniform && std::fabs(FScaleX - FScaleY) > 1e-9 * std::fabs(FScaleX)) Layout(FControlRect);
    Changed();
}

void TIndicator::ZoomToRect(QPointF p1, QPointF p2) {
    if (!FUniform) {
        SetXRange(p1.x(), p2.x());
        SetYRange(p1.y(), p2.y());
    } else {
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
        if (newWidth > 0 && newHeight > 0 && std::isfinite(newWidth) &&
            std::isfinite(newHeight) && std::isfinite(left) && std::isfinite(top)) {
            FOriginX = left;
            FOriginY = top;
            FWorldWidth = newWidth;
            FWorldHeight = newHeight;
            ApplyOrigin();
        }
    }
    RaiseAfterScale();
}

}  // namespace curvane

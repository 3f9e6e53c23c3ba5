// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <vector>

#include <QFontMetrics>
#include <QImage>
#include <QLineF>
#include <QPaintEngine>
#include <QPainter>
#include <QPen>
#include <QTransform>

#include "core/support/number_format.h"
#include "render/color.h"
#include "render/plot2d/curve_raster.h"
#include "render/plot2d/indicator.h"
#include "render/plot2d/paint_helpers.h"

namespace curvane {

namespace detail {

QPen MakePen(TPlotColor color, int width, Qt::PenStyle style) {
    if (width <= 1) return QPen(ToQColor(color), 1, style, Qt::FlatCap, Qt::MiterJoin);
    return QPen(ToQColor(color), width, style, Qt::RoundCap, Qt::RoundJoin);
}

// Qt always leaves out the pixel of the larger coordinate, so a line running
// left or up is drawn from its far end instead.
void LineTo(QPainter& p, int x1, int y1, int x2, int y2) {
    if (y1 == y2) {
        if (x1 < x2) p.drawLine(x1, y1, x2, y2);
        else if (x1 > x2) p.drawLine(x2 + 1, y1, x1 + 1, y2);
    } else if (x1 == x2) {
        if (y1 < y2) p.drawLine(x1, y1, x2, y2);
        else p.drawLine(x1, y2 + 1, x2, y1 + 1);
    } else {
        p.drawLine(x1, y1, x2, y2);
    }
}

}  // namespace detail

using detail::LineTo;
using detail::MakePen;
using detail::TLineAlignment;

namespace {

// Grid and label loops stop after this many lines: only a broken scale or
// step could ask for more, and they must never hang the paint.
constexpr int MaxGridLines = 20000;

QRect ToQRect(const TPixelRect& r) { return QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top); }

// Text with its top-left corner at (x, y), cut at `clip` (and at whatever
// clip the caller's painter already has).
void DrawTextAt(QPainter& p, int x, int y, const QString& text, const QRect& clip) {
    p.save();
    p.setClipRect(clip, Qt::IntersectClip);
    p.drawText(x, y + p.fontMetrics().ascent(), text);
    p.restore();
}

// The grid values of one axis: from the first multiple of step at or above
// lo while below hi. With `rounded`, every value is rounded to six decimal
// places before use and the walk continues from the rounded value.
template <class F>
void ForEachGridValue(double lo, double hi, double step, bool rounded, F f) {
    if (!(step > 0) || !std::isfinite(step) || !std::isfinite(lo) || !std::isfinite(hi)) return;
    double x = std::trunc(lo / step) * step;
    for (int i = 0; i < MaxGridLines && x < lo; ++i) x += step;
    double previous = -std::numeric_limits<double>::infinity();
    for (int i = 0; i < MaxGridLines && x < hi; ++i) {
        if (rounded) {
            const double r = std::nearbyint(x * 1e6) / 1e6;
            // A step below half a millionth would round back onto the last
            // value for ever; such values are used unrounded.
            if (r > previous && std::isfinite(r)) x = r;
            if (x == 0) x = 0;  // no "-0" labels
        }
        if (!(x > previous)) break;
        f(x);
        previous = x;
        x += step;
    }
}

// The colour stored in component 2 of a vertex, or `fallback` where the
// double does not hold one.
TPlotColor VertexColor(const double* v, TPlotColor fallback) {
    const double c = std::nearbyint(v[2]);
    if (!(c >= std::numeric_limits<std::int32_t>::min() &&
          c <= std::numeric_limits<std::int32_t>::max()))
        return fallback;
    return static_cast<TPlotColor>(c);
}

}  // namespace

// ---- clipped segments -------------------------------------------------------

namespace {

struct TClip {
    int Left, Top, Right, Bottom;
    bool Inside(QPoint p) const {
        return Left <= p.x() && p.x() < Right && Top <= p.y() && p.y() < Bottom;
    }
};

// Where the segment from the inside point a toward b leaves c (b itself when
// it lies inside). The integer arithmetic (division truncating toward zero)
// decides the exact end pixel; 64 bits keep the products of far-away points
// exact.
QPoint ClippedEnd(const TClip& c, QPoint a, QPoint b) {
    if (c.Inside(b)) return b;
    const std::int64_t ax = a.x(), ay = a.y(), bx = b.x(), by = b.y();
    const std::int64_t dy = ay - by;
    const std::int64_t dx = bx - ax;
    std::int64_t ey = by < ay ? c.Top : (by > ay ? c.Bottom : ay);
    const std::int64_t t = dy != 0 ? (ay - ey) * dx / dy : dx;
    std::int64_t ex = ax + t;
    if (ex < c.Left || ex > c.Right) {
        ex = ex > c.Right ? c.Right : c.Left;
        const std::int64_t u = t != 0 ? (ex - ax) * (ay - ey) / t : by - ay;
        ey = ay - u;
    }
    return QPoint(static_cast<int>(ex), static_cast<int>(ey));
}

// Draws from the inside point a toward b, cut where it leaves c.
void DrawFromInside(QPainter& p, const TClip& c, QPoint a, QPoint b) {
    const QPoint e = ClippedEnd(c, a, b);
    if (c.Inside(b) || a.x() == e.x() || a.y() == e.y()) {
        LineTo(p, a.x(), a.y(), e.x(), e.y());
        return;
    }
    // A slanted line may keep its end pixel instead of its start, and the end
    // lies on the edge, possibly on the frame: the clip keeps it inside.
    p.save();
    p.setClipRect(QRect(c.Left, c.Top, c.Right - c.Left, c.Bottom - c.Top), Qt::IntersectClip);
    p.drawLine(a, e);
    p.restore();
}

TClip ToClip(const TPixelRect& r) { return {r.Left, r.Top, r.Right, r.Bottom}; }

void DrawClipped(QPainter& p, const TClip& c, QPoint p1, QPoint p2) {
    if (c.Inside(p1)) DrawFromInside(p, c, p1, p2);
    else if (c.Inside(p2)) DrawFromInside(p, c, p2, p1);
}

}  // namespace

TPixelRect TIndicator::CurveRect() const {
    return {FControlRect.Left + FMarginLeft + FGraphicWidth, FControlRect.Top + FMarginTop + FGraphicWidth,
            FControlRect.Right - FMarginRight - FGraphicWidth + 1,
            FControlRect.Bottom - FMarginBottom - FGraphicWidth};
}

void TIndicator::DrawClippedSegment(QPainter& painter, QPoint p1, QPoint p2) const {
    DrawClipped(painter, ToClip(CurveRect()), p1, p2);
}

namespace {

// Whether aliased curves may be drawn pixel by pixel (into a TCurveLayer)
// for this painter: on a raster image or a recording of one, moved by whole
// pixels at most. A scaled painter (printing, a vector file) gets lines,
// which scale as lines.
bool FillsPixels(const QPainter& p) {
    if (p.testRenderHint(QPainter::Antialiasing)) return false;
    const QPaintEngine* engine = p.paintEngine();
    if (!engine || (engine->type() != QPaintEngine::Raster && engine->type() != QPaintEngine::Picture))
        return false;
    const QTransform t = p.deviceTransform();
    return t.type() <= QTransform::TxTranslate && t.dx() == std::trunc(t.dx()) && t.dy() == std::trunc(t.dy());
}

// The vertices of a run of segments inside the frame, handed to the painter
// as polylines. Of consecutive vertices in one pixel column only the first,
// the topmost, the bottommost and the last are kept, in their order: the
// segments between them cover the same pixels of that column as all of them
// did, and a dense parametric curve hands Qt a few vertices a column.
//
// A wide pen's polyline goes out in pieces of a few dozen vertices, each
// starting where the last ended (its round cap is the join). Qt fills the
// outline of a whole stroke at once, and for a long curve that crosses
// itself in outline at every turn the smoothed fill grows far faster than
// the curve: a 1,900-vertex sine of width 2 took 12 ms whole and 2 ms in
// pieces.
class TPolylineRun {
public:
    TPolylineRun(QPainter& painter, double shift, bool wide)
        : FPainter(painter), FShift(shift), FPieceLength(wide ? 24 : std::numeric_limits<std::size_t>::max()) {}
    bool Empty() const { return FPoints.empty(); }
    void Add(QPoint p) {
        if (FPoints.empty() || p.x() != FFirst.Pixel.x()) {
            if (FPoints.size() >= FPieceLength) {
                Draw();
                FPoints.erase(FPoints.begin(), FPoints.end() - 1);
            }
            FStart = FPoints.size();
            FFirst = FTop = FBottom = FLast = {p, 0};
            Push(p);
            return;
        }
        const TKept k{p, FLast.Order + 1};
        if (p.y() < FTop.Pixel.y()) FTop = k;
        if (p.y() > FBottom.Pixel.y()) FBottom = k;
        FLast = k;
        FPoints.resize(FStart + 1);
        const TKept& early = FTop.Order < FBottom.Order ? FTop : FBottom;
        const TKept& late = FTop.Order < FBottom.Order ? FBottom : FTop;
        for (const TKept* m : {&early, &late})
            if (m->Order != 0 && m->Order != FLast.Order) Push(m->Pixel);
        Push(FLast.Pixel);
    }
    void Flush() {
        Draw();
        FPoints.clear();
    }

private:
    struct TKept {
        QPoint Pixel;
        int Order;  // within the column
    };
    void Push(QPoint p) { FPoints.emplace_back(p.x() + FShift, p.y() + FShift); }
    void Draw() {
        if (FPoints.size() >= 2) FPainter.drawPolyline(FPoints.data(), static_cast<int>(FPoints.size()));
    }

    QPainter& FPainter;
    double FShift;
    std::size_t FPieceLength;
    std::vector<QPointF> FPoints;
    std::size_t FStart = 0;  // where the last column's vertices begin
    TKept FFirst{}, FTop{}, FBottom{}, FLast{};
};

}  // namespace

// ---- the picture ------------------------------------------------------------

void TIndicator::Paint(QPainter& painter) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setBrush(Qt::NoBrush);

    PaintFrame(painter);
    if (!FCaption.isEmpty()) {
        painter.setFont(FFont);
        painter.setPen(ToQColor(FFontColor));
        const QFontMetrics fm = painter.fontMetrics();
        painter.drawText(FControlRect.Left + FMarginLeft, FControlRect.Top + 2 + fm.ascent(),
                         FCaption);
    }
    {
        const TLineAlignment aligned(painter, 1);
        PaintGrid(painter);
    }
    if (FLabels) PaintLabels(painter);
    PaintMarks(painter);

    // Points and bars sit on whole pixels and stay aliased; smoothed lines
    // may spill half a pixel beyond their ends, which the clip keeps inside
    // the frame.
    const bool smooth = FAntialiasing && FScopeType == TScopeType::stScope && FDrawType == TDrawType::dtLines;
    if (smooth) {
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, true);
        const TPixelRect r = CurveRect();
        painter.setClipRect(QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top), Qt::IntersectClip);
    }
    std::optional<TCurveLayer> layer;
    if (!smooth && FillsPixels(painter)) {
        const TPixelRect r = CurveRect();
        if (r.Right > r.Left && r.Bottom > r.Top)
            layer.emplace(QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top));
    }
    TCurveLayer* const into = layer ? &*layer : nullptr;
    const int dataAxis = FOrientation == TDataOrientation::doLeftToRight ? 0 : 1;
    // Points are drawn one pixel wide whatever the curve's width.
    const bool points = FDrawType != TDrawType::dtLines && FScopeType == TScopeType::stScope;
    if (FData.Count() > 0) {
        const TLineAlignment aligned(painter, points ? 1 : FGraphicWidth);
        DrawPline(painter, FData, FGraphicWidth, true, IsPlineOrderedAlong(FData, dataAxis), into);
    }
    for (int i = 0; i < FPlines.Count(); ++i) {
        const TGraphPline& item = FPlines[i];
        if (item.Pline().Count() == 0) continue;
        const TLineAlignment aligned(painter, points ? 1 : item.Width());
        DrawPline(painter, item.Pline(), item.Width(), false, item.IsOrderedAlong(dataAxis), into);
    }
    if (layer) layer->DrawOnto(painter);
    if (smooth) painter.restore();

    painter.setPen(MakePen(FPencilColor));
    {
        const TLineAlignment aligned(painter, 1);
        for (const auto& drawing : FDrawings) drawing->Draw(*this, painter);
    }
    painter.restore();
}

void TIndicator::PaintFrame(QPainter& p) const {
    const int left = FControlRect.Left + FMarginLeft;
    const int top = FControlRect.Top + FMarginTop;
    const int right = FControlRect.Right - FMarginRight;  // last column of the frame
    const int bottom = FControlRect.Bottom - FMarginBottom;
    if (right < left || bottom < top) return;
    const QColor white(Qt::white);
    p.fillRect(QRect(QPoint(left, top), QPoint(right, top)), white);
    p.fillRect(QRect(QPoint(left, bottom), QPoint(right, bottom)), white);
    p.fillRect(QRect(QPoint(left, top), QPoint(left, bottom)), white);
    p.fillRect(QRect(QPoint(right, top), QPoint(right, bottom)), white);
    if (right - left >= 2 && bottom - top >= 2)
        p.fillRect(QRect(QPoint(left + 1, top + 1), QPoint(right - 1, bottom - 1)),
                   ToQColor(FBackground));
}

void TIndicator::PaintGrid(QPainter& p) const {
    const TPixelRect& r = FPlotRect;
    p.setFont(FGridFont);
    const std::optional<int> ox = ScreenX(0);
    const std::optional<int> oy = ScreenY(0);
    const bool xAxisVisible = oy && r.Top < *oy && *oy < r.Bottom;
    const bool yAxisVisible = ox && r.Left < *ox && *ox < r.Right;
    const QPointF w0 = ScreenToWorld(r.Left + 1, r.Top + 1);
    const QPointF w1 = ScreenToWorld(r.Right - 1, r.Bottom - 1);
    const double x0 = w0.x(), y1 = w0.y(), x1 = w1.x(), y0 = w1.y();

    if (FFullGrid)
        p.setPen(MakePen(FGridColor, 1, FSlide ? Qt::SolidLine : FGridLineStyle));
    else
        p.setPen(MakePen(FAxisColor));

    ForEachGridValue(x0, x1, FStepX, false, [&](double x) {
        const std::optional<int> sx = ScreenX(x);
        if (!sx || (ox && *sx == *ox)) return;
        if (FFullGrid) {
            LineTo(p, *sx, r.Top + 1, *sx, r.Bottom);
        } else {
            if (FOrientation == TDataOrientation::doTopToBottom)
                LineTo(p, *sx, r.Top - 2, *sx, r.Top - 4);
            if (xAxisVisible) LineTo(p, *sx, *oy - 2, *sx, *oy + 3);
        }
    });
    ForEachGridValue(y0, y1, FStepY, false, [&](double y) {
        const std::optional<int> sy = ScreenY(y);
        if (!sy || (oy && *sy == *oy)) return;
        if (FFullGrid) {
            LineTo(p, r.Right - 1, *sy, r.Left, *sy);
        } else {
            if (FOrientation == TDataOrientation::doLeftToRight)
                LineTo(p, r.Left - 2, *sy, r.Left - 4, *sy);
            if (yAxisVisible) LineTo(p, *ox - 2, *sy, *ox + 3, *sy);
        }
    });

    p.setPen(MakePen(FAxisColor));
    if (yAxisVisible) LineTo(p, *ox, r.Top + 1, *ox, r.Bottom);
    if (xAxisVisible) LineTo(p, r.Left + 1, *oy, r.Right, *oy);
}

QString TIndicator::AxisLabel(double value, TAxis axis) const {
    QString text = QString::fromStdString(FormatGeneral(value, 9)) + (axis == TAxis::axX ? FUnitsX : FUnitsY);
    if (OnGetAxisLabel) OnGetAxisLabel(value, axis, text);
    if (FOwner) FOwner->GetAxisLabel(value, axis, text);
    return text;
}

void TIndicator::PlaceLabels(const QFontMetrics& fm, std::vector<TAxisLabel>* xLabels,
                             std::vector<TAxisLabel>* yLabels) const {
    const TPixelRect& r = FPlotRect;
    const QRect plot = ToQRect(r);
    const QRect control = ToQRect(FControlRect);
    const std::optional<int> ox = ScreenX(0);
    const std::optional<int> oy = ScreenY(0);
    const bool xAxisVisible = oy && r.Top < *oy && *oy < r.Bottom;
    const bool yAxisVisible = ox && r.Left < *ox && *ox < r.Right;
    const QPointF w0 = ScreenToWorld(r.Left + 1, r.Top + 1);
    const QPointF w1 = ScreenToWorld(r.Right - 1, r.Bottom - 1);
    const bool leftToRight = FOrientation == TDataOrientation::doLeftToRight;
    const int h = fm.height();
    auto add = [&](std::vector<TAxisLabel>& labels, TAxis axis, const QString& text, int w, int x, int y,
                   const QRect& clip) { labels.push_back({axis, text, QRect(x, y, w, h), clip}); };

    if (xLabels) ForEachGridValue(w0.x(), w1.x(), FStepX, true, [&](double x) {
        const std::optional<int> sx = ScreenX(x);
        if (!sx) return;
        const QString text = AxisLabel(x, TAxis::axX);
        const int w = fm.horizontalAdvance(text);
        if (leftToRight) {
            if (FFullGrid) add(*xLabels, TAxis::axX, text, w, *sx - w - 1, r.Top + 2, plot);
            else if (oy) add(*xLabels, TAxis::axX, text, w, *sx - w - 1, *oy - h - 2, plot);
        } else if (!xAxisVisible || FFullGrid || FSlide) {
            add(*xLabels, TAxis::axX, text, w, *sx - w / 2, r.Top - h - 2, control);
        } else if (x != 0) {
            add(*xLabels, TAxis::axX, text, w, *sx - w / 2, *oy - h - 2, plot);
        }
    });
    if (yLabels) ForEachGridValue(w1.y(), w0.y(), FStepY, true, [&](double y) {
        const std::optional<int> sy = ScreenY(y);
        if (!sy) return;
        const QString text = AxisLabel(y, TAxis::axY);
        const int w = fm.horizontalAdvance(text);
        if (leftToRight) {
            if (!yAxisVisible || FFullGrid || FSlide)
                add(*yLabels, TAxis::axY, text, w, r.Left - w - (FFullGrid ? 2 : 5), *sy - h / 2, control);
            else if (y != 0)
                add(*yLabels, TAxis::axY, text, w, *ox + 2, *sy - h / 2, plot);
        } else if (FFullGrid) {
            add(*yLabels, TAxis::axY, text, w, r.Left + 2, *sy, plot);
        } else if (ox) {
            add(*yLabels, TAxis::axY, text, w, *ox - w - 2, FSlide ? *sy : *sy - h - 2, plot);
        }
    });
}

namespace {

// The least room, along its axis, between a label moved inside and the next.
constexpr int LabelGap = 2;

// A label reaching out of its area would show cut: "-2Pi" at the left edge
// would read "i". It is moved along its axis until it lies inside, staying in
// line with the other labels of that axis, unless it would then run into one
// of them; a label that cannot be placed so is left out. Labels that fit stay
// exactly where they are.
void FitLabels(std::vector<TAxisLabel>& labels, bool alongX) {
    std::vector<char> keep(labels.size());
    for (std::size_t i = 0; i < labels.size(); ++i) keep[i] = labels[i].Clip.contains(labels[i].Rect);
    for (std::size_t i = 0; i < labels.size(); ++i) {
        if (keep[i]) continue;
        QRect r = labels[i].Rect;
        const QRect& c = labels[i].Clip;
        if (alongX) {
            if (r.width() > c.width() || r.top() < c.top() || r.bottom() > c.bottom()) continue;
            r.moveLeft(std::clamp(r.left(), c.left(), c.right() + 1 - r.width()));
        } else {
            if (r.height() > c.height() || r.left() < c.left() || r.right() > c.right()) continue;
            r.moveTop(std::clamp(r.top(), c.top(), c.bottom() + 1 - r.height()));
        }
        const QRect room = alongX ? r.adjusted(-LabelGap, 0, LabelGap, 0) : r.adjusted(0, -LabelGap, 0, LabelGap);
        bool crowded = false;
        for (std::size_t j = 0; j < labels.size() && !crowded; ++j)
            crowded = j != i && keep[j] && room.intersects(labels[j].Rect);
        if (crowded) continue;
        labels[i].Rect = r;
        keep[i] = true;
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < labels.size(); ++i)
        if (keep[i]) labels[kept++] = std::move(labels[i]);
    labels.resize(kept);
}

// The metrics of a font as it is drawn on a picture (96 dots per inch), not
// as the screen's resolution would have it.
QFontMetrics PictureMetrics(const QFont& font) {
    static const QImage device(1, 1, QImage::Format_RGB32);
    return QFontMetrics(font, &device);
}

}  // namespace

std::vector<TAxisLabel> TIndicator::AxisLabels(const QFontMetrics& fm) const {
    std::vector<TAxisLabel> labels, yLabels;
    PlaceLabels(fm, &labels, &yLabels);
    FitLabels(labels, true);
    FitLabels(yLabels, false);
    labels.insert(labels.end(), std::make_move_iterator(yLabels.begin()), std::make_move_iterator(yLabels.end()));
    return labels;
}

std::vector<TAxisLabel> TIndicator::AxisLabels() const { return AxisLabels(PictureMetrics(FGridFont)); }

int TIndicator::LabelMarginLeft() const {
    if (!FLabels || FWidth <= 0 || FHeight <= 0) return 0;
    std::vector<TAxisLabel> yLabels;
    PlaceLabels(PictureMetrics(FGridFont), nullptr, &yLabels);
    // Only the labels beside the plot are drawn in the whole control; they
    // stand right-aligned against the frame, so a wider margin takes them in.
    const QRect control = ToQRect(FControlRect);
    int wanted = 0;
    for (const TAxisLabel& label : yLabels)
        if (label.Clip == control) wanted = std::max(wanted, FMarginLeft + control.left() - label.Rect.left());
    return wanted;
}

void TIndicator::PaintLabels(QPainter& p) const {
    p.setFont(FGridFont);
    p.setPen(ToQColor(FGridFontColor));
    for (const TAxisLabel& label : AxisLabels(p.fontMetrics()))
        DrawTextAt(p, label.Rect.left(), label.Rect.top(), label.Text, label.Clip);
}

void TIndicator::PaintMarks(QPainter& p) const {
    if (FMarks.Count() == 0) return;
    const bool leftToRight = FOrientation == TDataOrientation::doLeftToRight;
    const double lower = leftToRight ? FWorldLeft : FWorldBottom;
    const double upper = leftToRight ? FWorldRight : FWorldTop;
    const QPen previousPen = p.pen();
    const QPen markPen = MakePen(FMarkColor, FMarkWidth);
    p.setFont(FGridFont);
    const QFontMetrics fm = p.fontMetrics();
    const QRect plot = ToQRect(FPlotRect);
    const TPixelRect& c = FControlRect;
    // Smoothed, a mark line runs through the middle of the pixels the
    // aliased one sets (see DrawPlineLines), so its length stays sharp.
    const double shift = FMarkWidth % 2 != 0 ? 0.5 : 0.0;
    auto markLine = [&](int x1, int y1, int x2, int y2) {
        if (!FAntialiasing) {
            LineTo(p, x1, y1, x2, y2);
            return;
        }
        p.setRenderHint(QPainter::Antialiasing, true);
        const double sx = x1 == x2 ? shift : 0.0, sy = y1 == y2 ? shift : 0.0;
        p.drawLine(QLineF(x1 + sx, y1 + sy, x2 + sx, y2 + sy));
        p.setRenderHint(QPainter::Antialiasing, false);
    };
    int previousX = -1000;
    for (int i = 0; i < FMarks.Count(); ++i) {
        const double m = FMarks.GetVertex(i)[0];
        if (m <= lower) continue;
        if (m > upper) break;
        const QString text = i < FMarkTexts.size() ? FMarkTexts[i] : QString();
        const int w = fm.horizontalAdvance(text), h = fm.height();
        p.setPen(markPen);
        if (leftToRight) {
            const std::optional<int> sx = ScreenX(m);
            if (!sx) continue;
            {
                const TLineAlignment aligned(p, FMarkWidth);
                markLine(*sx, c.Top + FMarginTop + FMarkWidth, *sx, c.Bottom - FMarginBottom - FMarkWidth + 1);
            }
            // Texts that would run into the previous mark's are left out.
            if (*sx - w - 2 > previousX)
                DrawTextAt(p, *sx - w - FMarkWidth - 2, c.Bottom - FMarginBottom - h - 1, text, plot);
            previousX = *sx;
        } else {
            const std::optional<int> sy = ScreenY(m);
            if (!sy) continue;
            {
                const TLineAlignment aligned(p, FMarkWidth);
                markLine(c.Left + FMarginLeft + FMarkWidth, *sy, c.Right - FMarginRight - FMarkWidth + 1, *sy);
            }
            DrawTextAt(p, c.Right - FMarginRight - w - FMarkWidth - 1, *sy + 2, text, plot);
        }
    }
    p.setPen(previousPen);
}

// ---- curves -----------------------------------------------------------------

void TIndicator::DrawPline(QPainter& p, const TPline& pline, int width, bool vertexColors, bool ordered,
                           TCurveLayer* layer) const {
    const int count = pline.Count();
    if (count == 0) return;
    switch (FScopeType) {
        case TScopeType::stScope:
            break;
        case TScopeType::stChart1:
        case TScopeType::stChart2:
            DrawCharts(p, pline, width, vertexColors);
            return;
        default:
            return;
    }
    int first = 0, last = count - 1;
    if (FOutPlineCut && count >= 2 && ordered) {
        // Ordered data: find the visible run by bisection, so vertices far
        // outside the view cost nothing.
        const bool leftToRight = FOrientation == TDataOrientation::doLeftToRight;
        const int axis = leftToRight ? 0 : 1;
        const double lower = leftToRight ? FWorldLeft : FWorldBottom;
        const double upper = leftToRight ? FWorldRight : FWorldTop;
        const int dim = pline.Dimension();
        const double* data = pline.Data();
        // A gap vertex counts as sitting where the vertex before it sits,
        // which keeps the order the bisection relies on.
        auto at = [&](int i) {
            for (; i >= 0; --i) {
                const double c = data[static_cast<std::ptrdiff_t>(i) * dim + axis];
                if (!std::isnan(c)) return c;
            }
            return -std::numeric_limits<double>::infinity();
        };
        auto firstIndex = [&](int from, int to, auto pred) {  // first i in [from, to) with pred
            while (from < to) {
                const int mid = from + (to - from) / 2;
                if (pred(mid)) to = mid;
                else from = mid + 1;
            }
            return from;
        };
        if (FDrawType == TDrawType::dtLines) {
            first = firstIndex(0, count - 1, [&](int i) { return at(i + 1) > lower; });
            if (first == count - 1) first = count - 2;
            // Segments start at vertices below upper; the last one ends at
            // the first vertex at or above it.
            const int stop = firstIndex(first, count - 1, [&](int i) { return at(i) >= upper; });
            last = stop;
            if (last == first) return;
        } else {
            first = firstIndex(0, count, [&](int i) { return at(i) > lower; });
            last = firstIndex(first, count, [&](int i) { return at(i) >= upper; }) - 1;
            if (last < first) return;
        }
    }
    if (FDrawType == TDrawType::dtLines) DrawPlineLines(p, pline, width, vertexColors, first, last, layer);
    else DrawPlinePoints(p, pline, vertexColors, first, last);
}

void TIndicator::DrawPlineLines(QPainter& p, const TPline& pline, int width, bool vertexColors,
                                int first, int last, TCurveLayer* layer) const {
    const TClip c = ToClip(CurveRect());
    const int dim = pline.Dimension();
    const double* data = pline.Data();
    TPlotColor penColor = pline.LineColor();
    // The colour of the segment that ends at vertex i is that vertex's.
    auto newColor = [&](int i, const double* v) {
        if (i == first || !vertexColors || dim < 3) return false;
        const TPlotColor color = VertexColor(v, pline.LineColor());
        if (color == penColor) return false;
        penColor = color;
        return true;
    };
    // A segment is drawn only when one of its ends lies inside; a vertex
    // with no pixel (a gap marker, an undefined value) takes both its
    // segments along. The pixels of consecutive vertices are kept as point
    // and flag rather than as optionals: copying those through memory
    // stalled the loop.
    QPoint a, b;
    bool haveA = false;
    if (layer && layer->Prepare()) {
        TCurveRaster raster(*layer, width, ToQColor(penColor).rgba());
        for (int i = first; i <= last; ++i) {
            const double* v = data + static_cast<std::ptrdiff_t>(i) * dim;
            if (newColor(i, v)) raster.SetColor(ToQColor(penColor).rgba());
            const bool haveB = VertexPixel(v, dim, b);
            if (!haveB || (haveA && !c.Inside(a) && !c.Inside(b))) raster.Break();
            if (haveB) raster.LineTo(b);
            a = b;
            haveA = haveB;
        }
        return;
    }

    const bool smooth = p.testRenderHint(QPainter::Antialiasing);
    // Smoothed lines run through the middle of the pixels the aliased pen
    // sets: pixel centres for odd widths, pixel corners for even ones.
    const double shift = smooth && width % 2 != 0 ? 0.5 : 0.0;
    p.setPen(MakePen(penColor, width));
    // Runs of segments that lie wholly inside go out as one polyline; a cut
    // segment, a dropped point or a new colour ends the run.
    TPolylineRun run(p, shift, width > 1);
    for (int i = first; i <= last; ++i) {
        const double* v = data + static_cast<std::ptrdiff_t>(i) * dim;
        const bool haveB = VertexPixel(v, dim, b);
        if (newColor(i, v)) {
            run.Flush();
            p.setPen(MakePen(penColor, width));
        }
        if (haveA && haveB) {
            if (c.Inside(a) && c.Inside(b)) {
                if (run.Empty()) run.Add(a);
                run.Add(b);
            } else {
                run.Flush();
                if (!smooth) {
                    DrawClipped(p, c, a, b);
                } else if (c.Inside(a) || c.Inside(b)) {
                    // The painter's clip keeps the smoothed edge inside.
                    const QPoint in = c.Inside(a) ? a : b;
                    const QPoint e = ClippedEnd(c, in, c.Inside(a) ? b : a);
                    p.drawLine(QLineF(in.x() + shift, in.y() + shift, e.x() + shift, e.y() + shift));
                }
            }
        } else {
            run.Flush();
        }
        a = b;
        haveA = haveB;
    }
    run.Flush();
}

void TIndicator::DrawPlinePoints(QPainter& p, const TPline& pline, bool vertexColors, int first,
                                 int last) const {
    const TPixelRect& r = FPlotRect;
    const int dim = pline.Dimension();
    const double* data = pline.Data();
    QPen pen(ToQColor(pline.LineColor()), 1, Qt::SolidLine, Qt::SquareCap);
    p.setPen(pen);
    std::vector<QPoint> points;
    for (int i = first; i <= last; ++i) {
        const double* v = data + static_cast<std::ptrdiff_t>(i) * dim;
        const std::optional<int> sx = ScreenX(v[0]);
        const std::optional<int> sy = ScreenY(dim > 1 ? v[1] : 0.0);
        if (!sx || !sy) continue;
        if (*sx < r.Left || *sx > r.Right || *sy < r.Top || *sy > r.Bottom) continue;
        if (vertexColors && dim >= 3) {
            pen.setColor(ToQColor(VertexColor(v, pline.LineColor())));
            p.setPen(pen);
            p.drawPoint(*sx, *sy);
        } else {
            points.emplace_back(*sx, *sy);
        }
    }
    if (!points.empty()) p.drawPoints(points.data(), static_cast<int>(points.size()));
}

void TIndicator::DrawCharts(QPainter& p, const TPline& pline, int width, bool vertexColors) const {
    const int dim = pline.Dimension();
    if (dim < 2) return;
    const bool bars2 = FScopeType == TScopeType::stChart2;
    const int group = bars2 ? 4 : 2;
    const int count = pline.Count();
    const double* data = pline.Data();
    auto vertex = [&](int i) { return data + static_cast<std::ptrdiff_t>(i) * dim; };
    QPen pen = MakePen(FGraphicColor, width);
    p.setPen(pen);
    auto segment = [&](double xa, double ya, double xb, double yb) {
        const std::optional<int> sxa = ScreenX(xa), sya = ScreenY(ya);
        const std::optional<int> sxb = ScreenX(xb), syb = ScreenY(yb);
        if (sxa && sya && sxb && syb) DrawClippedSegment(p, {*sxa, *sya}, {*sxb, *syb});
    };
    for (int i = 0; i + group <= count;) {
        // A gap vertex ends the group it falls into; the next one starts after it.
        int gap = i;
        while (gap < i + group && !IsGapVertex(vertex(gap))) ++gap;
        if (gap < i + group) {
            i = gap + 1;
            continue;
        }
        const int g = i;
        i += group;
        const double* v = vertex(g);
        if (vertexColors && dim >= 3) {
            pen.setColor(ToQColor(VertexColor(vertex(g + 1), FGraphicColor)));
            p.setPen(pen);
        }
        segment(v[0], v[1], v[0], vertex(g + 1)[1]);
        if (bars2) {
            segment(v[0], vertex(g + 2)[1], v[0] - FBranchLength, vertex(g + 2)[1]);
            segment(v[0], vertex(g + 3)[1], v[0] + FBranchLength, vertex(g + 3)[1]);
        }
    }
}

// ---- user drawings ----------------------------------------------------------

void TGShaft::Draw(const TIndicator& indicator, QPainter& painter) const {
    QPen pen = painter.pen();
    pen.setColor(ToQColor(Color()));
    painter.setPen(pen);
    const std::optional<int> x1 = indicator.ScreenX(FP1.x()), y1 = indicator.ScreenY(FP1.y());
    const std::optional<int> x2 = indicator.ScreenX(FP2.x()), y2 = indicator.ScreenY(FP2.y());
    if (x1 && y1 && x2 && y2) indicator.DrawClippedSegment(painter, {*x1, *y1}, {*x2, *y2});
}

void TGPoly::Draw(const TIndicator& indicator, QPainter& painter) const {
    QPen pen = painter.pen();
    pen.setColor(ToQColor(Color()));
    painter.setPen(pen);
    std::optional<QPoint> a;
    for (int i = 0; i < FStroke.Count(); ++i) {
        const double* v = FStroke.GetVertex(i);
        const std::optional<int> x = indicator.ScreenX(v[0]), y = indicator.ScreenY(v[1]);
        std::optional<QPoint> b;
        if (x && y) b = QPoint(*x, *y);
        if (a && b) indicator.DrawClippedSegment(painter, *a, *b);
        a = b;
    }
}

// ---- axis labels in units ---------------------------------------------------

void UnitsAxisLabel(double value, TUnits units, QString& text) {
    if (units == TUnits::uRadians) {
        const double q = std::nearbyint(value / std::numbers::pi * 1000) / 1000;
        const double aq = std::fabs(q);
        if (aq < 1e-5) {
            text = QStringLiteral("0");
            return;
        }
        QString s;
        if (aq == 1) {
            s = QStringLiteral("Pi");
        } else if (aq < 1) {
            s = QStringLiteral("Pi/%1").arg(static_cast<long long>(std::nearbyint(1 / aq)));
        } else if (std::fabs(aq - std::trunc(aq)) < 1e-5) {
            s = QStringLiteral("%1Pi").arg(static_cast<long long>(std::nearbyint(aq)));
        } else {
            s = QString::asprintf("%.1fPi", aq);  // QString::asprintf ignores the locale
        }
        text = q < 0 ? QStringLiteral("-") + s : s;
    } else if (units == TUnits::uDegrees) {
        const double degrees = std::nearbyint(180 * value / std::numbers::pi);
        if (std::fabs(degrees) < 1e15) text = QString::number(static_cast<long long>(degrees));
        else text = QString::fromStdString(FormatGeneral(degrees, 15));
    }
}

}  // namespace curvane

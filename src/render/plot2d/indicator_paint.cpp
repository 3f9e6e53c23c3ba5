// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include <QFontMetrics>
#include <QImage>
#include <QLineF>
#include <QPainter>
#include <QPen>

#include "core/support/number_format.h"
#include "render/color.h"
#include "render/plot2d/curve_layer.h"
#include "render/plot2d/curve_painter.h"
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


}  // namespace


TPixelRect TIndicator::CurveRect() const {
    const TPixelRect& c = ControlRect();
    const int w = FLook.GraphicWidth;
    return {c.Left + MarginLeft() + w, c.Top + MarginTop() + w, c.Right - FMapping.MarginRight() - w + 1,
            c.Bottom - FMapping.MarginBottom() - w};
}

void TIndicator::DrawClippedSegment(QPainter& painter, QPoint p1, QPoint p2) const {
    curvane::DrawClippedSegment(painter, CurveRect(), p1, p2);
}


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
        painter.setFont(FLook.Font);
        painter.setPen(ToQColor(FLook.FontColor));
        const QFontMetrics fm = painter.fontMetrics();
        painter.drawText(ControlRect().Left + MarginLeft(), ControlRect().Top + 2 + fm.ascent(),
                         FCaption);
    }
    {
        const TLineAlignment aligned(painter, 1);
        PaintGrid(painter);
    }
    if (FLook.Labels) PaintLabels(painter);
    PaintMarks(painter);

    // Points and bars sit on whole pixels and stay aliased; smoothed lines
    // may spill half a pixel beyond their ends, which the clip keeps inside
    // the frame.
    const bool smooth = FLook.Antialiasing && FLook.ScopeType == TScopeType::stScope &&
                        FLook.DrawType == TDrawType::dtLines;
    std::optional<TCurveLayer> layer;
    const int scale = PixelScale(painter);
    if (scale == 1 || (scale > 1 && smooth)) {
        const TPixelRect r = CurveRect();
        if (r.Right > r.Left && r.Bottom > r.Top)
            layer.emplace(QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top), scale);
    }
    if (smooth) {
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, true);
        const TPixelRect r = CurveRect();
        painter.setClipRect(QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top), Qt::IntersectClip);
    }
    TCurveLayer* const into = layer ? &*layer : nullptr;
    const int dataAxis = FLook.Orientation == TDataOrientation::doLeftToRight ? 0 : 1;
    // Points are drawn one pixel wide whatever the curve's width.
    const bool points = FLook.DrawType != TDrawType::dtLines && FLook.ScopeType == TScopeType::stScope;
    const TCurvePainter curves(FMapping, FLook, CurveRect());
    if (FData.Count() > 0) {
        const TLineAlignment aligned(painter, points ? 1 : FLook.GraphicWidth);
        curves.Draw(painter, FData, FLook.GraphicWidth, true, IsPlineOrderedAlong(FData, dataAxis), into);
    }
    for (int i = 0; i < FPlines.Count(); ++i) {
        const TGraphPline& item = FPlines[i];
        if (item.Pline().Count() == 0) continue;
        const TLineAlignment aligned(painter, points ? 1 : item.Width());
        curves.Draw(painter, item.Pline(), item.Width(), false, item.IsOrderedAlong(dataAxis), into);
    }
    if (layer) layer->DrawOnto(painter);
    if (smooth) painter.restore();

    painter.setPen(MakePen(FLook.PencilColor));
    {
        const TLineAlignment aligned(painter, 1);
        for (const auto& drawing : FDrawings) drawing->Draw(*this, painter);
    }
    painter.restore();
}

void TIndicator::PaintFrame(QPainter& p) const {
    const int left = ControlRect().Left + MarginLeft();
    const int top = ControlRect().Top + MarginTop();
    const int right = ControlRect().Right - FMapping.MarginRight();  // last column of the frame
    const int bottom = ControlRect().Bottom - FMapping.MarginBottom();
    if (right < left || bottom < top) return;
    const QColor white(Qt::white);
    p.fillRect(QRect(QPoint(left, top), QPoint(right, top)), white);
    p.fillRect(QRect(QPoint(left, bottom), QPoint(right, bottom)), white);
    p.fillRect(QRect(QPoint(left, top), QPoint(left, bottom)), white);
    p.fillRect(QRect(QPoint(right, top), QPoint(right, bottom)), white);
    if (right - left >= 2 && bottom - top >= 2)
        p.fillRect(QRect(QPoint(left + 1, top + 1), QPoint(right - 1, bottom - 1)),
                   ToQColor(FLook.Background));
}

void TIndicator::PaintGrid(QPainter& p) const {
    const TPixelRect& r = PlotRect();
    p.setFont(FLook.GridFont);
    const std::optional<int> ox = ScreenX(0);
    const std::optional<int> oy = ScreenY(0);
    const bool xAxisVisible = oy && r.Top < *oy && *oy < r.Bottom;
    const bool yAxisVisible = ox && r.Left < *ox && *ox < r.Right;
    const QPointF w0 = ScreenToWorld(r.Left + 1, r.Top + 1);
    const QPointF w1 = ScreenToWorld(r.Right - 1, r.Bottom - 1);
    const double x0 = w0.x(), y1 = w0.y(), x1 = w1.x(), y0 = w1.y();

    if (FLook.FullGrid)
        p.setPen(MakePen(FLook.GridColor, 1, FLook.Slide ? Qt::SolidLine : FLook.GridLineStyle));
    else
        p.setPen(MakePen(FLook.AxisColor));

    ForEachGridValue(x0, x1, StepX(), false, [&](double x) {
        const std::optional<int> sx = ScreenX(x);
        if (!sx || (ox && *sx == *ox)) return;
        if (FLook.FullGrid) {
            LineTo(p, *sx, r.Top + 1, *sx, r.Bottom);
        } else {
            if (FLook.Orientation == TDataOrientation::doTopToBottom)
                LineTo(p, *sx, r.Top - 2, *sx, r.Top - 4);
            if (xAxisVisible) LineTo(p, *sx, *oy - 2, *sx, *oy + 3);
        }
    });
    ForEachGridValue(y0, y1, StepY(), false, [&](double y) {
        const std::optional<int> sy = ScreenY(y);
        if (!sy || (oy && *sy == *oy)) return;
        if (FLook.FullGrid) {
            LineTo(p, r.Right - 1, *sy, r.Left, *sy);
        } else {
            if (FLook.Orientation == TDataOrientation::doLeftToRight)
                LineTo(p, r.Left - 2, *sy, r.Left - 4, *sy);
            if (yAxisVisible) LineTo(p, *ox - 2, *sy, *ox + 3, *sy);
        }
    });

    p.setPen(MakePen(FLook.AxisColor));
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
    const TPixelRect& r = PlotRect();
    const QRect plot = ToQRect(r);
    const QRect control = ToQRect(ControlRect());
    const std::optional<int> ox = ScreenX(0);
    const std::optional<int> oy = ScreenY(0);
    const bool xAxisVisible = oy && r.Top < *oy && *oy < r.Bottom;
    const bool yAxisVisible = ox && r.Left < *ox && *ox < r.Right;
    const QPointF w0 = ScreenToWorld(r.Left + 1, r.Top + 1);
    const QPointF w1 = ScreenToWorld(r.Right - 1, r.Bottom - 1);
    const bool leftToRight = FLook.Orientation == TDataOrientation::doLeftToRight;
    const int h = fm.height();
    auto add = [&](std::vector<TAxisLabel>& labels, TAxis axis, const QString& text, int w, int x, int y,
                   const QRect& clip) { labels.push_back({axis, text, QRect(x, y, w, h), clip}); };

    if (xLabels) ForEachGridValue(w0.x(), w1.x(), StepX(), true, [&](double x) {
        const std::optional<int> sx = ScreenX(x);
        if (!sx) return;
        const QString text = AxisLabel(x, TAxis::axX);
        const int w = fm.horizontalAdvance(text);
        if (leftToRight) {
            if (FLook.FullGrid) add(*xLabels, TAxis::axX, text, w, *sx - w - 1, r.Top + 2, plot);
            else if (oy) add(*xLabels, TAxis::axX, text, w, *sx - w - 1, *oy - h - 2, plot);
        } else if (!xAxisVisible || FLook.FullGrid || FLook.Slide) {
            add(*xLabels, TAxis::axX, text, w, *sx - w / 2, r.Top - h - 2, control);
        } else if (x != 0) {
            add(*xLabels, TAxis::axX, text, w, *sx - w / 2, *oy - h - 2, plot);
        }
    });
    if (yLabels) ForEachGridValue(w1.y(), w0.y(), StepY(), true, [&](double y) {
        const std::optional<int> sy = ScreenY(y);
        if (!sy) return;
        const QString text = AxisLabel(y, TAxis::axY);
        const int w = fm.horizontalAdvance(text);
        if (leftToRight) {
            if (!yAxisVisible || FLook.FullGrid || FLook.Slide)
                add(*yLabels, TAxis::axY, text, w, r.Left - w - (FLook.FullGrid ? 2 : 5), *sy - h / 2, control);
            else if (y != 0)
                add(*yLabels, TAxis::axY, text, w, *ox + 2, *sy - h / 2, plot);
        } else if (FLook.FullGrid) {
            add(*yLabels, TAxis::axY, text, w, r.Left + 2, *sy, plot);
        } else if (ox) {
            add(*yLabels, TAxis::axY, text, w, *ox - w - 2, FLook.Slide ? *sy : *sy - h - 2, plot);
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

std::vector<TAxisLabel> TIndicator::AxisLabels() const { return AxisLabels(PictureMetrics(FLook.GridFont)); }

int TIndicator::LabelMarginLeft() const {
    if (!FLook.Labels || Width() <= 0 || Height() <= 0) return 0;
    std::vector<TAxisLabel> yLabels;
    PlaceLabels(PictureMetrics(FLook.GridFont), nullptr, &yLabels);
    // Only the labels beside the plot are drawn in the whole control; they
    // stand right-aligned against the frame, so a wider margin takes them in.
    const QRect control = ToQRect(ControlRect());
    int wanted = 0;
    for (const TAxisLabel& label : yLabels)
        if (label.Clip == control) wanted = std::max(wanted, MarginLeft() + control.left() - label.Rect.left());
    return wanted;
}

void TIndicator::PaintLabels(QPainter& p) const {
    p.setFont(FLook.GridFont);
    p.setPen(ToQColor(FLook.GridFontColor));
    for (const TAxisLabel& label : AxisLabels(p.fontMetrics()))
        DrawTextAt(p, label.Rect.left(), label.Rect.top(), label.Text, label.Clip);
}

void TIndicator::PaintMarks(QPainter& p) const {
    if (FMarks.Count() == 0) return;
    const bool leftToRight = FLook.Orientation == TDataOrientation::doLeftToRight;
    const double lower = leftToRight ? WorldLeft() : WorldBottom();
    const double upper = leftToRight ? WorldRight() : WorldTop();
    const QPen previousPen = p.pen();
    const QPen markPen = MakePen(FLook.MarkColor, FLook.MarkWidth);
    p.setFont(FLook.GridFont);
    const QFontMetrics fm = p.fontMetrics();
    const QRect plot = ToQRect(PlotRect());
    const TPixelRect& c = ControlRect();
    // Smoothed, a mark line runs through the middle of the pixels the
    // aliased one sets (see TCurvePainter::DrawLines), so its length stays sharp.
    const double shift = FLook.MarkWidth % 2 != 0 ? 0.5 : 0.0;
    auto markLine = [&](int x1, int y1, int x2, int y2) {
        if (!FLook.Antialiasing) {
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
                const TLineAlignment aligned(p, FLook.MarkWidth);
                markLine(*sx, c.Top + MarginTop() + FLook.MarkWidth, *sx,
                         c.Bottom - FMapping.MarginBottom() - FLook.MarkWidth + 1);
            }
            // Texts that would run into the previous mark's are left out.
            if (*sx - w - 2 > previousX)
                DrawTextAt(p, *sx - w - FLook.MarkWidth - 2, c.Bottom - FMapping.MarginBottom() - h - 1, text,
                           plot);
            previousX = *sx;
        } else {
            const std::optional<int> sy = ScreenY(m);
            if (!sy) continue;
            {
                const TLineAlignment aligned(p, FLook.MarkWidth);
                markLine(c.Left + MarginLeft() + FLook.MarkWidth, *sy,
                         c.Right - FMapping.MarginRight() - FLook.MarkWidth + 1, *sy);
            }
            DrawTextAt(p, c.Right - FMapping.MarginRight() - w - FLook.MarkWidth - 1, *sy + 2, text, plot);
        }
    }
    p.setPen(previousPen);
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

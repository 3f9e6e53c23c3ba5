// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plot2d/point_layer.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>

#include <cstdlib>

#include "render/color.h"
#include "render/plot2d/indicator.h"

namespace curvane {

namespace {

constexpr double RingWidth = 1.5;
// The label's distance from its point, and its padding around the text.
constexpr int LabelOffset = TPointLayer::Radius + 3;
constexpr int LabelPadding = 3;

QRect PlotArea(const TIndicator& indicator) {
    const TPixelRect& r = indicator.PlotRect();
    return QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
}

// Up and to the right of the point, or wherever the frame leaves room: the
// box is moved to the other side of the point before it is cut.
QRect PlaceLabel(const QRect& plot, QPoint centre, QSize textSize) {
    const QSize size = textSize + QSize(2 * LabelPadding, 2 * LabelPadding);
    QRect box(QPoint(centre.x() + LabelOffset, centre.y() - LabelOffset - size.height()), size);
    if (box.right() > plot.right()) box.moveRight(centre.x() - LabelOffset);
    if (box.top() < plot.top()) box.moveTop(centre.y() + LabelOffset);
    // A plot narrower or lower than the label: its top-left corner stays in.
    if (box.left() < plot.left()) box.moveLeft(plot.left());
    if (box.bottom() > plot.bottom()) box.moveBottom(plot.bottom());
    if (box.top() < plot.top()) box.moveTop(plot.top());
    return box;
}

}  // namespace

void TPointLayer::SetMarks(std::vector<TPointMark> marks) {
    FMarks = std::move(marks);
    FPinned.reset();
}

void TPointLayer::SetPinned(std::optional<std::size_t> index) {
    FPinned = index && *index < FMarks.size() ? index : std::nullopt;
}

std::optional<QPoint> TPointLayer::Centre(const TIndicator& indicator, std::size_t index) const {
    if (index >= FMarks.size()) return std::nullopt;
    return Centre(indicator, FMarks[index]);
}

std::optional<QPoint> TPointLayer::Centre(const TIndicator& indicator, const TPointMark& mark) {
    const std::optional<int> x = indicator.ScreenX(mark.X);
    const std::optional<int> y = indicator.ScreenY(mark.Y);
    if (!x || !y || !indicator.PlotRect().Contains(*x, *y)) return std::nullopt;
    return QPoint(*x, *y);
}

std::optional<std::size_t> TPointLayer::MarkAt(const TIndicator& indicator, QPoint pixel, int reach) const {
    std::optional<std::size_t> nearest;
    int best = 0;
    for (std::size_t i = 0; i < FMarks.size(); ++i) {
        const std::optional<QPoint> c = Centre(indicator, i);
        if (!c) continue;
        const int dx = std::abs(c->x() - pixel.x()), dy = std::abs(c->y() - pixel.y());
        if (dx > reach || dy > reach) continue;
        const int distance = dx * dx + dy * dy;
        if (!nearest || distance < best) nearest = i, best = distance;
    }
    return nearest;
}

void TPointLayer::Paint(const TIndicator& indicator, QPainter& painter) const {
    if (FMarks.empty()) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setClipRect(PlotArea(indicator), Qt::IntersectClip);
    painter.setBrush(Qt::NoBrush);
    for (std::size_t i = 0; i < FMarks.size(); ++i) {
        const std::optional<QPoint> c = Centre(indicator, i);
        if (!c) continue;
        painter.setPen(QPen(ToQColor(FMarks[i].Color), RingWidth));
        // Centred on the middle of the pixel the curve passes through.
        painter.drawEllipse(QPointF(c->x() + 0.5, c->y() + 0.5), Radius, Radius);
    }
    painter.restore();
    if (FPinned) PaintLabel(indicator, painter, *FPinned);
}

QRect TPointLayer::LabelRect(const TIndicator& indicator, std::size_t index) const {
    const std::optional<QPoint> c = Centre(indicator, index);
    if (!c) return {};
    const QFontMetrics fm(indicator.GridFont());
    return PlaceLabel(PlotArea(indicator), *c, fm.size(Qt::TextSingleLine, FMarks[index].Text));
}

void TPointLayer::PaintLabel(const TIndicator& indicator, QPainter& painter, std::size_t index) const {
    const QRect box = LabelRect(indicator, index);
    if (box.isEmpty()) return;
    const TPointMark& mark = FMarks[index];
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setClipRect(PlotArea(indicator), Qt::IntersectClip);
    painter.setPen(QPen(ToQColor(mark.Color), 1));
    painter.setBrush(ToQColor(indicator.Look().Background));
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.setFont(indicator.GridFont());
    painter.setPen(ToQColor(indicator.GridFontColor()));
    painter.drawText(box, Qt::AlignCenter, mark.Text);
    painter.restore();
}

}  // namespace curvane

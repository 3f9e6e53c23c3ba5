// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plot2d/cursors.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace curvane {

namespace {

constexpr int CursorSize = 32;

// Black shapes with a white rim, so the cursor shows on light and dark plots.
void Outline(QPainter& p, const QPainterPath& path, bool filled) {
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(filled ? QBrush(Qt::white) : QBrush());
    p.drawPath(path);
    p.setPen(QPen(Qt::black, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(filled ? QBrush(Qt::black) : QBrush());
    p.drawPath(path);
}

QPainterPath Hand(bool closed) {
    QPainterPath path;
    // Palm, then the fingers: long when open, folded into knuckles when closed.
    path.addRoundedRect(QRectF(9, 14, 15, 12), 4, 4);
    const double fingerTop = closed ? 11 : 5;
    for (int i = 0; i < 4; ++i) path.addRoundedRect(QRectF(9 + i * 3.8, fingerTop, 3.4, 14 - fingerTop + 4), 1.5, 1.5);
    path.addRoundedRect(QRectF(5, closed ? 15 : 12, 5, 7), 2, 2);  // thumb
    return path.simplified();
}

QPainterPath Magnifier(int sign) {
    QPainterPath path;
    path.addEllipse(QRectF(3, 3, 16, 16));
    path.moveTo(17, 17);
    path.lineTo(27, 27);
    if (sign != 0) {
        path.moveTo(7, 11);
        path.lineTo(15, 11);
        if (sign > 0) {
            path.moveTo(11, 7);
            path.lineTo(11, 15);
        }
    }
    return path;
}

QPainterPath DoubleArrow(bool horizontal) {
    QPainterPath path;
    auto pt = [&](double a, double b) { return horizontal ? QPointF(a, b) : QPointF(b, a); };
    path.moveTo(pt(3, 16));
    path.lineTo(pt(29, 16));
    path.moveTo(pt(8, 11));
    path.lineTo(pt(3, 16));
    path.lineTo(pt(8, 21));
    path.moveTo(pt(24, 11));
    path.lineTo(pt(29, 16));
    path.lineTo(pt(24, 21));
    return path;
}

QPainterPath Pencil() {
    QPainterPath path;
    path.moveTo(1, 30);  // the tip, the hot spot
    path.lineTo(4, 22);
    path.lineTo(22, 4);
    path.lineTo(27, 9);
    path.lineTo(9, 27);
    path.closeSubpath();
    path.moveTo(4, 22);
    path.lineTo(9, 27);
    return path;
}

}  // namespace

QImage CursorImage(TCursorId id, QPoint* hotSpot) {
    QPoint hot(CursorSize / 2, CursorSize / 2);
    QImage image(CursorSize, CursorSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    switch (id) {
        case TCursorId::crHand: Outline(p, Hand(false), true); break;
        case TCursorId::crHandHold: Outline(p, Hand(true), true); break;
        case TCursorId::crZoom: Outline(p, Magnifier(0), false); hot = {11, 11}; break;
        case TCursorId::crScale: Outline(p, Magnifier(1), false); hot = {11, 11}; break;
        case TCursorId::crScaleX: Outline(p, DoubleArrow(true), false); break;
        case TCursorId::crScaleY: Outline(p, DoubleArrow(false), false); break;
        case TCursorId::crEmpty: break;  // the cross hair is the pointer
        case TCursorId::crPencil: Outline(p, Pencil(), false); hot = {1, 30}; break;
        case TCursorId::crDefault:
        case TCursorId::crCross:
            p.end();
            return {};
    }
    p.end();
    if (hotSpot) *hotSpot = hot;
    return image;
}

QCursor CursorFor(TCursorId id) {
    if (id == TCursorId::crDefault) return QCursor(Qt::ArrowCursor);
    if (id == TCursorId::crCross) return QCursor(Qt::CrossCursor);
    QPoint hot;
    const QImage image = CursorImage(id, &hot);
    return QCursor(QPixmap::fromImage(image), hot.x(), hot.y());
}

}  // namespace curvane

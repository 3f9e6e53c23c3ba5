// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/plot2d/buffered_control.h"

#include <algorithm>
#include <cmath>

#include <QPainter>
#include <QResizeEvent>

namespace curvane {

TBufferedControl::TBufferedControl(QWidget* parent) : QWidget(parent) {
    ResizeBuffer(QSize(100, 100));
    // The picture covers every pixel: nothing needs erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMinimumSize(MinSide, MinSide);
}

void TBufferedControl::EndUpdate() {
    if (FUpdateDepth == 0) return;
    if (--FUpdateDepth == 0) DrawBuffer();
}

void TBufferedControl::EndUpdateSilently() {
    if (FUpdateDepth > 0) --FUpdateDepth;
}

void TBufferedControl::paintEvent(QPaintEvent*) {
    // A window moved to a screen of another density: there is no event for
    // that on every Qt version, but a paint always follows.
    if (ResizeBuffer(FBufferSize)) Resized();
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), FBuffer);
    PaintOverlay(painter);
}

void TBufferedControl::PaintOverlay(QPainter&) {}

void TBufferedControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (ResizeBuffer(event->size())) Resized();
}

bool TBufferedControl::ResizeBuffer(QSize size) {
    const QSize logical(std::max(MinSide, size.width()), std::max(MinSide, size.height()));
    const qreal ratio = devicePixelRatioF();
    if (!FBuffer.isNull() && FBufferSize == logical && FBuffer.devicePixelRatio() == ratio) return false;
    // Whole device pixels covering the logical size; at a fractional ratio
    // the last column and row reach a little past it.
    QImage buffer(static_cast<int>(std::ceil(logical.width() * ratio)),
                  static_cast<int>(std::ceil(logical.height() * ratio)), QImage::Format_RGB32);
    buffer.setDevicePixelRatio(ratio);
    buffer.fill(Qt::black);
    // The old picture is kept where it fits, so a resize while redraws are
    // suspended shows no garbage until the picture is rendered again.
    if (!FBuffer.isNull()) {
        QPainter p(&buffer);
        p.drawImage(QPointF(0, 0), FBuffer);
    }
    FBuffer = std::move(buffer);
    FBufferSize = logical;
    return true;
}

}  // namespace curvane

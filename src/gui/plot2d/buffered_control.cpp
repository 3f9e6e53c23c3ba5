#include "gui/plot2d/buffered_control.h"

#include <algorithm>

#include <QPainter>
#include <QResizeEvent>

namespace curvane {

TBufferedControl::TBufferedControl(QWidget* parent)
    : QWidget(parent), FBuffer(100, 100, QImage::Format_RGB32) {
    FBuffer.fill(Qt::black);
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
    QPainter painter(this);
    painter.drawImage(0, 0, FBuffer);
    PaintOverlay(painter);
}

void TBufferedControl::PaintOverlay(QPainter&) {}

void TBufferedControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int w = std::max(MinSide, event->size().width());
    const int h = std::max(MinSide, event->size().height());
    if (FBuffer.width() == w && FBuffer.height() == h) return;
    // The old picture is kept where it fits, so a resize while redraws are
    // suspended shows no garbage until the picture is rendered again.
    QImage buffer(w, h, QImage::Format_RGB32);
    buffer.fill(Qt::black);
    {
        QPainter p(&buffer);
        p.drawImage(0, 0, FBuffer);
    }
    FBuffer = std::move(buffer);
    Resized();
}

}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plot2d/paint_helpers.h"

#include <QPaintDevice>
#include <QPainter>

namespace curvane::detail {

TLineAlignment::TLineAlignment(QPainter& painter, int penWidth) : FPainter(painter) {
    const QPaintDevice* device = painter.device();
    if (!device || device->devicePixelRatio() <= 1 || penWidth % 2 == 0 ||
        painter.testRenderHint(QPainter::Antialiasing))
        return;
    FShift = 0.5;
    FPainter.translate(FShift, FShift);
}

TLineAlignment::~TLineAlignment() {
    if (FShift != 0) FPainter.translate(-FShift, -FShift);
}

}  // namespace curvane::detail

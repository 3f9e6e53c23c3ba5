// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPen>

#include "render/plot2d/indicator_types.h"

class QPainter;

namespace curvane::detail {

// Thin lines leave out their end pixel (the flat cap), which consecutive
// segments and exclusive-or drawings rely on; thick ones are round.
QPen MakePen(TPlotColor color, int width = 1, Qt::PenStyle style = Qt::SolidLine);

// A line from (x1, y1) toward (x2, y2) with the end pixel left out, whichever
// way an axis-parallel line runs.
void LineTo(QPainter& p, int x1, int y1, int x2, int y2);

// Puts aliased lines of an odd pen width on the pixels they cover in a
// picture without a device pixel ratio. There such a line through pixel
// (x, y) covers that pixel, which lies right of and below the point; painted
// at a ratio above 1 the same line is centred on the point instead, half a
// pixel up and left of the frame, the fills and the texts. While it lives the
// painter is moved by that half pixel; at ratio 1, for even widths and for
// antialiased painting it changes nothing.
class TLineAlignment {
public:
    TLineAlignment(QPainter& painter, int penWidth);
    ~TLineAlignment();
    TLineAlignment(const TLineAlignment&) = delete;
    TLineAlignment& operator=(const TLineAlignment&) = delete;

private:
    QPainter& FPainter;
    double FShift = 0;
};

}  // namespace curvane::detail

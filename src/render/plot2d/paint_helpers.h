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

}  // namespace curvane::detail

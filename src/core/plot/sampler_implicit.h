// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/document/compiled_function.h"
#include "core/plot/pline.h"
#include "core/plot/sampler2d.h"

namespace curvane {

class TFuncItem;

// Cells per side of the grid an implicit curve is first looked for on.
inline constexpr int ImplicitCoarseCells = 64;
// Halvings of a coarse cell at most (64 * 2^10 cells per side): manual limits
// far wider than the view are traced coarser than a pixel rather than for ever.
inline constexpr int ImplicitMaxLevels = 10;
// Cells one refinement step may split. Formulas that change sign everywhere
// (noise at the scale of a pixel) stop refining there and are drawn coarser.
inline constexpr std::size_t ImplicitMaxCells = std::size_t{1} << 20;

// The rectangle an implicit curve is traced over and the world size of one
// pixel of the view; the finest cells are smaller than a pixel both ways.
struct TImplicitArea {
    double Left = -10;
    double Right = 10;
    double Bottom = -10;
    double Top = 10;
    double PixelWidth = 1;
    double PixelHeight = 1;
};

// Traces the curve function(x, y) = 0 over area and appends it to curve as
// (x, y, 0) vertices: chains of vertices on the curve, separated by one gap
// vertex (NaN, NaN, 0) each. A closed loop ends on its first vertex.
// Points where the function faults are undefined: the curve never crosses
// them. A change of sign through a pole or a jump is no crossing. An sfOther
// fault (Fact beyond 32 bits) re-raises its error through Evaluate.
// The function's second argument is y; area must be finite with Left < Right,
// Bottom < Top and positive pixel sizes (ChooseImplicitArea sees to it).
void SampleImplicit(const TCompiledFunction& function, const TImplicitArea& area, TPline& curve);

// Chooses the area of an implicit function: with manual limits, x from From to
// To and y from FromY to ToY (limits that are not finite, or enclose no area,
// are refused; reversed ones are swapped in the record after asking), else the
// view, which is then written back into From, To, FromY and ToY. Step, StepY
// and the degree switches play no part.
TRangeOutcome ChooseImplicitArea(TFuncItem& func, const TSampleView& view, TSamplerDialog& dialog,
                                 TImplicitArea& area);

}  // namespace curvane

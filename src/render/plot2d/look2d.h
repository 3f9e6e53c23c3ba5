// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>

#include "render/color.h"
#include "render/fonts.h"
#include "render/plot2d/indicator_types.h"

namespace curvane {

struct TSettings;

// The part of the 2D look the settings keep and the Options dialog edits:
// what a window takes over when options are applied, and nothing it keeps
// for itself (its drawing style, its scope type).
struct TStoredLook2D {
    TPlotColor Background = clBlack;
    TPlotColor AxisColor = clRed;
    TPlotColor GridColor = HalfColor(clRed);
    // The colour of the division-by-zero marks.
    TPlotColor MarkColor = clRed;
    bool FullGrid = false;
    bool Labels = true;
    bool Uniform = false;
    // Curves and mark lines drawn with smoothed edges. Off, curves are drawn
    // pixel by pixel, which is much faster for wide pens; the exclusive-or
    // overlays (cross hair, rubber rectangle, open strokes) are aliased
    // either way, since only an aliased inversion undoes itself.
    bool Antialiasing = false;
    // The caption font; its colour is kept beside it.
    QFont Font = MakePlotFont(QStringLiteral("MS Sans Serif"), 8, true);
    TPlotColor FontColor = clWhite;
    // The axis label font.
    QFont GridFont = MakePlotFont(QStringLiteral("Terminal"), 5);
    TPlotColor GridFontColor = clWhite;

    friend bool operator==(const TStoredLook2D&, const TStoredLook2D&) = default;
};

// Everything that decides how a 2D plot is drawn apart from its view and its
// content. An indicator holds one and takes a new one whole (SetLook).
struct TLook2D : TStoredLook2D {
    TPlotColor GraphicColor = clBlue;  // the indicator's own data polyline
    int GraphicWidth = 1;              // 1 or more
    int MarkWidth = 1;                 // 1..255
    double BranchLength = 0;           // only values above 0 are taken
    TPlotColor PencilColor = clWhite;
    Qt::PenStyle GridLineStyle = Qt::SolidLine;
    Qt::PenStyle CrossLineStyle = Qt::DotLine;
    TPlotColor CrossColor = clWhite;
    bool Slide = false;
    // Draw only the visible run of data ordered along the data axis. Curves
    // whose vertices are not in order are drawn whole.
    bool OutPlineCut = true;
    TDrawType DrawType = TDrawType::dtLines;
    TScopeType ScopeType = TScopeType::stScope;
    TDataOrientation Orientation = TDataOrientation::doLeftToRight;

    TStoredLook2D& Stored() { return *this; }
    const TStoredLook2D& Stored() const { return *this; }

    friend bool operator==(const TLook2D&, const TLook2D&) = default;
};

// The settings' colours, switches and fonts (of new 2D windows) as a look,
// and back. The settings keep a font as a record: face name, whole point
// size, style flags and colour.
TStoredLook2D LookFromSettings(const TSettings& settings);
void StoreLook(const TStoredLook2D& look, TSettings& settings);

}  // namespace curvane

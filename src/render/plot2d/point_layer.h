// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include <QPoint>
#include <QRect>
#include <QString>

#include "render/plot2d/indicator_types.h"

class QPainter;

namespace curvane {

class TIndicator;

// One marked point of a curve: where it is in the world, the colour of its
// circle and the label that tells what it is.
struct TPointMark {
    double X = 0, Y = 0;
    TPlotColor Color = 0;
    QString Text;
    friend bool operator==(const TPointMark&, const TPointMark&) = default;
};

// The points of interest a plot marks: small hollow circles over the
// curves, and the label of one pinned point. What the points are is found
// elsewhere; the layer only shows them, so that the screen, pictures and
// print get the same marks. A plot nobody gives points (the command-line
// renderer) draws none.
class TPointLayer {
public:
    // The circle's radius, and how near a pixel must be to its centre to
    // hover, pin or snap to it.
    static constexpr int Radius = 4;
    static constexpr int ReachPixels = 6;

    const std::vector<TPointMark>& Marks() const { return FMarks; }
    // Takes new marks; the pinned label goes with the old ones.
    void SetMarks(std::vector<TPointMark> marks);
    void Clear() { SetMarks({}); }

    std::optional<std::size_t> Pinned() const { return FPinned; }
    // An index outside the marks pins nothing.
    void SetPinned(std::optional<std::size_t> index);

    // The pixel centre of a mark, or nullopt when it lies outside the plot
    // frame (or beyond any pixel).
    std::optional<QPoint> Centre(const TIndicator& indicator, std::size_t index) const;
    static std::optional<QPoint> Centre(const TIndicator& indicator, const TPointMark& mark);
    // The mark whose centre is nearest to `pixel` and within `reach` pixels
    // of it (in both directions), among those inside the plot frame.
    std::optional<std::size_t> MarkAt(const TIndicator& indicator, QPoint pixel, int reach = ReachPixels) const;

    // The circles, then the pinned label, in the indicator's pixels; the
    // painter comes back as it was.
    void Paint(const TIndicator& indicator, QPainter& painter) const;
    // The label of one mark beside its circle, kept inside the plot frame
    // (the screen shows the hovered one this way).
    void PaintLabel(const TIndicator& indicator, QPainter& painter, std::size_t index) const;
    // Where PaintLabel puts that label; empty for a mark outside the frame.
    QRect LabelRect(const TIndicator& indicator, std::size_t index) const;

private:
    std::vector<TPointMark> FMarks;
    std::optional<std::size_t> FPinned;
};

}  // namespace curvane

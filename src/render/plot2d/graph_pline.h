// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <vector>

#include <QString>

#include "core/plot/pline.h"
#include "render/plot2d/indicator_types.h"

namespace curvane {

// One curve of a 2D plot: a polyline of (x, y, colour) vertices with the pen
// it is drawn with.
class TGraphPline {
public:
    static constexpr TPlotColor DefaultColor = 0xFFFF00;

    TGraphPline();

    TPlotColor Color() const { return FColor; }
    // Also the polyline's LineColor, which recolours the vertices that carried
    // the old one.
    void SetColor(TPlotColor color);
    int Width() const { return FWidth; }
    void SetWidth(int width) { FWidth = width; }

    const TPline& Pline() const { return FPline; }
    // Mutable access forgets what the engine learnt about the vertices' order,
    // so fetch it again for every batch of changes instead of keeping the
    // reference across a paint.
    TPline& Pline();

    // The colour as a decimal number, as the collection editor lists it.
    QString DisplayName() const;

    // Copies Color, Width and the vertices.
    void Assign(const TGraphPline& source);

    // Whether component `axis` (0 = x, 1 = y) never decreases from one vertex
    // to the next, gap vertices passed over. Painting asks this on every
    // frame, so the answer is kept until the polyline is next reached through
    // the mutable accessor.
    bool IsOrderedAlong(int axis) const;

private:
    TPlotColor FColor = DefaultColor;
    int FWidth = 1;
    TPline FPline{3};
    mutable signed char FOrdered[2] = {-1, -1};  // -1 unknown, 0 no, 1 yes
};

// The ordered collection of curves of an indicator; items keep their address
// while others are added or deleted.
class TGraphPlines {
public:
    TGraphPlines() = default;
    TGraphPlines(const TGraphPlines& other) { Assign(other); }
    TGraphPlines& operator=(const TGraphPlines& other) {
        if (this != &other) Assign(other);
        return *this;
    }

    int Count() const { return static_cast<int>(FItems.size()); }
    TGraphPline& Add();
    // Index outside 0..Count-1 raises Exception.
    TGraphPline& Items(int index);
    const TGraphPline& Items(int index) const;
    TGraphPline& operator[](int index) { return Items(index); }
    const TGraphPline& operator[](int index) const { return Items(index); }
    void Delete(int index);
    // A new empty curve at index (0..Count); outside raises Exception.
    TGraphPline& Insert(int index);
    // The curve at from goes to to, the ones between shift by one; indices
    // outside 0..Count-1 raise Exception.
    void Move(int from, int to);
    void Clear() { FItems.clear(); }
    // Makes this collection an item-by-item copy of source.
    void Assign(const TGraphPlines& source);

private:
    std::vector<std::unique_ptr<TGraphPline>> FItems;
};

// Whether component `axis` of the vertices never decreases along the polyline;
// vertices where it is NaN (gap vertices) are passed over.
bool IsPlineOrderedAlong(const TPline& pline, int axis);

}  // namespace curvane

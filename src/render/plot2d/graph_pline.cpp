// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plot2d/graph_pline.h"

#include <cmath>
#include <cstddef>
#include <limits>

#include "core/support/exceptions.h"

namespace curvane {

TGraphPline::TGraphPline() { FPline.SetLineColor(FColor); }

void TGraphPline::SetColor(TPlotColor color) {
    FColor = color;
    FPline.SetLineColor(color);
}

TPline& TGraphPline::Pline() {
    FOrdered[0] = FOrdered[1] = -1;
    return FPline;
}

QString TGraphPline::DisplayName() const { return QString::number(FColor); }

void TGraphPline::Assign(const TGraphPline& source) {
    if (this == &source) return;
    SetColor(source.FColor);
    FWidth = source.FWidth;
    Pline().Assign(&source.FPline);
}

bool TGraphPline::IsOrderedAlong(int axis) const {
    signed char& known = FOrdered[axis == 0 ? 0 : 1];
    if (known < 0) known = IsPlineOrderedAlong(FPline, axis) ? 1 : 0;
    return known == 1;
}

bool IsPlineOrderedAlong(const TPline& pline, int axis) {
    const int dim = pline.Dimension();
    if (axis >= dim) return false;
    const double* v = pline.Data() + axis;
    const int count = pline.Count();
    double previous = -std::numeric_limits<double>::infinity();
    for (int i = 0; i < count; ++i) {
        const double c = v[static_cast<std::ptrdiff_t>(i) * dim];
        // Gap vertices have no place on the axis: they only break the curve.
        if (std::isnan(c)) continue;
        if (c < previous) return false;
        previous = c;
    }
    return true;
}

TGraphPline& TGraphPlines::Add() {
    FItems.push_back(std::make_unique<TGraphPline>());
    return *FItems.back();
}

TGraphPline& TGraphPlines::Items(int index) {
    if (index < 0 || index >= Count()) throw Exception("TGraphPlines.Items: Index out of bounds");
    return *FItems[static_cast<std::size_t>(index)];
}

const TGraphPline& TGraphPlines::Items(int index) const {
    if (index < 0 || index >= Count()) throw Exception("TGraphPlines.Items: Index out of bounds");
    return *FItems[static_cast<std::size_t>(index)];
}

void TGraphPlines::Delete(int index) {
    if (index < 0 || index >= Count()) throw Exception("TGraphPlines.Delete: Index out of bounds");
    FItems.erase(FItems.begin() + index);
}

TGraphPline& TGraphPlines::Insert(int index) {
    if (index < 0 || index > Count()) throw Exception("TGraphPlines.Insert: Index out of bounds");
    return **FItems.insert(FItems.begin() + index, std::make_unique<TGraphPline>());
}

void TGraphPlines::Move(int from, int to) {
    if (from < 0 || from >= Count() || to < 0 || to >= Count())
        throw Exception("TGraphPlines.Move: Index out of bounds");
    std::unique_ptr<TGraphPline> item = std::move(FItems[static_cast<std::size_t>(from)]);
    FItems.erase(FItems.begin() + from);
    FItems.insert(FItems.begin() + to, std::move(item));
}

void TGraphPlines::Assign(const TGraphPlines& source) {
    if (this == &source) return;
    std::vector<std::unique_ptr<TGraphPline>> items;
    items.reserve(source.FItems.size());
    for (const auto& item : source.FItems) {
        items.push_back(std::make_unique<TGraphPline>());
        items.back()->Assign(*item);
    }
    FItems = std::move(items);
}

}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/document/document_change.h"

#include <algorithm>
#include <string>

#include "core/document/graph_document.h"

namespace curvane {

namespace {

bool SameButLook(const TFuncItem& a, const TFuncItem& b) {
    TFuncItem left = a;
    left.Color = b.Color;
    left.Width = b.Width;
    return left == b;
}

bool SameItem(const TFuncList& a, int i, const TFuncList& b, int j) { return *a.Items(i) == *b.Items(j); }

// One function left its place for another: the differing stretch [first,
// last] is the same list turned by one, one way or the other.
TDocumentChange DescribeMove(const TFuncList& before, const TFuncList& after, int first, int last) {
    bool down = true;  // first went to last, the others moved up
    bool up = true;    // last went to first
    for (int i = first; i < last && (down || up); ++i) {
        down = down && SameItem(before, i + 1, after, i);
        up = up && SameItem(before, i, after, i + 1);
    }
    down = down && SameItem(before, first, after, last);
    up = up && SameItem(before, last, after, first);
    if (down) return {TChangeKind::ckMoved, first, last};
    if (up) return {TChangeKind::ckMoved, last, first};
    return {TChangeKind::ckDocument};
}

TDocumentChange DescribeFunctions(const TFuncList& before, const TFuncList& after) {
    const int nb = before.Count();
    const int na = after.Count();
    if (nb == na) {
        int first = -1;
        int last = -1;
        bool lookOnly = true;
        for (int i = 0; i < nb; ++i) {
            if (SameItem(before, i, after, i)) continue;
            if (first < 0) first = i;
            last = i;
            lookOnly = lookOnly && SameButLook(*before.Items(i), *after.Items(i));
        }
        if (first < 0) return {};
        if (lookOnly) return {TChangeKind::ckLook, first == last ? first : -1};
        if (first == last) {
            // A new colour with a new formula is still one function to sample.
            return {TChangeKind::ckFormula, first};
        }
        return DescribeMove(before, after, first, last);
    }
    if (na != nb + 1 && nb != na + 1) return {TChangeKind::ckDocument};
    // One more or one fewer: the first place where they part, and the rest
    // shifted by one behind it.
    const TFuncList& longer = na > nb ? after : before;
    const TFuncList& shorter = na > nb ? before : after;
    int at = 0;
    while (at < shorter.Count() && SameItem(shorter, at, longer, at)) ++at;
    for (int i = at; i < shorter.Count(); ++i)
        if (!SameItem(shorter, i, longer, i + 1)) return {TChangeKind::ckDocument};
    return {na > nb ? TChangeKind::ckInserted : TChangeKind::ckRemoved, at};
}

// The view keys and switches without the visible area; the functions are
// left out, so that comparing the views copies no function.
TGraphDocument ViewOf(const TGraphDocument& document) {
    TGraphDocument view;
    view.View2D = document.View2D;
    view.View3D = document.View3D;
    view.Grid3D = document.Grid3D;
    return view.WithoutVisibleArea();
}

TDocumentChange DescribeView(const TGraphDocument& before, const TGraphDocument& after) {
    const TGraphDocument a = ViewOf(before);
    const TGraphDocument b = ViewOf(after);
    if (a.View2D.Uniform != b.View2D.Uniform) return {TChangeKind::ckScale};
    if (!(a.View2D == b.View2D) || !(a.View3D == b.View3D) || a.Grid3D != b.Grid3D) return {TChangeKind::ckDisplay};
    return {};
}

// The names whose meaning in a formula changed: a value that differs, or a
// parameter that came or went (a rename is both). A new range, step or
// animation, or a new spelling of the same name, changes no formula.
std::vector<std::string> ChangedNames(const TParameterList& before, const TParameterList& after) {
    std::vector<std::string> names;
    for (const TParameter& p : before) {
        const TParameter* now = after.Find(p.Name);
        if (!now || now->Value != p.Value) names.push_back(p.Name);
    }
    for (const TParameter& p : after)
        if (!before.Find(p.Name)) names.push_back(p.Name);
    return names;
}

TDocumentChange DescribeParameters(const TGraphDocument& before, const TGraphDocument& after) {
    if (before.Parameters == after.Parameters) return {};
    TDocumentChange change{TChangeKind::ckParameters};
    const std::vector<std::string> names = ChangedNames(before.Parameters, after.Parameters);
    if (names.size() == 1) change.Parameter = after.Parameters.IndexOf(names[0]);
    for (int i = 0; i < after.Functions.Count(); ++i) {
        const TFuncItem& f = *after.Functions[i];
        if (std::any_of(names.begin(), names.end(), [&](const std::string& n) { return FunctionUsesName(f, n); }))
            change.Functions.push_back(i);
    }
    return change;
}

// A function's new formula and the parameters it asked for, made in one
// edit: sampling that function is all the change needs.
bool SamplesOnlyThat(const TDocumentChange& functions, const TDocumentChange& parameters) {
    const bool one = functions.Kind == TChangeKind::ckFormula || functions.Kind == TChangeKind::ckInserted;
    return one && std::all_of(parameters.Functions.begin(), parameters.Functions.end(),
                              [&](int i) { return i == functions.Function; });
}

}  // namespace

TDocumentChange DescribeChange(const TGraphDocument& before, const TGraphDocument& after) {
    // Data sets are drawn over everything: no finer kind says what they need.
    if (before.WindowType != after.WindowType || before.DataSets != after.DataSets) return {TChangeKind::ckDocument};
    const TDocumentChange functions = DescribeFunctions(before.Functions, after.Functions);
    const TDocumentChange view = DescribeView(before, after);
    const TDocumentChange parameters = DescribeParameters(before, after);
    const int parts = (functions.Kind != TChangeKind::ckNothing) + (view.Kind != TChangeKind::ckNothing) +
                      (parameters.Kind != TChangeKind::ckNothing);
    if (parts == 2 && view.Kind == TChangeKind::ckNothing && SamplesOnlyThat(functions, parameters)) return functions;
    if (parts > 1) return {TChangeKind::ckDocument};
    if (functions.Kind != TChangeKind::ckNothing) return functions;
    if (view.Kind != TChangeKind::ckNothing) return view;
    if (parameters.Kind != TChangeKind::ckNothing) return parameters;
    if (before.FuncActive != after.FuncActive) return {TChangeKind::ckActive};
    return {};
}

}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/document/document_change.h"

#include <gtest/gtest.h>

#include <functional>

#include "core/document/graph_document.h"

namespace curvane {
namespace {

TEST(DocumentChange, DescribesTheSmallestChange) {
    using K = TChangeKind;
    const struct { const char* Why; std::function<void(TGraphDocument&)> Edit; TDocumentChange Expected; } rows[] = {
        {"a colour is painted again", [](auto& d) { d.Func(2)->Color = 1; }, {K::ckLook, 2}},
        {"widths of two functions", [](auto& d) { d.Func(0)->Width = d.Func(3)->Width = 4; }, {K::ckLook}},
        {"a formula samples its function", [](auto& d) { d.Func(1)->Expression = "x"; }, {K::ckFormula, 1}},
        {"formula and colour", [](auto& d) { d.Func(1)->Expression = "x", d.Func(1)->Color = 1; }, {K::ckFormula, 1}},
        {"insertion", [](auto& d) { d.Functions.Add(TFuncItem("n")), d.Functions.Move(4, 1); }, {K::ckInserted, 1}},
        {"a removal", [](auto& d) { d.Functions.Delete(2); }, {K::ckRemoved, 2}},
        {"a move down", [](auto& d) { d.Functions.Move(0, 2); }, {K::ckMoved, 0, 2}},
        {"a move up", [](auto& d) { d.Functions.Move(3, 1); }, {K::ckMoved, 3, 1}},
        {"two swaps are no move", [](auto& d) { d.Functions.Move(0, 1), d.Functions.Move(2, 3); }, {K::ckDocument}},
        {"the active function only", [](auto& d) { d.FuncActive = 3; }, {K::ckActive}},
        {"the uniform scale maps anew", [](auto& d) { d.View2D.Uniform = false; }, {K::ckScale}},
        {"the grid only draws", [](auto& d) { d.View2D.FullGrid = false; }, {K::ckDisplay}},
        {"function and view", [](auto& d) { d.Func(0)->Color = 1, d.View3D.DrawType = 0; }, {K::ckDocument}},
        {"the visible area is no edit", [](auto& d) { d.View2D.Left = -3, d.View3D.AngleX = 5; }, {}},
        {"a data point moved", [](auto& d) { d.DataSets[0].Y.Edit()[0] = 2; }, {K::ckDocument}},
    };
    TGraphDocument before;
    before.DataSets.emplace_back().X = {0};
    before.DataSets[0].Y = {1};
    for (const char* f : {"a", "b", "c", "d"}) before.Functions.Add(TFuncItem(f));
    before.FuncActive = 1;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Why);
        TGraphDocument after = before;
        row.Edit(after);
        EXPECT_EQ(DescribeChange(before, after), row.Expected);
    }
}

// A value samples exactly the functions that use it; a range samples none.
TEST(DocumentChange, ParametersSampleTheFunctionsThatUseAChangedName) {
    using K = TChangeKind;
    const struct { const char* Why; std::function<void(TGraphDocument&)> Edit; TDocumentChange Expected; } rows[] = {
        {"a value", [](auto& d) { d.Parameters[0].Value = 2; }, {K::ckParameters, -1, -1, 0, {0, 2}}},
        {"a range only", [](auto& d) { d.Parameters[1].Max = 20; }, {K::ckParameters}},
        {"a new spelling", [](auto& d) { d.Parameters.Rename(1, "M"); }, {K::ckParameters}},
        {"a rename", [](auto& d) { d.Parameters.Rename(1, "n"); }, {K::ckParameters, -1, -1, -1, {1}}},
        {"a removal", [](auto& d) { d.Parameters.Delete(0); }, {K::ckParameters, -1, -1, -1, {0, 2}}},
        {"a parameter some formula waited for", [](auto& d) { d.Parameters.Add({"c"}); }, {K::ckParameters, -1, -1, 2, {2}}},
        {"two values", [](auto& d) { d.Parameters[0].Value = d.Parameters[1].Value = 0; }, {K::ckParameters, -1, -1, -1, {0, 1, 2}}},
        {"a formula with the parameter it names", [](auto& d) { d.Func(1)->Expression = "w*x", d.Parameters.Add({"w"}); }, {K::ckFormula, 1}},
        {"a formula and another's parameter", [](auto& d) { d.Func(1)->Expression = "x", d.Parameters[0].Value = 0; }, {K::ckDocument}},
    };
    TGraphDocument before;
    for (const char* f : {"k*x", "m*x^2", "k+c"}) before.Functions.Add(TFuncItem(f));
    before.Parameters.Add({"k"});
    before.Parameters.Add({"m"});
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Why);
        TGraphDocument after = before;
        row.Edit(after);
        const TDocumentChange change = DescribeChange(before, after);
        EXPECT_EQ(change, row.Expected);
        EXPECT_EQ(change.LeavesPictures(), row.Expected.Kind == K::ckParameters && row.Expected.Functions.empty());
    }
}

}  // namespace
}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/document/func_item.h"

#include <gtest/gtest.h>

#include "core/support/exceptions.h"

namespace curvane {
namespace {

TEST(FuncItem, CopyFuncParamsCopiesAllButExpression) {
    TFuncItem source("src", true), target("mine");
    source.Expression1 = "e1";
    source.Expression2 = "e2";
    source.FuncType = TFuncType::ftCylindrical;
    source.FuncKind = TFuncKind::fkParametric;
    source.Derivative = source.ManualLimits = source.ConvToDeg = source.ManualLimitsY = source.ConvToDegY = true;
    source.Active = false;
    source.Width = 7;
    source.Color = 0x123456;
    source.From = 1, source.To = 2, source.Step = 3, source.FromY = 4, source.ToY = 5, source.StepY = 6;
    source.Opacity = 0.5;
    CopyFuncParams(target, source);
    EXPECT_EQ(target.Expression, "mine");
    target.Expression = "src";
    EXPECT_EQ(target, source);  // every other field equal
}

TEST(FuncItem, CaptionsAndKindNames) {
    using enum TFuncKind;
    const struct { bool Is3D; TFuncKind Kind; int Type; const char* Caption; } rows[] = {
        {false, fkExplicit, 1, "R(a)=e"},
        {false, fkImplicit, 1, "e=0"},
        {false, fkParametric, 0, "Y(t)=e; X(t)=e1"},
        {true, fkExplicit, 3, "R(a,f)=e"},
        {true, fkExplicit, 4, "Z(a,r)=e"},
        {true, fkParametric, 3, "R(t)=e; A(t)=e1; F(t)=e2"},
        // Not valid functions: a 3D type in a 2D window and the reverse, unknown kind.
        {false, fkExplicit, 2, ""},
        {true, fkParametric, 1, ""},
        {false, static_cast<TFuncKind>(3), 0, ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.Caption);
        TFuncItem f("e", r.Is3D);
        f.Expression1 = "e1";
        f.Expression2 = "e2";
        f.FuncKind = r.Kind;
        f.FuncType = static_cast<TFuncType>(r.Type);
        EXPECT_EQ(FuncCaption(f, r.Is3D), r.Caption);
    }
    EXPECT_EQ(FuncCaption(TFuncItem("100%s", false), false), "Y(x)=100%s");  // not a format string
    EXPECT_EQ(FuncKindName(fkExplicit, TFuncType::ftPolar), "Explicit: R = R(a)");
    EXPECT_EQ(FuncKindName(fkImplicit, TFuncType::ftCylindrical), "Implicit: F(x,y)=0");
    EXPECT_EQ(FuncKindName(fkImplicit, TFuncType::ftOrtho3D), "Implicit: F(x,y,z)=0");
    EXPECT_EQ(FuncKindName(fkParametric, TFuncType::ftCylindrical), "Parameter: Z = Z(t); A = A(t); R = R(t)");
    EXPECT_EQ(FuncKindName(fkExplicit, static_cast<TFuncType>(5)), "");
}

TEST(FuncList, GetterMoveDeleteAndCopy) {
    TFuncList list;
    for (const char* e : {"a", "b", "c"}) list.Add(TFuncItem(e));
    EXPECT_EQ(list.Items(3), nullptr);
    TFuncItem* b = list.Items(1);
    list.Move(0, 2);  // b c a
    EXPECT_EQ(list.Items(0), b);
    EXPECT_THROW(list.Move(0, 3), Exception);
    EXPECT_THROW(list.Delete(3), Exception);
    TFuncList copy = list;
    EXPECT_NE(copy.Items(0), list.Items(0));  // deep copy
    copy.Items(0)->Width = 5;
    EXPECT_FALSE(copy == list);
    list.Delete(0);
    EXPECT_EQ(list.Items(0)->Expression, "c");
}

TEST(FuncItem, DialogListsMapToTypesAndKinds) {
    using enum TFuncType;
    for (const auto& [is3D, index, type] : {std::tuple(false, 1, ftPolar), std::tuple(true, 2, ftCylindrical)}) {
        EXPECT_EQ(FuncTypeOfListIndex(is3D, index), type);
        EXPECT_EQ(ListIndexOfFuncType(is3D, type), index);
    }
    // No selection gives the first entry; a type from the other dimension or
    // beyond the enumeration shows as the nearest end of the list.
    EXPECT_EQ(FuncTypeOfListIndex(true, -1), ftOrtho3D);
    EXPECT_EQ(ListIndexOfFuncType(false, ftCylindrical), 1);
    EXPECT_EQ(ListIndexOfFuncType(true, static_cast<TFuncType>(9)), 2);
    EXPECT_EQ(FuncKindOfListIndex(-1), TFuncKind::fkExplicit);
    EXPECT_EQ(ListIndexOfFuncKind(static_cast<TFuncKind>(7)), 2);
}

}  // namespace
}  // namespace curvane

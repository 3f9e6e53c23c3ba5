#include "core/document/func_item.h"

#include <gtest/gtest.h>

#include <utility>

#include "core/support/exceptions.h"

namespace curvane {
namespace {

TEST(FuncItem, CopyFuncParamsCopiesAllButExpression) {
    TFuncItem source("src", true);
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
    TFuncItem target("mine");
    CopyFuncParams(target, source);
    EXPECT_EQ(target.Expression, "mine");
    target.Expression = "src";
    EXPECT_EQ(target, source);  // every other field equal
}

TEST(FuncItem, CaptionsForEveryKindAndType) {
    struct Row {
        bool is3D;
        TFuncKind kind;
        int type;
        const char* caption;
    };
    using K = TFuncKind;
    const Row rows[] = {
        {false, K::fkExplicit, 0, "Y(x)=e"},
        {false, K::fkExplicit, 1, "R(a)=e"},
        {false, K::fkImplicit, 1, "e=0"},
        {false, K::fkParametric, 0, "Y(t)=e; X(t)=e1"},
        {false, K::fkParametric, 1, "R(t)=e; A(t)=e1"},
        {true, K::fkExplicit, 2, "Z(x,y)=e"},
        {true, K::fkExplicit, 3, "R(a,f)=e"},
        {true, K::fkExplicit, 4, "Z(a,r)=e"},
        {true, K::fkImplicit, 3, "e=0"},
        {true, K::fkParametric, 2, "Z(t)=e; X(t)=e1; Y(t)=e2"},
        {true, K::fkParametric, 3, "R(t)=e; A(t)=e1; F(t)=e2"},
        {true, K::fkParametric, 4, "Z(t)=e; A(t)=e1; R(t)=e2"},
        // Not valid functions: a 3D type in a 2D window and the reverse, unknown kind.
        {false, K::fkExplicit, 2, ""},
        {true, K::fkExplicit, 0, ""},
        {true, K::fkParametric, 1, ""},
        {false, static_cast<K>(3), 0, ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.caption);
        TFuncItem f("e", r.is3D);
        f.Expression1 = "e1";
        f.Expression2 = "e2";
        f.FuncKind = r.kind;
        f.FuncType = static_cast<TFuncType>(r.type);
        EXPECT_EQ(FuncCaption(f, r.is3D), r.caption);
    }
    TFuncItem withPercent("100%s", false);  // formula text is not a format string
    EXPECT_EQ(FuncCaption(withPercent, false), "Y(x)=100%s");
}

TEST(FuncItem, KindNamesUseListIndices) {
    EXPECT_EQ(FuncKindName(false, 0, 1), "Explicit: R = R(a)");
    EXPECT_EQ(FuncKindName(false, 1, 0), "Implicit: F(x)=0");
    EXPECT_EQ(FuncKindName(true, 1, 2), "Implicit: F(x,y)=0");
    EXPECT_EQ(FuncKindName(true, 0, 0), "Explicit: Z = Z(x,y)");
    EXPECT_EQ(FuncKindName(true, 2, 2), "Parameter: Z = Z(t); A = A(t); R = R(t)");
    EXPECT_EQ(FuncKindName(false, 2, 1), "Parameter: R = R(t); A = A(t)");
    EXPECT_EQ(FuncKindName(false, 0, 2), "");
    EXPECT_EQ(FuncKindName(true, 3, 0), "");
}

TEST(FuncList, GetterMoveDeleteAndCopy) {
    TFuncList list;
    for (const char* e : {"a", "b", "c"}) list.Add(TFuncItem(e));
    EXPECT_EQ(list.Items(-1), nullptr);
    EXPECT_EQ(list.Items(3), nullptr);
    TFuncItem* b = list.Items(1);
    list.Move(0, 2);  // b c a
    EXPECT_EQ(list.Items(0), b);
    EXPECT_EQ(list.Items(2)->Expression, "a");
    EXPECT_THROW(list.Move(0, 3), Exception);
    EXPECT_THROW(list.Delete(3), Exception);
    EXPECT_EQ(list.Count(), 3);

    TFuncList copy = list;
    EXPECT_EQ(copy, list);
    EXPECT_NE(copy.Items(0), list.Items(0));  // deep copy
    copy.Items(0)->Width = 5;
    EXPECT_FALSE(copy == list);
    list.Delete(0);
    EXPECT_EQ(list.Items(0)->Expression, "c");
    EXPECT_EQ(list.Count(), 2);
}

TEST(FuncItem, DialogListsMapToTypesAndKinds) {
    using T = TFuncType;
    struct Row {
        bool is3D;
        int index;
        T type;
    };
    const Row rows[] = {
        {false, 0, T::ftOrtho2D}, {false, 1, T::ftPolar},     {true, 0, T::ftOrtho3D},
        {true, 1, T::ftSpherical}, {true, 2, T::ftCylindrical},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.is3D << " " << r.index);
        EXPECT_EQ(FuncTypeOfListIndex(r.is3D, r.index), r.type);
        EXPECT_EQ(ListIndexOfFuncType(r.is3D, r.type), r.index);
    }
    // No selection gives the first entry; a type from the other dimension or
    // beyond the enumeration shows as the nearest end of the list.
    EXPECT_EQ(FuncTypeOfListIndex(true, -1), T::ftOrtho3D);
    EXPECT_EQ(FuncTypeOfListIndex(false, 2), T::ftOrtho2D);
    EXPECT_EQ(ListIndexOfFuncType(false, T::ftCylindrical), 1);
    EXPECT_EQ(ListIndexOfFuncType(true, T::ftPolar), 0);
    EXPECT_EQ(ListIndexOfFuncType(true, static_cast<T>(9)), 2);
    EXPECT_EQ(FuncKindOfListIndex(2), TFuncKind::fkParametric);
    EXPECT_EQ(FuncKindOfListIndex(-1), TFuncKind::fkExplicit);
    EXPECT_EQ(ListIndexOfFuncKind(TFuncKind::fkImplicit), 1);
    EXPECT_EQ(ListIndexOfFuncKind(static_cast<TFuncKind>(7)), 2);
}

TEST(FuncItem, FormulaTextNamesTheField) {
    TFuncItem f("e", true);
    FormulaText(f, TFormulaSlot::fsExpression1) = "e1";
    FormulaText(f, TFormulaSlot::fsExpression2) = "e2";
    EXPECT_EQ(f.Expression1, "e1");
    EXPECT_EQ(f.Expression2, "e2");
    EXPECT_EQ(FormulaText(std::as_const(f), TFormulaSlot::fsExpression), "e");
}

}  // namespace
}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/document/graph_document.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <array>
#include <filesystem>
#include <tuple>

#include "core/core_test_helpers.h"
#include "core/document/func_palette.h"
#include "core/support/exceptions.h"
#include "core/support/ini_file.h"

namespace curvane {
namespace {

class GraphDocumentFiles : public ::testing::Test, protected test::TTempDir {};

TGraphDocument Loaded(const std::string& text) {
    TGraphDocument doc;
    doc.LoadFromIni(TIniFile::FromText(text));
    return doc;
}

std::string Saved(const TGraphDocument& doc) {
    auto ini = TIniFile::FromText("");
    doc.SaveToIni(ini);
    return ini.Text();
}

TEST(GraphDocument, WritesTheBaseKeysInFileOrder) {
    TFuncList list;
    TFuncItem f("sin(x)");
    f.Color = 255;
    f.Step = 0.1;
    list.Add(f);
    auto ini = TIniFile::FromText("");
    SaveFunctions(ini, list, 0, TWindowType::wt2D);
    EXPECT_EQ(ini.Text(),
              "[Global]\nFunc count=1\nFunc active=0\nWindow type=0\n"
              "[Function1]\nExpression=sin(x)\nExpression1=\nExpression2=\nColor=255\nWidth=1\n"
              "Active=1\nManual limits=0\nFrom=-5\nTo=5\nStep=0.1\nConvtodeg=0\nDerivative=0\n"
              "FuncType=0\nFuncKind=0\nManual limits Y=0\nFrom Y=-5\nTo Y=5\nStep Y=0.25\n"
              "Convtodeg Y=0\nOpacity=1\n");
}

// The view keys of both window types, in the order and the form older files
// hold them.
TEST(GraphDocument, WritesTheViewKeysInFileOrder) {
    auto ini = TIniFile::FromText("");
    SaveView2D(ini, {false, true, false, TUnits::uRadians, TUnits::uDegrees, 0.5, 2, -1, 3, 4, -2});
    SaveView3D(ini, {45, 50, 1.5, 2, true, false, true, false});
    EXPECT_EQ(ini.Text(),
              "[Global]\nUniform=0\nFull grid=1\nLabels=0\n"
              "[Grid]\nUnitsX=1\nUnitsY=2\nGranularityX=0.5\nGranularityY=2\n"
              "[View]\nLeft=-1\nRight=3\nTop=4\nBottom=-2\nAngleX=45\nAngleY=50\nDistance=1.5\nDrawType=2\n"
              "Smooth=1\nAxes=0\nNormals=1\nLabels=0\n"
              "ScaledBox=0\nBoxRatioX=1\nBoxRatioY=1\nBoxRatioZ=1\nScreenLabels=0\n");
}

// The keys the hand-written file below does not reach, and doubles that need
// all 17 digits.
TEST(GraphDocument, RoundTripKeepsEveryFieldAndEveryDouble) {
    for (const bool is3D : {false, true}) {
        SCOPED_TRACE(is3D);
        TGraphDocument doc;
        doc.WindowType = is3D ? TWindowType::wt3D : TWindowType::wt2D;
        TFuncItem a("sin(x)*x", is3D);
        a.Expression2 = "  t/3 ";  // blanks at the ends survive too
        a.FuncType = is3D ? TFuncType::ftSpherical : TFuncType::ftPolar;
        a.FuncKind = TFuncKind::fkParametric;
        a.Derivative = a.ManualLimits = a.ConvToDeg = a.ManualLimitsY = a.ConvToDegY = true;
        a.Color = -16777208;  // a system colour
        a.From = -0.1 - 0.2;  // -0.30000000000000004
        a.ToY = 1.7976931348623157e308;
        a.StepY = 5e-324;
        a.Opacity = 0.1;
        doc.Functions.Add(a);
        doc.Functions.Add(TFuncItem("", is3D));  // an empty function is kept too
        doc.Functions.Add(TFuncItem("\"x\"", is3D));  // so do quotes of its own
        TFuncItem implicit("x^2+y^2-z", is3D);
        implicit.FuncKind = TFuncKind::fkImplicit;
        if (is3D) implicit.FromZ = -0.1 - 0.2, implicit.ToZ = 1e300, implicit.StepZ = 5e-324;
        doc.Functions.Add(implicit);
        doc.View2D = {false, false, false, TUnits::uRadians, TUnits::uDegrees, 0.7, 3.141592653589793, -2.5, 1e10, 0.3,
                      -0.7};
        doc.View3D = {12.5, -0.1, 7.25, 2, false, false, true, true};
        const TGraphDocument back = Loaded(Saved(doc));
        EXPECT_EQ(back.WindowType, doc.WindowType);
        EXPECT_EQ(back.Functions, doc.Functions);
        EXPECT_TRUE(is3D ? back.View3D == doc.View3D : back.View2D == doc.View2D);
    }
}

TEST(GraphDocument, HandWrittenCrLfFileWithOddSpacingAndQuotes) {
    TGraphDocument doc;
    doc.LoadFromIni(TIniFile(std::string(CURVANE_TEST_DATA) + "/docs/handwritten_crlf.gfx"));
    ASSERT_EQ(doc.Functions.Count(), 3);
    EXPECT_EQ(doc.FuncActive, 1);
    // Quotes keep the blanks; "0xFF", "  2E1"; only the older "Func type" key present.
    const TFuncItem& f1 = *doc.Functions.Items(0);
    EXPECT_EQ(std::tuple(f1.Expression, f1.Expression1, f1.Color, f1.Width, f1.Active, f1.From, f1.To, f1.Step),
              std::tuple(" sin(x) * x ", "cos(t)", 255, 3, false, -3.5, 20.0, 0.125));
    EXPECT_TRUE(f1.ManualLimits && f1.FuncType == TFuncType::ftPolar && f1.FuncKind == TFuncKind::fkParametric);
    // "FuncType" wins over "Func type"; the decimal comma and the negative
    // step leave the defaults, the opacity is clamped to 1, and a missing
    // colour reads as white.
    TFuncItem f2("x^2");
    f2.Color = 16777215;
    EXPECT_EQ(*doc.Functions.Items(1), f2);
    // Unit 9 names no unit, granularity 0 is refused, 1e400 and nan read as missing.
    EXPECT_EQ(doc.View2D,
              (TView2D{false, false, true, TUnits::uDegrees, TUnits::uDimensionless, 1.0, 0.5, -2, 3, 10, -10}));
}

TEST(GraphDocument, MissingAndOddBaseKeys) {
    const struct { const char* What; const char* Text; int Count, Active; } rows[] = {
        {"no Global", "[Function1]\nExpression=x\n", 0, -1},
        {"count -1", "[Global]\nFunc count=-1\nFunc active=3\n", 0, -1},
        {"active out of range kept", "[Global]\nFunc count=1\nFunc active=99\n", 1, 99},
        {"duplicated sections", "[Global]\nFunc count=1\n[Global]\nFunc count=5\n", 1, -1},
        {"at the cap, sections missing", "[Global]\nFunc count=1000\n", 1000, -1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.What);
        const TGraphDocument doc = Loaded(r.Text);
        EXPECT_EQ(doc.Functions.Count(), r.Count);
        EXPECT_EQ(doc.FuncActive, r.Active);
    }
    // Above the cap the count is refused before anything is added.
    TGraphDocument doc;
    doc.Functions.Add(TFuncItem("kept"));
    for (const char* count : {"1001", "2147483647"})
        EXPECT_THROW(doc.LoadFromIni(TIniFile::FromText(std::string("[Global]\nFunc count=") + count)), EFileError);
    EXPECT_EQ(doc.Functions.Count(), 1);
    const TFuncItem f = *Loaded("[Global]\nFunc count=1\n[Function1]\nFunc type=257\nFuncKind=-254\nWidth=1000\n")
                             .Functions.Items(0);
    // The low 8 bits of 257 and -254, the width clamped.
    EXPECT_EQ(std::tuple(f.FuncType, f.FuncKind, f.Width), std::tuple(TFuncType::ftPolar, TFuncKind::fkParametric, 10));
    // An implicit surface without a z range takes the x range; one with an
    // unusable step keeps that of x.
    TGraphDocument surface;
    surface.LoadFromIni(TIniFile::FromText("[Global]\nFunc count=1\nWindow type=1\n[Function1]\nFuncKind=1\n"
                                           "From=-2\nTo=3\nStep=0.5\nTo Z=7\nStep Z=0\n"));
    const TFuncItem& z = *surface.Functions.Items(0);
    EXPECT_EQ(std::tuple(z.FromZ, z.ToZ, z.StepZ), std::tuple(-2.0, 7.0, 0.5));
}

TEST(GraphDocument, ViewKeysRefuseUnusableValues) {
    // The edges Left, Right, Top, Bottom afterwards.
    const struct { const char* What; const char* View; std::array<double, 4> Edges; } rows[] = {
        {"reversed x", "Left=5\nRight=-5\nTop=2\nBottom=1\n", {-10, 10, 2, 1}},
        {"empty y", "Left=0\nRight=1\nTop=3\nBottom=3\n", {0, 1, 10, -10}},
        {"span overflows", "Left=-1e308\nRight=1e308\nTop=1\nBottom=0\n", {-10, 10, 1, 0}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.What);
        TView2D v;
        v.Left = 100;  // the current view is not a default for the edges
        LoadView2D(TIniFile::FromText(std::string("[View]\n") + r.View), v);
        EXPECT_EQ((std::array{v.Left, v.Right, v.Top, v.Bottom}), r.Edges);
    }
    // DrawType, Distance afterwards; missing "Labels" reads as false, and
    // missing colouring and contour keys as 0 whatever the current view says
    // (documents older than the keys keep their functions' colours).
    const struct { const char* View; std::int32_t DrawType; double Distance; } views3D[] = {
        {"DrawType=3\nDistance=-1\n", 3, -1},     // no mesh; the eye behind the target
        {"DrawType=258\nDistance=0\n", 2, 0},     // the low 8 bits
        {"DrawType=-1\nDistance=inf\n", 255, 1},  // no finite distance: the current one
    };
    for (const auto& r : views3D) {
        SCOPED_TRACE(r.View);
        TView3D v3;
        v3.Labels = true;
        v3.ColorMode = v3.ColorMap = v3.Contours = v3.ContourCount = 2;
        LoadView3D(TIniFile::FromText(std::string("[View]\n") + r.View), v3);
        EXPECT_EQ(std::tuple(v3.DrawType, v3.Distance, v3.Labels), std::tuple(r.DrawType, r.Distance, false));
        EXPECT_EQ(std::tuple(v3.ColorMode, v3.ColorMap, v3.Contours, v3.ContourCount), std::tuple(0, 0, 0, 0));
        v3.ColorMode = 1, v3.ColorMap = 4, v3.Contours = 3, v3.ContourCount = 12;
        TIniFile out = TIniFile::FromText("");
        SaveView3D(out, v3);
        EXPECT_EQ(out.ReadInteger("View", "DrawType", 0), r.DrawType) << "written back as read";
        TView3D back;
        LoadView3D(out, back);
        EXPECT_EQ(back, v3);
    }
}

TEST_F(GraphDocumentFiles, ShorterDocumentLeavesOldSectionsAndUnknownKeys) {
    const std::string path = File("five.gfx");
    test::WriteAll(path, "[Global]\nFunc count=5\n[Function1]\nExpression=f0\nFuture key=kept\n"
                         "[Function5]\nExpression=f4\n");
    TGraphDocument two;
    two.Functions.Add(TFuncItem(std::string(3000, 'x')));
    two.Functions.Add(TFuncItem("g"));
    two.SaveToFile(path);
    const TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("Function5", "Expression", ""), "f4");
    EXPECT_EQ(ini.ReadString("Function1", "Future key", ""), "kept");
    EXPECT_NE(ini.Text().find(std::string(3000, 'x')), std::string::npos);  // saved whole
    EXPECT_EQ(Loaded(ini.Text()).Functions.Items(0)->Expression, std::string(2047, 'x'));  // read cut
}

TEST_F(GraphDocumentFiles, FailedSaveLeavesTheOldFileAndSaysWhere) {
    const std::string path = File("ro.gfx");
    test::WriteAll(path, "[Global]\nFunc count=0\n");
    ::chmod(path.c_str(), 0444);
    // A read-only file, a missing folder, a folder.
    for (const std::string& target : {path, File("none/doc.gfx"), Path}) {
        SCOPED_TRACE(target);
        try {
            TGraphDocument().SaveToFile(target);
            ADD_FAILURE() << "saved";
        } catch (const EFileError& e) {
            EXPECT_EQ(std::string(e.what()), "Unable to write to " + target);
        }
    }
    EXPECT_EQ(test::ReadAll(path), "[Global]\nFunc count=0\n");
    EXPECT_THROW(TGraphDocument().LoadFromFile(File("missing.gfx")), EFileError);
}

// Each example, opened and saved again, keeps its bytes, as the program
// wrote them; only implicit.gfx, written by hand, gains the units section
// every 2D save writes.
TEST_F(GraphDocumentFiles, ExamplesSaveBackByteForByte) {
    for (const auto& entry : std::filesystem::directory_iterator(CURVANE_SOURCE_DIR "/examples")) {
        SCOPED_TRACE(entry.path().filename().string());
        const std::string original = test::ReadAll(entry.path().string()), path = File("copy.gfx");
        test::WriteAll(path, original);
        TGraphDocument doc;
        doc.LoadFromFile(path);
        doc.SaveToFile(path);
        EXPECT_EQ(test::ReadAll(path), original + (entry.path().filename() == "implicit.gfx"
                                                       ? "[Grid]\nUnitsX=0\nUnitsY=0\nGranularityX=1\nGranularityY=1\n"
                                                       : ""));
    }
}

TEST(GraphDocument, NewFunctionsTakeTheLeastUsedPaletteColourFirstInOrder) {
    TGraphDocument doc;
    const auto add = [&doc](const char* formula) {
        TFuncItem& f = *doc.Functions.Add(TFuncItem(formula));
        return f.Color = NewFunctionColor(doc);
    };
    for (const std::int32_t color : FuncPalette) EXPECT_EQ(add("x"), color);  // in palette order
    EXPECT_EQ(add("x"), FuncPalette[0]) << "all used once: round again";
    doc.Functions.Delete(4);
    add("");
    EXPECT_EQ(NewFunctionColor(doc), FuncPalette[4]) << "the gap is filled first; an empty function holds no colour";
    EXPECT_EQ(DerivativeColor(ColorOfRgb(0x0072B2)), ColorOfRgb(0x66AAD1)) << "40% of the way to white";
    EXPECT_EQ(DerivativeColor(std::int32_t(0xFF000008u)), std::int32_t(0xFF000008u)) << "a system colour is kept";
}

}  // namespace
}  // namespace curvane

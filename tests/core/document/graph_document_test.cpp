#include "core/document/graph_document.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "core/core_test_helpers.h"
#include "core/support/exceptions.h"
#include "core/support/ini_file.h"

namespace curvane {
namespace {

namespace fs = std::filesystem;

class GraphDocumentFiles : public ::testing::Test, protected test::TTempDir {};

TGraphDocument Loaded(const std::string& text) {
    TGraphDocument doc;
    doc.LoadFromIni(TIniFile::FromText(text));
    return doc;
}

TEST(GraphDocument, WritesTheBaseKeysInFileOrder) {
    TGraphDocument doc;
    doc.FuncActive = 0;
    TFuncItem f("sin(x)");
    f.Color = 255;
    f.Step = 0.1;
    doc.Functions.Add(f);
    auto ini = TIniFile::FromText("");
    SaveFunctions(ini, doc.Functions, doc.FuncActive, TWindowType::wt2D);
    EXPECT_EQ(ini.Text(),
              "[Global]\nFunc count=1\nFunc active=0\nWindow type=0\n"
              "[Function1]\nExpression=sin(x)\nExpression1=\nExpression2=\nColor=255\nWidth=1\n"
              "Active=1\nManual limits=0\nFrom=-5\nTo=5\nStep=0.1\nConvtodeg=0\nDerivative=0\n"
              "FuncType=0\nFuncKind=0\nManual limits Y=0\nFrom Y=-5\nTo Y=5\nStep Y=0.25\n"
              "Convtodeg Y=0\nOpacity=1\n");
}

TEST_F(GraphDocumentFiles, RoundTripKeepsEveryFieldAndEveryDouble) {
    for (std::uint8_t type : {0, 1}) {
        SCOPED_TRACE(int(type));
        TGraphDocument doc;
        doc.WindowType = static_cast<TWindowType>(type);
        doc.FuncActive = 1;
        TFuncItem a("sin(x)*x", type == 1);
        a.Expression1 = "cos(t)";
        a.Expression2 = "  t/3 ";  // blanks at the ends survive too
        a.FuncType = type == 1 ? TFuncType::ftSpherical : TFuncType::ftPolar;
        a.FuncKind = TFuncKind::fkParametric;
        a.Derivative = a.ManualLimits = a.ConvToDeg = a.ManualLimitsY = a.ConvToDegY = true;
        a.Active = false;
        a.Width = 10;
        a.Color = -16777208;  // a system colour
        a.From = -0.1 - 0.2;  // -0.30000000000000004 needs 17 digits
        a.To = 1.0 / 3;
        a.Step = 3.141592653589793 / 180;
        a.FromY = -1e-300;
        a.ToY = 1.7976931348623157e308;
        a.StepY = 5e-324;
        a.Opacity = 0.1;
        doc.Functions.Add(a);
        doc.Functions.Add(TFuncItem("", type == 1));  // an empty function is kept too
        doc.Functions.Add(TFuncItem("\"x\"", type == 1));  // so do quotes of its own
        doc.View2D = {false, false, false, 1, 2, 0.7, 3.141592653589793, -2.5, 1e10, 0.3, -0.7};
        doc.View3D = {12.5, -0.1, 7.25, 2, false, false, true, true};

        const std::string path = File("doc.gfx");
        doc.SaveToFile(path);
        TGraphDocument back;
        back.LoadFromFile(path);
        EXPECT_EQ(back.WindowType, doc.WindowType);
        EXPECT_EQ(back.FuncActive, doc.FuncActive);
        EXPECT_EQ(back.Functions, doc.Functions);
        EXPECT_TRUE(type == 0 ? back.View2D == doc.View2D : back.View3D == doc.View3D);
        fs::remove(path);
    }
}

TEST(GraphDocument, HandWrittenCrLfFileWithOddSpacingAndQuotes) {
    TGraphDocument doc;
    TIniFile ini(std::string(CURVANE_TEST_DATA) + "/docs/handwritten_crlf.gfx");
    doc.LoadFromIni(ini);
    ASSERT_EQ(doc.Functions.Count(), 3);
    EXPECT_EQ(doc.FuncActive, 1);
    TFuncItem f1(" sin(x) * x ");
    f1.Expression1 = "cos(t)";
    f1.Color = 255;
    f1.Width = 3;
    f1.Active = false;
    f1.ManualLimits = true;
    f1.From = -3.5;
    f1.To = 20;
    f1.Step = 0.125;
    f1.FuncType = TFuncType::ftPolar;  // only the older key present
    f1.FuncKind = TFuncKind::fkParametric;
    EXPECT_EQ(*doc.Functions.Items(0), f1);
    // "FuncType" wins over "Func type"; the decimal comma and the negative
    // step leave the defaults, the opacity is clamped to 1, and a missing
    // colour reads as white.
    TFuncItem f2("x^2");
    f2.Color = 16777215;
    EXPECT_EQ(*doc.Functions.Items(1), f2);
    EXPECT_EQ(doc.Functions.Items(2)->Expression, "");

    const TView2D& v = doc.View2D;
    EXPECT_FALSE(v.Uniform);
    EXPECT_FALSE(v.FullGrid);
    EXPECT_TRUE(v.Labels);
    EXPECT_EQ(v.UnitsX, 2);
    EXPECT_EQ(v.UnitsY, 0);          // 9 names no unit
    EXPECT_EQ(v.GranularityX, 1.0);  // 0 refused
    EXPECT_EQ(v.GranularityY, 0.5);
    EXPECT_EQ(v.Left, -2);
    EXPECT_EQ(v.Right, 3);
    EXPECT_EQ(v.Top, 10);  // 1e400 and nan read as missing
    EXPECT_EQ(v.Bottom, -10);
}

TEST(GraphDocument, MissingAndOddBaseKeys) {
    struct Row {
        const char* what;
        const char* text;
        int count;
        int active;
    };
    const Row rows[] = {
        {"no Global", "[Function1]\nExpression=x\n", 0, -1},
        {"no Func count", "[Global]\nFunc active=0\n[Function1]\nExpression=x\n", 0, -1},
        {"count -1", "[Global]\nFunc count=-1\nFunc active=3\n", 0, -1},
        {"count -5", "[Global]\nFunc count=-5\nFunc active=3\n", 0, 3},
        {"unparsable count", "[Global]\nFunc count=two\n", 0, -1},
        {"active out of range kept", "[Global]\nFunc count=1\nFunc active=99\n", 1, 99},
        {"sections missing", "[Global]\nFunc count=2\n", 2, -1},
        {"empty then non-empty", "[Global]\nFunc count=2\n[Function1]\nExpression=\n[Function2]\nExpression=x\n", 2, -1},
        {"duplicated sections", "[Global]\nFunc count=1\n[Global]\nFunc count=5\n", 1, -1},
        {"at the cap", "[Global]\nFunc count=1000\n", 1000, -1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        const TGraphDocument doc = Loaded(r.text);
        EXPECT_EQ(doc.Functions.Count(), r.count);
        EXPECT_EQ(doc.FuncActive, r.active);
    }
    const TGraphDocument onlyExpression = Loaded("[Global]\nFunc count=1\n[Function1]\nExpression=x\n");
    TFuncItem expected("x");
    expected.Color = 16777215;
    EXPECT_EQ(*onlyExpression.Functions.Items(0), expected);

    const TGraphDocument twoTypes = Loaded("[Global]\nFunc count=2\n[Function1]\nFunc type=1\n"
                                           "[Function2]\nFunc type=257\nFuncKind=-254\nWidth=1000\n");
    EXPECT_EQ(twoTypes.Functions.Items(0)->FuncType, TFuncType::ftPolar);
    EXPECT_EQ(twoTypes.Functions.Items(1)->FuncType, TFuncType::ftPolar);  // low 8 bits of 257
    EXPECT_EQ(twoTypes.Functions.Items(1)->FuncKind, TFuncKind::fkParametric);
    EXPECT_EQ(twoTypes.Functions.Items(1)->Width, 10);
}

TEST(GraphDocument, HugeFuncCountIsRefusedBeforeAnythingIsAdded) {
    TGraphDocument doc;
    doc.Functions.Add(TFuncItem("kept"));
    for (const char* count : {"1001", "2147483647"}) {
        SCOPED_TRACE(count);
        try {
            doc.LoadFromIni(TIniFile::FromText(std::string("[Global]\nFunc count=") + count + "\n"));
            ADD_FAILURE() << "accepted";
        } catch (const EFileError& e) {
            EXPECT_NE(std::string(e.what()).find(count), std::string::npos) << e.what();
        }
        EXPECT_EQ(doc.Functions.Count(), 1);
    }
}

TEST(GraphDocument, ViewKeysRefuseUnusableValues) {
    struct Row {
        const char* what;
        const char* view;
        double left, right, top, bottom;
    };
    const Row rows[] = {
        {"reversed x", "Left=5\nRight=-5\nTop=2\nBottom=1\n", -10, 10, 2, 1},
        {"empty y", "Left=0\nRight=1\nTop=3\nBottom=3\n", 0, 1, 10, -10},
        {"span overflows", "Left=-1e308\nRight=1e308\nTop=1\nBottom=0\n", -10, 10, 1, 0},
        {"missing", "", -10, 10, 10, -10},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        TView2D v;
        v.Left = 100;  // the current view is not a default for the edges
        LoadView2D(TIniFile::FromText(std::string("[View]\n") + r.view), v);
        EXPECT_EQ(v.Left, r.left);
        EXPECT_EQ(v.Right, r.right);
        EXPECT_EQ(v.Top, r.top);
        EXPECT_EQ(v.Bottom, r.bottom);
    }
    TView3D v3;
    v3.Labels = true;
    v3.DrawType = 2;
    LoadView3D(TIniFile::FromText("[View]\nDrawType=3\nDistance=-1\n"), v3);
    EXPECT_EQ(v3.DrawType, 2);
    EXPECT_EQ(v3.Distance, 1);
    EXPECT_FALSE(v3.Labels);  // missing "Labels" reads as false
}

TEST_F(GraphDocumentFiles, ShorterDocumentLeavesOldSectionsAndUnknownKeys) {
    TGraphDocument five;
    for (int i = 0; i < 5; ++i) five.Functions.Add(TFuncItem("f" + std::to_string(i)));
    const std::string path = File("five.gfx");
    five.SaveToFile(path);
    {
        TIniFile ini(path);
        ini.WriteString("Function1", "Future key", "kept");
        ini.UpdateFile();
    }
    TGraphDocument two;
    two.Functions.Add(TFuncItem(std::string(3000, 'x')));
    two.Functions.Add(TFuncItem("g"));
    two.SaveToFile(path);

    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("Function5", "Expression", ""), "f4");
    EXPECT_EQ(ini.ReadString("Function1", "Future key", ""), "kept");
    EXPECT_NE(ini.Text().find(std::string(3000, 'x')), std::string::npos);  // saved whole
    TGraphDocument back;
    back.LoadFromFile(path);
    ASSERT_EQ(back.Functions.Count(), 2);
    EXPECT_EQ(back.Functions.Items(0)->Expression, std::string(2047, 'x'));  // read cut
}

TEST_F(GraphDocumentFiles, FailedSaveLeavesTheOldFileAndSaysWhere) {
    TGraphDocument doc;
    doc.Functions.Add(TFuncItem("x"));
    const std::string path = File("ro.gfx");
    test::WriteAll(path, "[Global]\nFunc count=0\n");
    ::chmod(path.c_str(), 0444);
    struct Row {
        const char* what;
        std::string path;
    };
    const Row rows[] = {{"read-only file", path}, {"missing folder", File("none/doc.gfx")}, {"a folder", Path}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        try {
            doc.SaveToFile(r.path);
            ADD_FAILURE() << "saved";
        } catch (const EFileError& e) {
            EXPECT_EQ(std::string(e.what()), "Unable to write to " + r.path);
        }
    }
    EXPECT_EQ(test::ReadAll(path), "[Global]\nFunc count=0\n");
    EXPECT_THROW(TGraphDocument().LoadFromFile(File("missing.gfx")), EFileError);
}

TEST(GraphDocument, TruncatedAndBinaryFilesOpenWithoutHarm) {
    TGraphDocument full;
    full.Functions.Add(TFuncItem("sin(x)"));
    full.Functions.Add(TFuncItem("cos(x)"));
    auto ini = TIniFile::FromText("");
    full.SaveToIni(ini);
    const std::string text = ini.Text();
    // Every prefix of a real file loads (a partly written function keeps defaults).
    for (std::size_t cut = 0; cut <= text.size(); cut += 7) {
        const TGraphDocument doc = Loaded(text.substr(0, cut));
        ASSERT_LE(doc.Functions.Count(), 2);
    }
    using namespace std::string_literals;
    const std::string binary = "[Global]\nFunc count=3\n\0\xff\xfe\n[Function2]\n\x01=\x02\nExpression=\xc3(\n"s;
    const TGraphDocument doc = Loaded(binary);
    ASSERT_EQ(doc.Functions.Count(), 3);
    EXPECT_EQ(doc.Functions.Items(1)->Expression, "\xc3(");
}

}  // namespace
}  // namespace curvane

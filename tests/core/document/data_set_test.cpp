// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/document/data_set.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "core/core_test_helpers.h"
#include "core/document/graph_document.h"
#include "core/support/ini_file.h"

namespace curvane {
namespace {

class DataSetFiles : public ::testing::Test, protected test::TTempDir {};

std::string Saved(const TGraphDocument& doc) {
    TIniFile ini = TIniFile::FromText("");
    doc.SaveToIni(ini);
    return ini.Text();
}

TGraphDocument FunctionsAndData() {
    TGraphDocument doc;
    doc.Functions.Add(TFuncItem("k*x"));
    doc.Parameters.Add({"k"});
    doc.DataSets.push_back({.Name = " run 1 ", .X = {0.1, -0.0, 5e-324}, .Y = {1.7976931348623157e308, 2.5e-7, -3},
                            .DY = {0.5, 0, 1e-3}, .Marker = TMarkerShape::msDiamond, .MarkerSize = 9,
                            .Color = 0x00B27200, .Line = true, .LineWidth = 3, .ErrorBars = false, .Visible = false});
    doc.DataSets.emplace_back().Name = "empty";
    return doc;
}

TEST(DataSet, RoundTripsAfterTheParametersAndEveryDoubleExactly) {
    const TGraphDocument doc = FunctionsAndData();
    std::string text = Saved(doc);
    EXPECT_LT(text.find("[Parameter1]"), text.find("[Data1]"));
    EXPECT_NE(text.find("Points1=0.1 1.7976931348623157e+308 0.5;-0 2.5e-07 0;5e-324 -3 0.001\n"), std::string::npos);
    TGraphDocument back;
    EXPECT_TRUE(back.LoadFromIni(TIniFile::FromText(text)).empty());
    EXPECT_EQ(back, doc);
    EXPECT_TRUE(std::signbit(back.DataSets[0].X[1]));
    // A 3D window has no data: it neither writes nor keeps any.
    back.WindowType = TWindowType::wt3D;
    EXPECT_EQ(Saved(back).find("[Data"), std::string::npos);
    back.LoadFromIni(TIniFile::FromText(text.replace(text.find("Window type=0"), 13, "Window type=1")));
    EXPECT_TRUE(back.DataSets.empty());
}

// Long numbers fill a value before 64 points do; every value reads back whole.
TEST(DataSet, PointsAreChunkedBelowTheReadLimit) {
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> any(-1e300, 1e300);
    for (const bool longNumbers : {false, true}) {
        SCOPED_TRACE(longNumbers ? "17-digit numbers" : "small integers");
        TDataSet set;
        for (int i = 0; i < 1000; ++i) {
            set.X.Edit().push_back(longNumbers ? any(rng) : i);
            set.Y.Edit().push_back(longNumbers ? any(rng) : -i);
            set.DY.Edit().push_back(longNumbers ? any(rng) : 1);
        }
        TIniFile ini = TIniFile::FromText("");
        SaveDataSets(ini, {set});
        std::size_t keys = 0;
        for (const std::string& key : ini.ReadSection("Data1")) {
            const std::string value = ini.ReadString("Data1", key, "");
            keys += key.starts_with("Points");
            EXPECT_LE(value.size(), MaxPointsValueLength);
            EXPECT_LT(std::count(value.begin(), value.end(), ';'), static_cast<long>(PointsPerValue));
        }
        EXPECT_EQ(keys > 16u, longNumbers) << "64 to a value where they fit";
        std::vector<TDataSet> back;
        EXPECT_TRUE(LoadDataSets(TIniFile::FromText(ini.Text()), back).empty());
        EXPECT_EQ(back, std::vector<TDataSet>{set});
    }
}

// Old builds read the functions and pass over the data sections; this build
// leaves a damaged data section out, says why, and keeps the rest.
TEST(DataSet, DamagedSectionsAreLeftOutAndTheFunctionsStay) {
    const std::string head = "[Global]\nFunc count=1\nFunc active=0\n[Function1]\nExpression=x^2\n";
    const struct { const char* Section; const char* Note; } rows[] = {
        {"Count=3\nPoints1=1 2;3 4\n", "Data1 left out: 2 points of 3 found"},
        {"Count=1\nPoints1=1 2;3 4\n", "Data1 left out: more points than \"Count\""},
        {"Count=2\nPoints1=1 2;3 4 5\n", "Data1 left out: \"Points1\" is not a list of points"},
        {"Count=1\nPoints1=1 nan\n", "Data1 left out: \"Points1\" is not a list of points"},
        {"Count=2\nPoints1=1 2;;3 4\n", "Data1 left out: \"Points1\" is not a list of points"},
        {"Count=-4\n", "Data1 left out: \"Count\" is -4"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Section);
        const TIniFile ini = TIniFile::FromText(head + "[Data1]\n" + row.Section + "[Data2]\nCount=1\nPoints1=7 8\n");
        TFuncList old;
        std::int32_t active = -1;
        ASSERT_TRUE(LoadFunctions(ini, old, active, false));
        EXPECT_EQ(old.Items(0)->Expression, "x^2");
        TGraphDocument doc;
        EXPECT_EQ(doc.LoadFromIni(ini), std::vector<std::string>{row.Note});
        EXPECT_EQ(doc.Functions.Count(), 1);
        ASSERT_EQ(doc.DataSets.size(), 1u);
        EXPECT_EQ(doc.DataSets[0].X, std::vector<double>{7});
    }
    std::vector<TDataSet> sets;
    LoadDataSets(TIniFile::FromText("[Data1]\nCount=1\nMarker=9\nMarker size=0\nLine width=40\nPoints1=1 2\n"), sets);
    EXPECT_EQ(std::tuple(sets.at(0).Marker, sets[0].MarkerSize, sets[0].LineWidth),
              std::tuple(TMarkerShape::msCircle, 5, 10)) << "unusable marker keys take their defaults";
}

TEST_F(DataSetFiles, SavingFewerSetsRemovesTheOldSections) {
    const std::string path = File("data.gfx");
    TGraphDocument doc = FunctionsAndData();
    doc.SaveToFile(path);
    doc.DataSets.pop_back();
    doc.DataSets[0].X.Edit().resize(1), doc.DataSets[0].Y.Edit().resize(1), doc.DataSets[0].DY.Edit().resize(1);
    doc.SaveToFile(path);
    TGraphDocument back;
    back.LoadFromFile(path);
    EXPECT_EQ(back.DataSets, doc.DataSets);
    doc.DataSets.clear();
    doc.SaveToFile(path);
    EXPECT_EQ(test::ReadAll(path).find("[Data"), std::string::npos);
}

}  // namespace

// Copies share their columns (undo steps hold whole documents), but an edit
// of one copy must never show in another.
TEST(DataSet, CopiesShareColumnsUntilOneIsEdited) {
    TDataSet a{.Name = "a", .X = {1, 2}, .Y = {3, 4}, .DY = {}};
    TDataSet b = a;
    EXPECT_EQ(b.X.data(), a.X.data());
    b.X.Edit()[0] = 9;
    EXPECT_EQ(a.X, (std::vector<double>{1, 2}));
    EXPECT_EQ(b.X, (std::vector<double>{9, 2}));
    EXPECT_EQ(b.Y.data(), a.Y.data()) << "the column not edited is still shared";
    TDataSet c = b;
    c.DY.Edit();
    EXPECT_EQ(c, b) << "an empty column made editable is still no uncertainties";
    EXPECT_FALSE(c.HasUncertainties());
}

}  // namespace curvane

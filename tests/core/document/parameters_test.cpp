// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/document/parameters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/document/graph_document.h"
#include "core/support/exceptions.h"
#include "core/support/ini_file.h"

namespace curvane {
namespace {

TEST(Parameters, NamesFollowTheIdentifierRulesAndClashWithNothingTheFormulasKnow) {
    TParameterList list;
    list.Add({"k"});
    const struct { const char* Name; const char* Refusal; const char* Why; } rows[] = {
        {"omega2", nullptr, "letters, then digits"},
        {"", "A parameter needs a name", "empty"},
        {"1b", "\"1b\" is no name: a name is a letter, then letters or digits", "starts with a digit"},
        {"k_1", "\"k_1\" is no name: a name is a letter, then letters or digits", "the scanner would not read it"},
        {"sIn", "\"sIn\" is the name of a built-in function", "any case"},
        {"floor", "\"floor\" is the name of a built-in function", "an everyday function"},
        {"Fact", "\"Fact\" is the name of a built-in function", "an external function of the shared evaluators"},
        {"pi", "\"pi\" is the name of a built-in constant", "an external constant"},
        {"E", "\"E\" is the name of a built-in constant", "a built-in constant"},
        {"K", "There is already a parameter \"k\"", "an existing parameter, named as it is spelt"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Why);
        const auto refusal = CheckParameterName(row.Name, list);
        EXPECT_EQ(refusal.value_or("(taken)"), row.Refusal ? row.Refusal : "(taken)");
    }
    // The variables of every kind of function, Z included.
    for (const char* name : {"x", "Y", "z", "a", "F", "r", "t", "U"})
        EXPECT_EQ(CheckParameterName(name, list).value_or(""), "\"" + std::string(name) + "\" is the name of a variable");
    EXPECT_FALSE(CheckParameterName("K", list, 0)) << "renaming k to K is no clash with itself";
    EXPECT_THROW(list.Add({"pi"}), Exception);
    EXPECT_THROW(list.Rename(0, "t"), Exception);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0].Name, "k") << "a refused rename keeps the name";
}

TParameterList LoadedParameters(const std::string& text) {
    TParameterList list;
    LoadParameters(TIniFile::FromText(text), list);
    return list;
}

TEST(Parameters, FileRoundTripKeepsEveryFieldAfterTheViewKeys) {
    TGraphDocument doc;
    doc.Functions.Add(TFuncItem("k*x^2"));
    doc.Parameters.Add({"k", 0.1 + 0.2, -1.0 / 3, 7, 0.25, TParamAnimation::paLoop, 0.5});
    doc.Parameters.Add({"Omega2", -4, -10, 10, 0, TParamAnimation::paOnce, 3});
    auto ini = TIniFile::FromText("");
    doc.SaveToIni(ini);
    const std::string text = ini.Text();
    EXPECT_NE(text.find("Bottom=-10\n[Parameters]\nCount=2\n[Parameter1]\nName=k\nValue=0.30000000000000004\n"
                        "Min=-0.3333333333333333\nMax=7\nStep=0.25\nAnimation=1\nSpeed=0.5\n[Parameter2]\n"),
              std::string::npos)
        << text;
    TGraphDocument back;
    back.LoadFromIni(TIniFile::FromText(text));
    EXPECT_EQ(back, doc);

    // Parameters deleted since the file was written must not come back.
    doc.Parameters.Clear();
    doc.SaveToIni(ini);
    EXPECT_EQ(ini.ReadInteger("Parameters", "Count", -1), 0);
    EXPECT_EQ(LoadedParameters(ini.Text()).Count(), 0);
}

TEST(Parameters, HostileSectionsLoadRepairedOrLeftOut) {
    const struct { const char* Section; TParameter Expected; const char* Why; } repaired[] = {
        {"Value=nan\nMin=nan\nMax=inf", {"k"}, "no number anywhere: the defaults"},
        {"Value=2\nMin=5\nMax=-5\nStep=3", {"k", 2, -5, 5, 3}, "a reversed range is turned round"},
        {"Value=2\nMin=1\nMax=1", {"k", 2, -10, 10}, "an empty range"},
        {"Value=2\nMin=-1e308\nMax=1e308", {"k", 2, -10, 10}, "a span beyond the doubles"},
        {"Value=50\nMin=0\nMax=10", {"k", 50, 0, 50}, "a value outside widens the range"},
        {"Value=nan\nMin=2\nMax=4", {"k", 2, 2, 4}, "no value: the default clamped into the range"},
        {"Value=1e308\nMin=-1e308\nMax=0", {"k", 1e308, 0, 1e308}, "widened beyond the doubles: the far end is 0"},
        {"Step=30", {"k"}, "a step beyond the range is continuous"},
        {"Step=-1\nAnimation=7\nSpeed=-3", {"k"}, "negative step and speed, unknown animation"},
        {"Animation=257\nSpeed=nan", {"k"}, "an animation whose low bits would be valid"},
    };
    for (const auto& row : repaired) {
        SCOPED_TRACE(row.Why);
        const TParameterList list =
            LoadedParameters(std::string("[Parameters]\nCount=1\n[Parameter1]\nName=k\n") + row.Section);
        ASSERT_EQ(list.Count(), 1);
        EXPECT_EQ(list[0], row.Expected);
    }

    TParameterList kept;
    const std::vector<std::string> notes =
        LoadParameters(TIniFile::FromText("[Parameters]\nCount=6\n[Parameter1]\nName=k\n[Parameter2]\nName=K\n"
                                          "[Parameter3]\nName=sin\n[Parameter4]\nName=t\n[Parameter5]\nName=2m\n"),
                       kept);
    ASSERT_EQ(kept.Count(), 1) << "a duplicate, a built-in, a variable, no name and a missing section are left out";
    EXPECT_EQ(notes.size(), 5u);
    EXPECT_EQ(notes[0], "Parameter2 left out: There is already a parameter \"k\"");
    EXPECT_EQ(LoadedParameters("[Parameters]\nCount=-3\n").Count(), 0);

    TGraphDocument doc;
    doc.Functions.Add(TFuncItem("x"));
    const TGraphDocument before = doc;
    EXPECT_THROW(doc.LoadFromIni(TIniFile::FromText("[Global]\nFunc count=1\n[Parameters]\nCount=10000\n")), EFileError);
    EXPECT_EQ(doc, before) << "refused before anything changed";
}

TEST(Parameters, FunctionsUseANameOnlyAsAVariableOfATextTheirKindDraws) {
    TFuncItem parametric("k*t");
    parametric.FuncKind = TFuncKind::fkParametric;
    parametric.Expression = "t";
    parametric.Expression1 = "k*t";
    TFuncItem unusedText("x");
    unusedText.Expression1 = "k";  // an explicit function draws Expression only
    const struct { TFuncItem Func; bool Uses; const char* Why; } rows[] = {
        {TFuncItem("K*x^2"), true, "compared without regard to case"},
        {TFuncItem("sin(k)"), true, "as an argument"},
        {TFuncItem("k(x)"), false, "a call is a function"},
        {TFuncItem("k (x)"), false, "blanks before the parenthesis"},
        {TFuncItem("kk*x+k1"), false, "longer names"},
        {parametric, true, "the X(t) of a parametric function"},
        {unusedText, false, "a text the kind does not draw"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Why);
        EXPECT_EQ(FunctionUsesName(row.Func, "k"), row.Uses);
    }
}

}  // namespace
}  // namespace curvane

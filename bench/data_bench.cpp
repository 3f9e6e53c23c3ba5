// SPDX-License-Identifier: GPL-3.0-or-later
// A document with one data set of 1,000,000 points: its text is read (the
// INI file parsed, then the functions, view, parameters and points loaded)
// and written (the keys set, then the whole text made). Then the same points
// as a CSV file's text through the data reader. The numbers are what
// measurements look like: x on a grid, y with 17 significant digits.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "core/data/data_reader.h"
#include "core/document/graph_document.h"
#include "core/support/ini_file.h"
#include "core/support/number_format.h"

using namespace curvane;

namespace {

constexpr int PointCount = 1000000;

TGraphDocument MillionPoints(bool uncertainties) {
    TGraphDocument doc;
    doc.Functions.Add(TFuncItem("k*sin(x)"));
    doc.Parameters.Add({"k"});
    TDataSet set;
    set.Name = "measured";
    for (int i = 0; i < PointCount; ++i) {
        const double x = i * 1e-3;
        set.X.Edit().push_back(x);
        set.Y.Edit().push_back(std::sin(x) + 1e-3 * std::cos(7777.0 * i));
        if (uncertainties) set.DY.Edit().push_back(0.01 + 1e-4 * (i % 97));
    }
    doc.DataSets.push_back(std::move(set));
    return doc;
}

std::string Text(const TGraphDocument& doc) {
    TIniFile ini = TIniFile::FromText("");
    doc.SaveToIni(ini);
    return ini.Text();
}

void LoadDocument(benchmark::State& state) {
    const std::string text = Text(MillionPoints(state.range(0) != 0));
    for (auto _ : state) {
        TGraphDocument doc;
        doc.LoadFromIni(TIniFile::FromText(text));
        if (doc.DataSets.at(0).Count() != PointCount) state.SkipWithError("points lost");
        benchmark::DoNotOptimize(doc);
    }
    state.counters["MB"] = static_cast<double>(text.size()) / (1 << 20);
}
BENCHMARK(LoadDocument)->ArgName("dy")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void SaveDocument(benchmark::State& state) {
    const TGraphDocument doc = MillionPoints(state.range(0) != 0);
    for (auto _ : state) benchmark::DoNotOptimize(Text(doc));
}
BENCHMARK(SaveDocument)->ArgName("dy")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void ParseTheIniTextOnly(benchmark::State& state) {
    const std::string text = Text(MillionPoints(false));
    for (auto _ : state) benchmark::DoNotOptimize(TIniFile::FromText(text));
}
BENCHMARK(ParseTheIniTextOnly)->Unit(benchmark::kMillisecond);

void ReadCsv(benchmark::State& state) {
    const TDataSet set = MillionPoints(false).DataSets[0];
    std::string csv = "x,y\n";
    for (int i = 0; i < PointCount; ++i) csv += FormatShortest(set.X[i]) + "," + FormatShortest(set.Y[i]) + "\n";
    for (auto _ : state) {
        const TDataTable t = ReadDataText(csv);
        if (t.Count() != PointCount) state.SkipWithError("points lost");
    }
}
BENCHMARK(ReadCsv)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

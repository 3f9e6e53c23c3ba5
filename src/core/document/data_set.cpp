// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/document/data_set.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <optional>
#include <string_view>

#include "core/support/ini_file.h"
#include "core/support/number_format.h"

namespace curvane {

namespace {

std::string DataSection(std::size_t index) { return "Data" + std::to_string(index + 1); }
std::string PointsKey(std::size_t index) { return "Points" + std::to_string(index + 1); }

void AppendShortest(std::string& out, double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

// The numbers of one "x y [dy]" group into values; how many, or 0 when a
// field is not a finite number or there are not two or three.
int ParsePoint(std::string_view group, double values[3]) {
    int count = 0;
    std::size_t i = 0;
    while (true) {
        while (i < group.size() && group[i] == ' ') ++i;
        if (i == group.size()) return count >= 2 ? count : 0;
        if (count == 3) return 0;
        const std::size_t start = i;
        while (i < group.size() && group[i] != ' ') ++i;
        const std::optional<double> v = ParseDouble(group.substr(start, i - start));
        if (!v) return 0;
        values[count++] = *v;
    }
}

// The points of one data section into set, or the reason it is damaged.
std::optional<std::string> ReadPoints(const TIniFile& ini, const std::string& section, TDataSet& into) {
    struct {
        std::vector<double> X, Y, DY;
    } set;
    const std::int32_t count = ini.ReadInteger(section, "Count", 0);
    if (count < 0 || count > MaxDataPointCount) return "\"Count\" is " + std::to_string(count);
    const std::size_t expected = static_cast<std::size_t>(count);
    // Reserve no more than the keys present can hold, whatever Count claims.
    const std::size_t keys = ini.ReadSection(section).size();
    const std::size_t reserve = std::min(expected, keys * PointsPerValue);
    set.X.reserve(reserve);
    set.Y.reserve(reserve);
    int arity = 0;
    for (std::size_t k = 0; set.X.size() < expected; ++k) {
        const std::string key = PointsKey(k);
        if (!ini.ValueExists(section, key))
            return std::to_string(set.X.size()) + " points of " + std::to_string(expected) + " found";
        const std::string value = ini.ReadString(section, key, "");
        if (value.size() > MaxPointsValueLength) return "\"" + key + "\" is longer than the read limit";
        std::string_view rest = value;
        while (!rest.empty()) {
            const std::size_t end = std::min(rest.find(';'), rest.size());
            double v[3];
            const int n = ParsePoint(rest.substr(0, end), v);
            if (n == 0 || (arity != 0 && n != arity)) return "\"" + key + "\" is not a list of points";
            if (arity == 0) {
                arity = n;
                if (n == 3) set.DY.reserve(reserve);
            }
            if (set.X.size() == expected) return "more points than \"Count\"";
            set.X.push_back(v[0]);
            set.Y.push_back(v[1]);
            if (n == 3) set.DY.push_back(v[2]);
            rest.remove_prefix(std::min(end + 1, rest.size()));
        }
    }
    into.X = std::move(set.X);
    into.Y = std::move(set.Y);
    into.DY = std::move(set.DY);
    return std::nullopt;
}

}  // namespace

const std::vector<double>& TDataColumn::Empty() {
    static const std::vector<double> none;
    return none;
}

std::vector<double>& TDataColumn::Edit() {
    // A count of one is this column alone: no other copy can appear while
    // the caller, who owns this copy, is changing it.
    if (!FValues)
        FValues = std::make_shared<std::vector<double>>();
    else if (FValues.use_count() > 1)
        FValues = std::make_shared<std::vector<double>>(*FValues);
    return *FValues;
}

void SaveDataSets(TIniFile& ini, const std::vector<TDataSet>& sets) {
    for (std::size_t i = 0; ini.SectionExists(DataSection(i)); ++i) ini.EraseSection(DataSection(i));
    for (std::size_t i = 0; i < sets.size(); ++i) {
        const TDataSet& d = sets[i];
        assert(d.Y.size() == d.X.size() && (d.DY.empty() || d.DY.size() == d.X.size()) && "ragged data set");
        const std::string s = DataSection(i);
        ini.WriteStringExact(s, "Name", d.Name);
        ini.WriteInteger(s, "Count", static_cast<std::int32_t>(d.Count()));
        ini.WriteInteger(s, "Marker", static_cast<std::int32_t>(d.Marker));
        ini.WriteInteger(s, "Marker size", d.MarkerSize);
        ini.WriteInteger(s, "Color", d.Color);
        ini.WriteBool(s, "Line", d.Line);
        ini.WriteInteger(s, "Line width", d.LineWidth);
        ini.WriteBool(s, "Error bars", d.ErrorBars);
        ini.WriteBool(s, "Visible", d.Visible);
        std::string value, point;
        std::size_t key = 0, inValue = 0;
        for (std::size_t p = 0; p < d.Count(); ++p) {
            point.clear();
            AppendShortest(point, d.X[p]);
            point += ' ';
            AppendShortest(point, d.Y[p]);
            if (d.HasUncertainties()) {
                point += ' ';
                AppendShortest(point, d.DY[p]);
            }
            if (inValue == PointsPerValue || value.size() + 1 + point.size() > MaxPointsValueLength) {
                ini.WriteString(s, PointsKey(key++), value);
                value.clear();
                inValue = 0;
            }
            if (inValue++ > 0) value += ';';
            value += point;
        }
        if (!value.empty()) ini.WriteString(s, PointsKey(key), value);
    }
}

std::vector<std::string> LoadDataSets(const TIniFile& ini, std::vector<TDataSet>& sets) {
    std::vector<std::string> notes;
    std::vector<TDataSet> loaded;
    std::size_t i = 0;
    for (; i < MaxDataSetCount && ini.SectionExists(DataSection(i)); ++i) {
        const std::string s = DataSection(i);
        TDataSet d;
        if (std::optional<std::string> damage = ReadPoints(ini, s, d)) {
            notes.push_back(s + " left out: " + *damage);
            continue;
        }
        d.Name = ini.ReadString(s, "Name", "");
        const std::int32_t marker = ini.ReadInteger(s, "Marker", 0);
        if (marker >= 0 && marker <= static_cast<std::int32_t>(TMarkerShape::msPlus))
            d.Marker = static_cast<TMarkerShape>(marker);
        const std::int32_t size = ini.ReadInteger(s, "Marker size", d.MarkerSize);
        if (size >= MinMarkerSize && size <= MaxMarkerSize) d.MarkerSize = size;
        d.Color = ini.ReadInteger(s, "Color", d.Color);
        d.Line = ini.ReadBool(s, "Line", d.Line);
        d.LineWidth = std::clamp(ini.ReadInteger(s, "Line width", d.LineWidth), 1, 10);
        d.ErrorBars = ini.ReadBool(s, "Error bars", d.ErrorBars);
        d.Visible = ini.ReadBool(s, "Visible", d.Visible);
        loaded.push_back(std::move(d));
    }
    if (i == MaxDataSetCount && ini.SectionExists(DataSection(i)))
        notes.push_back("Data sections after " + DataSection(i - 1) + " left out: more than " +
                        std::to_string(MaxDataSetCount) + " data sets");
    sets = std::move(loaded);
    return notes;
}

}  // namespace curvane

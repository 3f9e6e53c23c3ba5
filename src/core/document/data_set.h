// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace curvane {

class TIniFile;

// Stored as the number in "Marker".
enum class TMarkerShape : std::uint8_t {
    msCircle = 0,
    msSquare = 1,
    msDiamond = 2,
    msTriangle = 3,
    msCross = 4,  // an upright cross: x
    msPlus = 5,
};

inline constexpr std::int32_t MinMarkerSize = 1;
inline constexpr std::int32_t MaxMarkerSize = 50;

// One column of a data set. Copies share the numbers until one of them is
// changed: every edit and undo step copies the whole document, and with a
// million points a copied column would cost megabytes each time. Reads
// behave as a const std::vector<double>; Edit() gives a vector of this
// column's own, copying the numbers first when another copy shares them.
class TDataColumn {
public:
    TDataColumn() = default;
    TDataColumn(std::vector<double> values)  // NOLINT: a column is its numbers
        : FValues(values.empty() ? nullptr : std::make_shared<std::vector<double>>(std::move(values))) {}

    TDataColumn(std::initializer_list<double> values)
        : FValues(values.size() == 0 ? nullptr : std::make_shared<std::vector<double>>(values)) {}

    const std::vector<double>& Values() const { return FValues ? *FValues : Empty(); }
    operator const std::vector<double>&() const { return Values(); }  // NOLINT: read as a vector

    std::size_t size() const { return Values().size(); }
    bool empty() const { return Values().empty(); }
    double operator[](std::size_t i) const { return (*FValues)[i]; }
    const double* data() const { return Values().data(); }
    std::vector<double>::const_iterator begin() const { return Values().begin(); }
    std::vector<double>::const_iterator end() const { return Values().end(); }

    std::vector<double>& Edit();

    // Equal numbers, whether shared or not.
    friend bool operator==(const TDataColumn& a, const TDataColumn& b) {
        return a.FValues == b.FValues || a.Values() == b.Values();
    }

private:
    static const std::vector<double>& Empty();
    std::shared_ptr<std::vector<double>> FValues;
};

// Measured points drawn beside the functions of a 2D window. X, Y and DY are
// finite; DY is empty (no uncertainties) or as long as X, and Y is as long
// as X.
struct TDataSet {
    std::string Name;
    TDataColumn X, Y;
    TDataColumn DY;
    TMarkerShape Marker = TMarkerShape::msCircle;
    std::int32_t MarkerSize = 5;  // pixels across
    std::int32_t Color = 0;       // 0x00BBGGRR, or a system colour (top byte FF), as functions
    bool Line = false;            // joins the points in their order
    std::int32_t LineWidth = 1;   // 1..10, as functions
    bool ErrorBars = true;        // drawn only where DY is
    bool Visible = true;

    std::size_t Count() const { return X.size(); }
    bool HasUncertainties() const { return !DY.empty(); }

    friend bool operator==(const TDataSet&, const TDataSet&) = default;
};

// Documents refuse more data sets than this, as they refuse functions.
inline constexpr std::size_t MaxDataSetCount = 1000;
// A "Count" above this is damage, not a data set: the file size limit of
// documents leaves room for far fewer points anyway.
inline constexpr std::int64_t MaxDataPointCount = 100000000;
// Each "PointsN" value holds up to this many points, and fewer when their
// text would pass MaxPointsValueLength: a longer value would be cut on
// reading, and a value of the read limit's full length may have been.
inline constexpr std::size_t PointsPerValue = 64;
inline constexpr std::size_t MaxPointsValueLength = 2046;

// Sections "Data1", "Data2", ... ("Name", "Count", "Marker", "Marker size",
// "Color", "Line", "Line width", "Error bars", "Visible", then "Points1",
// "Points2", ... each "x y;x y;..." or "x y dy;..." with numbers in the
// shortest form that reads back exactly). The file's earlier data sections
// are removed first; no data sets and none in the file write nothing, so a
// document without data keeps the bytes it always had.
void SaveDataSets(TIniFile& ini, const std::vector<TDataSet>& sets);

// Replaces sets with the file's data sections, from "Data1" up to the first
// missing one (at most MaxDataSetCount). A section whose points are damaged
// (a value that is not a list of finite numbers, two and three numbers mixed,
// fewer or more points than "Count") is left out whole; out-of-range marker
// keys take their defaults. Returns one line for each section left out,
// saying why. Never throws for the file's content.
std::vector<std::string> LoadDataSets(const TIniFile& ini, std::vector<TDataSet>& sets);

}  // namespace curvane

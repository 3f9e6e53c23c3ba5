// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/document/data_set.h"
#include "core/document/func_item.h"
#include "core/document/parameters.h"
#include "core/plot/units.h"

namespace curvane {

class TIniFile;

// The kind of window a document opens in, stored as "Window type".
enum class TWindowType : std::uint8_t { wt2D = 0, wt3D = 1 };

// A "Func count" above this is refused as a damaged or hostile file rather
// than turned into that many function records.
inline constexpr std::int32_t MaxFuncCount = 1000;

// The base part of a graph document: "Global" ("Func count", "Func active",
// "Window type") and one "FunctionN" section per function.
//
// Writes the keys in file order. Colour and width come from the records (a
// window whose drawing objects hold them copies them into the records first).
void SaveFunctions(TIniFile& ini, const TFuncList& list, std::int32_t funcActive, TWindowType windowType);

// Reads the base part and appends one function per section to list (also for
// empty expressions). funcActive receives "Func active" unchecked. Returns
// false when "Func count" is missing or -1 (nothing loaded; funcActive is then
// not touched). Values that cannot be used take the record's default instead:
// a Step or Step Y of 0 or less, a Width outside 1..10 (clamped), an Opacity
// outside 0..1 (clamped). A "Func count" above MaxFuncCount raises EFileError
// naming the file, before anything is added.
bool LoadFunctions(const TIniFile& ini, TFuncList& list, std::int32_t& funcActive, bool is3D);

// Every document this program writes has a "Global" section (in any case);
// a file without one is some other file, whatever its name.
bool IsGraphDocument(const TIniFile& ini);

// "Window type" of "Global", default 0. Other values than 0 and 1 are returned
// as they stand; the opener decides what to do with them.
std::int32_t ReadWindowType(const TIniFile& ini);

// View keys of a 2D window.
struct TView2D {
    bool Uniform = true;
    bool FullGrid = true;
    bool Labels = true;
    TUnits UnitsX = TUnits::uDimensionless;
    TUnits UnitsY = TUnits::uDimensionless;
    double GranularityX = 1.0;
    double GranularityY = 1.0;
    double Left = -10;
    double Right = 10;
    double Top = 10;
    double Bottom = -10;

    friend bool operator==(const TView2D&, const TView2D&) = default;
};

void SaveView2D(TIniFile& ini, const TView2D& view);
// Missing keys keep view's current values, except the three switches (default
// on) and the four edges, whose defaults are -10, 10, 10, -10. Refused on
// reading (the current value stays): units outside 0..2, a granularity of 0
// or less; an edge pair that is not ordered (Left < Right, Bottom < Top) or
// whose span is not finite falls back to the default pair. Units read without
// a granularity of their axis give it the units' granularity when they differ
// from the current units.
void LoadView2D(const TIniFile& ini, TView2D& view);

// View keys of a 3D window (section "View").
struct TView3D {
    double AngleX = 0;
    double AngleY = 0;
    double Distance = 1;
    std::int32_t DrawType = 1;  // 0 points, 1 lines, 2 surface; 3..255 draw no mesh
    bool Smooth = true;
    bool Axes = true;
    bool Normals = false;
    bool Labels = true;
    // TMeshColoring, TColorMap, TContourPlace; ContourCount 0 puts the level
    // lines at the z grid steps.
    std::int32_t ColorMode = 0;
    std::int32_t ColorMap = 0;
    std::int32_t Contours = 0;
    std::int32_t ContourCount = 0;
    // The box drawn as a cube (edges in the ratio below) rather than at the
    // scale of its values; the labels show the values either way.
    bool ScaledBox = false;
    double BoxRatioX = 1, BoxRatioY = 1, BoxRatioZ = 1;
    // Axis numbers at a constant size on the screen, at the grid lines,
    // rather than the older labels drawn into the scene at its scale.
    bool ScreenLabels = false;

    friend bool operator==(const TView3D&, const TView3D&) = default;
};

void SaveView3D(TIniFile& ini, const TView3D& view);
// Missing keys keep view's current values, except "Labels", "ScaledBox" and
// "ScreenLabels" (default false) and the colouring and contour keys (default
// 0: the function's colour, no level lines): a file from before these keys is
// drawn as it always was.
// DrawType is the low 8 bits of the stored number; a Distance that is not a
// finite number keeps the current value (0 and below are taken).
void LoadView3D(const TIniFile& ini, TView3D& view);

// One graph window's document: the functions, the active one and the view
// keys of its window type. The windows, `--render`, recovery and undo all
// work on this value; the gui holds it in one observed owner per window.
class TGraphDocument {
public:
    TWindowType WindowType = TWindowType::wt2D;
    TFuncList Functions;
    std::int32_t FuncActive = -1;
    TView2D View2D;  // written for a 2D window
    TView3D View3D;  // written for a 3D window
    // Written after the view keys; none for most documents.
    TParameterList Parameters;
    // Written after the parameters, by 2D documents only; a 3D document
    // neither reads nor writes them.
    std::vector<TDataSet> DataSets;
    // The 3D grid switch: kept with the document while it is open (undo
    // brings it back), but no file key holds it.
    bool Grid3D = true;

    // The function at index, or null outside 0..count-1 (FuncActive is read
    // from files unchecked, so users go through this).
    TFuncItem* Func(int index) const { return Functions.Items(index); }
    TFuncItem* ActiveFunc() const { return Functions.Items(FuncActive); }

    // The same document with the visible area (the 2D edges, the 3D camera)
    // at its defaults: what an undo step keeps and compares, since a pan is
    // not an edit and undoing a deletion must not undo a later pan.
    TGraphDocument WithoutVisibleArea() const;
    // Takes the visible area of `view`, keeping everything else.
    void TakeVisibleArea(const TGraphDocument& view);

    // Base part, then the view keys of the window type, then the parameters,
    // then (2D) the data sets, into the file's existing text (other sections
    // and keys stay).
    void SaveToIni(TIniFile& ini) const;
    // Appends the file's functions; reads the view keys with the current view
    // as defaults; replaces the parameters with the file's (LoadParameters:
    // unusable ones are left out). WindowType is taken from the file when it
    // is 0 or 1. A refused count of functions or parameters raises EFileError
    // before anything changes. A 2D document replaces its data sets with the
    // file's (LoadDataSets: damaged ones are left out). Returns a line for
    // each parameter or data set left out, saying why, for whoever opened the
    // file to show.
    std::vector<std::string> LoadFromIni(const TIniFile& ini);

    // Replaces the file as a whole (temporary file renamed over it). Raises
    // EFileError "Unable to write to <path>" and leaves the old file untouched.
    void SaveToFile(const std::string& path) const;
    // Raises EFileError "Unable to read from <path>" when the file is missing
    // or cannot be read.
    void LoadFromFile(const std::string& path);

    friend bool operator==(const TGraphDocument&, const TGraphDocument&) = default;
};

}  // namespace curvane

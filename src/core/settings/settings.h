// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/plot/units.h"

namespace curvane {

class TIniFile;

// Colour values whose top byte is FF name a system colour by their low byte.
inline constexpr std::int32_t clSysWindow = static_cast<std::int32_t>(0xFF000005);      // -16777211
inline constexpr std::int32_t clSysWindowText = static_cast<std::int32_t>(0xFF000008);  // -16777208

struct TFontRecord {
    std::string Name;  // at most 255 characters
    std::int32_t Size = 8;  // points
    std::int32_t Color = clSysWindowText;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;

    friend bool operator==(const TFontRecord&, const TFontRecord&) = default;
};

// "BOLD ITALIC UNDERLINE STRIKEOUT" with only the set words, each after the
// first with its leading blank (italic alone is " ITALIC").
std::string FontStyleText(const TFontRecord& font);
// Sets each flag when its word occurs anywhere in text, in any order.
void ParseFontStyle(const std::string& text, TFontRecord& font);

// What new 2D windows copy.
struct TSettings2D {
    std::int32_t WindowBackground = 0xC0C0C0;  // silver
    std::int32_t IndicatorBackground = clSysWindow;
    std::int32_t AxisColor = 0x808080;  // grey
    std::int32_t GridColor = clSysWindowText;
    std::int32_t PeriodColor = 0x008000;  // green
    bool FullGrid = false;
    bool Labels = true;
    bool Uniform = true;
    TUnits UnitsX = TUnits::uDimensionless;
    TUnits UnitsY = TUnits::uDimensionless;
    double GranularityX = 1.0;
    double GranularityY = 1.0;
    bool Antialiasing = true;  // smoothed curves and mark lines
    bool PointsOfInterest = false;  // roots, extrema and intersections marked on the graph

    friend bool operator==(const TSettings2D&, const TSettings2D&) = default;
};

// What new 3D panels copy (Surface is kept and saved but read by no window).
struct TSettings3D {
    double X1 = -10, X2 = 10, Y1 = -10, Y2 = 10, Z1 = -10, Z2 = 10;
    double StepX = 1, StepY = 1, StepZ = 1;
    TUnits UnitsX = TUnits::uDimensionless, UnitsY = TUnits::uDimensionless, UnitsZ = TUnits::uDimensionless;
    double GranularityX = 1.0, GranularityY = 1.0, GranularityZ = 1.0;
    std::int32_t WindowBackground = clSysWindow;
    std::int32_t GridColor = 0x808080;
    std::int32_t AxesColor = 0x00FFFF;  // yellow
    std::int32_t LabelsColor = clSysWindowText;
    bool Axes = true;
    bool AxesLabels = true;
    bool Grid = true;
    bool Surface = false;
    bool Smooth = true;
    // The colouring and level lines of new windows (TView3D's keys).
    std::int32_t ColorMode = 0;
    std::int32_t ColorMap = 0;
    std::int32_t Contours = 0;
    std::int32_t ContourCount = 0;
    // What a new 3D window's document starts with (TView3D): a box in
    // proportion and labels at screen size.
    bool ScaledBox = true;
    bool ScreenLabels = true;
    double BoxRatioX = 1, BoxRatioY = 1, BoxRatioZ = 1;

    friend bool operator==(const TSettings3D&, const TSettings3D&) = default;
};

// The program's preferences. Every value starts at its built-in default.
struct TSettings {
    bool SaveConfig = true;              // write the settings at exit
    std::uint16_t FuncComboWidth = 275;  // function combo box, pixels
    bool FormView = false;               // the 3D view dialog was open
    TSettings2D Window2D;
    TSettings3D Window3D;
    TFontRecord Font{"MS Sans serif", 8, clSysWindowText, false, false, false, false};
    TFontRecord GridFont{"Terminal", 9, clSysWindowText, true, false, false, false};

    friend bool operator==(const TSettings&, const TSettings&) = default;
};

// The process-wide record: loaded when the main window is created, edited by
// the Options dialog, copied by new windows.
TSettings& Settings();

// Reads every key with the record's current value as the fallback. Values
// the windows cannot use keep that current value instead: units outside 0..2,
// granularities and steps of 0 or less, an axis-box pair that is not ordered
// (X1 < X2, ...), a combo width outside 0..65535, a font size outside 1..1000,
// an empty font name. Font names longer than 255 characters are cut there.
// The 3D "UnitsZ" is written but never read: the Z unit starts at its default.
void LoadSettings(const TIniFile& ini, TSettings& settings);
// Writes every section and key in file order; other sections of the file
// (recent files, tool windows, window placement) stay as they are.
void SaveSettings(TIniFile& ini, const TSettings& settings);

// The settings file: "<executable name>.ini" beside the executable when that
// folder is writable and the copy is not installed (see IsInstalledCopy), else
// $XDG_CONFIG_HOME/curvane/curvane.ini (with ~/.config when XDG_CONFIG_HOME is
// unset or not absolute).
std::string SettingsFilePath(const std::string& executablePath);

// Loads the file into settings; a missing file leaves every value as it is.
// Raises EFileError when the file exists but cannot be read.
void LoadSettingsFile(const std::string& path, TSettings& settings);
// Reads the settings file for an update that keeps every other section,
// creating its folder when needed. Raises EFileError "Unable to write to
// <path>" when the file exists but cannot be read: replacing it would drop
// the sections other parts of the program keep there.
std::unique_ptr<TIniFile> OpenSettingsFileForUpdate(const std::string& path);
// Creates the file's folder when needed, then writes the settings atomically.
// Raises EFileError "Unable to write to <path>".
void SaveSettingsFile(const std::string& path, const TSettings& settings);
// At exit: writes the file only when SaveConfig is set (else nothing at all is
// written, SaveConfig included). Returns whether it wrote.
bool SaveSettingsOnExit(const std::string& path, const TSettings& settings);

}  // namespace curvane

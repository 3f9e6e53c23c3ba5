#include "core/settings/settings.h"

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <filesystem>

#include "core/support/exceptions.h"
#include "core/support/ini_file.h"

namespace curvane {

namespace fs = std::filesystem;

namespace {

constexpr const char* SecGlobal = "Global";
constexpr const char* Sec2D = "2D window";
constexpr const char* Sec3D = "3D window";
constexpr std::size_t MaxFontName = 255;
constexpr std::int32_t MaxFontSize = 1000;

std::uint8_t ReadUnits(const TIniFile& ini, const char* section, const char* key, std::uint8_t current) {
    const std::int32_t v = ini.ReadInteger(section, key, current);
    return v >= 0 && v <= 2 ? static_cast<std::uint8_t>(v) : current;
}

// Granularities and steps are what grid loops advance by.
double ReadPositive(const TIniFile& ini, const char* section, const char* key, double current) {
    const double v = ini.ReadFloat(section, key, current);
    return v > 0 ? v : current;
}

// Both ends of an axis-box range, kept together: a reversed or empty range
// would leave the 3D grid and view fit with nothing to span.
void ReadRange(const TIniFile& ini, const char* lowKey, const char* highKey, double& low, double& high) {
    const double l = ini.ReadFloat(Sec3D, lowKey, low);
    const double h = ini.ReadFloat(Sec3D, highKey, high);
    if (l < h && std::isfinite(h - l)) {
        low = l;
        high = h;
    }
}

void ReadFont(const TIniFile& ini, const char* section, TFontRecord& font) {
    std::string name = ini.ReadString(section, "Name", font.Name);
    if (name.size() > MaxFontName) name.resize(MaxFontName);
    if (!name.empty()) font.Name = name;
    const std::int32_t size = ini.ReadInteger(section, "Size", font.Size);
    if (size >= 1 && size <= MaxFontSize) font.Size = size;
    font.Color = ini.ReadInteger(section, "Color", font.Color);
    if (ini.ValueExists(section, "Style")) ParseFontStyle(ini.ReadString(section, "Style", ""), font);
}

void WriteFont(TIniFile& ini, const char* section, const TFontRecord& font) {
    ini.WriteStringExact(section, "Name", font.Name.substr(0, MaxFontName));
    ini.WriteInteger(section, "Size", font.Size);
    ini.WriteInteger(section, "Color", font.Color);
    ini.WriteString(section, "Style", FontStyleText(font));
}

}  // namespace

std::string FontStyleText(const TFontRecord& font) {
    std::string s;
    if (font.Bold) s += "BOLD";
    if (font.Italic) s += " ITALIC";
    if (font.Underline) s += " UNDERLINE";
    if (font.StrikeOut) s += " STRIKEOUT";
    return s;
}

void ParseFontStyle(const std::string& text, TFontRecord& font) {
    font.Bold = text.find("BOLD") != std::string::npos;
    font.Italic = text.find("ITALIC") != std::string::npos;
    font.Underline = text.find("UNDERLINE") != std::string::npos;
    font.StrikeOut = text.find("STRIKEOUT") != std::string::npos;
}

TSettings& Settings() {
    static TSettings settings;
    return settings;
}

void LoadSettings(const TIniFile& ini, TSettings& s) {
    s.SaveConfig = ini.ReadBool(SecGlobal, "SaveConfig", s.SaveConfig);
    const std::int32_t width = ini.ReadInteger(SecGlobal, "FuncComboWidth", s.FuncComboWidth);
    if (width >= 0 && width <= 0xFFFF) s.FuncComboWidth = static_cast<std::uint16_t>(width);
    s.FormView = ini.ReadBool(SecGlobal, "Form view", s.FormView);

    TSettings2D& w = s.Window2D;
    w.WindowBackground = ini.ReadInteger(Sec2D, "WindowBackground", w.WindowBackground);
    w.IndicatorBackground = ini.ReadInteger(Sec2D, "IndicatorBackground", w.IndicatorBackground);
    w.AxisColor = ini.ReadInteger(Sec2D, "AxisColor", w.AxisColor);
    w.GridColor = ini.ReadInteger(Sec2D, "GridColor", w.GridColor);
    w.PeriodColor = ini.ReadInteger(Sec2D, "PeriodColor", w.PeriodColor);
    w.FullGrid = ini.ReadBool(Sec2D, "FullGrid", w.FullGrid);
    w.Labels = ini.ReadBool(Sec2D, "Labels", w.Labels);
    w.Uniform = ini.ReadBool(Sec2D, "Uniform", w.Uniform);
    w.UnitsX = ReadUnits(ini, Sec2D, "UnitsX", w.UnitsX);
    w.UnitsY = ReadUnits(ini, Sec2D, "UnitsY", w.UnitsY);
    w.GranularityX = ReadPositive(ini, Sec2D, "GranularityX", w.GranularityX);
    w.GranularityY = ReadPositive(ini, Sec2D, "GranularityY", w.GranularityY);

    TSettings3D& d = s.Window3D;
    ReadRange(ini, "X1", "X2", d.X1, d.X2);
    ReadRange(ini, "Y1", "Y2", d.Y1, d.Y2);
    ReadRange(ini, "Z1", "Z2", d.Z1, d.Z2);
    d.StepX = ReadPositive(ini, Sec3D, "StepX", d.StepX);
    d.StepY = ReadPositive(ini, Sec3D, "StepY", d.StepY);
    d.StepZ = ReadPositive(ini, Sec3D, "StepZ", d.StepZ);
    d.UnitsX = ReadUnits(ini, Sec3D, "UnitsX", d.UnitsX);
    d.UnitsY = ReadUnits(ini, Sec3D, "UnitsY", d.UnitsY);
    d.GranularityX = ReadPositive(ini, Sec3D, "GranularityX", d.GranularityX);
    d.GranularityY = ReadPositive(ini, Sec3D, "GranularityY", d.GranularityY);
    d.GranularityZ = ReadPositive(ini, Sec3D, "GranularityZ", d.GranularityZ);
    d.WindowBackground = ini.ReadInteger(Sec3D, "Window Background", d.WindowBackground);
    d.GridColor = ini.ReadInteger(Sec3D, "GridColor", d.GridColor);
    d.AxesColor = ini.ReadInteger(Sec3D, "AxesColor", d.AxesColor);
    d.LabelsColor = ini.ReadInteger(Sec3D, "LabelsColor", d.LabelsColor);
    d.Axes = ini.ReadBool(Sec3D, "Axes", d.Axes);
    d.AxesLabels = ini.ReadBool(Sec3D, "AxesLabels", d.AxesLabels);
    d.Grid = ini.ReadBool(Sec3D, "Grid", d.Grid);
    d.Surface = ini.ReadBool(Sec3D, "Surface", d.Surface);
    d.Smooth = ini.ReadBool(Sec3D, "Smooth", d.Smooth);

    ReadFont(ini, "Font", s.Font);
    ReadFont(ini, "GridFont", s.GridFont);
}

void SaveSettings(TIniFile& ini, const TSettings& s) {
    ini.WriteBool(SecGlobal, "SaveConfig", s.SaveConfig);
    ini.WriteInteger(SecGlobal, "FuncComboWidth", s.FuncComboWidth);
    ini.WriteBool(SecGlobal, "Form view", s.FormView);

    const TSettings2D& w = s.Window2D;
    ini.WriteInteger(Sec2D, "WindowBackground", w.WindowBackground);
    ini.WriteInteger(Sec2D, "IndicatorBackground", w.IndicatorBackground);
    ini.WriteInteger(Sec2D, "AxisColor", w.AxisColor);
    ini.WriteInteger(Sec2D, "GridColor", w.GridColor);
    ini.WriteInteger(Sec2D, "PeriodColor", w.PeriodColor);
    ini.WriteBool(Sec2D, "FullGrid", w.FullGrid);
    ini.WriteBool(Sec2D, "Labels", w.Labels);
    ini.WriteBool(Sec2D, "Uniform", w.Uniform);
    ini.WriteInteger(Sec2D, "UnitsX", w.UnitsX);
    ini.WriteInteger(Sec2D, "UnitsY", w.UnitsY);
    ini.WriteFloat(Sec2D, "GranularityX", w.GranularityX);
    ini.WriteFloat(Sec2D, "GranularityY", w.GranularityY);

    const TSettings3D& d = s.Window3D;
    ini.WriteFloat(Sec3D, "X1", d.X1);
    ini.WriteFloat(Sec3D, "X2", d.X2);
    ini.WriteFloat(Sec3D, "Y1", d.Y1);
    ini.WriteFloat(Sec3D, "Y2", d.Y2);
    ini.WriteFloat(Sec3D, "Z1", d.Z1);
    ini.WriteFloat(Sec3D, "Z2", d.Z2);
    ini.WriteFloat(Sec3D, "StepX", d.StepX);
    ini.WriteFloat(Sec3D, "StepY", d.StepY);
    ini.WriteFloat(Sec3D, "StepZ", d.StepZ);
    ini.WriteInteger(Sec3D, "UnitsX", d.UnitsX);
    ini.WriteInteger(Sec3D, "UnitsY", d.UnitsY);
    ini.WriteInteger(Sec3D, "UnitsZ", d.UnitsZ);
    ini.WriteFloat(Sec3D, "GranularityX", d.GranularityX);
    ini.WriteFloat(Sec3D, "GranularityY", d.GranularityY);
    ini.WriteFloat(Sec3D, "GranularityZ", d.GranularityZ);
    ini.WriteInteger(Sec3D, "Window Background", d.WindowBackground);
    ini.WriteInteger(Sec3D, "GridColor", d.GridColor);
    ini.WriteInteger(Sec3D, "AxesColor", d.AxesColor);
    ini.WriteInteger(Sec3D, "LabelsColor", d.LabelsColor);
    ini.WriteBool(Sec3D, "Axes", d.Axes);
    ini.WriteBool(Sec3D, "AxesLabels", d.AxesLabels);
    ini.WriteBool(Sec3D, "Grid", d.Grid);
    ini.WriteBool(Sec3D, "Surface", d.Surface);
    ini.WriteBool(Sec3D, "Smooth", d.Smooth);

    WriteFont(ini, "Font", s.Font);
    WriteFont(ini, "GridFont", s.GridFont);
}

std::string SettingsFilePath(const std::string& executablePath) {
    const fs::path exe(executablePath);
    const fs::path folder = exe.has_parent_path() ? exe.parent_path() : fs::path(".");
    const std::string name = (exe.has_stem() ? exe.stem().string() : std::string("curvane")) + ".ini";
    if (::access(folder.c_str(), W_OK) == 0) return (folder / name).string();
    fs::path config;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    // Relative XDG paths are invalid by the base-directory rules and ignored.
    if (xdg != nullptr && xdg[0] == '/') {
        config = xdg;
    } else {
        const char* home = std::getenv("HOME");
        config = fs::path(home != nullptr && home[0] != '\0' ? home : "/tmp") / ".config";
    }
    return (config / "curvane" / "curvane.ini").string();
}

void LoadSettingsFile(const std::string& path, TSettings& settings) {
    const TIniFile ini(path);
    LoadSettings(ini, settings);
}

std::unique_ptr<TIniFile> OpenSettingsFileForUpdate(const std::string& path) {
    const fs::path folder = fs::path(path).parent_path();
    std::error_code ec;
    if (!folder.empty()) fs::create_directories(folder, ec);  // failure shows as the write error later
    try {
        return std::make_unique<TIniFile>(path);
    } catch (const EFileError&) {
        throw EFileError("Unable to write to " + path);
    }
}

void SaveSettingsFile(const std::string& path, const TSettings& settings) {
    const auto ini = OpenSettingsFileForUpdate(path);
    SaveSettings(*ini, settings);
    ini->UpdateFile();
}

bool SaveSettingsOnExit(const std::string& path, const TSettings& settings) {
    if (!settings.SaveConfig) return false;
    SaveSettingsFile(path, settings);
    return true;
}

}  // namespace curvane

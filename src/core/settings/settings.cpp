// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/settings.h"

#include <unistd.h>

#include <cassert>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <type_traits>
#include <utility>
#include <variant>

#include "core/support/exceptions.h"
#include "core/support/ini_file.h"
#include "core/support/installation.h"

namespace curvane {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t MaxFontName = 255;
constexpr std::int32_t MaxFontSize = 1000;

// What a key accepts when it is read; a value outside it (or one that does
// not parse) leaves the record's current value, which starts as the
// record's default.
enum class TCheck : std::uint8_t {
    chAny,
    chPositive,  // granularities and steps are what grid loops advance by
    // With the key after it, both ends of an axis-box range, taken together
    // or not at all: a reversed or empty range would leave the 3D grid and
    // view fit with nothing to span.
    chRangeLow,
    chFontSize,   // 1 .. MaxFontSize points
    chFontName,   // not empty; cut to MaxFontName characters
    chWriteOnly,  // written, never read
};

// A value kept as text by a pair of functions. Read only when the key is
// present; written as it is (reading strips blanks and quotes again).
template <typename TRecord>
struct TTextAccessor {
    std::string (*Get)(const TRecord&);
    void (*Set)(const std::string&, TRecord&);
};

// One key of a section: reading and writing both follow this, so a key
// cannot be spelt, ordered or checked differently on the two paths. The
// written form follows the member's type: booleans 1/0, integers and units
// in decimal, floats in the shortest general form, strings exactly. Units
// outside the enumeration are refused on reading.
template <typename TRecord>
struct TKey {
    const char* Name;
    std::variant<bool TRecord::*, std::int32_t TRecord::*, std::uint16_t TRecord::*, TUnits TRecord::*,
                 double TRecord::*, std::string TRecord::*, TTextAccessor<TRecord>>
        Member;
    TCheck Check = TCheck::chAny;
};

// Sections in file order, keys in file order within each.
constexpr const char* SecGlobal = "Global";
constexpr TKey<TSettings> GlobalKeys[] = {
    {"SaveConfig", &TSettings::SaveConfig},
    {"FuncComboWidth", &TSettings::FuncComboWidth},
    {"Form view", &TSettings::FormView},
};

constexpr const char* Sec2D = "2D window";
constexpr TKey<TSettings2D> Window2DKeys[] = {
    {"WindowBackground", &TSettings2D::WindowBackground},
    {"IndicatorBackground", &TSettings2D::IndicatorBackground},
    {"AxisColor", &TSettings2D::AxisColor},
    {"GridColor", &TSettings2D::GridColor},
    {"PeriodColor", &TSettings2D::PeriodColor},
    {"FullGrid", &TSettings2D::FullGrid},
    {"Labels", &TSettings2D::Labels},
    {"Uniform", &TSettings2D::Uniform},
    {"UnitsX", &TSettings2D::UnitsX},
    {"UnitsY", &TSettings2D::UnitsY},
    {"GranularityX", &TSettings2D::GranularityX, TCheck::chPositive},
    {"GranularityY", &TSettings2D::GranularityY, TCheck::chPositive},
    {"Antialiasing", &TSettings2D::Antialiasing},
    {"PointsOfInterest", &TSettings2D::PointsOfInterest},
};

constexpr const char* Sec3D = "3D window";
constexpr TKey<TSettings3D> Window3DKeys[] = {
    {"X1", &TSettings3D::X1, TCheck::chRangeLow},
    {"X2", &TSettings3D::X2},
    {"Y1", &TSettings3D::Y1, TCheck::chRangeLow},
    {"Y2", &TSettings3D::Y2},
    {"Z1", &TSettings3D::Z1, TCheck::chRangeLow},
    {"Z2", &TSettings3D::Z2},
    {"StepX", &TSettings3D::StepX, TCheck::chPositive},
    {"StepY", &TSettings3D::StepY, TCheck::chPositive},
    {"StepZ", &TSettings3D::StepZ, TCheck::chPositive},
    {"UnitsX", &TSettings3D::UnitsX},
    {"UnitsY", &TSettings3D::UnitsY},
    // Saved, but every run starts with the Z unit at its default.
    {"UnitsZ", &TSettings3D::UnitsZ, TCheck::chWriteOnly},
    {"GranularityX", &TSettings3D::GranularityX, TCheck::chPositive},
    {"GranularityY", &TSettings3D::GranularityY, TCheck::chPositive},
    {"GranularityZ", &TSettings3D::GranularityZ, TCheck::chPositive},
    {"Window Background", &TSettings3D::WindowBackground},
    {"GridColor", &TSettings3D::GridColor},
    {"AxesColor", &TSettings3D::AxesColor},
    {"LabelsColor", &TSettings3D::LabelsColor},
    {"Axes", &TSettings3D::Axes},
    {"AxesLabels", &TSettings3D::AxesLabels},
    {"Grid", &TSettings3D::Grid},
    {"Surface", &TSettings3D::Surface},
    {"Smooth", &TSettings3D::Smooth},
    {"ColorMode", &TSettings3D::ColorMode},
    {"ColorMap", &TSettings3D::ColorMap},
    {"Contours", &TSettings3D::Contours},
    {"ContourCount", &TSettings3D::ContourCount},
    {"ScaledBox", &TSettings3D::ScaledBox},
    {"ScreenLabels", &TSettings3D::ScreenLabels},
    {"BoxRatioX", &TSettings3D::BoxRatioX, TCheck::chPositive},
    {"BoxRatioY", &TSettings3D::BoxRatioY, TCheck::chPositive},
    {"BoxRatioZ", &TSettings3D::BoxRatioZ, TCheck::chPositive},
};

// The sections "Font" and "GridFont".
constexpr TKey<TFontRecord> FontKeys[] = {
    {"Name", &TFontRecord::Name, TCheck::chFontName},
    {"Size", &TFontRecord::Size, TCheck::chFontSize},
    {"Color", &TFontRecord::Color},
    {"Style", TTextAccessor<TFontRecord>{FontStyleText, ParseFontStyle}},
};

bool Accepts(TCheck check, double v) {
    switch (check) {
        case TCheck::chPositive: return v > 0;
        case TCheck::chFontSize: return v >= 1 && v <= MaxFontSize;
        default: return true;
    }
}

template <typename TRecord>
void ReadKey(const TIniFile& ini, const char* section, const TKey<TRecord>& key, TRecord& record) {
    std::visit(
        [&](auto member) {
            using TMember = decltype(member);
            if constexpr (std::is_same_v<TMember, TTextAccessor<TRecord>>) {
                if (ini.ValueExists(section, key.Name)) member.Set(ini.ReadString(section, key.Name, ""), record);
            } else {
                auto& value = record.*member;
                using T = std::remove_reference_t<decltype(value)>;
                if constexpr (std::is_same_v<T, bool>) {
                    value = ini.ReadBool(section, key.Name, value);
                } else if constexpr (std::is_integral_v<T>) {
                    const std::int32_t v = ini.ReadInteger(section, key.Name, value);
                    if (std::in_range<T>(v) && Accepts(key.Check, v)) value = static_cast<T>(v);
                } else if constexpr (std::is_same_v<T, TUnits>) {
                    const std::int32_t v = ini.ReadInteger(section, key.Name, static_cast<std::int32_t>(value));
                    if (IsUnitsNumber(v)) value = static_cast<TUnits>(v);
                } else if constexpr (std::is_same_v<T, double>) {
                    const double v = ini.ReadFloat(section, key.Name, value);
                    if (Accepts(key.Check, v)) value = v;
                } else {
                    std::string v = ini.ReadString(section, key.Name, value);
                    if (key.Check == TCheck::chFontName) {
                        if (v.size() > MaxFontName) v.resize(MaxFontName);
                        if (v.empty()) return;
                    }
                    value = std::move(v);
                }
            }
        },
        key.Member);
}

template <typename TRecord, std::size_t N>
void ReadSection(const TIniFile& ini, const char* section, const TKey<TRecord> (&keys)[N], TRecord& record) {
    for (std::size_t i = 0; i < N; ++i) {
        const TKey<TRecord>& key = keys[i];
        if (key.Check == TCheck::chWriteOnly) continue;
        if (key.Check != TCheck::chRangeLow) {
            ReadKey(ini, section, key, record);
            continue;
        }
        assert(i + 1 < N && "a range's low end is followed by its high end");
        const TKey<TRecord>& highKey = keys[++i];
        double& low = record.*std::get<double TRecord::*>(key.Member);
        double& high = record.*std::get<double TRecord::*>(highKey.Member);
        const double l = ini.ReadFloat(section, key.Name, low);
        const double h = ini.ReadFloat(section, highKey.Name, high);
        if (l < h && std::isfinite(h - l)) {
            low = l;
            high = h;
        }
    }
}

template <typename TRecord, std::size_t N>
void WriteSection(TIniFile& ini, const char* section, const TKey<TRecord> (&keys)[N], const TRecord& record) {
    for (const TKey<TRecord>& key : keys) {
        std::visit(
            [&](auto member) {
                using TMember = decltype(member);
                if constexpr (std::is_same_v<TMember, TTextAccessor<TRecord>>) {
                    ini.WriteString(section, key.Name, member.Get(record));
                } else {
                    const auto& value = record.*member;
                    using T = std::remove_cvref_t<decltype(value)>;
                    if constexpr (std::is_same_v<T, bool>)
                        ini.WriteBool(section, key.Name, value);
                    else if constexpr (std::is_integral_v<T>)
                        ini.WriteInteger(section, key.Name, value);
                    else if constexpr (std::is_same_v<T, TUnits>)
                        ini.WriteInteger(section, key.Name, static_cast<std::int32_t>(value));
                    else if constexpr (std::is_same_v<T, double>)
                        ini.WriteFloat(section, key.Name, value);
                    else if (key.Check == TCheck::chFontName)
                        ini.WriteStringExact(section, key.Name, value.substr(0, MaxFontName));
                    else
                        ini.WriteStringExact(section, key.Name, value);
                }
            },
            key.Member);
    }
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
    ReadSection(ini, SecGlobal, GlobalKeys, s);
    ReadSection(ini, Sec2D, Window2DKeys, s.Window2D);
    ReadSection(ini, Sec3D, Window3DKeys, s.Window3D);
    ReadSection(ini, "Font", FontKeys, s.Font);
    ReadSection(ini, "GridFont", FontKeys, s.GridFont);
}

void SaveSettings(TIniFile& ini, const TSettings& s) {
    WriteSection(ini, SecGlobal, GlobalKeys, s);
    WriteSection(ini, Sec2D, Window2DKeys, s.Window2D);
    WriteSection(ini, Sec3D, Window3DKeys, s.Window3D);
    WriteSection(ini, "Font", FontKeys, s.Font);
    WriteSection(ini, "GridFont", FontKeys, s.GridFont);
}

std::string SettingsFilePath(const std::string& executablePath) {
    const fs::path exe(executablePath);
    const std::string name = (exe.has_stem() ? exe.stem().string() : std::string("curvane")) + ".ini";
    if (const std::string folder = PortableFolder(executablePath); !folder.empty()) return (fs::path(folder) / name).string();
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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/document/graph_document.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <type_traits>
#include <utility>
#include <variant>

#include "core/support/exceptions.h"
#include "core/support/ini_file.h"

namespace curvane {

namespace {

constexpr const char* Global = "Global";
constexpr std::int32_t MinWidth = 1;
constexpr std::int32_t MaxWidth = 10;

std::string FunctionSection(int index) { return "Function" + std::to_string(index + 1); }

// A step is what the samplers and grid loops advance by: zero or a negative
// value would never reach the end, so it keeps the value it had.
double ReadPositive(const TIniFile& ini, const char* section, const char* key, double current) {
    const double v = ini.ReadFloat(section, key, current);
    return v > 0 ? v : current;
}

}  // namespace

void SaveFunctions(TIniFile& ini, const TFuncList& list, std::int32_t funcActive, TWindowType windowType) {
    ini.WriteInteger(Global, "Func count", list.Count());
    ini.WriteInteger(Global, "Func active", funcActive);
    ini.WriteInteger(Global, "Window type", static_cast<std::uint8_t>(windowType));
    for (int i = 0; i < list.Count(); ++i) {
        const TFuncItem& f = *list.Items(i);
        const std::string s = FunctionSection(i);
        ini.WriteStringExact(s, "Expression", f.Expression);
        ini.WriteStringExact(s, "Expression1", f.Expression1);
        ini.WriteStringExact(s, "Expression2", f.Expression2);
        ini.WriteInteger(s, "Color", f.Color);
        // Surfaces have no line width: a 3D document always says 1.
        ini.WriteInteger(s, "Width", windowType == TWindowType::wt3D ? 1 : f.Width);
        ini.WriteBool(s, "Active", f.Active);
        ini.WriteBool(s, "Manual limits", f.ManualLimits);
        ini.WriteFloat(s, "From", f.From);
        ini.WriteFloat(s, "To", f.To);
        ini.WriteFloat(s, "Step", f.Step);
        ini.WriteBool(s, "Convtodeg", f.ConvToDeg);
        ini.WriteBool(s, "Derivative", f.Derivative);
        ini.WriteInteger(s, "FuncType", static_cast<int>(f.FuncType));
        ini.WriteInteger(s, "FuncKind", static_cast<int>(f.FuncKind));
        ini.WriteBool(s, "Manual limits Y", f.ManualLimitsY);
        ini.WriteFloat(s, "From Y", f.FromY);
        ini.WriteFloat(s, "To Y", f.ToY);
        ini.WriteFloat(s, "Step Y", f.StepY);
        ini.WriteBool(s, "Convtodeg Y", f.ConvToDegY);
        ini.WriteFloat(s, "Opacity", f.Opacity);
        // Only a 3D window draws surfaces F(x,y,z) = 0: every other record
        // is written exactly as before.
        if (windowType == TWindowType::wt3D && f.FuncKind == TFuncKind::fkImplicit) {
            ini.WriteFloat(s, "From Z", f.FromZ);
            ini.WriteFloat(s, "To Z", f.ToZ);
            ini.WriteFloat(s, "Step Z", f.StepZ);
        }
    }
}

bool LoadFunctions(const TIniFile& ini, TFuncList& list, std::int32_t& funcActive, bool is3D) {
    const std::int32_t count = ini.ReadInteger(Global, "Func count", -1);
    if (count == -1) return false;
    if (count > MaxFuncCount)
        throw EFileError("Unable to read from " + ini.FileName() + ": \"Func count\" is " +
                         std::to_string(count) + ", more than " + std::to_string(MaxFuncCount) +
                         " functions");
    funcActive = ini.ReadInteger(Global, "Func active", -1);
    // Build every record first, so a failure part-way adds nothing to list.
    TFuncList loaded;
    for (int i = 0; i < count; ++i) {
        const std::string s = FunctionSection(i);
        TFuncItem f(ini.ReadString(s, "Expression", ""), is3D);
        f.Color = ini.ReadInteger(s, "Color", 16777215);
        // Surfaces have no line width: a 3D document keeps 1, as it writes.
        f.Width = is3D ? 1 : std::clamp(ini.ReadInteger(s, "Width", 1), MinWidth, MaxWidth);
        f.Expression1 = ini.ReadString(s, "Expression1", "");
        f.Expression2 = ini.ReadString(s, "Expression2", "");
        f.Active = ini.ReadBool(s, "Active", true);
        // Only the low 8 bits of the stored integers count.
        const std::int32_t oldType = ini.ReadInteger(s, "Func type", 0);
        f.FuncType = static_cast<TFuncType>(static_cast<std::uint8_t>(oldType));
        f.ManualLimits = ini.ReadBool(s, "Manual limits", f.ManualLimits);
        f.From = ini.ReadFloat(s, "From", f.From);
        f.To = ini.ReadFloat(s, "To", f.To);
        f.Step = ReadPositive(ini, s.c_str(), "Step", f.Step);
        f.ConvToDeg = ini.ReadBool(s, "Convtodeg", f.ConvToDeg);
        f.Derivative = ini.ReadBool(s, "Derivative", f.Derivative);
        f.FuncType = static_cast<TFuncType>(
            static_cast<std::uint8_t>(ini.ReadInteger(s, "FuncType", static_cast<int>(f.FuncType))));
        f.FuncKind = static_cast<TFuncKind>(
            static_cast<std::uint8_t>(ini.ReadInteger(s, "FuncKind", static_cast<int>(f.FuncKind))));
        f.ManualLimitsY = ini.ReadBool(s, "Manual limits Y", f.ManualLimitsY);
        f.FromY = ini.ReadFloat(s, "From Y", f.FromY);
        f.ToY = ini.ReadFloat(s, "To Y", f.ToY);
        f.StepY = ReadPositive(ini, s.c_str(), "Step Y", f.StepY);
        f.ConvToDegY = ini.ReadBool(s, "Convtodeg Y", f.ConvToDegY);
        f.Opacity = std::clamp(ini.ReadFloat(s, "Opacity", f.Opacity), 0.0, 1.0);
        // Other records never hold a z range: they keep the defaults, so that
        // they read back equal to what was saved.
        if (is3D && f.FuncKind == TFuncKind::fkImplicit) {
            f.FromZ = ini.ReadFloat(s, "From Z", f.From);
            f.ToZ = ini.ReadFloat(s, "To Z", f.To);
            f.StepZ = ReadPositive(ini, s.c_str(), "Step Z", f.Step);
        }
        loaded.Add(std::move(f));
    }
    for (int i = 0; i < loaded.Count(); ++i) list.Add(*loaded.Items(i));
    return true;
}

bool IsGraphDocument(const TIniFile& ini) { return ini.SectionExists(Global); }

std::int32_t ReadWindowType(const TIniFile& ini) { return ini.ReadInteger(Global, "Window type", 0); }

namespace {

// How a view key is read; writing is the same for all: booleans 1/0,
// integers in decimal, floats in the shortest general form.
enum class TViewCheck : std::uint8_t {
    vcCurrent,   // a missing key keeps the current value
    vcOn,        // a missing key means on
    vcOff,       // a missing key means off
    vcZero,      // a missing key means 0
    vcPositive,  // steps are what loops advance by: 0 or less keeps the current value
    vcDrawType,  // the low 8 bits: 0 points, 1 lines, 2 surface; the others draw no mesh
    vcEdge,      // read in pairs by ReadEdges
};

// One view key: reading and writing both follow the table, so a key cannot be
// spelt, ordered or checked differently on the two paths.
template <typename TView>
struct TViewKey {
    const char* Section;
    const char* Name;
    std::variant<bool TView::*, TUnits TView::*, std::int32_t TView::*, double TView::*> Member;
    TViewCheck Check = TViewCheck::vcCurrent;
};

// Sections and keys in the order a document holds them.
constexpr TViewKey<TView2D> View2DKeys[] = {
    {Global, "Uniform", &TView2D::Uniform, TViewCheck::vcOn},
    {Global, "Full grid", &TView2D::FullGrid, TViewCheck::vcOn},
    {Global, "Labels", &TView2D::Labels, TViewCheck::vcOn},
    {"Grid", "UnitsX", &TView2D::UnitsX},
    {"Grid", "UnitsY", &TView2D::UnitsY},
    {"Grid", "GranularityX", &TView2D::GranularityX, TViewCheck::vcPositive},
    {"Grid", "GranularityY", &TView2D::GranularityY, TViewCheck::vcPositive},
    {"View", "Left", &TView2D::Left, TViewCheck::vcEdge},
    {"View", "Right", &TView2D::Right, TViewCheck::vcEdge},
    {"View", "Top", &TView2D::Top, TViewCheck::vcEdge},
    {"View", "Bottom", &TView2D::Bottom, TViewCheck::vcEdge},
};

constexpr TViewKey<TView3D> View3DKeys[] = {
    {"View", "AngleX", &TView3D::AngleX},
    {"View", "AngleY", &TView3D::AngleY},
    // Any finite distance, as the view dialog takes it (text that is no
    // finite number reads as missing): at 0 or below the eye sits at or
    // behind its target, and the wheel brings it back to its floor.
    {"View", "Distance", &TView3D::Distance},
    {"View", "DrawType", &TView3D::DrawType, TViewCheck::vcDrawType},
    {"View", "Smooth", &TView3D::Smooth},
    {"View", "Axes", &TView3D::Axes},
    {"View", "Normals", &TView3D::Normals},
    {"View", "Labels", &TView3D::Labels, TViewCheck::vcOff},
    {"View", "ColorMode", &TView3D::ColorMode, TViewCheck::vcZero},
    {"View", "ColorMap", &TView3D::ColorMap, TViewCheck::vcZero},
    {"View", "Contours", &TView3D::Contours, TViewCheck::vcZero},
    {"View", "ContourCount", &TView3D::ContourCount, TViewCheck::vcZero},
    {"View", "ScaledBox", &TView3D::ScaledBox, TViewCheck::vcOff},
    {"View", "BoxRatioX", &TView3D::BoxRatioX, TViewCheck::vcPositive},
    {"View", "BoxRatioY", &TView3D::BoxRatioY, TViewCheck::vcPositive},
    {"View", "BoxRatioZ", &TView3D::BoxRatioZ, TViewCheck::vcPositive},
    {"View", "ScreenLabels", &TView3D::ScreenLabels, TViewCheck::vcOff},
};

bool Accepts(TViewCheck check, double v) {
    switch (check) {
        case TViewCheck::vcPositive: return v > 0;
        default: return true;
    }
}

template <typename TView, std::size_t N>
void WriteViewKeys(TIniFile& ini, const TViewKey<TView> (&keys)[N], const TView& view) {
    for (const TViewKey<TView>& key : keys) {
        std::visit(
            [&](auto member) {
                const auto& value = view.*member;
                using T = std::remove_cvref_t<decltype(value)>;
                // A key whose absence means 0 is left out at 0, so a document
                // that does not use it saves as it did before the key existed.
                if constexpr (std::is_integral_v<T>)
                    if (key.Check == TViewCheck::vcZero && value == 0) return;
                if constexpr (std::is_same_v<T, bool>)
                    ini.WriteBool(key.Section, key.Name, value);
                else if constexpr (std::is_enum_v<T>)
                    ini.WriteInteger(key.Section, key.Name, static_cast<std::int32_t>(value));
                else if constexpr (std::is_integral_v<T>)
                    ini.WriteInteger(key.Section, key.Name, value);
                else
                    ini.WriteFloat(key.Section, key.Name, value);
            },
            key.Member);
    }
}

// Reads every key but the edges, which come in pairs (ReadEdges).
template <typename TView, std::size_t N>
void ReadViewKeys(const TIniFile& ini, const TViewKey<TView> (&keys)[N], TView& view) {
    for (const TViewKey<TView>& key : keys) {
        if (key.Check == TViewCheck::vcEdge) continue;
        std::visit(
            [&](auto member) {
                auto& value = view.*member;
                using T = std::remove_reference_t<decltype(value)>;
                if constexpr (std::is_same_v<T, bool>) {
                    bool missing = value;
                    if (key.Check == TViewCheck::vcOn) missing = true;
                    if (key.Check == TViewCheck::vcOff) missing = false;
                    value = ini.ReadBool(key.Section, key.Name, missing);
                } else if constexpr (std::is_same_v<T, TUnits>) {
                    // Units outside the known ones keep the current value.
                    const std::int32_t v = ini.ReadInteger(key.Section, key.Name, static_cast<std::int32_t>(value));
                    if (IsUnitsNumber(v)) value = static_cast<TUnits>(v);
                } else if constexpr (std::is_integral_v<T>) {
                    std::int32_t v = ini.ReadInteger(key.Section, key.Name,
                                                     key.Check == TViewCheck::vcZero ? 0 : value);
                    if (key.Check == TViewCheck::vcDrawType) v &= 0xFF;
                    if (std::in_range<T>(v) && Accepts(key.Check, v)) value = static_cast<T>(v);
                } else {
                    const double v = ini.ReadFloat(key.Section, key.Name, value);
                    if (Accepts(key.Check, v)) value = v;
                }
            },
            key.Member);
    }
}

// An edge pair the plot can map: ordered, and a span that is itself a finite
// number (-1e308 .. 1e308 is not). A pair that is not falls back to the
// default pair, as a missing one does.
void ReadEdges(const TIniFile& ini, const char* low, const char* high, double& lowValue, double& highValue) {
    constexpr double DefaultLow = -10;
    constexpr double DefaultHigh = 10;
    lowValue = ini.ReadFloat("View", low, DefaultLow);
    highValue = ini.ReadFloat("View", high, DefaultHigh);
    if (!(lowValue < highValue && std::isfinite(highValue - lowValue))) {
        lowValue = DefaultLow;
        highValue = DefaultHigh;
    }
}

}  // namespace

void SaveView2D(TIniFile& ini, const TView2D& view) { WriteViewKeys(ini, View2DKeys, view); }

void LoadView2D(const TIniFile& ini, TView2D& view) {
    const TView2D current = view;
    ReadViewKeys(ini, View2DKeys, view);
    // New units bring their own grid step unless the file gives one.
    if (view.UnitsX != current.UnitsX && !ini.ValueExists("Grid", "GranularityX"))
        view.GranularityX = UnitsGranularity(view.UnitsX);
    if (view.UnitsY != current.UnitsY && !ini.ValueExists("Grid", "GranularityY"))
        view.GranularityY = UnitsGranularity(view.UnitsY);
    ReadEdges(ini, "Left", "Right", view.Left, view.Right);
    ReadEdges(ini, "Bottom", "Top", view.Bottom, view.Top);
}

void SaveView3D(TIniFile& ini, const TView3D& view) { WriteViewKeys(ini, View3DKeys, view); }

void LoadView3D(const TIniFile& ini, TView3D& view) { ReadViewKeys(ini, View3DKeys, view); }

TGraphDocument TGraphDocument::WithoutVisibleArea() const {
    TGraphDocument content = *this;
    content.TakeVisibleArea(TGraphDocument());
    return content;
}

void TGraphDocument::TakeVisibleArea(const TGraphDocument& view) {
    View2D.Left = view.View2D.Left;
    View2D.Right = view.View2D.Right;
    View2D.Top = view.View2D.Top;
    View2D.Bottom = view.View2D.Bottom;
    View3D.AngleX = view.View3D.AngleX;
    View3D.AngleY = view.View3D.AngleY;
    View3D.Distance = view.View3D.Distance;
}

void TGraphDocument::SaveToIni(TIniFile& ini) const {
    SaveFunctions(ini, Functions, FuncActive, WindowType);
    if (WindowType == TWindowType::wt3D)
        SaveView3D(ini, View3D);
    else
        SaveView2D(ini, View2D);
    SaveParameters(ini, Parameters);
    if (WindowType == TWindowType::wt2D) SaveDataSets(ini, DataSets);
}

std::vector<std::string> TGraphDocument::LoadFromIni(const TIniFile& ini) {
    TParameterList parameters;
    std::vector<std::string> notes = LoadParameters(ini, parameters);
    const std::int32_t type = ReadWindowType(ini);
    if (type == 0 || type == 1) WindowType = static_cast<TWindowType>(type);
    LoadFunctions(ini, Functions, FuncActive, WindowType == TWindowType::wt3D);
    if (WindowType == TWindowType::wt3D)
        LoadView3D(ini, View3D);
    else
        LoadView2D(ini, View2D);
    Parameters = std::move(parameters);
    if (WindowType == TWindowType::wt2D) {
        std::vector<std::string> dataNotes = LoadDataSets(ini, DataSets);
        notes.insert(notes.end(), dataNotes.begin(), dataNotes.end());
    } else {
        DataSets.clear();
    }
    return notes;
}

void TGraphDocument::SaveToFile(const std::string& path) const {
    // The keys go into the old file's text, so sections of a longer earlier
    // document and keys this version does not know survive. An old file that
    // cannot be read is left alone rather than replaced by a partial copy.
    std::unique_ptr<TIniFile> ini;
    try {
        ini = std::make_unique<TIniFile>(path);
    } catch (const EFileError&) {
        throw EFileError("Unable to write to " + path);
    }
    SaveToIni(*ini);
    ini->UpdateFile();
}

void TGraphDocument::LoadFromFile(const std::string& path) {
    TIniFile ini(path);
    if (!ini.FileExisted()) throw EFileError("Unable to read from " + path);
    LoadFromIni(ini);
}

}  // namespace curvane

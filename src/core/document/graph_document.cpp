// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/document/graph_document.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

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
        ini.WriteInteger(s, "Width", f.Width);
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
        f.Width = std::clamp(ini.ReadInteger(s, "Width", 1), MinWidth, MaxWidth);
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
        loaded.Add(std::move(f));
    }
    for (int i = 0; i < loaded.Count(); ++i) list.Add(*loaded.Items(i));
    return true;
}

std::int32_t ReadWindowType(const TIniFile& ini) { return ini.ReadInteger(Global, "Window type", 0); }

void SaveView2D(TIniFile& ini, const TView2D& view) {
    ini.WriteBool(Global, "Uniform", view.Uniform);
    ini.WriteBool(Global, "Full grid", view.FullGrid);
    ini.WriteBool(Global, "Labels", view.Labels);
    ini.WriteInteger("Grid", "UnitsX", static_cast<std::int32_t>(view.UnitsX));
    ini.WriteInteger("Grid", "UnitsY", static_cast<std::int32_t>(view.UnitsY));
    ini.WriteFloat("Grid", "GranularityX", view.GranularityX);
    ini.WriteFloat("Grid", "GranularityY", view.GranularityY);
    ini.WriteFloat("View", "Left", view.Left);
    ini.WriteFloat("View", "Right", view.Right);
    ini.WriteFloat("View", "Top", view.Top);
    ini.WriteFloat("View", "Bottom", view.Bottom);
}

namespace {

TUnits ReadUnits(const TIniFile& ini, const char* key, TUnits current) {
    const std::int32_t v = ini.ReadInteger("Grid", key, static_cast<std::int32_t>(current));
    return IsUnitsNumber(v) ? static_cast<TUnits>(v) : current;
}

// An edge pair the plot can map: ordered, and a span that is itself a finite
// number (-1e308 .. 1e308 is not).
bool UsablePair(double low, double high) { return low < high && std::isfinite(high - low); }

}  // namespace

void LoadView2D(const TIniFile& ini, TView2D& view) {
    view.Uniform = ini.ReadBool(Global, "Uniform", true);
    view.FullGrid = ini.ReadBool(Global, "Full grid", true);
    view.Labels = ini.ReadBool(Global, "Labels", true);
    view.UnitsX = ReadUnits(ini, "UnitsX", view.UnitsX);
    view.UnitsY = ReadUnits(ini, "UnitsY", view.UnitsY);
    view.GranularityX = ReadPositive(ini, "Grid", "GranularityX", view.GranularityX);
    view.GranularityY = ReadPositive(ini, "Grid", "GranularityY", view.GranularityY);
    const TView2D defaults;
    view.Left = ini.ReadFloat("View", "Left", defaults.Left);
    view.Right = ini.ReadFloat("View", "Right", defaults.Right);
    view.Top = ini.ReadFloat("View", "Top", defaults.Top);
    view.Bottom = ini.ReadFloat("View", "Bottom", defaults.Bottom);
    if (!UsablePair(view.Left, view.Right)) {
        view.Left = defaults.Left;
        view.Right = defaults.Right;
    }
    if (!UsablePair(view.Bottom, view.Top)) {
        view.Bottom = defaults.Bottom;
        view.Top = defaults.Top;
    }
}

void SaveView3D(TIniFile& ini, const TView3D& view) {
    ini.WriteFloat("View", "AngleX", view.AngleX);
    ini.WriteFloat("View", "AngleY", view.AngleY);
    ini.WriteFloat("View", "Distance", view.Distance);
    ini.WriteInteger("View", "DrawType", view.DrawType);
    ini.WriteBool("View", "Smooth", view.Smooth);
    ini.WriteBool("View", "Axes", view.Axes);
    ini.WriteBool("View", "Normals", view.Normals);
    ini.WriteBool("View", "Labels", view.Labels);
}

void LoadView3D(const TIniFile& ini, TView3D& view) {
    view.AngleX = ini.ReadFloat("View", "AngleX", view.AngleX);
    view.AngleY = ini.ReadFloat("View", "AngleY", view.AngleY);
    view.Distance = ReadPositive(ini, "View", "Distance", view.Distance);
    const std::int32_t drawType = ini.ReadInteger("View", "DrawType", view.DrawType);
    if (drawType >= 0 && drawType <= 2) view.DrawType = drawType;
    view.Smooth = ini.ReadBool("View", "Smooth", view.Smooth);
    view.Axes = ini.ReadBool("View", "Axes", view.Axes);
    view.Normals = ini.ReadBool("View", "Normals", view.Normals);
    view.Labels = ini.ReadBool("View", "Labels", false);
}

void TGraphDocument::SaveToIni(TIniFile& ini) const {
    SaveFunctions(ini, Functions, FuncActive, WindowType);
    if (WindowType == TWindowType::wt3D)
        SaveView3D(ini, View3D);
    else
        SaveView2D(ini, View2D);
}

void TGraphDocument::LoadFromIni(const TIniFile& ini) {
    const std::int32_t type = ReadWindowType(ini);
    if (type == 0 || type == 1) WindowType = static_cast<TWindowType>(type);
    LoadFunctions(ini, Functions, FuncActive, WindowType == TWindowType::wt3D);
    if (WindowType == TWindowType::wt3D)
        LoadView3D(ini, View3D);
    else
        LoadView2D(ini, View2D);
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

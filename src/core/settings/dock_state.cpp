// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/dock_state.h"

#include "core/support/ini_file.h"

namespace curvane {

TDockState DefaultFuncExplorerDockState() {
    TDockState s;
    s.DockedTo = RightDockPanelName;
    s.DockWidth = 220;
    s.DockedWidth = 220;
    return s;
}

TDockState DefaultLogWindowDockState() {
    TDockState s;
    s.DockedTo = BottomDockPanelName;
    s.DockHeight = 120;
    s.DockedWidth = 120;
    s.UnDockWidth = 480;
    s.UnDockHeight = 200;
    return s;
}

TDockState DefaultParametersDockState() {
    TDockState s;
    s.DockedTo = RightDockPanelName;
    s.DockWidth = 240;
    s.DockHeight = 320;
    s.DockedWidth = 240;
    s.UnDockWidth = 300;
    s.UnDockHeight = 360;
    return s;
}

void SaveDockState(const TDockState& state, TIniFile& ini, const std::string& section) {
    ini.WriteInteger(section, "DockLeft", state.DockLeft);
    ini.WriteInteger(section, "DockTop", state.DockTop);
    ini.WriteInteger(section, "DockWidth", state.DockWidth);
    ini.WriteInteger(section, "DockHeight", state.DockHeight);
    ini.WriteInteger(section, "UndockLeft", state.UndockLeft);
    ini.WriteInteger(section, "UndockTop", state.UndockTop);
    ini.WriteInteger(section, "UnDockWidth", state.UnDockWidth);
    ini.WriteInteger(section, "UnDockHeight", state.UnDockHeight);
    ini.WriteBool(section, "Visible", state.Visible);
    ini.WriteBool(section, "Floating", state.Floating);
    const bool docked = !state.DockedTo.empty();
    ini.WriteString(section, "DockedTo", state.DockedTo);
    ini.WriteInteger(section, "DockedWidth", docked ? state.DockedWidth : 0);
    ini.WriteInteger(section, "Orientation", state.Orientation);
}

void LoadDockState(TDockState& state, const TIniFile& ini, const std::string& section) {
    state.DockLeft = ini.ReadInteger(section, "DockLeft", state.DockLeft);
    state.DockTop = ini.ReadInteger(section, "DockTop", state.DockTop);
    state.DockWidth = ini.ReadInteger(section, "DockWidth", state.DockWidth);
    state.DockHeight = ini.ReadInteger(section, "DockHeight", state.DockHeight);
    state.UndockLeft = ini.ReadInteger(section, "UndockLeft", state.UndockLeft);
    state.UndockTop = ini.ReadInteger(section, "UndockTop", state.UndockTop);
    state.UnDockWidth = ini.ReadInteger(section, "UnDockWidth", state.UnDockWidth);
    state.UnDockHeight = ini.ReadInteger(section, "UnDockHeight", state.UnDockHeight);
    state.Visible = ini.ReadBool(section, "Visible", state.Visible);
    state.Floating = ini.ReadBool(section, "Floating", state.Floating);
    state.DockedTo = ini.ReadString(section, "DockedTo", state.DockedTo);
    state.DockedWidth = ini.ReadInteger(section, "DockedWidth", state.DockedWidth);
    const std::int32_t orientation = ini.ReadInteger(section, "Orientation", state.Orientation);
    if (orientation >= 0 && orientation <= 2) state.Orientation = static_cast<std::uint8_t>(orientation);
}

}  // namespace curvane

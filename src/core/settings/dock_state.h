// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace curvane {

class TIniFile;

// Names of the four dock panels along the main window's edges. A dock-state
// record refers to its panel by one of these names.
inline constexpr const char* LeftDockPanelName = "LeftDockPanel";
inline constexpr const char* RightDockPanelName = "RightDockPanel";
inline constexpr const char* TopDockPanelName = "TopDockPanel";
inline constexpr const char* BottomDockPanelName = "BottomDockPanel";

// How a tool window sits in its panel: below the panel's last window (0 and 1,
// which differ in which docked sizes are remembered) or to its right (2).
enum class TDockOrientation : std::uint8_t { doBelow = 0, doBoth = 1, doRight = 2 };

// Where one tool window was, docked or floating, and whether it was shown.
struct TDockState {
    int DockLeft = 0;
    int DockTop = 0;
    int DockWidth = 200;
    int DockHeight = 150;
    int UndockLeft = 100;
    int UndockTop = 100;
    int UnDockWidth = 260;
    int UnDockHeight = 320;
    std::string DockedTo;  // panel name, empty when floating
    int DockedWidth = 0;   // the panel's width (left/right) or height (top/bottom)
    bool Visible = false;
    bool Floating = false;
    std::uint8_t Orientation = 0;

    bool operator==(const TDockState&) const = default;
};

TDockState DefaultFuncExplorerDockState();  // docked right, not shown
TDockState DefaultLogWindowDockState();     // docked at the bottom, not shown
TDockState DefaultParametersDockState();    // docked right, below the explorer, not shown

// Writes every key of the record; "DockedWidth" is 0 unless docked.
void SaveDockState(const TDockState& state, TIniFile& ini, const std::string& section);
// Reads every key with the record's current value as the fallback. An
// orientation outside 0..2 keeps the current one; DockedTo is taken as stored
// and resolved to a panel by the window that owns the record.
void LoadDockState(TDockState& state, const TIniFile& ini, const std::string& section);

}  // namespace curvane

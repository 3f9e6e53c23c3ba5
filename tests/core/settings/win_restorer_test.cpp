// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/win_restorer.h"

#include <gtest/gtest.h>

#include "core/settings/dock_state.h"
#include "core/support/exceptions.h"
#include "core/support/ini_file.h"

namespace curvane {
namespace {

using enum TRestoreAspect;
using enum TWinState;

const TRestoreAspects All{raSize, raLocation, raState};

TEST(WinRestorer, RestoreReadsOnlyTheChosenAspects) {
    EXPECT_THROW(TWinRestorer({raSize, raDefault}), Exception);  // the default set may not hold raDefault
    const TWinRestorer restorer({raLocation});
    const auto ini = TIniFile::FromText("[WindowsRestorer]\nTfrmMain_Left=10\nTfrmMain_Top=20\nTfrmMain_Width=640\n"
                                        "TfrmMain_Height=480\nTfrmMain_WindowState=2\nTfrmView_Left=99\n");
    const TWinPlacement start{1, 2, 3, 4, wsMaximized};
    const std::pair<TRestoreAspects, TWinPlacement> rows[] = {
        {All, {10, 20, 640, 480, wsNormal}},
        {{raSize}, {1, 2, 640, 480, wsMaximized}},
        {{raState}, {1, 2, 3, 4, wsNormal}},
        {{raDefault}, {10, 20, 3, 4, wsMaximized}},  // the default set: location
    };
    for (const auto& [aspects, expected] : rows) {
        TWinPlacement p = start;
        restorer.Restore(ini, "TfrmMain", aspects, p);
        EXPECT_EQ(p, expected);
    }
}

TEST(WinRestorer, StoredStatesAndMissingKeys) {
    // Stored 1 minimised, 2 normal, 3 maximised; anything else keeps the
    // current state, and missing keys keep the current bounds.
    const std::pair<const char*, TWinState> rows[] = {{"1", wsMinimized}, {"2", wsNormal}, {"0", wsMaximized},
                                                      {"4", wsMaximized}, {"max", wsMaximized}};
    const TWinRestorer restorer(All);
    for (const auto& [stored, expected] : rows) {
        SCOPED_TRACE(stored);
        TWinPlacement p{5, 6, 7, 8, wsMaximized};
        restorer.Restore(TIniFile::FromText(std::string("[WindowsRestorer]\nTfrmMain_WindowState=") + stored),
                         "TfrmMain", {raDefault}, p);
        EXPECT_EQ(p, (TWinPlacement{5, 6, 7, 8, expected}));
    }
}

TEST(WinRestorer, MaximisedOrMinimisedWindowKeepsItsLastNormalBounds) {
    const TWinRestorer restorer(All);
    auto ini = TIniFile::FromText("");
    restorer.Save(ini, "TfrmMain", {raDefault}, {10, 20, 640, 480, wsNormal});
    restorer.Save(ini, "TfrmMain", {raDefault}, {0, 0, 1280, 1024, wsMaximized});
    TWinPlacement p;
    restorer.Restore(ini, "TfrmMain", All, p);
    EXPECT_EQ(p, (TWinPlacement{10, 20, 640, 480, wsMaximized}));
    restorer.Save(ini, "TfrmMain", All, {-5, -6, 300, 200, wsMinimized});
    // Saving the location only leaves size and state alone.
    restorer.Save(ini, "TfrmMain", {raLocation}, {7, 8, 1, 1, wsNormal});
    restorer.Restore(ini, "TfrmMain", All, p);
    EXPECT_EQ(p, (TWinPlacement{7, 8, 640, 480, wsMinimized}));
}

TEST(DockStateIni, EveryKeyRoundTripsAndBadValuesKeepDefaults) {
    const TDockState s{3, -4, 250, 90, 600, 70, 321, 123, LeftDockPanelName, 251, true, false, 2};
    auto ini = TIniFile::FromText("");
    SaveDockState(s, ini, "Function explorer");
    EXPECT_EQ(ini.ReadSection("Function explorer"),
              (std::vector<std::string>{"DockLeft", "DockTop", "DockWidth", "DockHeight", "UndockLeft", "UndockTop",
                                        "UnDockWidth", "UnDockHeight", "Visible", "Floating", "DockedTo",
                                        "DockedWidth", "Orientation"}));
    TDockState back = DefaultLogWindowDockState();
    LoadDockState(back, TIniFile::FromText(ini.Text()), "Function explorer");
    EXPECT_EQ(back, s);

    // Unknown panels are resolved, and refused, by the window.
    TDockState bad = DefaultLogWindowDockState(), expected = bad;
    expected.Visible = true;
    expected.DockedTo = "NoSuchPanel";
    LoadDockState(bad, TIniFile::FromText("[Log]\nOrientation=7\nDockWidth=wide\nVisible=1\nDockedTo=NoSuchPanel\n"),
                  "Log");
    EXPECT_EQ(bad, expected);
}

}  // namespace
}  // namespace curvane

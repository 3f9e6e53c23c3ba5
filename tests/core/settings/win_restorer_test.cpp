#include "core/settings/win_restorer.h"

#include <gtest/gtest.h>

#include "core/settings/dock_state.h"
#include "core/support/exceptions.h"
#include "core/support/ini_file.h"

namespace curvane {
namespace {

using enum TRestoreAspect;

const TRestoreAspects All{raSize, raLocation, raState};

TEST(WinRestorer, DefaultSetMayNotContainTheDefaultMember) {
    EXPECT_THROW(TWinRestorer({raSize, raDefault}), Exception);
    EXPECT_NO_THROW(TWinRestorer({}));
    TWinRestorer r({raLocation});
    EXPECT_EQ(r.Resolve({raDefault}), TRestoreAspects{raLocation});
    EXPECT_EQ(r.Resolve({raDefault, raState}), (TRestoreAspects{raLocation, raState}));
    EXPECT_EQ(r.Resolve({raSize}), TRestoreAspects{raSize});
}

TEST(WinRestorer, RestoreReadsOnlyTheChosenAspects) {
    const char* file =
        "[WindowsRestorer]\nTfrmMain_Left=10\nTfrmMain_Top=20\nTfrmMain_Width=640\nTfrmMain_Height=480\n"
        "TfrmMain_WindowState=2\n";
    const TWinPlacement start{1, 2, 3, 4, TWinState::wsMaximized};
    struct Row {
        const char* why;
        TRestoreAspects aspects;
        TWinPlacement expected;
    };
    const Row rows[] = {
        {"all", All, {10, 20, 640, 480, TWinState::wsNormal}},
        {"size", {raSize}, {1, 2, 640, 480, TWinState::wsMaximized}},
        {"location", {raLocation}, {10, 20, 3, 4, TWinState::wsMaximized}},
        {"state", {raState}, {1, 2, 3, 4, TWinState::wsNormal}},
        {"default member = location", {raDefault}, {10, 20, 3, 4, TWinState::wsMaximized}},
        {"nothing", {}, start},
    };
    TWinRestorer restorer({raLocation});
    const auto ini = TIniFile::FromText(file);
    for (const auto& r : rows) {
        SCOPED_TRACE(r.why);
        TWinPlacement p = start;
        restorer.Restore(ini, "TfrmMain", r.aspects, p);
        EXPECT_EQ(p, r.expected);
    }
}

TEST(WinRestorer, StoredStatesAndMissingKeys) {
    struct Row {
        const char* stateValue;
        TWinState expected;
    };
    const Row rows[] = {{"1", TWinState::wsMinimized}, {"2", TWinState::wsNormal}, {"3", TWinState::wsMaximized},
                        {"0", TWinState::wsMaximized}, {"4", TWinState::wsMaximized}, {"-1", TWinState::wsMaximized},
                        {"max", TWinState::wsMaximized}};
    TWinRestorer restorer(All);
    for (const auto& r : rows) {
        SCOPED_TRACE(r.stateValue);
        auto ini = TIniFile::FromText(std::string("[WindowsRestorer]\nTfrmMain_WindowState=") + r.stateValue + "\n");
        TWinPlacement p{5, 6, 7, 8, TWinState::wsMaximized};
        restorer.Restore(ini, "TfrmMain", {raDefault}, p);
        EXPECT_EQ(p, (TWinPlacement{5, 6, 7, 8, r.expected})) << "missing keys keep the current bounds";
    }
    // Another class's keys are not ours.
    auto ini = TIniFile::FromText("[WindowsRestorer]\nTfrmView_Left=99\n");
    TWinPlacement p{5, 6, 7, 8, TWinState::wsNormal};
    restorer.Restore(ini, "TfrmMain", All, p);
    EXPECT_EQ(p.Left, 5);
}

TEST(WinRestorer, MaximisedOrMinimisedWindowKeepsItsLastNormalBounds) {
    TWinRestorer restorer(All);
    auto ini = TIniFile::FromText("");
    restorer.Save(ini, "TfrmMain", {raDefault}, {10, 20, 640, 480, TWinState::wsNormal});
    restorer.Save(ini, "TfrmMain", {raDefault}, {0, 0, 1280, 1024, TWinState::wsMaximized});
    TWinPlacement p;
    restorer.Restore(ini, "TfrmMain", All, p);
    EXPECT_EQ(p, (TWinPlacement{10, 20, 640, 480, TWinState::wsMaximized}));
    EXPECT_EQ(ini.ReadInteger("WindowsRestorer", "TfrmMain_WindowState", 0), 3);

    restorer.Save(ini, "TfrmMain", All, {-5, -6, 300, 200, TWinState::wsMinimized});
    EXPECT_EQ(ini.ReadInteger("WindowsRestorer", "TfrmMain_WindowState", 0), 1);
    EXPECT_EQ(ini.ReadInteger("WindowsRestorer", "TfrmMain_Width", 0), 640);

    // Saving the location only leaves size and state alone.
    restorer.Save(ini, "TfrmMain", {raLocation}, {7, 8, 1, 1, TWinState::wsNormal});
    restorer.Restore(ini, "TfrmMain", All, p);
    EXPECT_EQ(p, (TWinPlacement{7, 8, 640, 480, TWinState::wsMinimized}));
}

TEST(DockStateIni, EveryKeyRoundTrips) {
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
}

TEST(DockStateIni, FloatingRecordStoresNoPanelWidthAndBadValuesKeepDefaults) {
    TDockState floating = DefaultFuncExplorerDockState();
    floating.DockedTo.clear();
    floating.Floating = true;
    floating.DockedWidth = 300;
    auto ini = TIniFile::FromText("");
    SaveDockState(floating, ini, "Log window");
    EXPECT_EQ(ini.ReadString("Log window", "DockedTo", "?"), "");
    EXPECT_EQ(ini.ReadInteger("Log window", "DockedWidth", -1), 0);

    auto bad = TIniFile::FromText(
        "[Log window]\nOrientation=7\nDockWidth=wide\nVisible=1\nDockedTo=NoSuchPanel\n[Function explorer]\n");
    TDockState s = DefaultLogWindowDockState();
    LoadDockState(s, bad, "Log window");
    EXPECT_EQ(s.Orientation, 0);
    EXPECT_EQ(s.DockWidth, DefaultLogWindowDockState().DockWidth);
    EXPECT_TRUE(s.Visible);
    EXPECT_EQ(s.DockedTo, "NoSuchPanel") << "resolved, and refused, by the window";

    // An empty section changes nothing.
    TDockState e = DefaultFuncExplorerDockState();
    LoadDockState(e, bad, "Function explorer");
    EXPECT_EQ(e, DefaultFuncExplorerDockState());
}

}  // namespace
}  // namespace curvane

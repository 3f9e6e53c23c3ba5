// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "core/core_test_helpers.h"
#include "core/support/exceptions.h"
#include "core/support/ini_file.h"

namespace curvane {
namespace {

class SettingsFiles : public ::testing::Test, protected test::TTempDir {};

TEST(Settings, DefaultsAndExactFileLayout) {
    const TSettings s;
    auto ini = TIniFile::FromText("");
    SaveSettings(ini, s);
    EXPECT_EQ(ini.Text(),
              "[Global]\nSaveConfig=1\nFuncComboWidth=275\nForm view=0\n[2D window]\nWindowBackground=12632256\n"
              "IndicatorBackground=-16777211\nAxisColor=8421504\nGridColor=-16777208\nPeriodColor=32768\nFullGrid=0\n"
              "Labels=1\nUniform=1\nUnitsX=0\nUnitsY=0\nGranularityX=1\nGranularityY=1\nAntialiasing=1\n"
              "PointsOfInterest=0\n[3D window]\nX1=-10\nX2=10\n"
              "Y1=-10\nY2=10\nZ1=-10\nZ2=10\nStepX=1\nStepY=1\nStepZ=1\nUnitsX=0\nUnitsY=0\nUnitsZ=0\nGranularityX=1\n"
              "GranularityY=1\nGranularityZ=1\nWindow Background=-16777211\nGridColor=8421504\nAxesColor=65535\n"
              "LabelsColor=-16777208\nAxes=1\nAxesLabels=1\nGrid=1\nSurface=0\nSmooth=1\n"
              "ColorMode=0\nColorMap=0\nContours=0\nContourCount=0\nScaledBox=1\nScreenLabels=1\nBoxRatioX=1\n"
              "BoxRatioY=1\nBoxRatioZ=1\n[Font]\nName=MS Sans serif\n"
              "Size=8\nColor=-16777208\nStyle=\n[GridFont]\nName=Terminal\nSize=9\nColor=-16777208\nStyle=BOLD\n");
}

TEST(Settings, RoundTripExceptTheZUnit) {
    const TSettings s{false, 65535, true,
                      {1, 2, 3, 4, 5, true, false, false, TUnits::uDegrees, TUnits::uRadians, 0.1 + 0.2,
                       3.141592653589793, false, true},
                      {-1.5, 10, -10, 10, -10, 1e-7, 1, 0.3, 1, TUnits::uRadians, TUnits::uDegrees, TUnits::uDegrees, 1,
                       1, 2.5, 0, 1, -16777201, 3, false, true, false, true, false, 1, 4, 3, 12},
                      {"DejaVu Sans", 12, 0x112233, false, true, true, false},
                      {"Courier New", 10, 0, true, true, true, true}};
    auto ini = TIniFile::FromText("");
    SaveSettings(ini, s);
    TSettings back;
    LoadSettings(ini, back);
    EXPECT_EQ(back.Window3D.UnitsZ, TUnits::uDimensionless);  // written, never read
    back.Window3D.UnitsZ = TUnits::uDegrees;
    EXPECT_EQ(back, s);
}

TEST(Settings, UnusableValuesKeepTheCurrentOnes) {
    const auto ini = TIniFile::FromText(
        "[Global]\nFuncComboWidth=70000\nSaveConfig=yes\n"
        "[2D window]\nUnitsX=3\nUnitsY=-1\nGranularityX=0\nGranularityY=-2\nAxisColor=0xFF000005\n"
        "[3D window]\nX1=5\nX2=5\nY1=1e400\nY2=3\nZ1=-1\nZ2=1\nStepX=0\nStepZ=nan\n"
        "[Font]\nName=\nSize=0\nStyle=STRIKEOUTUNDERLINE\n"
        "[GridFont]\nName=" + std::string(300, 'n') + "\nSize=100000\n");
    TSettings s;
    LoadSettings(ini, s);
    // Everything else keeps its default: the empty X range is refused as a
    // pair, and the grid font keeps its style when no Style key is given.
    TSettings expected;
    expected.Window2D.AxisColor = clSysWindow;  // hexadecimal colours are accepted
    expected.Window3D.Y2 = 3;                   // 1e400 unreadable, its partner still read
    expected.Window3D.Z1 = -1;
    expected.Window3D.Z2 = 1;
    expected.GridFont.Name = std::string(255, 'n');
    expected.Font.Underline = expected.Font.StrikeOut = true;  // style words may run together
    EXPECT_EQ(s, expected);
}

TEST_F(SettingsFiles, SaveKeepsOtherSectionsAndRespectsTheExitSwitch) {
    const std::string path = File("sub/dir/curvane.ini");  // folder created on saving
    TSettings s;
    EXPECT_TRUE(SaveSettingsOnExit(path, s));
    test::WriteAll(path, test::ReadAll(path) + "[MRUFiles]\nFile1=/tmp/a.gfx\n");
    s.Window2D.FullGrid = true;
    SaveSettingsFile(path, s);
    TSettings back;
    LoadSettingsFile(path, back);
    EXPECT_TRUE(back.Window2D.FullGrid);
    EXPECT_EQ(TIniFile(path).ReadString("MRUFiles", "File1", ""), "/tmp/a.gfx");

    const std::string before = test::ReadAll(path);
    s.SaveConfig = false;
    s.Window2D.FullGrid = false;
    EXPECT_FALSE(SaveSettingsOnExit(path, s));
    EXPECT_EQ(test::ReadAll(path), before);
    LoadSettingsFile(File("missing.ini"), back);  // leaves every value as it is
    EXPECT_TRUE(back.Window2D.FullGrid);
}

TEST_F(SettingsFiles, FileBesideTheProgramOrInTheConfigFolder) {
    std::filesystem::create_directories(File("bin"));
    EXPECT_EQ(SettingsFilePath(File("bin/curvane")), File("bin/curvane.ini"));
    // A folder that cannot be written (here: one that does not exist, which
    // holds for root as well) sends the file to the configuration folder:
    // $XDG_CONFIG_HOME only when it is absolute, else $HOME/.config.
    const std::string elsewhere = File("gone/curvane");
    const char* const names[] = {"XDG_CONFIG_HOME", "HOME"};
    std::optional<std::string> saved[2];
    for (int i = 0; i < 2; ++i)
        if (const char* v = std::getenv(names[i])) saved[i] = v;
    ::setenv("XDG_CONFIG_HOME", File("cfg").c_str(), 1);
    EXPECT_EQ(SettingsFilePath(elsewhere), File("cfg/curvane/curvane.ini"));
    ::setenv("XDG_CONFIG_HOME", "relative/path", 1);
    ::setenv("HOME", File("home").c_str(), 1);
    EXPECT_EQ(SettingsFilePath(elsewhere), File("home/.config/curvane/curvane.ini"));
    for (int i = 0; i < 2; ++i) saved[i] ? ::setenv(names[i], saved[i]->c_str(), 1) : ::unsetenv(names[i]);
}

}  // namespace
}  // namespace curvane

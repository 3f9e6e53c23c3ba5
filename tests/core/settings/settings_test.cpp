#include "core/settings/settings.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/core_test_helpers.h"
#include "core/support/exceptions.h"
#include "core/support/ini_file.h"

namespace curvane {
namespace {

namespace fs = std::filesystem;

class SettingsFiles : public ::testing::Test, protected test::TTempDir {};

TEST(Settings, DefaultsAndExactFileLayout) {
    const TSettings s;
    auto ini = TIniFile::FromText("");
    SaveSettings(ini, s);
    EXPECT_EQ(ini.Text(),
              "[Global]\nSaveConfig=1\nFuncComboWidth=275\nForm view=0\n"
              "[2D window]\nWindowBackground=12632256\nIndicatorBackground=-16777211\nAxisColor=8421504\n"
              "GridColor=-16777208\nPeriodColor=32768\nFullGrid=0\nLabels=1\nUniform=1\nUnitsX=0\nUnitsY=0\n"
              "GranularityX=1\nGranularityY=1\n"
              "[3D window]\nX1=-10\nX2=10\nY1=-10\nY2=10\nZ1=-10\nZ2=10\nStepX=1\nStepY=1\nStepZ=1\n"
              "UnitsX=0\nUnitsY=0\nUnitsZ=0\nGranularityX=1\nGranularityY=1\nGranularityZ=1\n"
              "Window Background=-16777211\nGridColor=8421504\nAxesColor=65535\nLabelsColor=-16777208\n"
              "Axes=1\nAxesLabels=1\nGrid=1\nSurface=0\nSmooth=1\n"
              "[Font]\nName=MS Sans serif\nSize=8\nColor=-16777208\nStyle=\n"
              "[GridFont]\nName=Terminal\nSize=9\nColor=-16777208\nStyle=BOLD\n");
}

TEST(Settings, RoundTripExceptTheZUnit) {
    TSettings s;
    s.SaveConfig = false;
    s.FuncComboWidth = 65535;
    s.FormView = true;
    s.Window2D = {1, 2, 3, 4, 5, true, false, false, 2, 1, 0.1 + 0.2, 3.141592653589793};
    s.Window3D.X1 = -1.5;
    s.Window3D.Z2 = 1e-7;
    s.Window3D.StepY = 0.3;
    s.Window3D.UnitsX = 1;
    s.Window3D.UnitsY = 2;
    s.Window3D.UnitsZ = 2;
    s.Window3D.GranularityZ = 2.5;
    s.Window3D.AxesColor = -16777201;
    s.Window3D.Surface = true;
    s.Window3D.Smooth = false;
    s.Font = {"DejaVu Sans", 12, 0x112233, false, true, true, false};
    s.GridFont = {"Courier New", 10, 0, true, true, true, true};
    auto ini = TIniFile::FromText("");
    SaveSettings(ini, s);
    TSettings back;
    LoadSettings(ini, back);
    EXPECT_EQ(back.Window3D.UnitsZ, 0);  // written, never read
    back.Window3D.UnitsZ = 2;
    EXPECT_EQ(back, s);
}

TEST(Settings, FontStyleWords) {
    struct Row {
        const char* text;
        bool bold, italic, underline, strikeout;
    };
    const Row rows[] = {
        {"", false, false, false, false},
        {" ITALIC", false, true, false, false},
        {"ITALIC BOLD", true, true, false, false},
        {"STRIKEOUTUNDERLINE", false, false, true, true},
        {"bold", false, false, false, false},  // the words are upper case
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        TFontRecord f;
        f.Bold = true;
        ParseFontStyle(r.text, f);
        EXPECT_EQ(f.Bold, r.bold);
        EXPECT_EQ(f.Italic, r.italic);
        EXPECT_EQ(f.Underline, r.underline);
        EXPECT_EQ(f.StrikeOut, r.strikeout);
    }
    TFontRecord italic;
    italic.Italic = true;
    EXPECT_EQ(FontStyleText(italic), " ITALIC");
}

TEST(Settings, UnusableValuesKeepTheCurrentOnes) {
    const auto ini = TIniFile::FromText(
        "[Global]\nFuncComboWidth=70000\nSaveConfig=yes\n"
        "[2D window]\nUnitsX=3\nUnitsY=-1\nGranularityX=0\nGranularityY=-2\nAxisColor=0xFF000005\n"
        "[3D window]\nX1=5\nX2=5\nY1=1e400\nY2=3\nZ1=-1\nZ2=1\nStepX=0\nStepZ=nan\n"
        "[Font]\nName=\nSize=0\n"
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
    EXPECT_EQ(s, expected);
}

TEST_F(SettingsFiles, SaveKeepsOtherSectionsAndRespectsTheExitSwitch) {
    const std::string path = File("sub/dir/curvane.ini");  // folder created on saving
    TSettings s;
    EXPECT_TRUE(SaveSettingsOnExit(path, s));
    {
        TIniFile ini(path);
        ini.WriteString("MRUFiles", "File1", "/tmp/a.gfx");
        ini.UpdateFile();
    }
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

    TSettings untouched;
    LoadSettingsFile(File("missing.ini"), untouched);
    EXPECT_EQ(untouched, TSettings());
}

TEST_F(SettingsFiles, FileBesideTheProgramOrInTheConfigFolder) {
    const std::string exe = File("bin/curvane");
    fs::create_directories(File("bin"));
    EXPECT_EQ(SettingsFilePath(exe), File("bin/curvane.ini"));

    // A folder that cannot be written (here: one that does not exist, which
    // holds for root as well) sends the file to the configuration folder.
    const std::string elsewhere = File("gone/curvane");
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("XDG_CONFIG_HOME", File("cfg").c_str(), 1);
    EXPECT_EQ(SettingsFilePath(elsewhere), File("cfg/curvane/curvane.ini"));
    ::setenv("XDG_CONFIG_HOME", "relative/path", 1);
    ::setenv("HOME", File("home").c_str(), 1);
    EXPECT_EQ(SettingsFilePath(elsewhere), File("home/.config/curvane/curvane.ini"));
    if (old) ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", savedHome.c_str(), 1);
}

}  // namespace
}  // namespace curvane

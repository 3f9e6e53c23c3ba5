// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/installation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/core_test_helpers.h"
#include "core/settings/settings.h"

namespace curvane {
namespace {

namespace fs = std::filesystem;

class Installation : public ::testing::Test, protected test::TTempDir {
protected:
    void AddMenuEntry(const std::string& prefix) {
        fs::create_directories(File(prefix + "/share/applications"));
        std::ofstream(File(prefix + "/share/applications/org.curvane.Curvane.desktop")) << "[Desktop Entry]\n";
    }
};

TEST_F(Installation, MenuEntryBesideBinMakesAnInstalledCopy) {
    fs::create_directories(File("usr/bin"));
    fs::create_directories(File("build"));
    const std::string exe = File("usr/bin/curvane");
    // A build folder or unpacked archive: files stay beside the program.
    EXPECT_FALSE(IsInstalledCopy(exe));
    EXPECT_EQ(PortableFolder(exe), File("usr/bin"));

    AddMenuEntry("usr");
    EXPECT_TRUE(IsInstalledCopy(exe));
    EXPECT_TRUE(IsInstalledCopy(File("usr/bin/../bin/./curvane")));
    EXPECT_EQ(PortableFolder(exe), "");

    // The entry must sit beside a folder named bin: a build folder inside the
    // prefix is still a portable copy.
    AddMenuEntry(".");
    EXPECT_FALSE(IsInstalledCopy(File("build/curvane")));
    EXPECT_FALSE(IsInstalledCopy(File("usr/curvane")));

    // The installed copy's settings leave the writable bin folder.
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string restore = saved ? saved : "";
    ::setenv("XDG_CONFIG_HOME", File("cfg").c_str(), 1);
    EXPECT_EQ(SettingsFilePath(exe), File("cfg/curvane/curvane.ini"));
    EXPECT_EQ(SettingsFilePath(File("build/curvane")), File("build/curvane.ini"));
    saved ? ::setenv("XDG_CONFIG_HOME", restore.c_str(), 1) : ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace curvane

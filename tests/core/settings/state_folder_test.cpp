// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/state_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace curvane {
namespace {

TEST(StateFolder, RecoveryFollowsTheSettingsBesideTheProgramElseTheStateFolder) {
    const char* old = std::getenv("XDG_STATE_HOME");
    const std::string saved = old ? old : "";
    ::setenv("XDG_STATE_HOME", "/var/st", 1);
    const struct {
        const char *Why, *Settings, *Expected;
    } rows[] = {
        {"settings beside the program", "/opt/c/curvane.ini", "/opt/c/recovery"},
        {"another spelling of that folder", "/opt/c/./curvane.ini", "/opt/c/recovery"},
        {"settings in the config folder", "/home/u/.config/curvane/curvane.ini", "/var/st/curvane/recovery"},
        {"a sub-folder is not beside", "/opt/c/etc/curvane.ini", "/var/st/curvane/recovery"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Why);
        EXPECT_EQ(RecoveryFolderPath(row.Settings, "/opt/c//curvane"), row.Expected);
    }
    ::setenv("XDG_STATE_HOME", "relative/st", 1);  // invalid, so ignored
    if (const char* home = std::getenv("HOME"); home && *home) {
        EXPECT_EQ(StateFolderPath(), std::string(home) + "/.local/state/curvane");
    }
    old ? ::setenv("XDG_STATE_HOME", saved.c_str(), 1) : ::unsetenv("XDG_STATE_HOME");
}

}  // namespace
}  // namespace curvane

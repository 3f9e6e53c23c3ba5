#include "core/settings/state_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace curvane {
namespace {

// Sets an environment variable for one scope and puts the old value back.
class TEnvOverride {
public:
    TEnvOverride(const char* name, const char* value) : FName(name) {
        if (const char* old = std::getenv(name)) FOld = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~TEnvOverride() { FOld ? ::setenv(FName, FOld->c_str(), 1) : ::unsetenv(FName); }

private:
    const char* FName;
    std::optional<std::string> FOld;
};

TEST(StateFolder, RecoveryFollowsTheSettingsBesideTheProgramElseTheStateFolder) {
    TEnvOverride home("HOME", "/home/u");
    {
        TEnvOverride state("XDG_STATE_HOME", "/var/st");
        EXPECT_EQ(StateFolderPath(), "/var/st/curvane");
        const struct {
            const char *Why, *Settings, *Exe, *Expected;
        } rows[] = {
            {"settings beside the program", "/opt/c/curvane.ini", "/opt/c/curvane", "/opt/c/recovery"},
            {"another spelling of the same folder", "/opt/c/./curvane.ini", "/opt/c//curvane", "/opt/c/recovery"},
            {"settings in the config folder", "/home/u/.config/curvane/curvane.ini", "/opt/c/curvane",
             "/var/st/curvane/recovery"},
            {"a sub-folder is not beside", "/opt/c/etc/curvane.ini", "/opt/c/curvane", "/var/st/curvane/recovery"},
            {"no settings file", "", "/opt/c/curvane", "/var/st/curvane/recovery"},
        };
        for (const auto& row : rows) {
            SCOPED_TRACE(row.Why);
            EXPECT_EQ(RecoveryFolderPath(row.Settings, row.Exe), row.Expected);
        }
    }
    // A relative XDG_STATE_HOME is invalid and ignored, as an unset one.
    for (const char* state : {"relative/st", static_cast<const char*>(nullptr)}) {
        TEnvOverride override("XDG_STATE_HOME", state);
        EXPECT_EQ(StateFolderPath(), "/home/u/.local/state/curvane");
    }
}

}  // namespace
}  // namespace curvane

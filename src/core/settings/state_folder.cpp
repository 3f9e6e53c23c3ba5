// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/state_folder.h"

#include <cstdlib>
#include <filesystem>

namespace curvane {

namespace fs = std::filesystem;

namespace {

// The folder a file lives in, spelt so that two spellings of one folder
// ("a/./b", "a/b/") compare equal; a bare file name lives in ".".
fs::path FolderOf(const std::string& filePath) {
    fs::path folder = fs::path(filePath).parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    const fs::path absolute = fs::absolute(folder, ec);
    // Through a name inside it, so that a trailing separator goes too.
    return ((ec ? folder : absolute) / "x").lexically_normal().parent_path();
}

}  // namespace

std::string StateFolderPath() {
    const char* xdg = std::getenv("XDG_STATE_HOME");
    // Relative XDG paths are invalid by the base-directory rules and ignored.
    if (xdg != nullptr && xdg[0] == '/') return (fs::path(xdg) / "curvane").string();
    const char* home = std::getenv("HOME");
    return (fs::path(home != nullptr && home[0] != '\0' ? home : "/tmp") / ".local" / "state" / "curvane").string();
}

std::string RecoveryFolderPath(const std::string& settingsFilePath, const std::string& executablePath) {
    const fs::path exeFolder = FolderOf(executablePath);
    if (!settingsFilePath.empty() && FolderOf(settingsFilePath) == exeFolder) return (exeFolder / "recovery").string();
    return (fs::path(StateFolderPath()) / "recovery").string();
}

}  // namespace curvane

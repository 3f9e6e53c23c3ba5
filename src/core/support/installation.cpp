// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/installation.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace curvane {

namespace fs = std::filesystem;

namespace {

fs::path ExecutableFolder(const std::string& executablePath) {
    const fs::path exe(executablePath);
    return exe.has_parent_path() ? exe.parent_path() : fs::path(".");
}

}  // namespace

bool IsInstalledCopy(const std::string& executablePath) {
    // "." or ".." would hide the folder's real name: normalise first.
    fs::path folder = fs::absolute(ExecutableFolder(executablePath)).lexically_normal();
    if (!folder.has_filename()) folder = folder.parent_path();  // "/x/bin/." normalises to "/x/bin/"
    if (folder.filename() != "bin") return false;
    const fs::path entry =
        folder.parent_path() / "share" / "applications" / (std::string(ApplicationId) + ".desktop");
    std::error_code ignored;
    return fs::is_regular_file(entry, ignored);
}

std::string PortableFolder(const std::string& executablePath) {
    if (IsInstalledCopy(executablePath)) return "";
    const fs::path folder = ExecutableFolder(executablePath);
    return ::access(folder.c_str(), W_OK) == 0 ? folder.string() : "";
}

}  // namespace curvane

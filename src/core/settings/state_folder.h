// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace curvane {

// $XDG_STATE_HOME/curvane, with ~/.local/state when XDG_STATE_HOME is unset
// or not absolute: what the program keeps between runs that is neither a
// setting nor a document (the error log, recovery copies).
std::string StateFolderPath();

// The folder of the recovery copies of unsaved documents: "recovery" beside
// the executable when the settings file lives there (a portable copy keeps
// everything together), else "recovery" in StateFolderPath().
std::string RecoveryFolderPath(const std::string& settingsFilePath, const std::string& executablePath);

}  // namespace curvane

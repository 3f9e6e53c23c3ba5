// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/shell.h"

#include <algorithm>
#include <vector>

namespace curvane {

namespace {

std::vector<TShell*>& Shells() {
    static std::vector<TShell*> shells;
    return shells;
}

}  // namespace

TShell* MainShell() { return Shells().empty() ? nullptr : Shells().back(); }

void RegisterShell(TShell& shell) { Shells().push_back(&shell); }

void UnregisterShell(TShell& shell) { std::erase(Shells(), &shell); }

}  // namespace curvane

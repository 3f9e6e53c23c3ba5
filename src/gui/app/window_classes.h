// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace curvane {

// Registers every graph window class under the "Window type" it opens, so
// that documents can be opened. The main window calls it at start-up, and so
// must anything that opens documents without one (the tests). Calling it
// again changes nothing.
void RegisterGraphWindowClasses();

}  // namespace curvane

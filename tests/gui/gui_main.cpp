// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QTemporaryDir>

#include "gui/app/window_classes.h"
#include "gui/plot3d/gl_panel.h"

#include <gtest/gtest.h>

// The GUI tests share one QApplication, created before any test runs. They
// need a display (CI runs them inside xvfb-run); only listing the tests, which
// the build does to register them with CTest, runs without one.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    curvane::PrepareOpenGL();
    QApplication app(argc, argv);
    // Main windows keep recovery copies in the state folder: a scratch one,
    // so the tests never meet a user's copies nor leave theirs behind.
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toUtf8());
    // Tests open documents without a main window, too.
    curvane::RegisterGraphWindowClasses();
    return RUN_ALL_TESTS();
}

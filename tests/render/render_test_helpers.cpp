// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdlib>

#include <QGuiApplication>

#include <gtest/gtest.h>

#include "render/fonts.h"

// The engine's tests paint into images only; without a display they run on
// Qt's offscreen platform. Fonts resolve through the program's substitutions
// to the pinned DejaVu faces.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    curvane::InstallFontSubstitutions();
    return RUN_ALL_TESTS();
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>

#include <gtest/gtest.h>

// Every screen of this program has a device pixel ratio of 2. Qt reads the
// scale factor once, when the QApplication is made: that is why these tests
// cannot live in the program of the other widget tests.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}

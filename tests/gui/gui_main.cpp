#include <QApplication>

#include <gtest/gtest.h>

// The GUI tests share one QApplication, created before any test runs. Under CI
// they run inside xvfb-run (the xcb platform); a display is required.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}

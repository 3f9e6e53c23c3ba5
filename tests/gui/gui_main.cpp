#include <QApplication>

#include <gtest/gtest.h>

#include <cstring>

// The GUI tests share one QApplication, created before any test runs. Under CI
// they run inside xvfb-run (the xcb platform); a display is required.
int main(int argc, char** argv) {
    // Listing the tests (CMake does it right after linking, where there may
    // be no display) runs no test and needs no application object. Looked up
    // before InitGoogleTest, which takes its flags out of argv.
    bool listOnly = false;
    for (int i = 1; i < argc; ++i) listOnly = listOnly || std::strcmp(argv[i], "--gtest_list_tests") == 0;
    ::testing::InitGoogleTest(&argc, argv);
    if (listOnly) return RUN_ALL_TESTS();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/shell.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace curvane {
namespace {

struct TRecordingShell : TShell {
    QStringList Lines;
    void AddLogLine(const QString& line) override { Lines << line; }
};

// A second main window (tests build one beside the other) answers while it
// lives; once it is gone, a dialog must reach the first again, never a
// destroyed one.
TEST(ShellTest, TheMainWindowRegisteredLastAnswersUntilItIsGone) {
    TShell* const before = MainShell();
    TRecordingShell first;
    TRecordingShell second;
    RegisterShell(first);
    RegisterShell(second);
    MainShell()->AddLogLine("to second");
    UnregisterShell(second);
    MainShell()->AddLogLine("to first");
    UnregisterShell(first);
    EXPECT_EQ(MainShell(), before);
    EXPECT_EQ(first.Lines, QStringList{"to first"});
    EXPECT_EQ(second.Lines, QStringList{"to second"});
}

}  // namespace
}  // namespace curvane

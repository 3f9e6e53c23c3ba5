// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/plot/view_history.h"

#include <gtest/gtest.h>

namespace curvane {
namespace {

TWorldView View(double left) { return {left, 10, 20, 20, false}; }

TEST(ViewHistoryTest, WalksLikeABrowserAndDropsTheOldestPastTheLimit) {
    TViewHistory history;
    for (int i = 0; i < 3; ++i) history.Push(View(i));  // 3 is shown
    EXPECT_EQ(history.Back(View(3)), View(2));
    EXPECT_EQ(history.Back(View(2)), View(1));
    EXPECT_EQ(history.Forward(View(1)), View(2));
    // A new view after going back forgets the one ahead (3).
    history.Push(View(2));
    EXPECT_FALSE(history.CanForward());
    EXPECT_EQ(history.Back(View(8)), View(2));
    EXPECT_EQ(history.Back(View(2)), View(1));
    EXPECT_EQ(history.Back(View(1)), View(0));
    EXPECT_EQ(history.Back(View(0)), View(0)) << "nothing further back";

    history.Clear();
    const int pushed = static_cast<int>(TViewHistory::DefaultLimit) + 5;
    for (int i = 0; i < pushed; ++i) history.Push(View(i));
    TWorldView shown = View(pushed);
    while (history.CanBack()) shown = history.Back(shown);
    EXPECT_EQ(shown, View(5)) << "the five oldest were dropped";
    while (history.CanForward()) shown = history.Forward(shown);
    EXPECT_EQ(shown, View(pushed));
    EXPECT_EQ(history.BackCount(), TViewHistory::DefaultLimit);
}

}  // namespace
}  // namespace curvane

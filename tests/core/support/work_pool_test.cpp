// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/work_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace curvane {
namespace {

TEST(WorkPool, EveryJobRunsOnceInEveryRunWhateverTheThreadCount) {
    for (const int threads : {1, 2, 4}) {
        SCOPED_TRACE(threads);
        TWorkPool pool(threads);
        // Two runs of the same pool: the workers of the first serve the second.
        for (const std::size_t count : {std::size_t{100}, std::size_t{3}}) {
            std::vector<std::atomic<int>> runs(count);
            pool.Run(count, [&](std::size_t i) { ++runs[i]; });
            for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(runs[i], 1) << "job " << i;
        }
    }
}

TEST(WorkPool, OneThreadRunsTheJobsHereInOrder) {
    TWorkPool pool(1);
    const std::thread::id caller = std::this_thread::get_id();
    std::vector<std::size_t> order;
    pool.Run(5, [&](std::size_t i) {
        EXPECT_EQ(std::this_thread::get_id(), caller);
        order.push_back(i);
    });
    EXPECT_EQ(order, (std::vector<std::size_t>{0, 1, 2, 3, 4}));
}

TEST(WorkPool, TheFirstJobsErrorComesBackAfterAllJobsRan) {
    TWorkPool pool(2);
    std::atomic<int> ran = 0;
    try {
        pool.Run(50, [&](std::size_t i) {
            ++ran;
            if (i == 7 || i == 30) throw std::runtime_error("job " + std::to_string(i));
        });
        ADD_FAILURE() << "the error was lost";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "job 7");
    }
    EXPECT_EQ(ran, 50);
    // The pool is not left busy by the error.
    std::atomic<int> after = 0;
    pool.Run(4, [&](std::size_t) { ++after; });
    EXPECT_EQ(after, 4);
}

TEST(WorkPool, ARunInsideAJobRunsOnItsOwnThreadInsteadOfWaitingForTheWorkers) {
    TWorkPool pool(2);
    std::atomic<int> inner = 0;
    std::atomic<bool> innerOnCaller = true;
    pool.Run(4, [&](std::size_t) {
        const std::thread::id outer = std::this_thread::get_id();
        pool.Run(3, [&](std::size_t) {
            ++inner;
            if (std::this_thread::get_id() != outer) innerOnCaller = false;
        });
    });
    EXPECT_EQ(inner, 12);
    EXPECT_TRUE(innerOnCaller);
}

}  // namespace
}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/work_pool.h"

#include <algorithm>
#include <cassert>
#include <system_error>

namespace curvane {

TWorkPool::TWorkPool(int threads) : FThreads(std::max(threads, 1)) {}

TWorkPool::~TWorkPool() { StopWorkers(); }

void TWorkPool::SetThreads(int threads) {
    assert(!FRunning && "the thread count changes between runs");
    StopWorkers();
    FThreads = std::max(threads, 1);
}

void TWorkPool::StopWorkers() {
    {
        const std::lock_guard lock(FMutex);
        FStop = true;
    }
    FWake.notify_all();
    for (std::thread& worker : FWorkers) worker.join();
    FWorkers.clear();
    FStop = false;
}

void TWorkPool::RunHere(std::size_t count, const std::function<void(std::size_t)>& job) {
    std::exception_ptr first;
    for (std::size_t i = 0; i < count; ++i) {
        try {
            job(i);
        } catch (...) {
            if (!first) first = std::current_exception();
        }
    }
    if (first) std::rethrow_exception(first);
}

void TWorkPool::Run(std::size_t count, const std::function<void(std::size_t)>& job) {
    if (FThreads <= 1 || count < 2 || FRunning.exchange(true)) return RunHere(count, job);
    struct TRunning {
        std::atomic<bool>& Flag;
        ~TRunning() { Flag = false; }
    } running{FRunning};

    // Workers started here inherit this thread's floating-point environment
    // (masked exceptions, x87 precision): the results do not depend on which
    // thread ran a job.
    try {
        while (static_cast<int>(FWorkers.size()) < FThreads - 1)
            FWorkers.emplace_back([this, seen = FGeneration] { WorkerLoop(seen); });
    } catch (const std::system_error&) {
        // No more threads to be had: the ones started, and this one, do the work.
    }

    const auto run = std::make_shared<TRun>();
    run->Job = &job;
    run->Count = count;
    run->Errors.resize(count);
    {
        const std::lock_guard lock(FMutex);
        FRun = run;
        ++FGeneration;
    }
    FWake.notify_all();
    // This thread takes jobs too, and waits for the jobs rather than for the
    // workers: a worker the system has not scheduled yet (the other core busy
    // with another program) leaves its share to the threads that are running.
    Work(*run);
    {
        std::unique_lock lock(FMutex);
        FDone.wait(lock, [&] { return run->Done == run->Count; });
        FRun.reset();
    }
    for (const std::exception_ptr& error : run->Errors)
        if (error) std::rethrow_exception(error);
}

void TWorkPool::WorkerLoop(std::uint64_t seen) {
    std::unique_lock lock(FMutex);
    for (;;) {
        FWake.wait(lock, [&] { return FStop || FGeneration != seen; });
        if (FStop) return;
        seen = FGeneration;
        const std::shared_ptr<TRun> run = FRun;
        lock.unlock();
        if (run) Work(*run);
        lock.lock();
    }
}

void TWorkPool::Work(TRun& run) {
    for (;;) {
        const std::size_t i = run.Next.fetch_add(1);
        if (i >= run.Count) return;
        try {
            (*run.Job)(i);
        } catch (...) {
            run.Errors[i] = std::current_exception();
        }
        if (run.Done.fetch_add(1) + 1 == run.Count) {
            const std::lock_guard lock(FMutex);
            FDone.notify_all();
        }
    }
}

TWorkPool& SharedWorkPool() {
    static TWorkPool pool(static_cast<int>(std::max(std::thread::hardware_concurrency(), 1u)));
    return pool;
}

}  // namespace curvane

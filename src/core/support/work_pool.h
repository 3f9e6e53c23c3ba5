// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace curvane {

// A few threads sharing out independent jobs with the thread that hands them
// over: Run(count, job) calls job(0) .. job(count - 1), each once, on whichever
// thread is free, and returns when all have ended. The calling thread works
// too, so a pool of one thread runs every job there, in index order, and never
// starts a thread. Jobs of one run must not write anything another job of it
// reads or writes.
//
// Run is meant for one thread at a time. A Run that finds another one going
// (called from inside a job, or from a second thread) runs its own jobs on the
// calling thread, in order, rather than wait for workers that may be waiting
// for it.
class TWorkPool {
public:
    // `threads` counts the calling thread; below 1 is taken as 1. The workers
    // start at the first Run that has work for them.
    explicit TWorkPool(int threads);
    ~TWorkPool();
    TWorkPool(const TWorkPool&) = delete;
    TWorkPool& operator=(const TWorkPool&) = delete;

    int Threads() const { return FThreads; }
    // Stops the workers and takes the new count; never during a Run.
    void SetThreads(int threads);

    // Every job runs even when others throw; once all have ended, the
    // exception of the lowest job index that threw is raised again.
    void Run(std::size_t count, const std::function<void(std::size_t)>& job);

private:
    // One Run: workers that wake late find no index left and never touch
    // Job, which may be gone by then; they keep the record itself alive.
    struct TRun {
        const std::function<void(std::size_t)>* Job = nullptr;
        std::size_t Count = 0;
        std::atomic<std::size_t> Next{0};
        std::atomic<std::size_t> Done{0};
        std::vector<std::exception_ptr> Errors;  // one per job, written by its thread before Done counts it
    };

    void RunHere(std::size_t count, const std::function<void(std::size_t)>& job);
    void StopWorkers();
    // `seen` is the last run the worker is not part of.
    void WorkerLoop(std::uint64_t seen);
    // Takes job indices of `run` until none is left.
    void Work(TRun& run);

    int FThreads = 1;
    std::vector<std::thread> FWorkers;
    std::atomic<bool> FRunning{false};

    std::mutex FMutex;
    std::condition_variable FWake;  // a new run or the stop, for the workers
    std::condition_variable FDone;  // the last job of the run ended
    bool FStop = false;
    std::uint64_t FGeneration = 0;  // counts runs; a worker joins each one once
    std::shared_ptr<TRun> FRun;     // the run in progress
};

// The pool the program's computations share: as many threads as the machine
// runs at once (std::thread::hardware_concurrency, 1 where unknown) until
// SetThreads says otherwise (tests and benchmarks choose their count).
TWorkPool& SharedWorkPool();

}  // namespace curvane

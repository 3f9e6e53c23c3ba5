// SPDX-License-Identifier: GPL-3.0-or-later
// The random-input soak test. Starts the real program on an X server without a
// window manager (an Xvfb screen) and sends it, from a seeded generator, what a
// user can do: the commands' shortcuts, menus by keyboard, clicks, drags and the
// wheel, formulas typed (good and bad), dialogs answered at random, windows
// opened, closed and switched. It watches for the program dying, for a
// sanitizer report in its standard error, and for a hang (an unanswered
// _NET_WM_PING), and ends the program with SIGTERM at the end, so that
// LeakSanitizer runs at its exit. On a finding it prints the seed and the last
// actions, so that the run can be replayed.
//
//   curvane_soak --seed N --seconds S --program PATH --examples DIR --scratch DIR [--rate R] [--trace]
//
// Exit status: 0 without a finding, 1 with one, 2 for bad arguments or no X server.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <string>
#include <thread>

#include "action_log.h"
#include "program_under_test.h"
#include "random_input.h"
#include "x_screen.h"

namespace {

using namespace curvane::soak;
namespace fs = std::filesystem;

// ---------------------------------------------------------------------------
// Options

struct TOptions {
    std::uint64_t Seed = 1;
    double Seconds = 60;
    double Rate = 20;    // actions a second
    bool Trace = false;  // print every action as it is sent
    std::string Program, Examples, Scratch;
};

[[noreturn]] void Usage(const std::string& problem) {
    std::cerr << "curvane_soak: " << problem << "\n"
              << "usage: curvane_soak --seed N --seconds S --program PATH --examples DIR --scratch DIR [--rate R]"
                 " [--trace]\n";
    std::exit(2);
}

TOptions ParseOptions(int argc, char** argv) {
    TOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--trace") {
            options.Trace = true;
            continue;
        }
        if (i + 1 >= argc) Usage("missing value after " + name);
        const std::string value = argv[++i];
        try {
            if (name == "--seed")
                options.Seed = std::stoull(value);
            else if (name == "--seconds")
                options.Seconds = std::stod(value);
            else if (name == "--rate")
                options.Rate = std::stod(value);
            else if (name == "--program")
                options.Program = value;
            else if (name == "--examples")
                options.Examples = value;
            else if (name == "--scratch")
                options.Scratch = value;
            else
                Usage("unknown option " + name);
        } catch (const std::logic_error&) {
            Usage("bad value for " + name + ": " + value);
        }
    }
    if (options.Program.empty() || options.Scratch.empty()) Usage("--program and --scratch are needed");
    if (options.Rate <= 0 || options.Seconds <= 0) Usage("--rate and --seconds must be above 0");
    return options;
}

// ---------------------------------------------------------------------------
// Watching: death, sanitizer reports, hangs

// A ping every two seconds; one unanswered for ten is a hang.
class TPinger {
public:
    static constexpr double Interval = 2.0, Limit = 10.0;

    // Sends a ping when one is due and none is waiting. Qt makes the main
    // window's X window anew when its first OpenGL child comes (the first 3D
    // window): a ping waiting at the old one is never answered, so the new
    // one is asked at once, its wait counted from the first ping's time.
    void Tick(TScreen& screen, Window main) {
        const auto now = TClock::now();
        if (main == 0) return;
        if (FWaiting && main != FTarget) {
            FStamp = screen.SendPing(main);
            FTarget = main;
            return;
        }
        if (FWaiting || now - FLastSent < std::chrono::duration<double>(Interval)) return;
        FStamp = screen.SendPing(main);
        FTarget = main;
        FWaiting = true;
        FLastSent = now;
    }
    void Answered(Time stamp) {
        if (stamp != FStamp || !FWaiting) return;
        FWaiting = false;
        FSlowest = std::max(FSlowest, std::chrono::duration<double>(TClock::now() - FLastSent).count());
    }
    // The longest a ping waited for its answer: how near the run came to a hang.
    double Slowest() const { return FSlowest; }
    // Seconds the waiting ping has gone unanswered.
    double Overdue() const { return FWaiting ? std::chrono::duration<double>(TClock::now() - FLastSent).count() : 0.0; }
    // After a restart the old program's ping will not be answered.
    void Reset() { FWaiting = false; }

private:
    bool FWaiting = false;
    double FSlowest = 0;
    Time FStamp = 0;
    Window FTarget = 0;  // the window the waiting ping went to
    TClock::time_point FLastSent{};
};

void PrintStacks(pid_t pid) {
    if (access("/usr/bin/gdb", X_OK) != 0) {
        std::cout << "(gdb is not installed: no stacks)\n";
        return;
    }
    std::cout << "stacks of the program:\n" << std::flush;
    const std::string command = "gdb -p " + std::to_string(pid) + " -batch -ex 'thread apply all bt' 2>&1";
    if (std::system(command.c_str()) != 0) std::cout << "(gdb failed)\n";
}

class TSoak {
public:
    explicit TSoak(TOptions options)
        : FOptions(std::move(options)),
          FStart(TClock::now()),
          FLog(FStart, FOptions.Trace),
          FScratch{fs::absolute(FOptions.Scratch)},
          FProgram(fs::absolute(FOptions.Program).string(), FScratch),
          FRandom(FOptions.Seed),
          FInput(FScreen, FRandom, FLog, FScratch) {}

    int Run() {
        FScratch.Prepare(FOptions.Examples);
        if (!StartProgram(FScratch.Documents())) return 1;
        const auto period = std::chrono::duration<double>(1.0 / FOptions.Rate);
        auto nextAction = TClock::now() + std::chrono::seconds(1);
        while (FLog.Elapsed() < FOptions.Seconds) {
            if (!Watch()) return 1;
            if (TClock::now() >= nextAction && FInput.MainWindow(FProgram.Pid()) != 0) {
                FInput.Act(FProgram.Pid());
                // At the rate asked for, unless the actions themselves take longer.
                nextAction = std::max(nextAction + std::chrono::duration_cast<TClock::duration>(period),
                                      TClock::now() - std::chrono::duration_cast<TClock::duration>(period));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return Finish();
    }

private:
    // False after a finding: the main window did not appear within a minute
    // (under the sanitizers it takes a few seconds).
    bool StartProgram(const std::vector<std::string>& documents) {
        FProgram.Start(documents);
        FPinger.Reset();
        FLog.Add("start " + FOptions.Program + " with " + std::to_string(documents.size()) + " documents");
        const auto until = TClock::now() + std::chrono::seconds(60);
        while (FInput.MainWindow(FProgram.Pid()) == 0) {
            if (FProgram.Ended()) return true;  // Watch reports it
            if (TClock::now() > until) return Report("hang: no main window within 60 s of the start", nullptr);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return true;
    }

    // False after a finding has been reported.
    bool Watch() {
        for (const std::string& line : FProgram.NewLogLines())
            if (const char* marker = SanitizerMarker(line)) return Report("sanitizer report", marker);
        if (const auto status = FProgram.Ended()) {
            // An exit the user asked for (Alt+X, File → Exit; or Terminate in
            // the report of an error that reached it, status 3): a new start,
            // which offers the recovery copies the exit may have left.
            constexpr int ExitStatus = 0, TerminateStatus = 3;
            if (WIFEXITED(*status) && (WEXITSTATUS(*status) == ExitStatus || WEXITSTATUS(*status) == TerminateStatus)) {
                FLog.Add("the program exited (status " + std::to_string(WEXITSTATUS(*status)) + "): started again");
                return StartProgram({});
            }
            for (const std::string& line : FProgram.NewLogLines())
                if (const char* marker = SanitizerMarker(line)) return Report("sanitizer report", marker);
            return Report("the program died: " + DescribeStatus(*status), nullptr);
        }
        FScreen.DrainEvents([this](Time stamp) { FPinger.Answered(stamp); });
        FPinger.Tick(FScreen, FInput.MainWindow(FProgram.Pid()));
        if (FPinger.Overdue() > TPinger::Limit) return Report("hang: no answer to a ping for 10 s", nullptr);
        return true;
    }

    // Ends the program as a session's end does (SIGTERM): it must leave its
    // loops and exit normally, with LeakSanitizer's check passed.
    int Finish() {
        FLog.Add("SIGTERM");
        FProgram.Signal(SIGTERM);
        const auto status = FProgram.WaitEnd(120);
        for (const std::string& line : FProgram.NewLogLines())
            if (const char* marker = SanitizerMarker(line)) return Report("sanitizer report at exit", marker), 1;
        if (!status) return Report("hang: the program did not end within 120 s of SIGTERM", nullptr), 1;
        if (!WIFEXITED(*status) || WEXITSTATUS(*status) != 0)
            return Report("the program ended badly after SIGTERM: " + DescribeStatus(*status), nullptr), 1;
        std::printf("soak: seed %llu: no findings, %ld actions in %.0f s, slowest answer to a ping %.2f s\n",
                    static_cast<unsigned long long>(FOptions.Seed), FLog.Count(), FLog.Elapsed(), FPinger.Slowest());
        return 0;
    }

    bool Report(const std::string& kind, const char* marker) {
        std::cout << "soak: FINDING: " << kind << "\n"
                  << "seed " << FOptions.Seed << ", after " << FLog.Elapsed() << " s\n";
        if (marker) {
            // The rest of the report is still being written.
            FProgram.WaitEnd(15);
            std::cout << "report:\n";
            for (const std::string& line : FProgram.LogFrom(marker, 60)) std::cout << "  " << line << "\n";
        } else if (kind.rfind("hang", 0) == 0 && FProgram.Running()) {
            PrintStacks(FProgram.Pid());
            FProgram.Signal(SIGABRT);  // a core file, where cores are kept
            FProgram.WaitEnd(10);
        } else {
            // An exit status of its own, or a message from the sanitizer's
            // run-time library that is not a report (a bad option, say).
            std::cout << "the program's last output:\n";
            for (const std::string& line : FProgram.LogTail(20)) std::cout << "  " << line << "\n";
        }
        FLog.Print(std::cout);
        std::cout << "the program's output: " << FScratch.Log().string() << "\n"
                  << "replay: curvane_soak --seed " << FOptions.Seed << " --seconds " << FOptions.Seconds << " --rate "
                  << FOptions.Rate << " --program " << FOptions.Program << " --examples " << FOptions.Examples
                  << " --scratch " << FOptions.Scratch << std::endl;
        FProgram.Kill();
        return false;
    }

    TOptions FOptions;
    TClock::time_point FStart;
    TActionLog FLog;
    TScratch FScratch;
    TProgram FProgram;
    TScreen FScreen;
    TRandom FRandom;
    TInput FInput;
    TPinger FPinger;
};

}  // namespace

int main(int argc, char** argv) {
    // The program's death is seen through waitpid; a write to a closed pipe
    // must not end the driver.
    signal(SIGPIPE, SIG_IGN);
    const TOptions options = ParseOptions(argc, argv);
    try {
        TSoak soak(options);
        return soak.Run();
    } catch (const std::runtime_error& e) {
        std::cerr << "curvane_soak: " << e.what() << "\n";
        return 2;
    }
}

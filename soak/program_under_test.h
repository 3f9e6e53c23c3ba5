// SPDX-License-Identifier: GPL-3.0-or-later
// The program under test: its scratch folders, its process and its log.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "action_log.h"

namespace curvane::soak {

namespace fs = std::filesystem;

// The folders a run keeps everything in: settings, state (recovery copies,
// error log), the documents it opens and the files its dialogs save.
struct TScratch {
    fs::path Root;
    fs::path Docs() const { return Root / "docs"; }
    fs::path Files() const { return Root / "files"; }
    fs::path Work() const { return Root / "work"; }
    fs::path Log() const { return Root / "curvane-stderr.log"; }

    // Empties the folders of an earlier run (only the ones named here: the
    // scratch folder itself may hold other things), and copies the examples,
    // so that a save never writes into the source tree.
    void Prepare(const std::string& examples) const {
        for (const char* name : {"home", "config", "data", "cache", "state", "runtime", "docs", "files", "work"}) {
            fs::remove_all(Root / name);
            fs::create_directories(Root / name);
        }
        fs::permissions(Root / "runtime", fs::perms::owner_all);
        fs::remove(Log());
        if (examples.empty()) return;
        for (const auto& entry : fs::directory_iterator(examples))
            if (entry.path().extension() == ".gfx") fs::copy_file(entry.path(), Docs() / entry.path().filename());
    }

    std::vector<std::string> Documents() const {
        std::vector<std::string> paths;
        for (const fs::path& folder : {Docs(), Files()})
            for (const auto& entry : fs::directory_iterator(folder))
                if (entry.path().extension() == ".gfx") paths.push_back(entry.path().string());
        std::sort(paths.begin(), paths.end());  // the directory's order is not the same every time
        return paths;
    }
};

// The sanitizers' options the run needs, where the caller gave none, and
// the library that keeps Mesa's driver loaded until LeakSanitizer has
// looked (see keep_libraries_loaded.c). It comes before the sanitizer's
// run-time library, which ASan refuses unless told not to check.
inline void SetSanitizerDefaults() {
    setenv("ASAN_OPTIONS", "detect_leaks=1", 0);
    setenv("UBSAN_OPTIONS", "print_stacktrace=1:halt_on_error=1", 0);
#ifdef CURVANE_SOAK_LSAN_SUPPRESSIONS
    setenv("LSAN_OPTIONS", "suppressions=" CURVANE_SOAK_LSAN_SUPPRESSIONS ":print_suppressions=0", 0);
#endif
#ifdef CURVANE_SOAK_PRELOAD
    setenv("ASAN_OPTIONS", (std::string(std::getenv("ASAN_OPTIONS")) + ":verify_asan_link_order=0").c_str(), 1);
    const char* preload = std::getenv("LD_PRELOAD");
    setenv("LD_PRELOAD", (std::string(CURVANE_SOAK_PRELOAD) + (preload ? std::string(":") + preload : "")).c_str(), 1);
#endif
}

class TProgram {
public:
    TProgram(std::string path, const TScratch& scratch) : FPath(std::move(path)), FScratch(scratch) {}

    // Starts the program with the documents on its command line, its
    // standard output and error appended to the log.
    void Start(const std::vector<std::string>& documents) {
        std::vector<std::string> args{FPath};
        if (!documents.empty()) args.push_back("--");
        args.insert(args.end(), documents.begin(), documents.end());
        FStatus.reset();
        FPid = fork();
        if (FPid < 0) {
            std::perror("fork");
            std::exit(2);
        }
        if (FPid > 0) return;
        const fs::path& root = FScratch.Root;
        setenv("HOME", (root / "home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
        setenv("XDG_CACHE_HOME", (root / "cache").c_str(), 1);
        setenv("XDG_STATE_HOME", (root / "state").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (root / "runtime").c_str(), 1);
        // The program would keep its settings beside an executable in a build folder.
        setenv("CURVANE_SETTINGS", (root / "config" / "curvane.ini").c_str(), 1);
        setenv("CURVANE_ERROR_LOG", (root / "state" / "curvane.err").c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        setenv("NO_AT_BRIDGE", "1", 1);  // no accessibility bus to wait for
        SetSanitizerDefaults();
        if (chdir(FScratch.Work().c_str()) != 0) _exit(127);
        const int log = open(FScratch.Log().c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (log >= 0) {
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
            close(log);
        }
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        std::perror("execv");
        _exit(127);
    }

    pid_t Pid() const { return FPid; }
    bool Running() const { return FPid > 0; }

    // The wait status once the program has ended (until the next start), else nothing.
    std::optional<int> Ended() {
        if (FStatus || FPid <= 0) return FStatus;
        int status = 0;
        if (waitpid(FPid, &status, WNOHANG) != FPid) return std::nullopt;
        FPid = 0;
        FStatus = status;
        return FStatus;
    }

    // Waits up to `seconds` for the end; the wait status, or nothing.
    std::optional<int> WaitEnd(double seconds) {
        const auto until = TClock::now() + std::chrono::duration<double>(seconds);
        while (TClock::now() < until) {
            if (auto status = Ended()) return status;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return std::nullopt;
    }

    void Signal(int signal) {
        if (FPid > 0) kill(FPid, signal);
    }

    // Kills it for good and collects it.
    void Kill() {
        if (FPid <= 0) return;
        kill(FPid, SIGKILL);
        waitpid(FPid, nullptr, 0);
        FPid = 0;
    }

    // The log's new lines since the last call.
    std::vector<std::string> NewLogLines() {
        std::ifstream in(FScratch.Log(), std::ios::binary);
        std::vector<std::string> lines;
        if (!in) return lines;
        in.seekg(static_cast<std::streamoff>(FLogRead));
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // Only whole lines: the rest is read again next time.
        const std::size_t end = text.rfind('\n');
        if (end == std::string::npos) return lines;
        FLogRead += end + 1;
        std::stringstream stream(text.substr(0, end));
        for (std::string line; std::getline(stream, line);) lines.push_back(line);
        return lines;
    }

    // The log from the line that starts a report, up to `count` lines.
    std::vector<std::string> LogFrom(const std::string& marker, std::size_t count) const {
        std::ifstream in(FScratch.Log());
        std::vector<std::string> lines;
        bool found = false;
        for (std::string line; std::getline(in, line) && lines.size() < count;) {
            if (!found && line.find(marker) == std::string::npos) continue;
            found = true;
            lines.push_back(line);
        }
        return lines;
    }

    // The log's last `count` lines.
    std::vector<std::string> LogTail(std::size_t count) const {
        std::ifstream in(FScratch.Log());
        std::deque<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
            if (lines.size() > count) lines.pop_front();
        }
        return {lines.begin(), lines.end()};
    }

private:
    std::string FPath;
    const TScratch& FScratch;
    pid_t FPid = 0;
    std::optional<int> FStatus;
    std::size_t FLogRead = 0;
};

// The lines in a sanitizer's report that make it a finding.
inline const char* SanitizerMarker(const std::string& line) {
    for (const char* marker : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:"})
        if (line.find(marker) != std::string::npos) return marker;
    return nullptr;
}

inline std::string DescribeStatus(int status) {
    if (WIFSIGNALED(status)) {
        const int number = WTERMSIG(status);
        return "killed by signal " + std::to_string(number) + " (" + strsignal(number) + ")";
    }
    return "exit status " + std::to_string(WEXITSTATUS(status));
}

}  // namespace curvane::soak

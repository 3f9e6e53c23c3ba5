// SPDX-License-Identifier: GPL-3.0-or-later
// What the soak test sent, with the time since the start.
#pragma once

#include <chrono>
#include <cstdio>
#include <deque>
#include <iostream>
#include <random>
#include <string>

namespace curvane::soak {

using TClock = std::chrono::steady_clock;
using TRandom = std::mt19937_64;

// The record of what was sent, for the report of a finding.

class TActionLog {
public:
    TActionLog(TClock::time_point start, bool trace) : FStart(start), FTrace(trace) {}

    double Elapsed() const { return std::chrono::duration<double>(TClock::now() - FStart).count(); }

    void Add(const std::string& text) {
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%8.2fs ", Elapsed());
        FLast.push_back(stamp + text);
        if (FTrace) std::cout << FLast.back() << std::endl;
        if (FLast.size() > Kept) FLast.pop_front();
        ++FCount;
    }

    void Print(std::ostream& out) const {
        out << "last " << FLast.size() << " actions:\n";
        for (const std::string& line : FLast) out << "  " << line << "\n";
    }

    long Count() const { return FCount; }

private:
    static constexpr std::size_t Kept = 50;
    TClock::time_point FStart;
    bool FTrace;
    std::deque<std::string> FLast;
    long FCount = 0;
};

}  // namespace curvane::soak

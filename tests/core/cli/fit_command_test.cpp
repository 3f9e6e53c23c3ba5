// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/cli/fit_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace curvane {
namespace {

struct TRun {
    int Status = -1;
    std::string Out, Err;
};

TRun RunFit(std::vector<const char*> args) {
    const TCommandLine line = TCommandLine::Parse(args);
    std::ostringstream out, err;
    TRun run;
    run.Status = RunFitCommand(line, out, err);
    run.Out = out.str();
    run.Err = err.str();
    return run;
}

std::string WriteData(const char* name, const char* text) {
    const std::string path = (std::filesystem::temp_directory_path() / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// y = 2x + 1 exactly, a header, one bad line, a dy column of 1s.
constexpr const char* LineData = "x,y,dy\n1,3,1\n2,5,1\noops,7,1\n3,7,1\n4,9,1\n";

TEST(FitCommand, PrintsTheFitAndNamesTheSkippedLines) {
    const std::string path = WriteData("curvane_fit_line.csv", LineData);
    TRun run = RunFit({"--fit", "m*x+c", "--data", path.c_str(), "--columns", "1,2,3", "--start", "m=1.5"});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, "curvane: skipped line 4: column 1 is not a number\n");
    // Each unknown on its line with 17 digits and its standard error (0 here:
    // the points lie on the line), then the summary.
    const std::regex unknown("(m|c) = (\\S+) \u00b1 0\n");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(run.Out, m, unknown)) << run.Out;
    EXPECT_EQ(m[1], "m");
    EXPECT_NEAR(std::stod(m[2]), 2, 1e-14);
    ASSERT_TRUE(std::regex_search(m.suffix().first, run.Out.cend(), m, unknown)) << run.Out;
    EXPECT_EQ(m[1], "c");
    EXPECT_NEAR(std::stod(m[2]), 1, 1e-14);
    EXPECT_NE(run.Out.find("\nR2 = 1\ndof = 2\niterations = "), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("\nstopped: converged\n"), std::string::npos) << run.Out;

    // A held name is not fitted and not printed.
    run = RunFit({"--fit", "m*x+c", "--data", path.c_str(), "--set", "c=0"});
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Out.find("c = "), std::string::npos) << run.Out;
    EXPECT_EQ(run.Out.substr(0, 4), "m = ");
}

TEST(FitCommand, Statuses) {
    const std::string line = WriteData("curvane_fit_line2.csv", LineData);
    const std::string flat = WriteData("curvane_fit_flat.txt", "1 1\n1 2\n1 3\n");
    const std::string binary = WriteData("curvane_fit_binary.dat", "\x01\x02\x00\x03 garbage");
    const struct {
        std::vector<const char*> Args;
        int Status;
        const char* Why;
        const char* Stopped = "";  // the last line, for status 3
    } rows[] = {
        {{"--fit", "m*x+c", "--data", line.c_str(), "--columns", "0,2"}, 1, "columns count from 1"},
        {{"--fit", "m*x+c", "--data", line.c_str(), "--columns", "1"}, 1, "x and y both needed"},
        {{"--fit", "m*x+c", "--data", "/nonexistent/points.csv"}, 1, "unreadable file"},
        {{"--fit", "m*x+c", "--data", binary.c_str()}, 1, "binary content"},
        {{"--fit", "m*x+c", "--data", line.c_str(), "--start", "q=1"}, 1, "a start for no unknown"},
        {{"--fit", "m*x+c", "--data", line.c_str(), "--start", "m=1", "--set", "m=2"}, 1, "held and started"},
        {{"--fit", "m*x+c", "--data", line.c_str(), "--start", "m"}, 1, "a start without a value"},
        {{"--fit", "m*x+", "--data", line.c_str()}, 2, "syntax error"},
        {{"--fit", "2*x", "--data", line.c_str()}, 2, "nothing to fit"},
        {{"--fit", "t*x", "--data", line.c_str()}, 2, "t cannot name a parameter"},
        {{"--fit", "m*x+c", "--data", flat.c_str()}, 3, "x never varies", "stopped: singular\n"},
        {{"--fit", "ln(k-x)", "--data", line.c_str()}, 3, "ln of a negative at the start", "stopped: not computable\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Why);
        const TRun run = RunFit(row.Args);
        EXPECT_EQ(run.Status, row.Status) << run.Err;
        if (row.Status == 3) EXPECT_EQ(run.Out.substr(run.Out.rfind("stopped: ")), row.Stopped);
        else EXPECT_NE(run.Err, "");
    }
}

}  // namespace
}  // namespace curvane

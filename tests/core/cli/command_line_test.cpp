// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/cli/command_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace curvane {
namespace {

TCommandLine Parse(const std::vector<const char*>& args) { return TCommandLine::Parse(args); }

TEST(CommandLine, ModesAndValues) {
    const struct {
        const char* Why;
        std::vector<const char*> Args;
        TCliMode Mode;
        std::vector<std::pair<const char*, const char*>> Values;
        std::vector<std::string> Positional;
    } rows[] = {
        {"no arguments", {}, TCliMode::cmGui, {}, {}},
        {"documents", {"a.gfx", "-", "b.gfx"}, TCliMode::cmGui, {}, {"a.gfx", "-", "b.gfx"}},
        {"-- ends the options", {"--", "--eval", "-x"}, TCliMode::cmGui, {}, {"--eval", "-x"}},
        {"Qt's options stay with the GUI", {"-platform", "offscreen", "a.gfx"}, TCliMode::cmGui,
         {{"platform", "offscreen"}}, {"a.gfx"}},
        {"values that look like options", {"--eval", "-x", "--x", "-1e-5"}, TCliMode::cmEval,
         {{"eval", "-x"}, {"x", "-1e-5"}}, {}},
        {"= form, one dash, bytes kept", {"-eval=\xff=1", "-y=2"}, TCliMode::cmEval,
         {{"eval", "\xff=1"}, {"y", "2"}}, {}},
        {"empty formula", {"--eval", ""}, TCliMode::cmEval, {{"eval", ""}}, {}},
        {"render in any order", {"--size", "9x9", "--output", "o.png", "--render", "f.gfx"}, TCliMode::cmRender,
         {{"render", "f.gfx"}, {"output", "o.png"}, {"size", "9x9"}}, {}},
        {"help wins over errors", {"--bogus", "--eval", "x", "--render", "f", "-h"}, TCliMode::cmHelp, {}, {}},
        {"version", {"a.gfx", "-v"}, TCliMode::cmVersion, {}, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Why);
        const TCommandLine line = Parse(row.Args);
        EXPECT_EQ(line.Mode(), row.Mode);
        for (const auto& [name, value] : row.Values) EXPECT_EQ(line.Value(name), std::string(value)) << name;
        if (row.Mode == TCliMode::cmGui || row.Mode == TCliMode::cmEval) {
            EXPECT_EQ(line.Positional(), row.Positional);
        }
    }
    EXPECT_FALSE(Parse({"--eval", "x"}).Value("x").has_value());
    // --set may be repeated, in every mode that takes it; each is kept in order.
    EXPECT_EQ(Parse({"--eval", "k", "--set", "k=1", "--set=m=2,c=3"}).Values("set"),
              (std::vector<std::string>{"k=1", "m=2,c=3"}));
    EXPECT_EQ(Parse({"--render", "f", "--output", "o.png", "--set", "a=1", "--set", "b=2"}).Values("set").size(), 2u);
}

TEST(CommandLine, ErrorsCarryTheModesStatus) {
    const struct {
        std::vector<const char*> Args;
        int Status;
        const char* Message;
    } rows[] = {
        {{"--bogus"}, 1, "unknown option --bogus"},
        {{"a.gfx", "--bogus=3"}, 1, "unknown option --bogus"},
        {{"--x", "3"}, 1, "--x belongs to --eval"},
        {{"--eval", "x", "stray"}, 1, "unexpected argument stray"},
        {{"--eval", "x", "--eval", "y"}, 1, "--eval is given twice"},
        {{"--eval"}, 1, "--eval needs a value (FORMULA)"},
        {{"--eval", "x", "--render", "f"}, 1, "--eval and --render cannot be combined"},
        {{"--eval", "x", "-platform", "xcb"}, 1, "-platform only applies when the program starts its windows"},
        {{"--render", "f"}, 2, "--render needs --output OUT"},
        {{"--render", "f", "--output", "o", "--bogus"}, 2, "unknown option --bogus"},
        {{"--render", "f", "--output", "o", "--x", "1"}, 2, "--x belongs to --eval"},
        {{"--reverse=1"}, 1, "-reverse takes no value"},
        {{"--integrate", "x", "--from", "0"}, 1, "--integrate needs --to B"},
        {{"--from", "0"}, 1,
         "--from belongs to --tabulate, --integrate, --root, --roots, --extrema and --intersections"},
        {{"--root", "x", "--from", "0", "--to", "1", "--step", "1"}, 1, "--step belongs to --tabulate"},
        {{"--root", "x", "--from", "0", "--to", "1", "--from", "2"}, 1, "--from is given twice"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Message);
        try {
            Parse(row.Args);
            ADD_FAILURE() << "parsed";
        } catch (const ECommandLine& e) {
            EXPECT_EQ(e.Status(), row.Status);
            EXPECT_EQ(e.Message(), row.Message);
        }
    }
}

TEST(CommandLine, HelpShowsEveryModeAndOption) {
    const std::string help = CommandLineHelp();
    for (const char* text : {"curvane [FILE.gfx ...]\n", "curvane --eval FORMULA [--x N] [--y N] [--set NAME=V,...]\n",
                             "curvane --render FILE --output OUT [--size WxH]", " [--scale N]", " [--bits N]",
                             "curvane --help\n",
                             "curvane --version\n", "-platform NAME",
                             "curvane --root FORMULA [--with FORMULA2] --from A --to B [--accuracy E]\n",
                             "curvane --extrema FORMULA --from A --to B [--ends] [--set NAME=V,...]\n",
                             "        [--set NAME=V,...]\n"}) {
        EXPECT_NE(help.find(text), std::string::npos) << text;
    }
    std::size_t start = 0;
    while (start < help.size()) {
        const std::size_t end = help.find('\n', start);
        const std::string line = help.substr(start, end - start);
        EXPECT_LE(line.size(), 79u) << line;
        // A long synopsis wraps between options, never inside "[--y-to B]".
        EXPECT_EQ(std::count(line.begin(), line.end(), '['), std::count(line.begin(), line.end(), ']')) << line;
        start = end + 1;
    }
}

}  // namespace
}  // namespace curvane

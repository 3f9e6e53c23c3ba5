// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/data/data_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "core/support/number_format.h"

namespace curvane {
namespace {

using S = TFieldSeparator;
using D = TDecimalMark;

// "x y [dy];... | skipped line:column, m(issing) or n(ot a number) | header | separator decimal"
std::string Summary(const TDataTable& t) {
    std::string s;
    for (std::size_t i = 0; i < t.Count(); ++i)
        s += (i ? ";" : "") + FormatShortest(t.X[i]) + " " + FormatShortest(t.Y[i]) +
             (t.DY.empty() ? "" : " " + FormatShortest(t.DY[i]));
    s += " |";
    for (const TSkippedLine& k : t.Skipped)
        s += " " + std::to_string(k.Line) + ":" + std::to_string(k.Column) + (k.Reason == TSkipReason::srMissing ? "m" : "n");
    s += " |";
    for (const std::string& h : t.Header) s += " " + h;
    return s + " | " + "?,;\tb"[static_cast<int>(t.Separator)] + (t.Decimal == D::dmComma ? "," : ".");
}

TEST(DataReader, ReadsTheCommonTextFormats) {
    const struct {
        const char* Text;
        TDataReadOptions Options;
        const char* Expected;
        const char* Why;
    } rows[] = {
        {"x,y\n1,2\n3.5,-4e2\n", {}, "1 2;3.5 -400 | | x y | ,.", "CSV with a header"},
        {"1 2\n  3\t4  \n\n5 6", {}, "1 2;3 4;5 6 | | | b.", "blanks and tabs mixed; blank line; last line without a break"},
        {"a;b\r\n1,5;2,25\r\n3;4.5\r\n", {}, "1.5 2.25;3 4.5 | | a b | ;,", "semicolons take decimal commas; a point still reads"},
        {"1\t2,5\r3\t4\r", {}, "1 2.5;3 4 | | | \t,", "tabs take decimal commas; lone CR line ends"},
        {"\"t\",\"v\"\n\"1\",\"2\"\n\"3\", 4\n", {}, "1 2;3 4 | | t v | ,.", "quoted fields, blanks after commas"},
        {"1 2,5\n3 4,5\n", {{1, 2, 0}, S::fsBlanks, D::dmComma}, "1 2.5;3 4.5 | | | b,", "comma decimals chosen by the caller"},
        {"x,y\n1,2\n3,\n,4\n5,6\n7\n", {}, "1 2;5 6 | 3:2m 4:1m 6:2m | x y | ,.", "missing values are skipped, never zero"},
        {"1;2\n3;abc\n5;1e999\n7;nan\n9;1,2,3\n", {}, "1 2 | 2:2n 3:2n 4:2n 5:2n | | ;,", "text, overflow, nan, two marks"},
        {"# t x y dy\n0 1 2 0.5\n1 3 4 0.25\n", {{2, 3, 4}}, "1 2 0.5;3 4 0.25 | | t x y dy | b.", "column choice with uncertainties"},
        {"1 2 3\n4 5\n", {{1, 2, 3}}, "1 2 3 | 2:3m | | b.", "a row missing the uncertainty column is reported"},
        {"\xEF\xBB\xBF" "1,2\n3,\"4\"\"\"\n", {}, "1 2 | 2:2n | | ,.", "BOM; a doubled quote in quotes stays a quote"},
        {"1,2\n3,\"4\"5\n", {}, "1 2 | 2:2n | | ,.", "text after a closing quote is not glued to the number"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Why);
        EXPECT_EQ(Summary(ReadDataText(row.Text, row.Options)), row.Expected);
    }
}

TEST(DataReader, RefusesWhatGivesNoPointsWithAReason) {
    std::mt19937 rng(27);
    std::string noise(10u << 20, '\0');
    for (char& c : noise) c = static_cast<char>(rng());
    std::string controls(1000, '1');
    for (int i = 0; i < 20; ++i) controls[i * 50] = '\x01';
    const struct {
        std::string Text;
        TDataColumns Columns;
        const char* Message;
    } rows[] = {
        {noise, {}, "No data read: the text holds binary bytes"},
        {controls, {}, "No data read: the text holds binary bytes (20 control characters)"},
        {"x y\na b\n", {}, "No data read: no line holds numbers in columns 1 and 2"},
        {"", {}, "No data read: no line holds numbers"},
        {"1 2\n", {0, 2, 0}, "No data read: columns count from 1"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Message);
        try {
            ReadDataText(row.Text, {row.Columns});
            ADD_FAILURE() << "read";
        } catch (const EDataError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(row.Message, 0), 0u) << e.what();
        }
    }
}

TEST(DataReader, ReportsABoundedListOfSkippedLinesAndReadsFiles) {
    std::string text = "1 2\n";
    for (std::size_t i = 0; i < MaxReportedLines + 5; ++i) text += "bad\n";
    const TDataTable t = ReadDataText(text);
    EXPECT_EQ(std::pair(t.Skipped.size(), t.SkippedCount), std::pair(MaxReportedLines, MaxReportedLines + 5));
    EXPECT_EQ(DescribeSkippedLine(t.Skipped.front()), "line 2: column 1 is not a number");

    const std::string path = (std::filesystem::temp_directory_path() / "curvane_data_reader_test.csv").string();
    std::ofstream(path) << "x,y\n1,2\n";
    EXPECT_EQ(ReadDataFile(path).Header, (std::vector<std::string>{"x", "y"}));
    std::filesystem::remove(path);
    EXPECT_THROW(ReadDataFile(path), EFileError);
}

}  // namespace
}  // namespace curvane

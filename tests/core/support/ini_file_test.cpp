// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/ini_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "core/core_test_helpers.h"
#include "core/support/exceptions.h"
#include "core/support/file_stamp.h"

namespace curvane {
namespace {

namespace fs = std::filesystem;
using test::ReadAll;
using test::WriteAll;
using TempDir = test::TTempDir;

TEST(IniFile, ReadsHandWrittenFilesLikeThePrivateProfileFunctions) {
    const auto ini = TIniFile::FromText(
        "\xEF\xBB\xBF; comment before any section\r\nstray=before sections\r\n"
        "  [ Global ]  \r\nFunc Count = 3 \r\nname=\"  quoted  \"\r\nsingle='x'\r\ntwo=\"\"a\"\"\r\nlone=\"open\r\n"
        "eq=a=b\r\ndup=first\r\nDUP=second\r\n[global]\r\nlate=in duplicate section\r\n"
        "[Hex]\na=0x10\nc=0xFFFFFFFF\nd=0x\ne=2147483648\nf=-2147483648\ng=1,5\nh= -2.5e3 \ni=1e400\nj=nan\nk=12abc\n");
    const std::pair<const char*, const char*> strings[] = {
        {"func count", "3"}, {"Name", "  quoted  "}, {"single", "x"}, {"two", "\"a\""}, {"lone", "\"open"},
        {"eq", "a=b"},       {"dup", "first"},       {"late", "?"},
    };
    for (const auto& [key, expected] : strings) EXPECT_EQ(ini.ReadString("GLOBAL", key, "?"), expected) << key;
    EXPECT_EQ(ini.ReadString("", "stray", "?"), "?");
    const std::pair<const char*, std::int32_t> ints[] = {{"a", 16}, {"c", -1},        {"d", 77}, {"e", 77},
                                                         {"f", INT32_MIN}, {"g", 77}, {"k", 77}};
    for (const auto& [key, expected] : ints) EXPECT_EQ(ini.ReadInteger("Hex", key, 77), expected) << key;
    EXPECT_TRUE(ini.ReadBool("hex", "a", false));
    EXPECT_FALSE(ini.ReadBool("hex", "g", false));  // unparsable keeps the default
    EXPECT_EQ(ini.ReadFloat("hex", "h", 0), -2500);
    // A decimal comma, beyond the double range, not a number.
    for (const char* key : {"g", "i", "j"}) EXPECT_EQ(ini.ReadFloat("hex", key, 9), 9) << key;
    EXPECT_EQ(ini.ReadSection("GLOBAL"),
              (std::vector<std::string>{"Func Count", "name", "single", "two", "lone", "eq", "dup", "DUP"}));
}

TEST(IniFile, LongValuesAreCutAt2047WithoutSplittingACharacter) {
    TIniFile ini = TIniFile::FromText("");
    ini.WriteString("S", "ascii", std::string(3000, 'x'));
    // 2046 ASCII bytes, then a two-byte character straddling the limit.
    ini.WriteString("S", "utf8", std::string(2046, 'a') + "\xC3\xA9" + "zz");
    EXPECT_EQ(ini.ReadString("S", "ascii", ""), std::string(2047, 'x'));
    EXPECT_EQ(ini.ReadString("S", "utf8", ""), std::string(2046, 'a'));
    EXPECT_NE(ini.Text().find(std::string(3000, 'x')), std::string::npos);  // stored whole
}

TEST(IniFile, WritesReplaceInPlaceAndKeepEverythingElse) {
    auto ini = TIniFile::FromText("; keep me\r\n[A]\r\nx=1\r\nunknown=keep\r\n\r\n[B]\r\ny=2\r\n");
    ini.WriteInteger("a", "X", 5);
    ini.WriteString("A", "new", "v");
    ini.WriteString("C", "z", "line1\nline2\r[Forged]");
    ini.WriteInteger("b", "y", -3);
    EXPECT_EQ(ini.Text(), "; keep me\r\n[A]\r\nX=5\r\nunknown=keep\r\nnew=v\r\n\r\n[B]\r\ny=-3\r\n"
                          "[C]\r\nz=line1 line2 [Forged]\r\n");
    EXPECT_FALSE(ini.SectionExists("Forged"));
    ini.DeleteKey("A", "unknown");
    ini.WriteString("A", "new", "w");  // indices after the deleted line still right
    EXPECT_EQ(ini.ReadSection("A"), (std::vector<std::string>{"X", "new"}));
    EXPECT_EQ(ini.ReadString("A", "new", ""), "w");
    ini.EraseSection("b");
    EXPECT_FALSE(ini.SectionExists("B"));
    EXPECT_EQ(ini.ReadString("C", "z", ""), "line1 line2 [Forged]");
}

TEST(IniFile, ExactStringsReadBackUnchanged) {
    // The value, and the line's value as written.
    const std::pair<const char*, const char*> rows[] = {
        {"  x ", "\"  x \""}, {"\"a\"", "\"\"a\"\""}, {"'b'", "\"'b'\""}, {"a\"b\"c", "a\"b\"c"}, {"\t", "\"\t\""},
    };
    auto ini = TIniFile::FromText("");
    for (const auto& [value, stored] : rows) {
        SCOPED_TRACE(value);
        ini.WriteStringExact("S", "k", value);
        EXPECT_EQ(ini.Text(), std::string("[S]\nk=") + stored + "\n");
        EXPECT_EQ(TIniFile::FromText(ini.Text()).ReadString("S", "k", "?"), value);
    }
}

TEST(IniFile, FloatsReadBackToTheSameDouble) {
    // 15 digits where they read back, else 16, else 17.
    const std::pair<double, const char*> rows[] = {
        {0.1, "0.1"}, {1.0 / 3, "0.3333333333333333"}, {0.1 + 0.2, "0.30000000000000004"},
        {5e-324, "4.94065645841247E-324"}};
    for (const auto& [value, text] : rows) EXPECT_EQ(TIniFile::FormatFloat(value), text);
    auto ini = TIniFile::FromText("");
    std::mt19937_64 rng(11);
    for (int i = 0; i < 5000; ++i) {
        const std::uint64_t bits = rng();
        double v;
        std::memcpy(&v, &bits, sizeof v);
        if (!std::isfinite(v)) continue;
        ini.WriteFloat("F", "v", v);
        ASSERT_EQ(ini.ReadFloat("F", "v", 0), v) << TIniFile::FormatFloat(v);
    }
}

TEST(IniFile, UpdateFileIsAtomicAndKeepsLineEndings) {
    TempDir dir;
    const std::string path = dir.File("a.ini");
    {
        TIniFile ini(path);
        EXPECT_FALSE(ini.FileExisted());
        ini.WriteInteger("S", "k", 1);
        ini.UpdateFile();
    }
    EXPECT_EQ(ReadAll(path), "[S]\nk=1\n");
    WriteAll(path, "\xEF\xBB\xBF[S]\r\nk=1\r\nother=x");
    {
        TIniFile ini(path);
        EXPECT_TRUE(ini.FileExisted());
        ini.WriteInteger("s", "K", 2);
        ini.UpdateFile();
    }
    EXPECT_EQ(ReadAll(path), "\xEF\xBB\xBF[S]\r\nK=2\r\nother=x\r\n");
    for (const auto& entry : fs::directory_iterator(fs::path(path).parent_path()))
        EXPECT_EQ(entry.path().filename(), "a.ini");  // no temporary left behind
}

TEST(IniFile, RefusedWritesLeaveTheOldFileAndName) {
    TempDir dir;
    const std::string path = dir.File("ro.ini");
    WriteAll(path, "[S]\nk=old\n");
    ::chmod(path.c_str(), 0444);
    // The message names the file; the document tests check it.
    for (const std::string& target : {path, dir.File("no/such/folder.ini")}) {
        TIniFile ini(target);
        ini.WriteString("S", "k", "new");
        EXPECT_THROW(ini.UpdateFile(), EFileError) << target;
    }
    EXPECT_EQ(ReadAll(path), "[S]\nk=old\n");
    EXPECT_THROW(TIniFile{dir.File("")}, EFileError);  // a folder is not a file
}

TEST(IniFile, HugeAndBinaryInputStaysBounded) {
    // One 100 MB line with no line break, then a normal section.
    TempDir dir;
    const std::string path = dir.File("huge.ini");
    {
        std::ofstream out(path, std::ios::binary);
        out << "[S]\nbig=";
        const std::string block(1 << 20, 'q');
        for (int i = 0; i < 100; ++i) out << block;
        out << "\n[T]\nk=7\n";
    }
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("S", "big", "").size(), TIniFile::MaxValueLength);
    EXPECT_EQ(ini.ReadInteger("T", "k", 0), 7);

    // A million blank lines would cost far more memory than their bytes.
    const std::string blanks = dir.File("blanks.ini");
    WriteAll(blanks, std::string(TIniFile::MaxLines, '\n'));
    try {
        TIniFile refused(blanks);
        ADD_FAILURE() << "accepted";
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to read from " + blanks + ": the file has more than 1000000 lines");
    }
    EXPECT_NO_THROW(TIniFile::FromText(std::string(TIniFile::MaxLines - 1, '\n')));
}

// The stamp a document's file gets when it is read or written, against what
// someone else may have done to it since.
TEST(FileStamp, AnyWriteBySomeoneElseShowsAndAMissingFileIsJustMissing) {
    using namespace std::chrono_literals;
    const TempDir dir;
    const std::string path = dir.File("doc.gfx"), text = "[Global]\nFunc count=0\n";
    EXPECT_EQ(ReadFileStamp(path), TFileStamp{});
    WriteAll(path, text);
    const TFileStamp first = ReadFileStamp(path);
    ASSERT_TRUE(first.Exists);
    EXPECT_EQ(first.Size, text.size());
    const struct { const char* why; std::string text; std::chrono::seconds later; } rows[] = {
        {"the same bytes again, a later time", text, 2s},
        {"other bytes of the same size at the same time", "[Global]\nFunc count=1\n", 0s},
        {"longer at the same time", text + "\n", 0s},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        WriteAll(path, text);
        fs::last_write_time(path, first.Modified);
        ASSERT_EQ(ReadFileStamp(path), first) << "put back as it was, it is unchanged";
        WriteAll(path, row.text);
        fs::last_write_time(path, first.Modified + row.later);
        EXPECT_NE(ReadFileStamp(path), first);
    }
    fs::remove(path);
    EXPECT_FALSE(ReadFileStamp(path).Exists);
}

}  // namespace
}  // namespace curvane

#include "core/support/ini_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "core/core_test_helpers.h"
#include "core/support/exceptions.h"

namespace curvane {
namespace {

namespace fs = std::filesystem;
using test::ReadAll;
using test::WriteAll;
using TempDir = test::TTempDir;

TEST(IniFile, ReadsHandWrittenFilesLikeThePrivateProfileFunctions) {
    const std::string text =
        "\xEF\xBB\xBF; comment before any section\r\n"
        "stray=before sections\r\n"
        "  [ Global ]  \r\n"
        "Func Count = 3 \r\n"
        "name=\"  quoted  \"\r\n"
        "single='x'\r\n"
        "two=\"\"a\"\"\r\n"
        "lone=\"open\r\n"
        "empty=\r\n"
        "eq=a=b\r\n"
        "dup=first\r\n"
        "DUP=second\r\n"
        "[global]\r\n"
        "late=in duplicate section\r\n"
        "[Hex]\n"
        "a=0x10\n"
        "b=0XfF\n"
        "c=0xFFFFFFFF\n"
        "d=0x\n"
        "e=2147483648\n"
        "f=-2147483648\n"
        "g=1,5\n"
        "h= -2.5e3 \n"
        "i=1e400\n"
        "j=nan\n"
        "k=12abc\n";
    const auto ini = TIniFile::FromText(text);
    struct Row {
        const char* section;
        const char* key;
        const char* expected;
    };
    const Row strings[] = {
        {"GLOBAL", "func count", "3"},        {"global", "Name", "  quoted  "},
        {"global", "single", "x"},            {"global", "two", "\"a\""},
        {"global", "lone", "\"open"},         {"global", "empty", ""},
        {"global", "eq", "a=b"},              {"global", "dup", "first"},
        {"global", "late", "<none>"},         {"", "stray", "<none>"},
        {"missing", "x", "<none>"},
    };
    for (const auto& r : strings) {
        SCOPED_TRACE(std::string(r.section) + "/" + r.key);
        EXPECT_EQ(ini.ReadString(r.section, r.key, "<none>"), r.expected);
    }
    struct IntRow {
        const char* key;
        std::int32_t expected;
    };
    const IntRow ints[] = {{"a", 16}, {"b", 255}, {"c", -1}, {"d", 77}, {"e", 77}, {"f", INT32_MIN},
                           {"g", 77}, {"k", 77}, {"none", 77}};
    for (const auto& r : ints) {
        SCOPED_TRACE(r.key);
        EXPECT_EQ(ini.ReadInteger("Hex", r.key, 77), r.expected);
    }
    EXPECT_TRUE(ini.ReadBool("hex", "a", false));
    EXPECT_TRUE(ini.ReadBool("hex", "g", true));  // unparsable keeps the default
    EXPECT_FALSE(ini.ReadBool("hex", "g", false));
    EXPECT_EQ(ini.ReadFloat("hex", "h", 0), -2500);
    EXPECT_EQ(ini.ReadFloat("hex", "g", 9), 9);  // decimal comma
    EXPECT_EQ(ini.ReadFloat("hex", "i", 9), 9);  // beyond the double range
    EXPECT_EQ(ini.ReadFloat("hex", "j", 9), 9);
    EXPECT_EQ(ini.ReadSection("GLOBAL"),
              (std::vector<std::string>{"Func Count", "name", "single", "two", "lone", "empty", "eq", "dup", "DUP"}));
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
    auto ini = TIniFile::FromText(
        "; keep me\r\n"
        "[A]\r\n"
        "x=1\r\n"
        "unknown=keep\r\n"
        "\r\n"
        "[B]\r\n"
        "y=2\r\n");
    ini.WriteInteger("a", "X", 5);
    ini.WriteString("A", "new", "v");
    ini.WriteString("C", "z", "line1\nline2\r[Forged]");
    ini.WriteInteger("b", "y", -3);
    EXPECT_EQ(ini.Text(),
              "; keep me\r\n"
              "[A]\r\n"
              "X=5\r\n"
              "unknown=keep\r\n"
              "new=v\r\n"
              "\r\n"
              "[B]\r\n"
              "y=-3\r\n"
              "[C]\r\n"
              "z=line1 line2 [Forged]\r\n");
    EXPECT_FALSE(ini.SectionExists("Forged"));

    ini.DeleteKey("A", "unknown");
    EXPECT_FALSE(ini.ValueExists("A", "unknown"));
    EXPECT_EQ(ini.ReadString("A", "new", ""), "v");  // indices after the deleted line still right
    ini.WriteString("A", "new", "w");
    EXPECT_EQ(ini.ReadSection("A"), (std::vector<std::string>{"X", "new"}));
    ini.EraseSection("b");
    EXPECT_FALSE(ini.SectionExists("B"));
    EXPECT_EQ(ini.ReadString("C", "z", ""), "line1 line2 [Forged]");
}

TEST(IniFile, ExactStringsReadBackUnchanged) {
    struct Row {
        const char* value;
        const char* stored;  // the line's value as written
    };
    const Row rows[] = {
        {"sin(x)", "sin(x)"},
        {"  x ", "\"  x \""},
        {"\"a\"", "\"\"a\"\""},
        {"'b'", "\"'b'\""},
        {"\"open", "\"open"},
        {"a\"b\"c", "a\"b\"c"},
        {"", ""},
        {"\t", "\"\t\""},
    };
    auto ini = TIniFile::FromText("");
    for (const auto& r : rows) {
        SCOPED_TRACE(r.value);
        ini.WriteStringExact("S", "k", r.value);
        EXPECT_EQ(ini.Text(), std::string("[S]\nk=") + r.stored + "\n");
        EXPECT_EQ(TIniFile::FromText(ini.Text()).ReadString("S", "k", "?"), r.value);
    }
}

TEST(IniFile, FloatsReadBackToTheSameDouble) {
    struct Row {
        double value;
        const char* text;
    };
    const Row rows[] = {
        // 15 digits where they read back, else 16, else 17.
        {0.1, "0.1"}, {1.0 / 3, "0.3333333333333333"}, {0.1 + 0.2, "0.30000000000000004"},
        {5e-324, "4.94065645841247E-324"},
    };
    auto ini = TIniFile::FromText("");
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(TIniFile::FormatFloat(r.value), r.text);
        ini.WriteFloat("F", "v", r.value);
        EXPECT_EQ(ini.ReadFloat("F", "v", 0), r.value);
    }
    std::mt19937_64 rng(11);
    std::uniform_int_distribution<std::uint64_t> bits;
    for (int i = 0; i < 5000; ++i) {
        const std::uint64_t b = bits(rng);
        double v;
        std::memcpy(&v, &b, sizeof v);
        if (!std::isfinite(v)) continue;
        const auto text = TIniFile::FormatFloat(v);
        ASSERT_LE(text.size(), 24u) << text;
        ini.WriteFloat("F", "v", v);
        ASSERT_EQ(ini.ReadFloat("F", "v", 0), v) << text;
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
    TIniFile ini(path);
    ini.WriteString("S", "k", "new");
    try {
        ini.UpdateFile();
        ADD_FAILURE() << "write to a read-only file succeeded";
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
    }
    EXPECT_EQ(ReadAll(path), "[S]\nk=old\n");

    const std::string missing = dir.File("no/such/folder.ini");
    TIniFile nowhere(missing);
    nowhere.WriteString("S", "k", "v");
    EXPECT_THROW(nowhere.UpdateFile(), EFileError);
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

}  // namespace
}  // namespace curvane

#include "core/settings/mru_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace curvane {
namespace {

using Names = std::vector<std::string>;

TMRUFiles ListOf(const Names& newestFirst, std::uint8_t capacity = 10) {
    TMRUFiles list;
    list.SetMaxEntries(capacity);
    for (auto it = newestFirst.rbegin(); it != newestFirst.rend(); ++it) list.Add(*it);
    return list;
}

TEST(MRUFiles, AddKeepsOneSpellingPerNameNewestOnTop) {
    struct Row {
        const char* why;
        Names before;
        std::string added;
        Names after;
    };
    const Row rows[] = {
        {"new name goes on top", {"/a.gfx", "/b.gfx"}, "/c.gfx", {"/c.gfx", "/a.gfx", "/b.gfx"}},
        {"same name moves up", {"/a.gfx", "/b.gfx", "/c.gfx"}, "/c.gfx", {"/c.gfx", "/a.gfx", "/b.gfx"}},
        {"other case replaces and moves up", {"/a.gfx", "/B.GFX"}, "/b.gfx", {"/b.gfx", "/a.gfx"}},
        {"top entry in other case keeps one entry", {"/Plot.gfx"}, "/plot.GFX", {"/plot.GFX"}},
        {"Latin-1 capitals fold", {"/Über.gfx", "/x.gfx"}, "/über.gfx", {"/über.gfx", "/x.gfx"}},
        {"Cyrillic capitals fold", {"/График.gfx"}, "/график.gfx", {"/график.gfx"}},
        {"different letters stay apart", {"/a.gfx"}, "/á.gfx", {"/á.gfx", "/a.gfx"}},
        {"prefix is not the same name", {"/a.gfx"}, "/a.gfx2", {"/a.gfx2", "/a.gfx"}},
        {"empty name is ignored", {"/a.gfx"}, "", {"/a.gfx"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.why);
        auto list = ListOf(r.before);
        list.Add(r.added);
        EXPECT_EQ(list.Items(), r.after);
    }
}

TEST(MRUFiles, CaseFoldingDoesNotConfuseMalformedUtf8) {
    EXPECT_FALSE(SameFileNameIgnoringCase("\xC3", "\xC3\xA4"));  // truncated sequence
    EXPECT_FALSE(SameFileNameIgnoringCase("\xFF", "\xFE"));
    EXPECT_TRUE(SameFileNameIgnoringCase("\xFF", "\xFF"));
    EXPECT_FALSE(SameFileNameIgnoringCase("a\xC3(", "A\xC3\xA4"));  // bad continuation byte
    EXPECT_FALSE(SameFileNameIgnoringCase("×", "÷"));  // not a capital/small pair
}

TEST(MRUFiles, CapacityDropsTheOldest) {
    TMRUFiles list;
    list.SetMaxEntries(10);
    for (int i = 1; i <= 11; ++i) list.Add("/f" + std::to_string(i) + ".gfx");
    ASSERT_EQ(list.Count(), 10);
    EXPECT_EQ(list.Items().front(), "/f11.gfx");
    EXPECT_EQ(list.Items().back(), "/f2.gfx");

    // Re-adding an entry that is listed must not push another one out.
    list.Add("/F5.gfx");
    ASSERT_EQ(list.Count(), 10);
    EXPECT_EQ(list.Items().front(), "/F5.gfx");
    EXPECT_EQ(list.Items().back(), "/f2.gfx");

    // Shrinking keeps exactly the new capacity, newest first.
    list.SetMaxEntries(3);
    EXPECT_EQ(list.Items(), (Names{"/F5.gfx", "/f11.gfx", "/f10.gfx"}));

    list.SetMaxEntries(0);
    EXPECT_TRUE(list.Empty());
    list.Add("/g.gfx");
    EXPECT_TRUE(list.Empty());
}

TEST(MRUFiles, RemoveIgnoresCase) {
    auto list = ListOf({"/a.gfx", "/b.gfx", "/c.gfx"});
    EXPECT_TRUE(list.Remove("/B.gfx"));
    EXPECT_FALSE(list.Remove("/b.gfx"));
    EXPECT_EQ(list.Items(), (Names{"/a.gfx", "/c.gfx"}));
}

TEST(MRUFiles, CaptionsAndHints) {
    Names names;
    for (int i = 1; i <= 12; ++i) names.push_back("/d/f" + std::to_string(i) + ".gfx");
    auto list = ListOf(names, 12);
    ASSERT_EQ(list.Count(), 12);
    EXPECT_EQ(list.EntryCaption(0), "&1 /d/f1.gfx");
    EXPECT_EQ(list.EntryCaption(9), "&10 /d/f10.gfx");
    EXPECT_EQ(list.EntryCaption(10), "  /d/f11.gfx");
    list.SetNumbered(false);
    EXPECT_EQ(list.EntryCaption(0), "/d/f1.gfx");

    auto amp = ListOf({"/R&D/plot.gfx"});
    EXPECT_EQ(amp.EntryCaption(0), "&1 /R&&D/plot.gfx");
    EXPECT_THROW(amp.EntryCaption(1), std::out_of_range);
}

}  // namespace
}  // namespace curvane

#include "core/support/ini_file.h"

namespace curvane {
namespace {

TEST(MRUFilesIni, LoadStopsAtTheFirstMissingOrEmptyKey) {
    struct Row {
        const char* why;
        const char* text;
        std::uint8_t capacity;
        Names expected;
    };
    const Row rows[] = {
        {"third key empty hides the fourth", "[MRUFiles]\nFile1=/a.gfx\nFile2=/b.gfx\nFile3=\nFile4=/d.gfx\n", 10,
         {"/a.gfx", "/b.gfx"}},
        {"third key missing", "[MRUFiles]\nFile1=/a.gfx\nFile2=/b.gfx\nFile4=/d.gfx\n", 10, {"/a.gfx", "/b.gfx"}},
        {"blank value counts as empty", "[MRUFiles]\nFile1=   \nFile2=/b.gfx\n", 10, {}},
        {"keys in any order and case", "[mrufiles]\nfile2=/b.gfx\nFILE1=/a.gfx\n", 10, {"/a.gfx", "/b.gfx"}},
        {"reads no further than the capacity", "[MRUFiles]\nFile1=/a\nFile2=/b\nFile3=/c\n", 2, {"/a", "/b"}},
        {"second spelling of a name is skipped", "[MRUFiles]\nFile1=/A.gfx\nFile2=/b\nFile3=/a.GFX\nFile4=/c\n", 10,
         {"/A.gfx", "/b", "/c"}},
        {"quoted value keeps its blanks", "[MRUFiles]\nFile1=\" /x .gfx \"\n", 10, {" /x .gfx "}},
        {"no section", "[Other]\nFile1=/a\n", 10, {}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.why);
        auto ini = TIniFile::FromText(r.text);
        auto list = ListOf({"/stale.gfx"}, r.capacity);
        list.Load(ini, "MRUFiles");
        EXPECT_EQ(list.Items(), r.expected);
    }
}

TEST(MRUFilesIni, SaveErasesTheSectionAndRoundTrips) {
    auto ini = TIniFile::FromText(
        "[Global]\nSaveConfig=1\n[MRUFiles]\nFile1=/old1\nFile2=/old2\nFile3=/old3\nFile4=/old4\nExtra=x\n"
        "[After]\nKey=1\n");
    const Names names{"/home/u/Plot one.gfx", " lead.gfx", "\"quoted\".gfx", "'odd\"", "/R&D/ä.gfx"};
    auto list = ListOf(names);
    list.Save(ini, "MRUFiles");
    EXPECT_FALSE(ini.ValueExists("MRUFiles", "File6"));
    EXPECT_FALSE(ini.ValueExists("MRUFiles", "Extra"));
    EXPECT_EQ(ini.ReadString("MRUFiles", "File1", ""), "/home/u/Plot one.gfx");
    EXPECT_EQ(ini.ReadString("Global", "SaveConfig", ""), "1");
    EXPECT_EQ(ini.ReadString("After", "Key", ""), "1");

    auto reread = TIniFile::FromText(ini.Text());
    TMRUFiles back;
    back.SetMaxEntries(10);
    back.Load(reread, "MRUFiles");
    EXPECT_EQ(back.Items(), names);

    // An emptied list leaves an empty section: nothing from before reloads.
    TMRUFiles empty;
    empty.Save(ini, "MRUFiles");
    back.Load(TIniFile::FromText(ini.Text()), "MRUFiles");
    EXPECT_TRUE(back.Empty());
}

TEST(MRUFilesIni, NamesTheFileCannotHoldAreLeftOutWithoutAGap) {
    auto ini = TIniFile::FromText("");
    const std::string longName = "/" + std::string(TIniFile::MaxValueLength, 'x');
    auto list = ListOf({"/first.gfx", "/bad\nname.gfx", longName, "/last.gfx"});
    list.Save(ini, "MRUFiles");
    TMRUFiles back;
    back.Load(TIniFile::FromText(ini.Text()), "MRUFiles");
    EXPECT_EQ(back.Items(), (Names{"/first.gfx", "/last.gfx"}));
}

}  // namespace
}  // namespace curvane

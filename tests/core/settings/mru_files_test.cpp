// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/mru_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/support/ini_file.h"

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
    const struct { const char* Why; Names Before; std::string Added; Names After; } rows[] = {
        {"other case replaces and moves up", {"/a.gfx", "/B.GFX", "/c.gfx"}, "/b.gfx", {"/b.gfx", "/a.gfx", "/c.gfx"}},
        {"Latin-1 capitals fold", {"/Über.gfx", "/x.gfx"}, "/über.gfx", {"/über.gfx", "/x.gfx"}},
        {"Cyrillic capitals fold", {"/График.gfx"}, "/график.gfx", {"/график.gfx"}},
        {"different letters stay apart", {"/a.gfx"}, "/á.gfx", {"/á.gfx", "/a.gfx"}},
        {"prefix is not the same name", {"/a.gfx"}, "/a.gfx2", {"/a.gfx2", "/a.gfx"}},
        {"empty name is ignored", {"/a.gfx"}, "", {"/a.gfx"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.Why);
        auto list = ListOf(r.Before);
        list.Add(r.Added);
        EXPECT_EQ(list.Items(), r.After);
    }
    EXPECT_FALSE(SameFileNameIgnoringCase("a\xC3(", "A\xC3\xA4"));  // bad continuation byte
    EXPECT_FALSE(SameFileNameIgnoringCase("×", "÷"));                // not a capital/small pair
}

TEST(MRUFiles, CapacityRemoveAndCaptions) {
    TMRUFiles list = ListOf({});
    for (int i = 1; i <= 11; ++i) list.Add("/f" + std::to_string(i) + ".gfx");
    // Re-adding an entry that is listed must not push another one out.
    list.Add("/F5.gfx");
    ASSERT_EQ(list.Count(), 10);
    EXPECT_EQ(list.Items().back(), "/f2.gfx");
    EXPECT_EQ(list.EntryCaption(0), "&1 /F5.gfx");
    EXPECT_EQ(list.EntryCaption(9), "&10 /f2.gfx");
    EXPECT_TRUE(list.Remove("/f11.GFX"));
    // Shrinking keeps exactly the new capacity, newest first.
    list.SetMaxEntries(3);
    EXPECT_EQ(list.Items(), (Names{"/F5.gfx", "/f10.gfx", "/f9.gfx"}));
    list.SetMaxEntries(0);
    list.Add("/g.gfx");
    EXPECT_TRUE(list.Empty());

    auto big = ListOf({"/R&D/1.gfx", "2", "3", "4", "5", "6", "7", "8", "9", "10", "/11.gfx"}, 12);
    EXPECT_EQ(big.EntryCaption(0), "&1 /R&&D/1.gfx");
    EXPECT_EQ(big.EntryCaption(10), "  /11.gfx");
    EXPECT_THROW(big.EntryCaption(11), std::out_of_range);
}

TEST(MRUFilesIni, LoadStopsAtTheFirstMissingOrEmptyKey) {
    const struct { const char* Why; const char* Text; std::uint8_t Capacity; Names Expected; } rows[] = {
        {"third key empty hides the fourth", "[MRUFiles]\nFile1=/a\nFile2=/b\nFile3=\nFile4=/d\n", 10, {"/a", "/b"}},
        {"third key missing", "[MRUFiles]\nFile1=/a\nFile2=/b\nFile4=/d\n", 10, {"/a", "/b"}},
        {"reads no further than the capacity", "[MRUFiles]\nFile1=/a\nFile2=/b\nFile3=/c\n", 2, {"/a", "/b"}},
        {"second spelling of a name is skipped", "[MRUFiles]\nFile1=/A\nFile2=/b\nFile3=/a\nFile4=/c\n", 10,
         {"/A", "/b", "/c"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.Why);
        auto list = ListOf({"/stale.gfx"}, r.Capacity);
        list.Load(TIniFile::FromText(r.Text), "MRUFiles");
        EXPECT_EQ(list.Items(), r.Expected);
    }
}

// Names the file cannot hold (a line break, an overlong name) are left out
// without a gap in the numbering.
TEST(MRUFilesIni, SaveErasesTheSectionAndRoundTrips) {
    auto ini = TIniFile::FromText("[Global]\nSaveConfig=1\n[MRUFiles]\nFile1=/o1\nFile2=/o2\nFile3=/o3\nFile4=/o4\n"
                                  "File5=/o5\nFile6=/o6\nExtra=x\n[After]\nKey=1\n");
    const Names names{"/home/u/Plot one.gfx", " lead.gfx", "\"quoted\".gfx", "'odd\"", "/R&D/ä.gfx"};
    const std::string longName = "/" + std::string(TIniFile::MaxValueLength, 'x');
    ListOf({names[0], names[1], "/bad\nname.gfx", names[2], longName, names[3], names[4]}).Save(ini, "MRUFiles");
    EXPECT_EQ(ini.ReadSection("MRUFiles"), (Names{"File1", "File2", "File3", "File4", "File5"}));
    EXPECT_EQ(ini.ReadString("After", "Key", ""), "1");
    TMRUFiles back = ListOf({});
    back.Load(TIniFile::FromText(ini.Text()), "MRUFiles");
    EXPECT_EQ(back.Items(), names);
    // An emptied list leaves an empty section: nothing from before reloads.
    TMRUFiles().Save(ini, "MRUFiles");
    back.Load(TIniFile::FromText(ini.Text()), "MRUFiles");
    EXPECT_TRUE(back.Empty());
}

}  // namespace
}  // namespace curvane

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
    EXPECT_TRUE(SameFileNameIgnoringCase("ABC", "abc"));
    EXPECT_FALSE(SameFileNameIgnoringCase("\xC3", "\xC3\xA4"));  // truncated sequence
    EXPECT_FALSE(SameFileNameIgnoringCase("\xFF", "\xFE"));
    EXPECT_TRUE(SameFileNameIgnoringCase("\xFF", "\xFF"));
    EXPECT_FALSE(SameFileNameIgnoringCase("a\xC3(", "A\xC3\xA4"));  // bad continuation byte
    EXPECT_FALSE(SameFileNameIgnoringCase("×", "÷"));  // not a capital/small pair
}

TEST(MRUFiles, CapacityDropsTheOldest) {
    TMRUFiles list;
    EXPECT_EQ(list.MaxEntries(), 9);
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

TEST(MRUFiles, RemoveAndClear) {
    auto list = ListOf({"/a.gfx", "/b.gfx", "/c.gfx"});
    EXPECT_TRUE(list.Remove("/B.gfx"));
    EXPECT_FALSE(list.Remove("/b.gfx"));
    EXPECT_EQ(list.Items(), (Names{"/a.gfx", "/c.gfx"}));
    list.Clear();
    EXPECT_TRUE(list.Empty());
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
    EXPECT_EQ(TMRUFiles::EntryHint("/d/f1.gfx"), "Opens /d/f1.gfx");

    auto amp = ListOf({"/R&D/plot.gfx"});
    EXPECT_EQ(amp.EntryCaption(0), "&1 /R&&D/plot.gfx");
    EXPECT_THROW(amp.EntryCaption(1), std::out_of_range);
}

TEST(MRUFiles, ReportsEveryChangeButNotNoOps) {
    TMRUFiles list;
    int changes = 0;
    list.SetOnChange([&] { ++changes; });
    list.Add("/a.gfx");
    list.Add("");
    list.SetNumbered(true);  // already true
    list.SetNumbered(false);
    list.SetMaxEntries(9);  // unchanged
    list.SetMaxEntries(4);
    list.Remove("/zzz.gfx");
    list.Clear();
    EXPECT_EQ(changes, 4);
}

}  // namespace
}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/plot/pline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>
#include <streambuf>
#include <tuple>
#include <vector>

#include "core/support/exceptions.h"

namespace curvane {
namespace {

std::vector<double> Vertices(const TPline& p) { return {p.Data(), p.Data() + std::size_t(p.Count()) * p.Dimension()}; }

TEST(Pline, GrowingShrinkingAndRelayingKeepVertices) {
    TPline p(2);
    for (int i = 0; i < 300; ++i) ASSERT_EQ(p.AddVertex({double(i), 2.0 * i}), i);
    for (int i = 0; i < 300; ++i) ASSERT_EQ(p.GetVertex(i)[1], 2.0 * i) << i;
    // Shrinking then growing again must zero the reused room, not show old values.
    p.SetCount(2);
    p.SetCount(3);
    EXPECT_EQ(Vertices(p), (std::vector<double>{0, 0, 1, 2, 0, 0}));
    p.SetDimension(3);
    EXPECT_EQ(Vertices(p), (std::vector<double>{0, 0, 0, 1, 2, 0, 0, 0, 0}));
    p.SetDimension(1);
    EXPECT_EQ(Vertices(p), (std::vector<double>{0, 1, 0}));
}

TEST(Pline, FailuresKeepState) {
    TPline p(3);
    p.AddVertex({1, 2, 3});
    const std::pair<const char*, std::function<void()>> rows[] = {
        {"GetVertex -1", [&] { p.GetVertex(-1); }},
        {"GetColor count", [&] { p.GetColor(1); }},
        {"SetCapacity below count", [&] { p.SetCapacity(0); }},
        {"Grow past max", [&] { p.Grow(0x7FFFFFFF); }},
        {"SetDimension -7", [&] { p.SetDimension(-7); }},
        {"AddVertex short", [&] { p.AddVertex({1.0}); }},
    };
    for (const auto& [what, call] : rows) {
        SCOPED_TRACE(what);
        EXPECT_THROW(call(), Exception);
        EXPECT_EQ(Vertices(p), (std::vector<double>{1, 2, 3}));
    }
}

TEST(Pline, ColoursRoundAndLineColorRecoloursOnlyItsOwn) {
    const int red = 0x0000FF, green = 0x00FF00, blue = 0xFF0000;
    TPline p(3);
    p.SetLineColor(red);
    p.AddVertex({0, 0, double(red)});
    p.AddVertex({1, 1, red + 0.4});  // still red after rounding
    p.AddVertex({2, 2, double(green)});
    p.SetLineColor(blue);
    EXPECT_EQ(p.GetColor(1), blue);
    EXPECT_EQ(p.GetColor(2), green);
    p.SetVertex(0, std::vector<double>{0, 0, 2.5}.data());
    EXPECT_EQ(p.GetColor(0), 2);  // ties to even
    p.SetVertex(0, std::vector<double>{0, 0, 3e9}.data());
    EXPECT_THROW(p.GetColor(0), ERangeError);
    p.SetVertex(0, std::vector<double>{0, 0, NAN}.data());
    EXPECT_NO_THROW(p.SetLineColor(red));  // a non-colour component is left alone
    EXPECT_EQ(p.GetColor(1), red);

    TPline flat(2);
    flat.AddVertex({1, 2});
    flat.SetLineColor(green);  // no colour component: only the line's own colour changes
    EXPECT_EQ(Vertices(flat), (std::vector<double>{1, 2}));
}

TEST(Pline, AppendAndAssign) {
    TPline a(2), b(2), other(3), empty(2);
    a.AddVertex({1, 1});
    b.AddVertex({2, 2});
    b.AddVertex({3, 3});
    other.AddVertex({9, 9, 9});
    // Empty and other-dimension lines are skipped; a itself counts after b was appended.
    const TPline* list[] = {&empty, &b, &other, &a};
    a.Append(list);
    EXPECT_EQ(Vertices(a), (std::vector<double>{1, 1, 2, 2, 3, 3, 1, 1, 2, 2, 3, 3}));
    // Assign takes the vertices and keeps the target's tag, title and line colour.
    TPline c(5);
    c.SetTag(7);
    c.SetTitle("kept");
    c.SetLineColor(42);
    c.Assign(&b);
    c.Assign(&c);
    EXPECT_EQ(Vertices(c), Vertices(b));
    EXPECT_EQ(std::tuple(c.Tag(), c.Title(), c.LineColor()), std::tuple(7, std::string("kept"), 42));
}

std::string Saved(const TPline& p) { std::ostringstream out; p.SaveToStream(out); return out.str(); }
TPline Loaded(std::istream& in) { TPline p(1); p.LoadFromStream(in); return p; }

// A stream that hides its size like a pipe: tellg fails, so the reader must not trust lengths.
struct TPipe : std::streambuf, std::istream {
    std::string Data;
    explicit TPipe(std::string data) : std::istream(this), Data(std::move(data)) {
        setg(Data.data(), Data.data(), Data.data() + Data.size());
    }
};

TEST(PlineStream, LayoutAndSmallestIntegerForms) {
    TPline p(3);
    p.SetTag(-2);
    p.SetTitle("T");
    const std::string bytes = Saved(p);
    EXPECT_EQ(bytes, std::string("\x06\x01P\x06\x0bpline begin\x02\xfe\x06\x01T\x02\x03\x02\x00\x06\x09pline end", 36));

    const std::pair<std::int32_t, std::string> rows[] = {{-128, std::string("\x02\x80", 2)},
                                                         {128, std::string("\x03\x80\x00", 3)},
                                                         {-32769, std::string("\x04\xff\x7f\xff\xff", 5)}};
    for (const auto& [value, expected] : rows) {
        SCOPED_TRACE(value);
        std::ostringstream out;
        TComponentWriter(out).WriteInteger(value);
        EXPECT_EQ(out.str(), expected);
        std::istringstream back(out.str());
        EXPECT_EQ(TComponentReader(back, "bad").ReadInteger(), value);
    }
}

// A long title takes the long string form; the vertices span several read
// chunks, which a pipe delivers without a size.
TEST(PlineStream, LargePolylineRoundTripsThroughFileAndPipe) {
    TPline p(2);
    p.SetTitle(std::string(300, 'x'));
    p.SetTag(100000);
    for (int i = 0; i < 20000; ++i) {
        p.AddVertex({i * 0.1, -i / 3.0});
        if (i == 7000) AddGapVertex(p);  // NaNs travel as they are
    }
    const std::string bytes = Saved(p);
    EXPECT_EQ(bytes[bytes.find("pline begin") + 11 + 5], '\x0c');  // after the 5-byte Tag
    TPipe pipe(bytes);
    std::istringstream file(bytes);
    EXPECT_EQ(Saved(Loaded(pipe)), bytes);
    const TPline back = Loaded(file);
    EXPECT_EQ(Saved(back), bytes);
    EXPECT_TRUE(IsGapVertex(back.GetVertex(7001)) && std::isnan(back.GetVertex(7001)[1]));
}

TEST(PlineStream, ReaderAcceptsWideAndUtf8Strings) {
    // "P", then "pline begin" as a wide string; Tag 0, Title "é" as UTF-16,
    // Dimension 1, Count 0, and "pline end" as a UTF-8 string.
    std::string s = std::string("\x06\x01P\x12\x0b\x00\x00\x00", 8);
    for (char c : std::string("pline begin")) s += std::string{c, '\0'};
    s += std::string("\x02\x00\x12\x01\x00\x00\x00\xe9\x00\x02\x01\x02\x00\x14\x09\x00\x00\x00", 18) + "pline end";
    std::istringstream in(s);
    const TPline p = Loaded(in);
    EXPECT_EQ(p.Title(), "\xc3\xa9");
    EXPECT_EQ(p.Dimension(), 1);
}

TEST(PlineStream, UntrustedInputIsRefusedBeforeAllocating) {
    TPline good(2);
    good.AddVertex({1, 2});
    good.AddVertex({3, 4});
    const std::string bytes = Saved(good);
    const std::size_t dimAt = bytes.find("pline begin") + 11 + 2 + 2;  // after Tag and empty Title
    auto withHeader = [&](std::string dimCount) { return bytes.substr(0, dimAt) + dimCount + bytes.substr(dimAt + 4); };
    const struct { const char* What; std::string Stream; bool Untouched; } rows[] = {
        // Untouched: failed before the polyline was cleared.
        {"empty stream", "", true},
        {"wrong begin", std::string("\x06\x01P\x06\x03" "abc", 8), true},
        {"long string length forged", std::string("\x06\x01P\x0c\xff\xff\xff\x7f", 8), true},
        {"wrong end", bytes.substr(0, bytes.size() - 9) + "pline xxx", false},
        {"truncated block", bytes.substr(0, bytes.size() - 20), false},
        {"count beyond stream", withHeader(std::string("\x02\x02\x04\x00\x00\x00\x01", 7)), false},
        {"product overflows", withHeader(std::string("\x04\xff\xff\xff\x7f\x04\xfe\xff\xff\x0f", 10)), false},
        {"negative count", withHeader(std::string("\x02\x02\x02\xff", 4)), false},
    };
    for (const auto& r : rows) {
        for (bool seekable : {true, false}) {
            SCOPED_TRACE(std::string(r.What) + (seekable ? " (seekable)" : " (pipe)"));
            TPline p(2);
            p.AddVertex({5, 6});
            TPipe pipe(r.Stream);
            std::istringstream file(r.Stream);
            EXPECT_THROW(p.LoadFromStream(seekable ? static_cast<std::istream&>(file) : pipe), Exception);
            // Either untouched, or never sized to a forged count.
            EXPECT_TRUE(r.Untouched ? Vertices(p) == (std::vector<double>{5, 6}) : p.Capacity() <= 2);
        }
    }
}

}  // namespace
}  // namespace curvane

#include "core/plot/pline.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <cmath>
#include <sstream>
#include <streambuf>
#include <vector>

#include "core/support/exceptions.h"

namespace curvane {
namespace {

std::vector<double> Vertices(const TPline& p) {
    return std::vector<double>(p.Data(), p.Data() + std::size_t(p.Count()) * p.Dimension());
}

template <typename F>
std::string ErrorOf(F&& f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(Pline, GrowingKeepsVerticesAndZeroFillsReusedRoom) {
    TPline p(2);
    for (int i = 0; i < 300; ++i) ASSERT_EQ(p.AddVertex({double(i), 2.0 * i}), i);
    for (int i = 0; i < 300; ++i) ASSERT_EQ(p.GetVertex(i)[1], 2.0 * i) << i;
    // Shrinking then growing again must zero the reused room, not show old values.
    p.SetCount(2);
    p.SetCount(4);
    EXPECT_EQ(Vertices(p), (std::vector<double>{0, 0, 1, 2, 0, 0, 0, 0}));
}

TEST(Pline, SetDimensionRelaysVerticesBothWays) {
    TPline p(2);
    p.AddVertex({1, 2});
    p.AddVertex({3, 4});
    p.SetDimension(3);
    EXPECT_EQ(Vertices(p), (std::vector<double>{1, 2, 0, 3, 4, 0}));
    p.SetVertex(1, std::vector<double>{3, 4, 5}.data());
    p.SetDimension(2);
    EXPECT_EQ(Vertices(p), (std::vector<double>{1, 2, 3, 4}));
    p.SetDimension(1);
    EXPECT_EQ(Vertices(p), (std::vector<double>{1, 3}));
}

TEST(Pline, FailuresCarryExactMessagesAndKeepState) {
    TPline p(3);
    p.AddVertex({1, 2, 3});
    struct Row {
        const char* what;
        std::function<void()> call;
        const char* message;
    };
    double v[3] = {0, 0, 0};
    const Row rows[] = {
        {"GetVertex -1", [&] { p.GetVertex(-1); }, "TPline.GetVertex: Index out of bounds"},
        {"GetVertex count", [&] { p.GetVertex(1); }, "TPline.GetVertex: Index out of bounds"},
        {"SetVertex count", [&] { p.SetVertex(1, v); }, "TPline.SetVertex: Index out of bounds"},
        {"GetColor count", [&] { p.GetColor(1); }, "TPline.GetColor: Index out of bounds"},
        {"SetColor -1", [&] { p.SetColor(-1, 0); }, "TPline.SetColor: Index out of bounds"},
        {"SetCapacity below count", [&] { p.SetCapacity(0); }, "TPline.SetCapacity: Index out of bounds"},
        {"SetCapacity max", [&] { p.SetCapacity(268435455); }, "TPline.SetCapacity: Index out of bounds"},
        {"SetCount negative", [&] { p.SetCount(-1); }, "TPline.SetCount: Index out of bounds"},
        {"SetCount max", [&] { p.SetCount(268435455); }, "TPline.SetCount: Index out of bounds"},
        {"SetDimension -7", [&] { p.SetDimension(-7); }, "TPline.SetDimension: Invalid NewDimension=-7"},
        {"Assign null", [&] { p.Assign(nullptr); }, "TPline.Assign: Source not a TPline"},
        {"AssignTo null", [&] { p.AssignTo(nullptr); }, "TPline.AssignTo: Dest not a TPline"},
        {"Grow past max", [&] { p.Grow(0x7FFFFFFF); }, "TPline.SetCapacity: Index out of bounds"},
        {"AddVertex short", [&] { p.AddVertex({1.0}); }, "TPline.AddVertex: fewer values than Dimension"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(ErrorOf(r.call), r.message);
        EXPECT_EQ(p.Count(), 1);
        EXPECT_EQ(p.Dimension(), 3);
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
    EXPECT_EQ(p.GetColor(0), blue);
    EXPECT_EQ(p.GetColor(1), blue);
    EXPECT_EQ(p.GetColor(2), green);
    EXPECT_EQ(p.LineColor(), blue);

    p.SetVertex(0, std::vector<double>{0, 0, 2.5}.data());
    EXPECT_EQ(p.GetColor(0), 2);  // ties to even
    p.SetVertex(0, std::vector<double>{0, 0, 3e9}.data());
    EXPECT_THROW(p.GetColor(0), ERangeError);
    p.SetVertex(0, std::vector<double>{0, 0, std::nan("")}.data());
    EXPECT_NO_THROW(p.SetLineColor(red));  // a non-colour component is left alone
    EXPECT_EQ(p.GetColor(1), red);

    TPline flat(2);
    flat.AddVertex({1, 2});
    EXPECT_EQ(ErrorOf([&] { flat.SetColor(0, red); }), "TPline.SetColor: Dimension below 3");
    flat.SetLineColor(green);  // no colour component: only the line's own colour changes
    EXPECT_EQ(Vertices(flat), (std::vector<double>{1, 2}));
}

TEST(Pline, AppendAndAssign) {
    TPline a(2), b(2), other(3), empty(2);
    a.AddVertex({1, 1});
    b.AddVertex({2, 2});
    b.AddVertex({3, 3});
    other.AddVertex({9, 9, 9});
    {
        const TPline* list[] = {&empty, &other};
        a.Append(list);
        EXPECT_EQ(Vertices(a), (std::vector<double>{1, 1}));
    }
    {
        const TPline* list[] = {&b, &other, &a};  // a itself, after b was appended
        a.Append(list);
        EXPECT_EQ(Vertices(a), (std::vector<double>{1, 1, 2, 2, 3, 3, 1, 1, 2, 2, 3, 3}));
    }
    TPline c(5);
    c.SetTag(7);
    c.SetTitle("kept");
    c.SetLineColor(42);
    c.Assign(&b);
    EXPECT_EQ(c.Dimension(), 2);
    EXPECT_EQ(Vertices(c), Vertices(b));
    EXPECT_EQ(c.Tag(), 7);
    EXPECT_EQ(c.Title(), "kept");
    EXPECT_EQ(c.LineColor(), 42);
    c.Assign(&c);
    EXPECT_EQ(Vertices(c), Vertices(b));
    other.AssignTo(&c);
    EXPECT_EQ(c.Dimension(), 3);
    EXPECT_EQ(Vertices(c), (std::vector<double>{9, 9, 9}));
}

std::string Saved(const TPline& p) {
    std::ostringstream out;
    p.SaveToStream(out);
    return out.str();
}

TEST(PlineStream, EmptyPolylineLayoutAndRoundTrip) {
    TPline p(3);
    p.SetTag(-2);
    p.SetTitle("T");
    const std::string bytes = Saved(p);
    const std::string expected = std::string("\x06\x01P", 3) + "\x06\x0bpline begin" +
                                 std::string("\x02\xfe", 2) + std::string("\x06\x01T", 3) +
                                 std::string("\x02\x03", 2) + std::string("\x02\x00", 2) +
                                 "\x06\x09pline end";
    EXPECT_EQ(bytes, expected);
    TPline back(1);
    std::istringstream in(bytes);
    back.LoadFromStream(in);
    EXPECT_EQ(back.Dimension(), 3);
    EXPECT_EQ(back.Count(), 0);
    EXPECT_EQ(back.Tag(), -2);
    EXPECT_EQ(back.Title(), "T");
}

TEST(PlineStream, IntegersUseTheSmallestTag) {
    struct Row {
        std::int32_t tag;
        std::string bytes;
    };
    const Row rows[] = {
        {127, std::string("\x02\x7f", 2)},
        {-128, std::string("\x02\x80", 2)},
        {128, std::string("\x03\x80\x00", 3)},
        {-32769, std::string("\x04\xff\x7f\xff\xff", 5)},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.tag);
        std::ostringstream out;
        TComponentWriter w(out);
        w.WriteInteger(r.tag);
        EXPECT_EQ(out.str(), r.bytes);
        std::istringstream in(out.str());
        TComponentReader rd(in, "bad");
        EXPECT_EQ(rd.ReadInteger(), r.tag);
    }
}

// Hides its size like a pipe: tellg fails, so the reader must not trust lengths.
class PipeBuf : public std::streambuf {
public:
    explicit PipeBuf(std::string data) : FData(std::move(data)) {
        setg(FData.data(), FData.data(), FData.data() + FData.size());
    }
private:
    std::string FData;
};

// A long title takes the long string form; the vertices span several read
// chunks, which a pipe delivers without a size.
TEST(PlineStream, LargePolylineRoundTripsThroughFileAndPipe) {
    TPline p(2);
    p.SetTitle(std::string(300, 'x'));
    p.SetTag(100000);
    for (int i = 0; i < 20000; ++i) p.AddVertex({i * 0.1, -i / 3.0});
    const std::string bytes = Saved(p);
    EXPECT_EQ(bytes[bytes.find("pline begin") + 11 + 5], '\x0c');  // after the 5-byte Tag
    for (bool seekable : {true, false}) {
        SCOPED_TRACE(seekable ? "seekable" : "pipe");
        PipeBuf pipe(bytes);
        std::istringstream file(bytes);
        std::istream pipeStream(&pipe);
        TPline back;
        back.LoadFromStream(seekable ? static_cast<std::istream&>(file) : pipeStream);
        EXPECT_EQ(back.Title(), p.Title());
        EXPECT_EQ(back.Tag(), 100000);
        EXPECT_EQ(Vertices(back), Vertices(p));
    }
}

TEST(PlineStream, ReaderAcceptsWideAndUtf8Strings) {
    // "P", then "pline begin" as a wide string, title "é" as UTF-16 and as UTF-8.
    std::string s = std::string("\x06\x01P", 3);
    s += std::string("\x12\x0b\x00\x00\x00", 5);
    for (char c : std::string("pline begin")) s += std::string{c, '\0'};
    s += std::string("\x02\x00", 2);                          // Tag
    s += std::string("\x12\x01\x00\x00\x00\xe9\x00", 7);      // Title "é"
    s += std::string("\x02\x01\x02\x00", 4);                  // Dimension 1, Count 0
    s += std::string("\x14\x09\x00\x00\x00", 5) + "pline end";
    TPline p;
    std::istringstream in(s);
    p.LoadFromStream(in);
    EXPECT_EQ(p.Title(), "\xc3\xa9");
    EXPECT_EQ(p.Dimension(), 1);
}

TEST(PlineStream, UntrustedInputIsRefusedBeforeAllocating) {
    TPline good(2);
    good.AddVertex({1, 2});
    good.AddVertex({3, 4});
    const std::string bytes = Saved(good);
    const std::size_t dimAt = bytes.find("pline begin") + 11 + 2 + 2;  // after Tag and empty Title

    auto withHeader = [&](std::string dimCount) {
        return bytes.substr(0, dimAt) + dimCount + bytes.substr(dimAt + 4);
    };
    struct Row {
        const char* what;
        std::string stream;
        const char* message;
        bool untouched;  // failed before the polyline was cleared
    };
    const Row rows[] = {
        {"first value X", std::string("\x06\x01X", 3), "TPline.GetFromReader: bad or obsolete pline format /use TPline.ReadObsoletePline()/", true},
        {"first value longer", std::string("\x06\x02PP", 4), "TPline.GetFromReader: bad or obsolete pline format /use TPline.ReadObsoletePline()/", true},
        {"empty stream", "", "TPline.GetFromReader: bad or obsolete pline format /use TPline.ReadObsoletePline()/", true},
        {"wrong begin", std::string("\x06\x01P\x06\x03" "abc", 8), "TPline.GetFromReader: bad pline format", true},
        {"wrong end", bytes.substr(0, bytes.size() - 9) + "pline xxx", "TPline.GetFromReader: bad pline format", false},
        {"truncated block", bytes.substr(0, bytes.size() - 20), "TPline.GetFromReader: bad pline format", false},
        {"count beyond stream", withHeader(std::string("\x02\x02\x04\x00\x00\x00\x01", 7)), "TPline.GetFromReader: bad pline format", false},
        {"product overflows", withHeader(std::string("\x04\xff\xff\xff\x7f\x04\xfe\xff\xff\x0f", 10)), "TPline.GetFromReader: bad pline format", false},
        {"negative count", withHeader(std::string("\x02\x02\x02\xff", 4)), "TPline.SetCount: Index out of bounds", false},
        {"dimension 0", withHeader(std::string("\x02\x00\x02\x02", 4)), "TPline.SetDimension: Invalid NewDimension=0", false},
        {"long string length forged", std::string("\x06\x01P\x0c\xff\xff\xff\x7f", 8), "TPline.GetFromReader: bad pline format", true},
    };
    for (const auto& r : rows) {
        for (bool seekable : {true, false}) {
            SCOPED_TRACE(std::string(r.what) + (seekable ? " (seekable)" : " (pipe)"));
            TPline p(2);
            p.AddVertex({5, 6});
            PipeBuf pipe(r.stream);
            std::istringstream file(r.stream);
            std::istream pipeStream(&pipe);
            std::istream& in = seekable ? static_cast<std::istream&>(file) : pipeStream;
            EXPECT_EQ(ErrorOf([&] { p.LoadFromStream(in); }), r.message);
            if (r.untouched)
                EXPECT_EQ(Vertices(p), (std::vector<double>{5, 6}));
            else
                EXPECT_LE(p.Capacity(), 2);  // never sized to a forged count
        }
    }
}

}  // namespace
}  // namespace curvane

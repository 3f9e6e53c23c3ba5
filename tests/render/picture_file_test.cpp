// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/picture_file.h"

#include <gtest/gtest.h>

#include <QImage>

#include <limits>
#include <random>
#include <set>

namespace curvane {
namespace {

std::uint32_t U32At(const QByteArray& b, int at) {
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData()) + at;
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

int Distance(QRgb a, QRgb b) {
    const int dr = qRed(a) - qRed(b), dg = qGreen(a) - qGreen(b), db = qBlue(a) - qBlue(b);
    return dr * dr + dg * dg + db * db;
}

// Every depth is read back by Qt's own BMP reader: headers, palette and masks
// as a Windows program expects them, and each pixel either the nearest
// palette colour or the source with its channels cut to 5 (6) bits.
TEST(PictureFile, BitmapsOfEveryDepthReadBackByQt) {
    // An odd width exercises the nibble packing and the row padding.
    QImage picture(37, 23, QImage::Format_RGB32);
    std::mt19937 random(7);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, y < 3 ? qRgb(x * 7, 255 - x * 7, 128) : 0xFF000000u | (random() & 0xFFFFFF));
    picture.setDevicePixelRatio(2);

    const struct {
        TBmpDepth Depth;
        int FileBits, Compression, PaletteSize;
    } rows[] = {{TBmpDepth::bd4, 4, 0, 16},
                {TBmpDepth::bd8, 8, 0, 256},
                {TBmpDepth::bd15, 16, 0, 0},
                {TBmpDepth::bd16, 16, 3, 0},
                {TBmpDepth::bd24, 24, 0, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.Depth));
        const QByteArray bytes = BitmapFileBytes(picture, row.Depth);
        ASSERT_TRUE(bytes.startsWith("BM"));
        EXPECT_EQ(U32At(bytes, 2), static_cast<std::uint32_t>(bytes.size()));
        EXPECT_EQ(U32At(bytes, 14), 40u);
        EXPECT_EQ(U32At(bytes, 22), 23u) << "positive height: rows bottom-up";
        EXPECT_EQ(U32At(bytes, 28) & 0xFFFF, static_cast<std::uint32_t>(row.FileBits));
        EXPECT_EQ(U32At(bytes, 30), static_cast<std::uint32_t>(row.Compression));
        EXPECT_EQ(U32At(bytes, 38), 2u * 3780) << "the device pixel ratio shows in the resolution";
        EXPECT_EQ(U32At(bytes, 46), static_cast<std::uint32_t>(row.PaletteSize));
        if (row.Compression == 3) {
            EXPECT_EQ(U32At(bytes, 54), 0xF800u);
            EXPECT_EQ(U32At(bytes, 58), 0x07E0u);
            EXPECT_EQ(U32At(bytes, 62), 0x001Fu);
        }
        const int rowBytes = (37 * row.FileBits + 31) / 32 * 4;
        EXPECT_EQ(U32At(bytes, 10) + 23u * rowBytes, static_cast<std::uint32_t>(bytes.size()));

        const QImage back = QImage::fromData(bytes, "BMP");
        ASSERT_EQ(back.size(), picture.size());
        const QList<QRgb> palette = back.colorTable();
        if (row.PaletteSize > 0) {
            ASSERT_EQ(palette.size(), row.PaletteSize);
            const std::set<QRgb> distinct(palette.begin(), palette.end());
            EXPECT_EQ(distinct.size(), static_cast<std::size_t>(row.PaletteSize));
            for (QRgb c : {qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)})
                EXPECT_TRUE(distinct.contains(c)) << std::hex << c;
        }
        if (row.Depth == TBmpDepth::bd8) {
            // The 6x6x6 cube on multiples of 51, the rest greys.
            int cube = 0, greys = 0;
            for (QRgb c : palette) {
                if (qRed(c) % 51 == 0 && qGreen(c) % 51 == 0 && qBlue(c) % 51 == 0) ++cube;
                else if (qRed(c) == qGreen(c) && qGreen(c) == qBlue(c)) ++greys;
            }
            EXPECT_EQ(cube, 216);
            EXPECT_EQ(greys, 40);
        }
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const QRgb want = picture.pixel(x, y), got = back.pixel(x, y);
                SCOPED_TRACE(testing::Message() << x << "," << y << " " << std::hex << want << " -> " << got);
                switch (row.Depth) {
                    case TBmpDepth::bd4:
                    case TBmpDepth::bd8: {
                        int nearest = std::numeric_limits<int>::max();
                        for (QRgb c : palette) nearest = std::min(nearest, Distance(want, c));
                        ASSERT_EQ(Distance(want, got), nearest);
                        break;
                    }
                    case TBmpDepth::bd15:
                    case TBmpDepth::bd16: {
                        const int greenBits = row.Depth == TBmpDepth::bd16 ? 2 : 3;
                        ASSERT_EQ(qRed(got) >> 3, qRed(want) >> 3);
                        ASSERT_EQ(qGreen(got) >> greenBits, qGreen(want) >> greenBits);
                        ASSERT_EQ(qBlue(got) >> 3, qBlue(want) >> 3);
                        break;
                    }
                    case TBmpDepth::bd24:
                        ASSERT_EQ(got & 0xFFFFFF, want & 0xFFFFFF);
                        break;
                }
            }
    }
}

}  // namespace
}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/help/frm_about.h"

#include <QFile>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include "gui/common/application.h"
#include "gui/help/help.h"
#include "gui/help/jpeg_decoder.h"
#include "gui/qt_print.h"

namespace curvane {
namespace {

QByteArray PictureBytes() {
    LoadHelpResources();
    QFile file(QStringLiteral(":/help/curvane.jpg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The picture is decoded by our libjpeg code; Qt's own JPEG reader, a decoder
// of its own, says what size and colours it must have.
TEST(About, ShowsThePictureNameVersionAndLinks) {
    TfrmAbout about;
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    const QImage shown = about.imgPicture->pixmap().toImage();
    QImage reference;
    ASSERT_TRUE(reference.loadFromData(PictureBytes(), "JPEG"));
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown.size(), reference.size());
    int worst = 0;
    for (int y = 0; y < reference.height(); y += 7)
        for (int x = 0; x < reference.width(); x += 7) {
            const QRgb a = shown.pixel(x, y), b = reference.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b))});
        }
    EXPECT_LE(worst, 8);
    EXPECT_EQ(about.lblTitle->text(), ApplicationTitle());

    static QList<QUrl> opened;
    opened.clear();
    SetExternalUrlOpener([](const QUrl& url) {
        opened << url;
        return true;
    });
    for (QLabel* link : {about.lblWeb, about.lblMail}) {
        // The label holds the link alone, left-aligned: its left end is on it.
        QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(3, link->height() / 2));
    }
    SetExternalUrlOpener(nullptr);
    EXPECT_EQ(opened, (QList<QUrl>{QUrl(QStringLiteral("https://curvane.org")),
                                   QUrl(QStringLiteral("mailto:support@curvane.org"))}));
}

TEST(DecodeJpeg, DamagedDataGivesANullImageAndTheProgramGoesOn) {
    const QByteArray good = PictureBytes();
    ASSERT_FALSE(DecodeJpeg(good).isNull());
    QByteArray notJpeg = good;
    notJpeg[1] = 'X';  // FF D8 starts every JPEG file
    // Height and width 0 in the frame header (FF C0, length, precision, then
    // the two sizes).
    QByteArray emptyFrame = good;
    const qsizetype frame = good.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(frame, 0);
    for (int i = 5; i < 9; ++i) emptyFrame[frame + i] = '\0';
    const struct {
        const char* Why;
        QByteArray Bytes;
    } rows[] = {
        {"no data", {}},
        {"another format", QByteArray("GIF89a\x01\x00\x01\x00", 10)},
        {"not a JPEG start", notJpeg},
        {"cut in the header", good.left(120)},
        {"cut in the picture data", good.left(good.size() / 2)},
        {"empty frame", emptyFrame},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Why);
        EXPECT_TRUE(DecodeJpeg(row.Bytes).isNull());
    }
}

}  // namespace
}  // namespace curvane

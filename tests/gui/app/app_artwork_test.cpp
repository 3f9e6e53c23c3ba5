// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/app_artwork.h"

#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

namespace curvane {
namespace {

// Each installed size comes from its own picture in the resources: a missing
// or unreadable one would silently be scaled from another size.
TEST(AppArtwork, ApplicationIconHasEachInstalledSizeDrawn) {
    const QIcon icon = ApplicationIcon();
    const QList<QSize> sizes = icon.availableSizes();
    for (const int size : ApplicationIconSizes) {
        SCOPED_TRACE(size);
        EXPECT_TRUE(sizes.contains(QSize(size, size)));
        const QImage image = icon.pixmap(QSize(size, size), 1.0).toImage();
        ASSERT_EQ(image.size(), QSize(size, size));
        EXPECT_GT(qAlpha(image.pixel(size / 2, size / 2)), 200);  // the sheet, not a hole
    }
}

}  // namespace
}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/artwork.h"

#include <QAbstractFileIconProvider>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <QTemporaryDir>

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

// File dialogs show the installed document picture beside .gfx files only.
TEST(AppArtwork, FileDialogsShowTheDocumentIconForDocuments) {
    QTemporaryDir dir;
    for (const char* name : {"a.gfx", "b.txt"}) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QFileDialog dialog;
    UseDocumentIcons(dialog);
    const QImage document = DocumentIcon().pixmap(32, 32).toImage();
    EXPECT_GT(qAlpha(document.pixel(16, 16)), 200);
    const auto shown = [&](const char* name) {
        return dialog.iconProvider()->icon(QFileInfo(dir.filePath(name))).pixmap(32, 32).toImage();
    };
    EXPECT_EQ(shown("a.gfx"), document);
    EXPECT_NE(shown("b.txt"), document);
}

}  // namespace
}  // namespace curvane

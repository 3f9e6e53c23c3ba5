// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/export/image_export.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QFile>
#include <QImageReader>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>

#include "core/settings/settings.h"
#include "gui/app/file_commands.h"
#include "gui/app/frm_main.h"
#include "gui/plot2d/frm_child2d.h"
#include "gui/plot2d/scope.h"
#include "gui/plot3d/frm_child3d.h"
#include "gui/plot3d/gl_panel.h"
#include "gui/shell_test_helpers.h"
#include "gui/tools/tool_test_frame.h"

namespace curvane {
namespace {

using testing::TModalAnswerer;

// The bits per pixel a .bmp file's header names.
int BmpBits(const QByteArray& bytes) { return bytes.size() > 29 ? static_cast<unsigned char>(bytes[28]) : -1; }

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class ImageExportTest : public testing::ToolTestFrame {
protected:
    void SetUp() override {
        ToolTestFrame::SetUp();
        SetCurrentImageFilter(std::nullopt);
        // The dialog answers from a queue: a file name in FDir and the entry.
        SetImageFileChooser([this](QWidget*, const QStringList& filters, QString& selected, const QString& suggested) {
            Offered = filters;
            Preselected = selected;
            Suggested = suggested;
            if (Answers.isEmpty()) {
                ADD_FAILURE() << "unexpected save dialog";
                return QString();
            }
            const auto [name, filter] = Answers.takeFirst();
            selected = filter;
            return name.isEmpty() ? QString() : FDir.filePath(name);
        });
    }
    void TearDown() override {
        ToolTestFrame::TearDown();
        SetImageFileChooser({});
        SetCurrentImageFilter(std::nullopt);
    }
    TFileCommands& File() { return FMain->FileCommands(); }
    TfrmAbstractMDIChild* NewWindow(QAction* command, const QString& formula) {
        TfrmAbstractMDIChild* w = ToolTestFrame::NewWindow(command);
        if (!w) return nullptr;
        testing::AddFunctionTo(*w, formula);
        FMain->UpdateControls();
        return w;
    }
    void Save(const QString& name, const QString& filter) {
        Answers.append({name, filter});
        File().FileSaveImage->trigger();
        QApplication::processEvents();
    }

    TfrmAbstractMDIChild* FWindow2D = nullptr;
    TfrmAbstractMDIChild* FWindow3D = nullptr;
    QList<std::pair<QString, QString>> Answers;
    QStringList Offered;
    QString Preselected;
    QString Suggested;
};

TEST_F(ImageExportTest, SaveAndCopyTakeThePictureOfTheActiveWindow) {
    // Without a graph window nothing happens, even when called directly.
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    EXPECT_FALSE(File().FileSaveImage->isEnabled());
    EXPECT_FALSE(File().FileImage2Clip->isEnabled());
    SaveGraphImage(nullptr, FMain.get());
    CopyGraphImage(nullptr);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));

    FWindow2D = NewWindow(File().FileNew2D, QStringLiteral("sin(x)*5"));
    ASSERT_NE(FWindow2D, nullptr);
    ASSERT_TRUE(File().FileSaveImage->isEnabled());
    const QImage shown = static_cast<TfrmChild2D_*>(FWindow2D)->Scope()->Buffer();

    Save("a.bmp", "Bitmap 256 colors (*.bmp)");
    ASSERT_EQ(Offered.size(), 9);
    EXPECT_EQ(Offered[3], QStringLiteral("Bitmap 64K colors (*.bmp)"));
    EXPECT_EQ(Preselected, Offered[3]) << "64K colours before the first choice";
    EXPECT_EQ(Offered.mid(5), (QStringList{"PNG image (*.png)", "JPEG image (*.jpg *.jpeg)", "SVG drawing (*.svg)",
                                           "PDF document (*.pdf)"}));
    const QByteArray saved = ReadFile(FDir.filePath("a.bmp"));
    EXPECT_EQ(BmpBits(saved), 8);
    EXPECT_EQ(QImage::fromData(saved).size(), shown.size());

    // Copy takes the depth of the entry chosen last, and offers PNG too.
    File().FileImage2Clip->trigger();
    const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(BmpBits(clip->data("image/bmp")), 8);
    const QImage png = QImage::fromData(clip->data("image/png"), "PNG");
    EXPECT_EQ(png.size(), shown.size());
    EXPECT_EQ(png.convertToFormat(QImage::Format_RGB32), QImage::fromData(saved).convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), shown.size());

    // The remembered entry is preselected; a name naming another offered
    // format takes that format; vectors for a 2D window.
    Save("b.png", "Bitmap 256 colors (*.bmp)");
    EXPECT_EQ(Preselected, QStringLiteral("Bitmap 256 colors (*.bmp)"));
    EXPECT_EQ(QImageReader(FDir.filePath("b.png")).format(), "png");
    EXPECT_EQ(QImage(FDir.filePath("b.png")).convertToFormat(QImage::Format_RGB32), shown);
    Save("c", "SVG drawing (*.svg)");
    const QByteArray svg = ReadFile(FDir.filePath("c"));
    EXPECT_TRUE(svg.contains("<svg") && !svg.contains("<image")) << svg.left(200).toStdString();

    // A file that cannot be written is reported.
    TModalAnswerer answerer;
    answerer.ThenMessage(QMessageBox::Ok);
    Save("missing/d.bmp", "Bitmap True Color (*.bmp)");
    EXPECT_TRUE(QTest::qWaitFor([&] { return answerer.Pending() == 0; }));
    ASSERT_EQ(answerer.Messages.size(), 1);
    EXPECT_TRUE(answerer.Messages[0].contains("Unable to write to " + FDir.filePath("missing/d.bmp")))
        << answerer.Messages[0].toStdString();

    // A 3D window offers pixels only and saves its panel's frame; Copy then
    // falls back to true colour for a PNG entry.
    FWindow3D = NewWindow(File().FileNew3D, QStringLiteral("sin(x)*cos(y)"));
    ASSERT_NE(FWindow3D, nullptr);
    TGLPanel* panel = static_cast<TfrmChild3D*>(FWindow3D)->Panel();
    ASSERT_NE(panel, nullptr);
    Save("e.png", "PNG image (*.png)");
    EXPECT_EQ(Offered.size(), 7);
    const QImage frame(FDir.filePath("e.png"));
    EXPECT_EQ(frame.size(), panel->size() * panel->devicePixelRatio());
    File().FileImage2Clip->trigger();
    EXPECT_EQ(BmpBits(QGuiApplication::clipboard()->mimeData()->data("image/bmp")), 24);
}

TEST_F(ImageExportTest, AnExtensionTheWindowCannotWriteIsRefusedAndAskedAgain) {
    FWindow2D = NewWindow(File().FileNew2D, QStringLiteral("sin(x)"));
    FWindow3D = NewWindow(File().FileNew3D, QStringLiteral("sin(x)*cos(y)"));
    ASSERT_TRUE(FWindow2D && FWindow3D);
    const struct {
        TfrmAbstractMDIChild* Window;
        const char* Name;
        const char* Reason;
    } rows[] = {
        {FWindow3D, "f.svg", "a 3D window has pixels only"},
        {FWindow3D, "g.pdf", "a 3D window has pixels only"},
        {FWindow3D, "h.gif", "no window writes GIF"},
        {FWindow2D, "k.gif", "not the selected entry's format under another name"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Reason);
        FMain->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(row.Window->parentWidget()));
        TModalAnswerer answerer;
        answerer.ThenMessage(QMessageBox::Ok);
        // The second dialog is cancelled.
        Answers = {{row.Name, "PNG image (*.png)"}, {QString(), "PNG image (*.png)"}};
        File().FileSaveImage->trigger();
        EXPECT_TRUE(QTest::qWaitFor([&] { return answerer.Pending() == 0; }));
        ASSERT_EQ(answerer.Messages.size(), 1);
        EXPECT_TRUE(answerer.Messages[0].contains(".png") && answerer.Messages[0].contains(row.Name))
            << answerer.Messages[0].toStdString();
        EXPECT_TRUE(Answers.isEmpty()) << "the dialog opens again";
        EXPECT_EQ(Suggested, FDir.filePath(row.Name));
        EXPECT_FALSE(QFile::exists(FDir.filePath(row.Name)));
    }
}

}  // namespace
}  // namespace curvane

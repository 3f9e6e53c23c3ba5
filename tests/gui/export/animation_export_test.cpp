// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/export/animation_export.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProgressDialog>
#include <QTimer>

#include "core/document/parameters.h"
#include "gui/app/file_commands.h"
#include "gui/app/frm_main.h"
#include "gui/document_test_helpers.h"
#include "gui/shell_test_helpers.h"
#include "gui/tools/tool_test_frame.h"

namespace curvane {
namespace {

class AnimationExportTest : public testing::ToolTestFrame {
protected:
    // A window plotting k*sin(x) with k in 0..4 (in 3D, a surface).
    TfrmAbstractMDIChild* NewFamilyWindow(QAction* kind = nullptr) {
        TfrmAbstractMDIChild* window = NewWindow(kind ? kind : FMain->FileCommands().FileNew2D);
        if (!window) return nullptr;
        testing::ShowDocument(*window, [](TGraphDocument& document) {
            TParameter k;
            k.Name = "k";
            k.Value = 1;
            k.Min = 0;
            k.Max = 4;
            document.Parameters.Add(k);
        });
        testing::AddFunctionTo(*window, QStringLiteral("k*sin(x)"));
        FMain->UpdateControls();
        return window;
    }
};

TEST_F(AnimationExportTest, FramesFollowTheParameterAndTheCommandNeedsOne) {
    TfrmAbstractMDIChild* plain = NewWindow(FMain->FileCommands().FileNew2D, QStringLiteral("x"));
    ASSERT_NE(plain, nullptr);
    FMain->UpdateControls();
    EXPECT_FALSE(FMain->FileCommands().FileExportAnimation->isEnabled()) << "no parameters";

    TfrmAbstractMDIChild* window = NewFamilyWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(FMain->FileCommands().FileExportAnimation->isEnabled());
    const TAnimationRange range{"k", 0, 4, 2};
    ASSERT_EQ(ExportAnimation(window, range, FDir.filePath("f%03d.png"), FMain.get()),
              TAnimationExportOutcome::aoWritten);
    EXPECT_EQ(QDir(FDir.path()).entryList({"f*.png"}).size(), 3);
    const QImage first(FDir.filePath("f000.png"));
    const QImage last(FDir.filePath("f002.png"));
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(first.size(), window->PictureSize());
    EXPECT_NE(first, last) << "k=0 is a flat line, k=4 a wave";
    EXPECT_EQ(window->Document().Parameters.Find("k")->Value, 1) << "the window keeps its value";
    EXPECT_FALSE(window->isWindowModified());

    // A 3D window draws its frames itself and is left as it was.
    TfrmAbstractMDIChild* surface = NewFamilyWindow(FMain->FileCommands().FileNew3D);
    ASSERT_NE(surface, nullptr);
    const int steps = surface->UndoStack()->count();
    ASSERT_EQ(ExportAnimation(surface, range, FDir.filePath("s%03d.png"), FMain.get()),
              TAnimationExportOutcome::aoWritten);
    EXPECT_EQ(QDir(FDir.path()).entryList({"s*.png"}).size(), 3);
    EXPECT_NE(QImage(FDir.filePath("s000.png")), QImage(FDir.filePath("s002.png")));
    EXPECT_EQ(surface->Document().Parameters.Find("k")->Value, 1);
    EXPECT_EQ(surface->UndoStack()->count(), steps);
    EXPECT_FALSE(surface->isWindowModified());

    // A name without its one %0Nd, and a folder that is not there, are told.
    const std::pair<QString, QString> failures[] = {
        {FDir.filePath("frame.png"), "needs one %0Nd"},
        {FDir.filePath("missing/a.gif"), "Unable to write"},
    };
    for (const auto& [out, told] : failures) {
        testing::TModalAnswerer answerer;
        answerer.ThenMessage(QMessageBox::Ok);
        EXPECT_EQ(ExportAnimation(window, range, out, FMain.get()), TAnimationExportOutcome::aoFailed) << out.toStdString();
        ASSERT_EQ(answerer.Messages.size(), 1u) << out.toStdString();
        EXPECT_TRUE(answerer.Messages[0].contains(told)) << answerer.Messages[0].toStdString();
    }
}

TEST_F(AnimationExportTest, CancelAfterTheFirstFrameLeavesNoGif) {
    TfrmAbstractMDIChild* window = NewFamilyWindow();
    ASSERT_NE(window, nullptr);
    bool cancelled = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
        if (progress && progress->value() >= 1 && !cancelled) {
            cancelled = true;
            progress->cancel();
        }
    });
    poll.start(1);
    const QString gif = FDir.filePath("a.gif");
    EXPECT_EQ(ExportAnimation(window, TAnimationRange{"k", 0, 4, 0.01}, gif, FMain.get()),
              TAnimationExportOutcome::aoCanceled);
    EXPECT_TRUE(cancelled);
    EXPECT_FALSE(QFile::exists(gif));
    EXPECT_EQ(QDir(FDir.path()).entryList({"*.gif*"}).size(), 0) << "nor a temporary file";
}

}  // namespace
}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/window_commands.h"

#include "gui/app/frm_main.h"
#include "gui/dialogs/frm_options.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace curvane {

TWindowCommands::TWindowCommands(TfrmMain& main)
    : TCommandGroup(main),
      WindowCascade1(Add("WindowCascade1", "&Cascade", "", {}, &TWindowCommands::WindowCascade1Execute)),
      WindowTileHorizontal1(Add("WindowTileHorizontal1", "Tile &horizontally", "", {},
                                &TWindowCommands::WindowTileHorizontal1Execute)),
      WindowTileVertical1(Add("WindowTileVertical1", "Tile &vertically", "", {},
                              &TWindowCommands::WindowTileVertical1Execute)),
      WindowMinimizeAll1(Add("WindowMinimizeAll1", "Mi&nimize all", "", {},
                             &TWindowCommands::WindowMinimizeAll1Execute)),
      WindowArrangeAll1(Add("WindowArrangeAll1", "Ma&ximize all", "", {}, &TWindowCommands::WindowArrangeAll1Execute)),
      WindowArrange1(AddPlaceholder("WindowArrange1", "&Arrange")),
      ViewFuncExplorer(AddPlain("ViewFuncExplorer", "Function explorer")),
      ViewLog(AddPlain("ViewLog", "Log window")),
      ViewParameters(AddPlain("ViewParameters", "Parameters")),
      ViewOptions(Add("ViewOptions", "Options...", "preferences-system", {}, &TWindowCommands::ViewOptionsExecute)) {
    ViewFuncExplorer->setCheckable(true);
    ViewLog->setCheckable(true);
    ViewParameters->setCheckable(true);
}

QList<QAction*> TWindowCommands::Arrangement() const {
    return {WindowMinimizeAll1, WindowArrange1, WindowCascade1, WindowTileHorizontal1, WindowTileVertical1};
}

void TWindowCommands::UpdateControls(const TCommandState&) {
    // Arranging no windows does nothing, so these stay usable throughout.
}

void TWindowCommands::WindowCascade1Execute() { Main().MdiArea()->cascadeSubWindows(); }

void TWindowCommands::WindowTileHorizontal1Execute() {
    // Windows stacked one above the other, each as wide as the area.
    QMdiArea* area = Main().MdiArea();
    const auto windows = area->subWindowList();
    if (windows.isEmpty()) return;
    const QRect rect = area->viewport()->rect();
    const int height = rect.height() / static_cast<int>(windows.size());
    int y = 0;
    for (QMdiSubWindow* sub : windows) {
        sub->showNormal();
        sub->setGeometry(0, y, rect.width(), height);
        y += height;
    }
}

void TWindowCommands::WindowTileVertical1Execute() {
    // Windows side by side, each as tall as the area.
    QMdiArea* area = Main().MdiArea();
    const auto windows = area->subWindowList();
    if (windows.isEmpty()) return;
    const QRect rect = area->viewport()->rect();
    const int width = rect.width() / static_cast<int>(windows.size());
    int x = 0;
    for (QMdiSubWindow* sub : windows) {
        sub->showNormal();
        sub->setGeometry(x, 0, width, rect.height());
        x += width;
    }
}

void TWindowCommands::WindowMinimizeAll1Execute() {
    for (QMdiSubWindow* sub : Main().MdiArea()->subWindowList()) sub->showMinimized();
}

void TWindowCommands::WindowArrangeAll1Execute() {
    for (QMdiSubWindow* sub : Main().MdiArea()->subWindowList()) sub->showMaximized();
}

void TWindowCommands::ViewOptionsExecute() {
    RunOptionsDialog(Main().MdiArea(), &Main(), TOptionsPage::opGeneral, true);
}

}  // namespace curvane

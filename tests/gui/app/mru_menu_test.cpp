// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/mru_menu.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>

#include <gtest/gtest.h>

#include "gui/qt_print.h"

namespace curvane {
namespace {

// The "Reopen" submenu as the main window builds it: the clear item, and an
// item of our own below it that the entries must not push aside.
struct ReopenMenu {
    QMenu menu{"Reopen"};
    QAction* clear = menu.addAction("Clear &File List");
    QAction* other = menu.addAction("Other");
    TMRUFiles files;
    TMRUMenu adapter{files, &menu, clear};

    QStringList Texts() const {
        QStringList out;
        for (QAction* a : menu.actions()) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return out;
    }
};

TEST(MRUMenu, EntriesSitBelowTheClearItemSurviveAChoiceThatReordersThemAndGoWithClear) {
    ReopenMenu m;
    m.files.Add("/d/one.gfx");
    m.files.Add("/d/two.gfx");
    EXPECT_TRUE(m.menu.menuAction()->isEnabled());
    // Opening a file puts it on top, which rebuilds the menu while the
    // entry's own signal is being delivered.
    QStringList opened;
    QObject::connect(&m.adapter, &TMRUMenu::FileClicked, [&](const QString& name) {
        opened << name;
        m.files.Add(name.toStdString());
    });
    m.adapter.InsertedActions()[2]->trigger();  // "&2 /d/one.gfx"
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(opened, QStringList{"/d/one.gfx"});
    EXPECT_EQ(m.Texts(), (QStringList{"Clear &File List", "-", "&1 /d/one.gfx", "&2 /d/two.gfx", "Other"}));

    m.clear->trigger();
    EXPECT_EQ(m.Texts(), (QStringList{"Clear &File List", "Other"}));
    EXPECT_FALSE(m.menu.menuAction()->isEnabled());
}

}  // namespace
}  // namespace curvane

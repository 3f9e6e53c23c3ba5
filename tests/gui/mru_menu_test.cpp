#include "gui/mru_menu.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QSignalSpy>

#include <gtest/gtest.h>

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

TEST(MRUMenu, EmptyListDisablesReopenAndShowsNoSeparator) {
    ReopenMenu m;
    EXPECT_EQ(m.Texts(), (QStringList{"Clear &File List", "Other"}));
    EXPECT_FALSE(m.menu.menuAction()->isEnabled());
    EXPECT_FALSE(m.clear->isEnabled());

    m.files.Add("/a.gfx");
    EXPECT_TRUE(m.menu.menuAction()->isEnabled());
    EXPECT_TRUE(m.clear->isEnabled());
    m.files.Clear();
    EXPECT_EQ(m.Texts(), (QStringList{"Clear &File List", "Other"}));
    EXPECT_FALSE(m.menu.menuAction()->isEnabled());
}

TEST(MRUMenu, EntriesSitBelowTheClearItemNewestFirst) {
    ReopenMenu m;
    m.files.SetMaxEntries(10);
    m.files.Add("/d/a.gfx");
    m.files.Add("/d/b.gfx");
    m.files.Add("/d/A.GFX");
    EXPECT_EQ(m.Texts(), (QStringList{"Clear &File List", "-", "&1 /d/A.GFX", "&2 /d/b.gfx", "Other"}));
    const auto inserted = m.adapter.InsertedActions();
    ASSERT_EQ(inserted.size(), 3);
    EXPECT_EQ(inserted[1]->statusTip(), "Opens /d/A.GFX");
    EXPECT_EQ(inserted[2]->data().toInt(), 1);

    m.files.SetNumbered(false);
    EXPECT_EQ(m.Texts(), (QStringList{"Clear &File List", "-", "/d/A.GFX", "/d/b.gfx", "Other"}));
}

TEST(MRUMenu, ChoosingAnEntryReportsItsFileAndSurvivesTheListChanging) {
    ReopenMenu m;
    m.files.Add("/d/one.gfx");
    m.files.Add("/d/two.gfx");
    QStringList opened;
    // Opening a file puts it on top, which rebuilds the menu while the
    // entry's own signal is being delivered.
    QObject::connect(&m.adapter, &TMRUMenu::FileClicked, [&](const QString& name) {
        opened << name;
        m.files.Add(name.toStdString());
    });
    m.adapter.InsertedActions()[2]->trigger();  // "&2 /d/one.gfx"
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(opened, QStringList{"/d/one.gfx"});
    EXPECT_EQ(m.Texts(), (QStringList{"Clear &File List", "-", "&1 /d/one.gfx", "&2 /d/two.gfx", "Other"}));
}

TEST(MRUMenu, ClearItemEmptiesTheListAndMovingTheItemMovesTheEntries) {
    ReopenMenu m;
    m.files.Add("/d/a.gfx");
    m.clear->trigger();
    EXPECT_TRUE(m.files.Empty());
    EXPECT_EQ(m.Texts(), (QStringList{"Clear &File List", "Other"}));

    m.files.Add("/d/a.gfx");
    QMenu second("Second");
    QAction* anchor = second.addAction("Anchor");
    m.adapter.SetMenuItem(&second, anchor);
    EXPECT_EQ(m.Texts(), (QStringList{"Clear &File List", "Other"}));
    ASSERT_EQ(second.actions().size(), 3);
    EXPECT_EQ(second.actions()[2]->text(), "&1 /d/a.gfx");
    m.clear->trigger();  // no longer the clear item
    EXPECT_FALSE(m.files.Empty());
    anchor->trigger();
    EXPECT_TRUE(m.files.Empty());
    EXPECT_FALSE(second.menuAction()->isEnabled());
}

TEST(MRUMenu, MenuDestroyedBeforeTheAdapter) {
    TMRUFiles files;
    files.Add("/x.gfx");
    auto* menu = new QMenu;
    QAction* clear = menu->addAction("Clear");
    TMRUMenu adapter(files, menu, clear);
    delete menu;
    files.Add("/y.gfx");  // must not touch the deleted entries
    EXPECT_TRUE(adapter.InsertedActions().isEmpty());
}

}  // namespace
}  // namespace curvane

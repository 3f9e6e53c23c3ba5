// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/help/help.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTextBrowser>
#include <QToolBar>
#include <QWhatsThis>

#include <gtest/gtest.h>

#include "core/document/shared_evaluators.h"
#include "core/evaluator/rapid_evaluator.h"
#include "gui/app/function_commands.h"
#include "gui/app/help_commands.h"
#include "gui/help/frm_help.h"
#include "gui/plot2d/frm_child2d.h"
#include "gui/plot2d/scope.h"
#include "gui/shell_test_helpers.h"
#include "gui/tools/frm_integral.h"
#include "gui/tools/tool_test_frame.h"

namespace curvane {
namespace {

QString ReadResource(const QString& path) {
    QFile file(QLatin1Char(':') + path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Whether the topic's page exists and has the place after its "#".
bool TopicExists(const QString& topic) {
    const QUrl url = HelpPageUrl(topic);
    const QString html = ReadResource(url.path());
    const QString place = topic.section(QLatin1Char('#'), 1);
    return url.fileName() == topic.section(QLatin1Char('#'), 0, 0) && !html.isEmpty() &&
           (place.isEmpty() || html.contains(QStringLiteral("id=\"%1\"").arg(place)));
}

// Every page is reached from the contents; every link within the help lands
// on a page, and a place on it, that exists; the others leave for the web or
// a mail program.
TEST(HelpPages, EveryPageIsReachedAndNoLinkIsBroken) {
    LoadHelpResources();
    const QRegularExpression link(QStringLiteral(R"re((?:href|src)\s*=\s*"([^"]*)")re"));
    QStringList queue{QString::fromLatin1(HelpPages::Contents)};
    QSet<QString> reached(queue.begin(), queue.end());
    while (!queue.isEmpty()) {
        const QString page = queue.takeFirst();
        const QUrl base(QStringLiteral("qrc:/help/pages/") + page);
        const QString html = ReadResource(base.path());
        ASSERT_FALSE(html.isEmpty()) << page.toStdString();
        for (auto matches = link.globalMatch(html); matches.hasNext();) {
            const QString href = matches.next().captured(1);
            SCOPED_TRACE((page + QStringLiteral(" -> ") + href).toStdString());
            const QUrl url(href);
            if (!url.scheme().isEmpty()) {
                EXPECT_TRUE(QStringList({"http", "https", "mailto"}).contains(url.scheme()));
                EXPECT_FALSE(url.host().isEmpty() && url.path().isEmpty());
                continue;
            }
            const QUrl target = base.resolved(url);
            const QString targetHtml = ReadResource(target.path());
            ASSERT_FALSE(targetHtml.isEmpty());
            if (target.hasFragment()) {
                EXPECT_TRUE(targetHtml.contains(QStringLiteral("id=\"%1\"").arg(target.fragment())));
            }
            if (target.fileName().endsWith(QLatin1String(".html")) && !reached.contains(target.fileName())) {
                reached.insert(target.fileName());
                queue << target.fileName();
            }
        }
    }
    for (const QString& page : QDir(QStringLiteral(":/help/pages")).entryList({QStringLiteral("*.html")}))
        EXPECT_TRUE(reached.contains(page)) << page.toStdString() << " is not reached from the contents";
    for (const char* page : {HelpPages::GettingStarted, HelpPages::Formulas, HelpPages::Functions,
                             HelpPages::Windows2D, HelpPages::Windows3D, HelpPages::Tools, HelpPages::Parameters, HelpPages::Files,
                             HelpPages::Shortcuts})
        EXPECT_TRUE(reached.contains(QString::fromLatin1(page))) << page;
}

// The names come from the evaluators' own tables, so a function added there
// and not described fails here. A bare evaluator's X, Y and Z are replaced in
// every evaluator the program compiles formulas with; the variables that
// formulas can use are those of the eight shared ones.
TEST(HelpPages, FormulaPageDescribesEveryBuiltInFunctionAndVariable) {
    QStringList names;
    TRapidEvaluator bare;
    for (int i = 0; i < bare.IntFunctions().Count(); ++i) names << QString::fromStdString(bare.IntFunctions().Items(i)->Name);
    for (TRapidEvaluator* e : {&EvalOrtho(), &EvalPolar(), &EvalSpherical(), &EvalCylindrical(), &EvalParam1(),
                               &EvalParam2(), &EvalParam3(), &EvalImplicit3D()})
        for (TLookupTable* table : {&e->ExtFunctions(), &e->Variables()})
            for (int i = 0; i < table->Count(); ++i) names << QString::fromStdString(table->Items(i)->Name);
    ASSERT_GE(names.size(), 20);

    // Each name must head a row of its own: "<td><code>NAME".
    QSet<QString> described;
    const QRegularExpression row(QStringLiteral(R"(<td>\s*<code>\s*([A-Za-z][A-Za-z0-9]*))"));
    LoadHelpResources();
    const QString html = ReadResource(QStringLiteral("/help/pages/") + QString::fromLatin1(HelpPages::Formulas));
    for (auto matches = row.globalMatch(html); matches.hasNext();) described.insert(matches.next().captured(1).toUpper());
    for (const QString& name : names) EXPECT_TRUE(described.contains(name.toUpper())) << name.toStdString();
}

class HelpKeyTest : public testing::ToolTestFrame {
protected:
    void TearDown() override {
        TfrmHelp::DeleteInstance();
        SetExternalUrlOpener(nullptr);
        ToolTestFrame::TearDown();
    }
    // F1 pressed on `widget` as the keyboard does it; the topic the help
    // window then shows, or empty when it did not open.
    static std::string PressF1(QWidget* widget) {
        if (TfrmHelp* help = TfrmHelp::Instance()) help->hide();
        QTest::keyClick(widget, Qt::Key_F1);
        QApplication::processEvents();
        const TfrmHelp* help = TfrmHelp::Instance();
        return help && help->isVisible() ? help->CurrentPage().toStdString() : std::string();
    }
    void ActivateMain() {
        FMain->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(FMain.get()));
    }
};

TEST_F(HelpKeyTest, F1OpensThePageOfTheWindowOrDialogInFocus) {
    ActivateMain();
    EXPECT_EQ(PressF1(FMain.get()), HelpPages::Contents);

    TfrmAbstractMDIChild* window = NewWindow(FMain->FileCommands().FileNew2D, QStringLiteral("x"));
    ASSERT_NE(window, nullptr);
    ActivateMain();
    EXPECT_EQ(PressF1(window), HelpPages::Windows2D);
    EXPECT_TRUE(TfrmHelp::Instance()->Browser->toPlainText().contains(QStringLiteral("Mouse modes")));

    TfrmIntegral* integral = TfrmIntegral::ShowInstance(FMain.get());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(integral));
    const std::string integralPage = PressF1(integral->findChild<QComboBox*>(QStringLiteral("cbxFunction")));
    EXPECT_EQ(integralPage, "tools.html#integral");
    EXPECT_TRUE(TopicExists(QString::fromStdString(integralPage)));
    integral->close();

    // The properties dialog is modal: the main window's shortcuts wait while
    // it is open, and F1 reaches it as a plain key press.
    testing::TModalAnswerer answerer;
    std::string propertiesPage;
    answerer.Then([&propertiesPage](QWidget* dialog) {
        propertiesPage = PressF1(dialog->focusWidget() ? dialog->focusWidget() : dialog);
        qobject_cast<QDialog*>(dialog)->reject();
    });
    Trigger(FMain->FunctionCommands().FuncProperties);
    EXPECT_TRUE(QTest::qWaitFor([&] { return answerer.Pending() == 0; }));
    EXPECT_EQ(propertiesPage, "functions.html#properties");
    EXPECT_TRUE(TopicExists(QString::fromStdString(propertiesPage)));
    EXPECT_TRUE(answerer.Unexpected.isEmpty());

    // From the frame itself (its function bar has the focus), the active
    // graph window decides.
    ASSERT_NE(NewWindow(FMain->FileCommands().FileNew3D), nullptr);
    ActivateMain();
    EXPECT_EQ(PressF1(FMain.get()), HelpPages::Windows3D);
}

// Shift+F1 starts What's This: from the main window's shortcut, and as a key
// press in a modal dialog. The control clicked then opens the topic F1 gives
// there, and the mode ends with the click.
TEST_F(HelpKeyTest, WhatsThisClickOpensThePageOfTheControlsWindow) {
    const auto clickInWhatsThis = [](QWidget* keyTarget, QWidget* control) {
        if (TfrmHelp* help = TfrmHelp::Instance()) help->hide();
        QTest::keyClick(keyTarget, Qt::Key_F1, Qt::ShiftModifier);
        if (!QWhatsThis::inWhatsThisMode()) return std::string("no What's This mode");
        QTest::mouseClick(control, Qt::LeftButton, {}, control->rect().center());
        QApplication::processEvents();
        if (QWhatsThis::inWhatsThisMode()) return std::string("still in What's This mode");
        const TfrmHelp* help = TfrmHelp::Instance();
        return help && help->isVisible() ? help->CurrentPage().toStdString() : std::string();
    };
    auto* window = qobject_cast<TfrmChild2D*>(NewWindow(FMain->FileCommands().FileNew2D, QStringLiteral("x")));
    ASSERT_NE(window, nullptr);
    ActivateMain();
    EXPECT_EQ(clickInWhatsThis(FMain.get(), window->Scope()), HelpPages::Windows2D);
    EXPECT_TRUE(FMain->findChild<QToolBar*>("barMain")->actions().contains(FMain->HelpCommands().HelpWhatsThis));

    testing::TModalAnswerer answerer;
    std::string propertiesPage;
    answerer.Then([&](QWidget* dialog) {
        EXPECT_TRUE(dialog->windowFlags() & Qt::WindowContextHelpButtonHint);
        QWidget* control = dialog->focusWidget() ? dialog->focusWidget() : dialog;
        propertiesPage = clickInWhatsThis(control, control);
        qobject_cast<QDialog*>(dialog)->reject();
    });
    Trigger(FMain->FunctionCommands().FuncProperties);
    EXPECT_TRUE(QTest::qWaitFor([&] { return answerer.Pending() == 0; }));
    EXPECT_EQ(propertiesPage, "functions.html#properties");
    EXPECT_TRUE(answerer.Unexpected.isEmpty());
}

TEST_F(HelpKeyTest, LinksOpenPagesHereAndWebPagesOnTheDesktop) {
    TfrmHelp* help = TfrmHelp::ShowPage(QString::fromLatin1(HelpPages::Contents));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(help));
    // Tab selects the first link, Enter follows it; Alt+Left comes back.
    QTest::keyClick(help->Browser, Qt::Key_Tab);
    QTest::keyClick(help->Browser, Qt::Key_Return);
    EXPECT_EQ(help->CurrentPage().toStdString(), HelpPages::GettingStarted);
    EXPECT_TRUE(help->btnBack->isEnabled());
    QTest::keyClick(help->Browser, Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(help->CurrentPage().toStdString(), HelpPages::Contents);
    EXPECT_TRUE(help->btnForward->isEnabled());

    static QList<QUrl> opened;
    opened.clear();
    SetExternalUrlOpener([](const QUrl& url) {
        opened << url;
        return true;
    });
    Trigger(FMain->HelpCommands().HelpVelmoraHomePage);
    EXPECT_EQ(opened, QList<QUrl>{QUrl(QStringLiteral("https://curvane.org"))});
}

}  // namespace
}  // namespace curvane

// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/help/frm_help.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

#include "gui/help/help.h"

namespace curvane {

namespace {

QPointer<TfrmHelp> GInstance;

}  // namespace

TfrmHelp* TfrmHelp::Instance() { return GInstance.data(); }

TfrmHelp* TfrmHelp::ShowPage(const QString& page) {
    if (!GInstance) GInstance = new TfrmHelp;
    GInstance->OpenPage(page);
    if (GInstance->isMinimized()) GInstance->showNormal();
    GInstance->show();
    GInstance->raise();
    GInstance->activateWindow();
    GInstance->Browser->setFocus(Qt::OtherFocusReason);
    return GInstance;
}

void TfrmHelp::DeleteInstance() { delete GInstance.data(); }

TfrmHelp::TfrmHelp()
    : QWidget(nullptr, Qt::Window),
      Browser(new QTextBrowser),
      btnBack(new QPushButton(QStringLiteral("&Back"))),
      btnForward(new QPushButton(QStringLiteral("&Forward"))),
      btnContents(new QPushButton(QStringLiteral("&Contents"))) {
    setObjectName(QStringLiteral("frmHelp"));
    // The main window's close ends the program even while the help is open.
    setAttribute(Qt::WA_QuitOnClose, false);
    SetHelpTopic(this, QString::fromLatin1(HelpPages::Contents));
    Browser->setObjectName(QStringLiteral("Browser"));
    btnBack->setObjectName(QStringLiteral("btnBack"));
    btnForward->setObjectName(QStringLiteral("btnForward"));
    btnContents->setObjectName(QStringLiteral("btnContents"));
    btnBack->setToolTip(QStringLiteral("Previous page (Alt+Left)"));
    btnForward->setToolTip(QStringLiteral("Next page (Alt+Right)"));
    btnContents->setToolTip(QStringLiteral("The list of all pages (Alt+Home)"));
    // Links are followed here: the browser's own handling would try to load a
    // web address as a page of the help.
    Browser->setOpenLinks(false);
    // One look for every page, kept here rather than repeated in each.
    Browser->document()->setDefaultStyleSheet(QStringLiteral(
        "h1 { font-size: x-large; color: #1e4e9c; }"
        "h2 { font-size: large; color: #1e4e9c; margin-top: 14px; }"
        "table { border-collapse: collapse; margin-bottom: 6px; }"
        "th { background-color: #dfe7f3; text-align: left; }"
        "td, th { padding: 3px; border: 1px solid #b8c4d6; }"
        "code, pre { font-family: monospace; }"
        ".nav, .small { font-size: small; }"));

    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {btnBack, btnForward, btnContents}) {
        // Clicking a button leaves the keyboard in the page.
        button->setFocusPolicy(Qt::NoFocus);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(Browser, 1);

    btnBack->setEnabled(false);
    btnForward->setEnabled(false);
    connect(btnBack, &QPushButton::clicked, Browser, &QTextBrowser::backward);
    connect(btnForward, &QPushButton::clicked, Browser, &QTextBrowser::forward);
    connect(btnContents, &QPushButton::clicked, this, [this] { OpenPage(QString::fromLatin1(HelpPages::Contents)); });
    connect(Browser, &QTextBrowser::backwardAvailable, btnBack, &QWidget::setEnabled);
    connect(Browser, &QTextBrowser::forwardAvailable, btnForward, &QWidget::setEnabled);
    connect(Browser, &QTextBrowser::anchorClicked, this, &TfrmHelp::LinkClicked);
    connect(Browser, &QTextBrowser::sourceChanged, this, &TfrmHelp::UpdateCaption);

    // The browser answers Alt+Left and Alt+Right only while it has the
    // focus; these answer anywhere in the window.
    connect(new QShortcut(QKeySequence::Back, this), &QShortcut::activated, Browser, &QTextBrowser::backward);
    connect(new QShortcut(QKeySequence::Forward, this), &QShortcut::activated, Browser, &QTextBrowser::forward);
    connect(new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Home), this), &QShortcut::activated, btnContents,
            &QPushButton::click);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);

    resize(760, 600);
}

void TfrmHelp::OpenPage(const QString& page) {
    // Another place on the page shown only scrolls, and goes into the history
    // like a new page would.
    Browser->setSource(HelpPageUrl(page));
}

QString TfrmHelp::CurrentPage() const {
    const QUrl url = Browser->source();
    return url.hasFragment() ? url.fileName() + QLatin1Char('#') + url.fragment() : url.fileName();
}

void TfrmHelp::LinkClicked(const QUrl& url) {
    const QString scheme = url.scheme();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("mailto")) {
        OpenExternalUrl(url);
        return;
    }
    // Anything else is a page of the help (the browser resolved it against
    // the page shown).
    OpenPage(url.fileName() + (url.hasFragment() ? QLatin1Char('#') + url.fragment() : QString()));
}

void TfrmHelp::UpdateCaption() {
    const QString title = Browser->documentTitle();
    setWindowTitle(title.isEmpty() ? QStringLiteral("Curvane Help") : QStringLiteral("Curvane Help - ") + title);
}

}  // namespace curvane

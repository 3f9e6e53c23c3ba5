// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/help/help.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFile>
#include <QVariant>
#include <QWidget>

#include "gui/help/frm_help.h"

// The pages live in a static library: nothing refers to its resource
// initialiser, so the linker would leave it out unless it is called by name
// (and the name may only be declared outside any namespace).
static void RegisterHelpResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(help);
        return true;
    }();
    (void)registered;
}

namespace curvane {

namespace {

bool (*GUrlOpener)(const QUrl&) = nullptr;

constexpr const char* PageFolder = ":/help/pages/";

}  // namespace

void LoadHelpResources() { RegisterHelpResources(); }

QUrl HelpPageUrl(const QString& page) {
    LoadHelpResources();
    const qsizetype hash = page.indexOf(QLatin1Char('#'));
    QString file = hash < 0 ? page : page.left(hash);
    const QString fragment = hash < 0 ? QString() : page.mid(hash + 1);
    // Only plain file names: "../" or a folder would reach outside the pages.
    const bool plain = !file.isEmpty() && !file.contains(QLatin1Char('/')) && !file.contains(QLatin1Char('\\'));
    const bool known = plain && QFile::exists(QLatin1String(PageFolder) + file);
    QUrl url(QStringLiteral("qrc") + QLatin1String(PageFolder) + (known ? file : QString::fromLatin1(HelpPages::Contents)));
    if (known && !fragment.isEmpty()) url.setFragment(fragment);
    return url;
}

void ShowHelpTopic(const QString& page) { TfrmHelp::ShowPage(page); }

void SetHelpTopic(QWidget* widget, const QString& page) {
    widget->setProperty(HelpTopicProperty, page);
    if (qobject_cast<QDialog*>(widget)) widget->setWindowFlag(Qt::WindowContextHelpButtonHint, true);
}

QString HelpTopicAt(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        const QVariant topic = w->property(HelpTopicProperty);
        if (topic.isValid() && !topic.toString().isEmpty()) return topic.toString();
    }
    return {};
}

bool OpenExternalUrl(const QUrl& url) { return GUrlOpener ? GUrlOpener(url) : QDesktopServices::openUrl(url); }

void SetExternalUrlOpener(bool (*opener)(const QUrl&)) { GUrlOpener = opener; }

}  // namespace curvane

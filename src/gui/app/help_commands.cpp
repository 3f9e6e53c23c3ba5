// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/help_commands.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QWhatsThis>

#include "gui/app/frm_main.h"
#include "gui/common/exception_report.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/help/frm_about.h"
#include "gui/help/frm_help.h"
#include "gui/help/help.h"

namespace curvane {

THelpCommands::THelpCommands(TfrmMain& main)
    : TCommandGroup(main),
      HelpContents(Add("HelpContents", "Contents", "help-contents", QKeySequence(Qt::Key_F1),
                       &THelpCommands::HelpContentsExecute)),
      HelpWhatsThis(Add("HelpWhatsThis", "What's &This", "help-whatsthis", QKeySequence(Qt::SHIFT | Qt::Key_F1),
                        &THelpCommands::HelpWhatsThisExecute)),
      HelpVelmoraHomePage(Add("HelpVelmoraHomePage", "Velmora Software on WWW", "", {},
                              &THelpCommands::HelpVelmoraHomePageExecute)),
      HelpAbout(Add("HelpAbout", "&About...", "help-about", {}, &THelpCommands::HelpAboutExecute)) {
    qApp->installEventFilter(this);
}

THelpCommands::~THelpCommands() {
    // The help belongs to the program's main window and goes with it.
    TfrmHelp::DeleteInstance();
}

void THelpCommands::UpdateControls(const TCommandState&) {
    // Help needs nothing: no window, no evaluator.
    for (QAction* action : {HelpContents, HelpWhatsThis, HelpVelmoraHomePage, HelpAbout}) Enable(action, true);
}

QString THelpCommands::TopicFor(const QWidget* focus) const {
    const QString own = HelpTopicAt(focus);
    if (!own.isEmpty()) return own;
    if (!focus || focus->window() == &Main())
        if (const TfrmAbstractMDIChild* window = CurrentWindow()) {
            const QString graph = HelpTopicAt(window);
            if (!graph.isEmpty()) return graph;
        }
    return QString::fromLatin1(HelpPages::Contents);
}

bool THelpCommands::eventFilter(QObject* watched, QEvent* event) {
    // Every event of the program passes here: the others leave at once.
    const QEvent::Type type = event->type();
    if (type != QEvent::QueryWhatsThis && type != QEvent::WhatsThis && type != QEvent::KeyPress) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) return false;
    switch (type) {
    case QEvent::QueryWhatsThis:
        // Every control has a topic: the pointer shows the question mark
        // over all of them, not the "forbidden" sign.
        event->accept();
        return true;
    case QEvent::WhatsThis: {
        // The click of What's This mode. The mode is left first, as showing
        // a text would, so that the help window is not the next click's
        // target.
        QWhatsThis::leaveWhatsThisMode();
        event->accept();
        const QString topic = TopicFor(widget);
        RunGuarded([&topic] { ShowHelpTopic(topic); });
        return true;
    }
    case QEvent::KeyPress: {
        // F1 and Shift+F1 reach a widget as key presses only where no
        // shortcut took them: in a dialog (modal ones block the main window's
        // shortcuts), or in the help window. The first widget that sees one
        // answers; returning true keeps the press from travelling on to its
        // parents.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_F1 || key->isAutoRepeat()) return false;
        if (key->modifiers() == Qt::ShiftModifier) {
            QWhatsThis::enterWhatsThisMode();
            return true;
        }
        if (key->modifiers() != Qt::NoModifier) return false;
        const QString topic = TopicFor(widget);
        RunGuarded([&topic] { ShowHelpTopic(topic); });
        return true;
    }
    default:
        return false;
    }
}

void THelpCommands::HelpContentsExecute() {
    const QWidget* focus = QApplication::focusWidget();
    if (!focus) focus = QApplication::activeWindow();
    ShowHelpTopic(TopicFor(focus));
}

void THelpCommands::HelpWhatsThisExecute() { QWhatsThis::enterWhatsThisMode(); }

void THelpCommands::HelpVelmoraHomePageExecute() { OpenExternalUrl(QUrl(QString::fromLatin1(CurvaneHomePage))); }

void THelpCommands::HelpAboutExecute() {
    TfrmAbout about(&Main());
    // The help stays usable beside the box (F1 in it opens the contents).
    about.setWindowModality(Qt::WindowModal);
    about.exec();
}

}  // namespace curvane

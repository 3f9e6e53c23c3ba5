// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <deque>
#include <functional>
#include <utility>
#include <vector>

namespace curvane::testing {

// Answers the modal dialogs a command opens, in order. Each handler gets the
// modal widget when it appears and must close it; message texts are kept for
// the checks. A dialog no handler waits for is rejected and named in
// Unexpected; a handler whose dialog never came still counts in Pending().
class TModalAnswerer : public QObject {
public:
    using THandler = std::function<void(QWidget*)>;

    TModalAnswerer() {
        connect(&FTimer, &QTimer::timeout, this, &TModalAnswerer::Poll);
        FTimer.start(10);
    }
    void Then(THandler handler) { FHandlers.push_back(std::move(handler)); }
    // A message box: records its text and presses `button`.
    void ThenMessage(QMessageBox::StandardButton button) {
        Then([this, button](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box) return Reject(w);
            Messages.push_back(box->text());
            if (QAbstractButton* b = box->button(button)) b->click();
            else box->done(button);
        });
    }
    // A message box with buttons of its own: records its text and clicks the
    // button labelled `text`.
    void ThenMessageButton(const QString& text) {
        Then([this, text](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            for (QAbstractButton* b : box ? box->buttons() : QList<QAbstractButton*>())
                if (b->text() == text) return Messages.push_back(box->text()), b->click();
            Reject(w);
        });
    }
    std::size_t Pending() const { return FHandlers.size(); }

    QStringList Messages;
    QStringList Unexpected;

private:
    void Reject(QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        Unexpected.push_back(QString::fromLatin1(w->metaObject()->className()) + ':' + (box ? box->text() : ""));
        if (auto* dialog = qobject_cast<QDialog*>(w)) dialog->reject();
        else w->close();
    }
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) return;
        // A dialog being answered comes back on top when a message box its
        // handler opened closes: it is not a new one until it has been hidden
        // (a dialog shown again is asked again).
        std::erase_if(FAnswered, [](const QPointer<QWidget>& w) { return w.isNull() || !w->isVisible(); });
        if (std::find(FAnswered.begin(), FAnswered.end(), modal) != FAnswered.end()) return;
        FAnswered.emplace_back(modal);
        if (FHandlers.empty()) return Reject(modal);
        THandler handler = std::move(FHandlers.front());
        FHandlers.pop_front();
        // Run outside the timer's own slot so the handler may spin loops.
        QTimer::singleShot(0, modal, [handler, modal] { handler(modal); });
    }

    QTimer FTimer;
    std::vector<QPointer<QWidget>> FAnswered;
    std::deque<THandler> FHandlers;
};

}  // namespace curvane::testing

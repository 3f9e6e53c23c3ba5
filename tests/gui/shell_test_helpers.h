#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTest>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <deque>
#include <functional>
#include <utility>

namespace curvane::testing {

// Lets events (deferred deletions included) run until `done` holds or the
// time is up; returns whether it holds.
inline bool WaitFor(const std::function<bool()>& done, int timeoutMs = 2000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QTest::qWait(10);
    }
    return true;
}

// Answers the modal dialogs a command opens, in order. Each handler gets the
// modal widget when it appears and must close it; what the dialogs said is
// kept for the checks. Handlers that never get their dialog show up as
// Pending() after the command returned.
class TModalAnswerer : public QObject {
public:
    using THandler = std::function<void(QWidget*)>;

    TModalAnswerer() {
        FTimer.setInterval(10);
        connect(&FTimer, &QTimer::timeout, this, &TModalAnswerer::Poll);
        FTimer.start();
    }

    void Then(THandler handler) { FHandlers.push_back(std::move(handler)); }

    // A message box: records its text and presses the button with `button`.
    void ThenMessage(QMessageBox::StandardButton button) {
        Then([this, button](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box) {
                Unexpected.push_back(w->metaObject()->className());
                static_cast<QDialog*>(w)->reject();
                return;
            }
            Messages.push_back(box->text());
            QAbstractButton* b = box->button(button);
            if (b)
                b->click();
            else
                box->done(button);
        });
    }

    std::size_t Pending() const { return FHandlers.size(); }

    QStringList Messages;
    QStringList Unexpected;

private:
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == FLast || !modal->isVisible()) return;
        FLast = modal;
        if (FHandlers.empty()) {
            QString what = QString::fromLatin1(modal->metaObject()->className()) + QLatin1Char(':');
            if (auto* box = qobject_cast<QMessageBox*>(modal)) what += box->text();
            Unexpected.push_back(what);
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
            return;
        }
        THandler handler = std::move(FHandlers.front());
        FHandlers.pop_front();
        // Run outside the timer's own slot so the handler may spin loops.
        QTimer::singleShot(0, modal, [handler, modal] { handler(modal); });
    }

    QTimer FTimer;
    QPointer<QWidget> FLast;
    std::deque<THandler> FHandlers;
};

}  // namespace curvane::testing

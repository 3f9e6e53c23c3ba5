// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <csignal>
#include <functional>

class QSocketNotifier;

namespace curvane {

// Turns SIGTERM, what a desktop session sends its programs when it ends (and
// what `kill` sends by default), into a call from the event loop, since a
// signal handler itself may do almost nothing. The handler writes one byte to
// a socket pair; a QSocketNotifier on the other end calls `onSignal` from the
// event loop that runs then, a dialog's nested one included. One watch at a
// time: the previous handler is put back when the watch goes.
class TSessionEndWatch : public QObject {
public:
    explicit TSessionEndWatch(std::function<void()> onSignal, QObject* parent = nullptr);
    ~TSessionEndWatch() override;
    TSessionEndWatch(const TSessionEndWatch&) = delete;
    TSessionEndWatch& operator=(const TSessionEndWatch&) = delete;

private:
    static void Handler(int signal);
    void Received();

    std::function<void()> FOnSignal;
    int FSockets[2] = {-1, -1};
    QSocketNotifier* FNotifier = nullptr;
    struct sigaction FPrevious {};
};

}  // namespace curvane

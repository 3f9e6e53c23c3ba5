// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/session_end.h"

#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "gui/common/exception_report.h"

namespace curvane {

namespace {

// The write end for the handler; -1 while no watch is installed.
volatile std::sig_atomic_t GWriteEnd = -1;

}  // namespace

TSessionEndWatch::TSessionEndWatch(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), FOnSignal(std::move(onSignal)) {
    // Non-blocking at the handler's end: a second signal before the first is
    // read finds the byte there already and must not block the handler.
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, FSockets) != 0) return;
    FNotifier = new QSocketNotifier(FSockets[1], QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, &TSessionEndWatch::Received);
    GWriteEnd = FSockets[0];
    struct sigaction action {};
    action.sa_handler = &TSessionEndWatch::Handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // the calls the signal interrupts go on
    sigaction(SIGTERM, &action, &FPrevious);
}

TSessionEndWatch::~TSessionEndWatch() {
    if (FSockets[0] < 0) return;
    sigaction(SIGTERM, &FPrevious, nullptr);
    GWriteEnd = -1;
    delete FNotifier;
    ::close(FSockets[0]);
    ::close(FSockets[1]);
}

void TSessionEndWatch::Handler(int) {
    const int savedErrno = errno;  // the interrupted code may be about to read it
    const char byte = 1;
    if (GWriteEnd >= 0) (void)!::write(GWriteEnd, &byte, 1);
    errno = savedErrno;
}

void TSessionEndWatch::Received() {
    char bytes[16];
    while (::read(FSockets[1], bytes, sizeof bytes) > 0) {
    }
    RunGuarded(FOnSignal);
}

}  // namespace curvane

#include "ui/toolkit/EndOnTerminate.h"

#include "ui/toolkit/Application.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace tavi::ui {

namespace {

int wakeUpSockets[2] = {-1, -1};

void onTerminate(int) {
    const char signal = 1;
    // Only async-signal-safe calls here; a full socket already holds a wake-up.
    [[maybe_unused]] const ssize_t written = ::write(wakeUpSockets[0], &signal, 1);
}

}  // namespace

bool endOnTerminate() {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, wakeUpSockets) != 0) {
        return false;
    }
    auto* notifier =
        new QSocketNotifier(wakeUpSockets[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier] {
        char signal = 0;
        [[maybe_unused]] const ssize_t read = ::read(wakeUpSockets[1], &signal, 1);
        notifier->setEnabled(false);
        requestTermination();
    });
    struct sigaction action {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return sigaction(SIGTERM, &action, nullptr) == 0;
}

}  // namespace tavi::ui

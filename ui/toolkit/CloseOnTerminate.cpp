#include "ui/toolkit/CloseOnTerminate.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace tavi::ui {

namespace {

int wakeUpSockets[2] = {-1, -1};

void onTerminate(int) {
    const char signal = 1;
    // Only async-signal-safe calls here; the result does not matter.
    [[maybe_unused]] const ssize_t written = ::write(wakeUpSockets[0], &signal, 1);
}

}  // namespace

void closeOnTerminate(QWidget* window) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, wakeUpSockets) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(wakeUpSockets[1], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window,
                     [notifier, target = QPointer<QWidget>(window)] {
                         char signal = 0;
                         [[maybe_unused]] const ssize_t read = ::read(wakeUpSockets[1], &signal, 1);
                         notifier->setEnabled(false);
                         if (target) {
                             target->close();
                         }
                     });
    struct sigaction action {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
}

}  // namespace tavi::ui

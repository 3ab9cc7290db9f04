#include "ui/toolkit/CancellableWork.h"

#include "ui/toolkit/Application.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include <exception>
#include <memory>
#include <thread>

namespace tavi::ui {

namespace {

constexpr int kPollMilliseconds = 50;
int progressDelay = 500;

}  // namespace

void setProgressDelay(int milliseconds) {
    progressDelay = milliseconds;
}

bool runCancellable(QWidget* parent, const QString& label,
                    const std::function<void(StopToken stop, WorkProgress& progress)>& work) {
    std::atomic<bool> stop{false};
    std::atomic<bool> finished{false};
    WorkProgress progress;
    std::exception_ptr failure;
    bool stopped = false;
    std::thread worker([&] {
        try {
            work(StopToken(stop), progress);
        } catch (const Stopped&) {
            stopped = true;
        } catch (...) {
            failure = std::current_exception();
        }
        finished.store(true);
    });

    QEventLoop loop;
    std::unique_ptr<QProgressDialog> dialog;
    QTimer poll;
    int waited = 0;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        waited += kPollMilliseconds;
        if (finished.load() || terminationRequested()) {
            loop.quit();
            return;
        }
        if (!dialog && waited >= progressDelay) {
            dialog =
                std::make_unique<QProgressDialog>(label, QStringLiteral("Cancel"), 0, 1000, parent);
            dialog->setObjectName(QStringLiteral("ProgressDialog"));
            dialog->setWindowTitle(QStringLiteral("Tavi"));
            dialog->setWindowModality(Qt::ApplicationModal);
            dialog->setMinimumDuration(0);
            dialog->show();
            // The loop starts again, now taking the user's input for Cancel.
            loop.quit();
        }
        if (dialog && dialog->wasCanceled()) {
            stop.store(true);
        }
        if (dialog && progress.total.load() > 0) {
            dialog->setValue(static_cast<int>(1000 * progress.done.load() / progress.total.load()));
        }
    });
    poll.start(kPollMilliseconds);
    // Until the dialog shows, a click waits rather than starting anything else meanwhile; the
    // dialog, once shown, is modal.
    while (!finished.load() && !terminationRequested()) {
        loop.exec(dialog ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    }
    poll.stop();
    // A loop ended by the end of the program stops the work, which leaves no file behind.
    stop.store(stop.load() || terminationRequested());
    worker.join();
    dialog.reset();
    if (failure) {
        std::rethrow_exception(failure);
    }
    return !stopped;
}

}  // namespace tavi::ui

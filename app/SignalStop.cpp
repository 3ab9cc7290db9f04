#include "app/SignalStop.h"

namespace tavi {

namespace {

std::atomic<bool> gStopRequested{false};
std::atomic<int> gStopSignal{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "set from a signal handler");

void onStopSignal(int signal) {
    gStopSignal.store(signal);
    gStopRequested.store(true);
}

}  // namespace

StopOnSignals::StopOnSignals() {
    gStopRequested.store(false);
    gStopSignal.store(0);
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        sigaction(kSignals[i], &action, &m_previous[i]);
    }
}

StopOnSignals::~StopOnSignals() {
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        sigaction(kSignals[i], &m_previous[i], nullptr);
    }
}

const std::atomic<bool>& StopOnSignals::flag() {
    return gStopRequested;
}

int StopOnSignals::exitStatus() {
    return 128 + gStopSignal.load();
}

int StopOnSignals::signalNumber() {
    return gStopSignal.load();
}

}  // namespace tavi

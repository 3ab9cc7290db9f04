// SIGINT, SIGTERM and SIGHUP stop a command in order while a StopOnSignals lives: the sweep,
// the searches and the simulation look at the flag and stop, the outputs keep their old
// versions, and the command ends with 128 plus the signal's number.
#pragma once

#include "engine/StopToken.h"

#include <atomic>
#include <csignal>
#include <iterator>

namespace tavi {

class StopOnSignals {
public:
    StopOnSignals();
    ~StopOnSignals();
    StopOnSignals(const StopOnSignals&) = delete;
    StopOnSignals& operator=(const StopOnSignals&) = delete;

    // Set once a signal arrived.
    static const std::atomic<bool>& flag();
    static StopToken token() { return StopToken(flag()); }
    // 128 plus the number of the signal that arrived.
    static int exitStatus();
    static int signalNumber();

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction m_previous[std::size(kSignals)]{};
};

}  // namespace tavi

// A request to stop a long computation, made from elsewhere (a signal handler, a Cancel button)
// by setting a flag, and looked at by the computation between its steps.
#pragma once

#include <atomic>
#include <exception>

namespace tavi {

// Thrown by a computation that was asked to stop; whatever it had begun to write is discarded
// as the exception passes.
struct Stopped : std::exception {
    const char* what() const noexcept override { return "stopped on request"; }
};

class StopToken {
public:
    // A token that never asks to stop.
    StopToken() = default;
    explicit StopToken(const std::atomic<bool>& flag) : m_flag(&flag) {}

    bool stopRequested() const {
        return m_flag != nullptr && m_flag->load(std::memory_order_relaxed);
    }

    void throwIfStopped() const {
        if (stopRequested()) {
            throw Stopped();
        }
    }

private:
    const std::atomic<bool>* m_flag = nullptr;
};

}  // namespace tavi

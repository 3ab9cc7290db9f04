#include "engine/run/OrderedSweep.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace tavi {

namespace {

// Marks a slot whose waiters must look at the abort flag.
constexpr std::int32_t kAborted = -2;

// 32-bit turns: the system's own wait (a futex) takes exactly this size, while wider atomics
// wait through a shared table that wakes far too late for points a few microseconds apart.
using Turn = std::atomic<std::int32_t>;

struct SlotTurn {
    Turn freeFor{0};    // the point that may be computed into the slot
    Turn readyFor{-1};  // the point that the slot holds, computed
};

// Waits until value holds expected, or the work is aborted; false when aborted.
bool waitFor(Turn& value, std::int64_t expected, const std::atomic<bool>& aborted) {
    for (;;) {
        const std::int32_t seen = value.load(std::memory_order_acquire);
        if (seen == expected) {
            return true;
        }
        if (aborted.load()) {
            return false;
        }
        value.wait(seen, std::memory_order_acquire);
    }
}

class Sweep {
public:
    Sweep(std::int64_t count, int slots) : m_count(count), m_turns(slots) {
        for (int s = 0; s < slots; ++s) {
            m_turns[s].freeFor.store(s);
        }
    }

    void work(const std::function<void(int, std::int64_t)>& compute) {
        const auto slots = static_cast<std::int64_t>(m_turns.size());
        for (;;) {
            const std::int64_t point = m_next.fetch_add(1);
            if (point >= m_count) {
                return;
            }
            SlotTurn& turn = m_turns[point % slots];
            if (!waitFor(turn.freeFor, static_cast<std::int32_t>(point), m_aborted)) {
                return;
            }
            try {
                compute(static_cast<int>(point % slots), point);
            } catch (...) {
                fail(std::current_exception());
                return;
            }
            turn.readyFor.store(static_cast<std::int32_t>(point), std::memory_order_release);
            turn.readyFor.notify_all();
        }
    }

    // Delivers the points in order; false when a worker failed.
    bool deliverAll(const std::function<void(int, std::int64_t)>& deliver, StopToken stop) {
        const auto slots = static_cast<std::int64_t>(m_turns.size());
        for (std::int64_t point = 0; point < m_count; ++point) {
            stop.throwIfStopped();
            SlotTurn& turn = m_turns[point % slots];
            if (!waitFor(turn.readyFor, static_cast<std::int32_t>(point), m_aborted)) {
                return false;
            }
            deliver(static_cast<int>(point % slots), point);
            turn.freeFor.store(static_cast<std::int32_t>(point + slots), std::memory_order_release);
            turn.freeFor.notify_all();
        }
        return true;
    }

    // Stops every worker: each waiting one wakes and sees the flag.
    void abort() {
        m_aborted.store(true);
        for (SlotTurn& turn : m_turns) {
            turn.freeFor.store(kAborted);
            turn.freeFor.notify_all();
            turn.readyFor.store(kAborted);
            turn.readyFor.notify_all();
        }
    }

    void rethrowFailure() {
        const std::lock_guard lock(m_failureMutex);
        if (m_failure) {
            std::rethrow_exception(m_failure);
        }
    }

private:
    void fail(std::exception_ptr failure) {
        {
            const std::lock_guard lock(m_failureMutex);
            if (!m_failure) {
                m_failure = std::move(failure);
            }
        }
        abort();
    }

    std::int64_t m_count;
    std::vector<SlotTurn> m_turns;
    std::atomic<std::int64_t> m_next{0};
    std::atomic<bool> m_aborted{false};
    std::mutex m_failureMutex;
    std::exception_ptr m_failure;
};

}  // namespace

void runOrdered(std::int64_t count, int threads, int slots,
                const std::function<void(int slot, std::int64_t point)>& compute,
                const std::function<void(int slot, std::int64_t point)>& deliver, StopToken stop) {
    if (count <= 0) {
        return;
    }
    if (count > std::numeric_limits<std::int32_t>::max() - std::max(slots, threads)) {
        throw std::length_error("a sweep of more points than its turns can count");
    }
    Sweep sweep(count, std::max(slots, threads));
    bool delivered = false;
    {
        std::vector<std::jthread> workers;
        // Whatever ends the delivery, the workers stop before they are joined.
        const struct AbortOnExit {
            Sweep& sweep;
            ~AbortOnExit() { sweep.abort(); }
        } abortOnExit{sweep};
        const int workerCount = static_cast<int>(std::min<std::int64_t>(threads, count));
        workers.reserve(workerCount);
        for (int t = 0; t < workerCount; ++t) {
            workers.emplace_back([&sweep, &compute] { sweep.work(compute); });
        }
        delivered = sweep.deliverAll(deliver, stop);
    }
    if (!delivered) {
        sweep.rethrowFailure();
    }
}

int threadsFor(int requested) {
    return requested > 0 ? requested
                         : static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
}

}  // namespace tavi

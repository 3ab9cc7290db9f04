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

// A thread parked by a busy scheduler waits a few time slices of several milliseconds; a point
// takes some 20 microseconds, so each thread needs a few hundred points of room meanwhile.
constexpr int kWindowPerThread = 256;
// A point in flight holds its covariance matrix and its formatted block, some 40 KB at most.
constexpr int kLargestWindow = 1024;

// 32-bit counters: the system's own wait (a futex) takes exactly this size, while wider atomics
// wait through a shared table that wakes far too late for points a few microseconds apart.
using Counter = std::atomic<std::int32_t>;

class Sweep {
public:
    Sweep(std::int64_t count, int window, const std::function<void(int, std::int64_t)>& deliver,
          StopToken stop)
        : m_count(count),
          m_ready(static_cast<std::size_t>(window)),
          m_deliver(deliver),
          m_stop(stop) {
        for (Counter& ready : m_ready) {
            ready.store(-1);
        }
    }

    // Computes the points this thread claims, handing on those ready after each, until none is
    // left or the work is aborted.
    void work(int thread, const std::function<void(int, int, std::int64_t)>& compute) {
        for (;;) {
            const std::int64_t point = m_next.fetch_add(1, std::memory_order_relaxed);
            if (point >= m_count || !waitForSlot(point)) {
                return;
            }
            const int slot = slotOf(point);
            try {
                compute(thread, slot, point);
            } catch (...) {
                fail(std::current_exception());
                return;
            }
            m_ready[slot].store(static_cast<std::int32_t>(point));
            deliverReady();
        }
    }

    // Stops every thread: each waiting one wakes and sees the flag.
    void abort() {
        m_aborted.store(true);
        m_delivered.fetch_add(1);
        m_delivered.notify_all();
    }

    void rethrowFailure() {
        const std::lock_guard lock(m_failureMutex);
        if (m_failure) {
            std::rethrow_exception(m_failure);
        }
    }

private:
    int slotOf(std::int64_t point) const {
        return static_cast<int>(point % static_cast<std::int64_t>(m_ready.size()));
    }

    // Waits until the slot of point is free, its point of a window before delivered; false when
    // the work is aborted.
    bool waitForSlot(std::int64_t point) {
        const auto window = static_cast<std::int64_t>(m_ready.size());
        for (;;) {
            const std::int32_t delivered = m_delivered.load(std::memory_order_acquire);
            if (m_aborted.load()) {
                return false;
            }
            if (point - delivered < window) {
                return true;
            }
            m_delivered.wait(delivered, std::memory_order_acquire);
        }
    }

    // Delivers the points that are ready, in order, unless another thread is delivering. A
    // thread that finds the delivery taken leaves its point to that thread, which looks again
    // for ready points once it has let go.
    void deliverReady() {
        while (!m_delivering.exchange(true)) {
            try {
                while (!m_aborted.load() && m_nextDelivery < m_count &&
                       m_ready[slotOf(m_nextDelivery)].load() == m_nextDelivery) {
                    m_stop.throwIfStopped();
                    m_deliver(slotOf(m_nextDelivery), m_nextDelivery);
                    ++m_nextDelivery;
                    m_delivered.store(static_cast<std::int32_t>(m_nextDelivery),
                                      std::memory_order_release);
                    m_delivered.notify_all();
                }
            } catch (...) {
                m_delivering.store(false);
                fail(std::current_exception());
                return;
            }
            m_delivering.store(false);
            const std::int32_t next = m_delivered.load();
            if (m_aborted.load() || next >= m_count || m_ready[slotOf(next)].load() != next) {
                return;
            }
        }
    }

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
    // Per slot, the point computed into it.
    std::vector<Counter> m_ready;
    const std::function<void(int, std::int64_t)>& m_deliver;
    StopToken m_stop;
    std::atomic<std::int64_t> m_next{0};
    // The points delivered, which the threads waiting for a slot watch.
    Counter m_delivered{0};
    // Held by the thread delivering; m_nextDelivery is its own.
    std::atomic<bool> m_delivering{false};
    std::int64_t m_nextDelivery = 0;
    std::atomic<bool> m_aborted{false};
    std::mutex m_failureMutex;
    std::exception_ptr m_failure;
};

}  // namespace

void runOrdered(std::int64_t count, int threads, int window,
                const std::function<void(int thread, int slot, std::int64_t point)>& compute,
                const std::function<void(int slot, std::int64_t point)>& deliver, StopToken stop) {
    if (count <= 0) {
        return;
    }
    if (count > std::numeric_limits<std::int32_t>::max() - std::max(window, 1)) {
        throw std::length_error("a sweep of more points than its counters can count");
    }
    Sweep sweep(count, std::max(window, 1), deliver, stop);
    {
        std::vector<std::jthread> helpers;
        const auto threadCount = static_cast<int>(std::min<std::int64_t>(threads, count));
        try {
            helpers.reserve(static_cast<std::size_t>(std::max(threadCount - 1, 0)));
            for (int t = 1; t < threadCount; ++t) {
                helpers.emplace_back([&sweep, &compute, t] { sweep.work(t, compute); });
            }
        } catch (...) {
            sweep.abort();
            throw;
        }
        sweep.work(0, compute);
    }
    sweep.rethrowFailure();
}

int threadsFor(int requested) {
    return requested > 0 ? requested
                         : static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
}

int windowFor(int threads) {
    return threads <= 1 ? 1 : std::min(kWindowPerThread * threads, kLargestWindow);
}

}  // namespace tavi

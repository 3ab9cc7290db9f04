#include "engine/simulation/Replications.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace tavi {

namespace {

constexpr std::chrono::milliseconds kProgressInterval{100};

// The work shared by the threads: the next replication to take, and the results.
class SharedWork {
public:
    SharedWork(const ReplicatedDesign& design, const SimulationPlan& plan,
               const std::atomic<bool>& stop)
        : m_design(design), m_plan(plan), m_stop(stop) {
        const int coefficients = design.coefficients();
        m_results.coefficients = coefficients;
        m_results.status.resize(plan.replications);
        m_results.estimates.resize(plan.replications * coefficients);
        m_results.standardErrors.resize(plan.replications * coefficients);
    }

    // One thread's loop: replications until none is left or stop is set.
    void work() {
        const std::unique_ptr<ReplicationWork> replication = m_design.newWork();
        Eigen::VectorXd estimates;
        Eigen::VectorXd standardErrors;
        for (;;) {
            const std::int64_t r = m_next.fetch_add(1);
            if (r >= m_plan.replications || m_stop.load()) {
                break;
            }
            RandomStream random(m_plan.seed, static_cast<std::uint64_t>(r));
            const FitStatus status =
                replication->replicate(random, m_stop, estimates, standardErrors);
            if (status == FitStatus::Stopped) {
                break;
            }
            store(r, status, estimates, standardErrors);
            m_done.fetch_add(1);
        }
        const std::lock_guard lock(m_mutex);
        ++m_finishedThreads;
        m_finished.notify_one();
    }

    // Waits for threads threads to finish, reporting progress meanwhile.
    void awaitThreads(int threads, const ProgressReport& progress) {
        std::unique_lock lock(m_mutex);
        while (!m_finished.wait_for(lock, kProgressInterval,
                                    [&] { return m_finishedThreads == threads; })) {
            if (progress) {
                progress(m_done.load());
            }
        }
        if (progress) {
            progress(m_done.load());
        }
    }

    ReplicationResults take() { return std::move(m_results); }

private:
    void store(std::int64_t r, FitStatus status, const Eigen::VectorXd& estimates,
               const Eigen::VectorXd& standardErrors) {
        m_results.status[r] = status;
        if (status == FitStatus::Failed) {
            return;
        }
        for (int c = 0; c < m_results.coefficients; ++c) {
            m_results.estimates[r * m_results.coefficients + c] = estimates(c);
            m_results.standardErrors[r * m_results.coefficients + c] = standardErrors(c);
        }
    }

    const ReplicatedDesign& m_design;
    const SimulationPlan& m_plan;
    const std::atomic<bool>& m_stop;
    ReplicationResults m_results;
    std::atomic<std::int64_t> m_next{0};
    std::atomic<std::int64_t> m_done{0};
    std::mutex m_mutex;
    std::condition_variable m_finished;
    int m_finishedThreads = 0;
};

}  // namespace

ReplicationResults runReplications(const ReplicatedDesign& design, const SimulationPlan& plan,
                                   const std::atomic<bool>& stop, const ProgressReport& progress) {
    SharedWork work(design, plan, stop);
    const int threads =
        static_cast<int>(std::min<std::int64_t>(std::max(plan.threads, 1), plan.replications));
    {
        std::vector<std::jthread> workers;
        workers.reserve(static_cast<std::size_t>(threads));
        for (int t = 0; t < threads; ++t) {
            workers.emplace_back([&work] { work.work(); });
        }
        work.awaitThreads(threads, progress);
    }
    return work.take();
}

}  // namespace tavi

// The computation of an edited design on threads of its own while the window stays responsive.
// A new edit stops the computation before and drops its results: only the last edit's results
// arrive, in the window's thread.
#pragma once

#include "engine/run/DesignResults.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace tavi::ui {

class BackgroundRecalculation : public QObject {
public:
    // done receives the computation of the last design started, failed the message of a
    // computation that failed; both in the thread of this object.
    BackgroundRecalculation(std::function<void(DesignComputation)> done,
                            std::function<void(const QString&)> failed, QObject* parent = nullptr);
    // Stops every computation and waits for it.
    ~BackgroundRecalculation() override;

    // Computes d in memory on every core, with the sizes of its groups, as tavi-calc computes its
    // parameter file with those sizes' options.
    void start(NestedDesign d);
    // Stops the computation under way; nothing arrives from it.
    void stop();
    // Whether a computation is under way whose results will arrive.
    bool running() const { return m_running; }

private:
    struct Job {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> stop;
        std::shared_ptr<std::atomic<bool>> ended;
    };

    // Joins the jobs that have ended.
    void reap();
    void deliver(unsigned generation, const std::shared_ptr<DesignComputation>& computation,
                 const QString& failure);

    std::function<void(DesignComputation)> m_done;
    std::function<void(const QString&)> m_failed;
    std::vector<Job> m_jobs;
    unsigned m_generation = 0;
    bool m_running = false;
};

}  // namespace tavi::ui

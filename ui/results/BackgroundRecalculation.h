// The computation of an edited design on threads of its own while the window stays responsive.
// One computation runs at a time: a new edit stops the one under way and starts once it has
// ended, so fast typing never stacks sweeps on the cores. Only the last edit's results arrive,
// in the window's thread; those of a stopped computation never do.
#pragma once

#include "engine/run/DesignResults.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

namespace tavi::ui {

class BackgroundRecalculation : public QObject {
public:
    // done receives the computation of the last design started, failed the message of a
    // computation that failed; both in the thread of this object.
    BackgroundRecalculation(std::function<void(DesignComputation)> done,
                            std::function<void(const QString&)> failed, QObject* parent = nullptr);
    // Stops the computation under way and waits for it.
    ~BackgroundRecalculation() override;

    // Computes d in memory on every core, with the sizes of its groups, as tavi-calc computes its
    // parameter file with those sizes' options, once the computation under way, which this
    // stops, has ended.
    void start(NestedDesign d);
    // Stops the computation under way and forgets one waiting to start; nothing arrives from
    // either.
    void stop();
    // Whether a computation is under way or waiting whose results will arrive.
    bool running() const { return m_running; }

private:
    struct Job {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> stop;
    };

    // Starts computing d on a thread of its own, for the current generation.
    void launch(NestedDesign d);
    // In this object's thread, once the job's thread has done its work: joins it, then starts
    // the design waiting, or hands on what it computed when no newer edit came meanwhile.
    void ended(unsigned generation, const std::shared_ptr<DesignComputation>& computation,
               const QString& failure, bool stopped);

    std::function<void(DesignComputation)> m_done;
    std::function<void(const QString&)> m_failed;
    std::optional<Job> m_job;
    std::optional<NestedDesign> m_waiting;
    unsigned m_generation = 0;
    bool m_running = false;
};

}  // namespace tavi::ui

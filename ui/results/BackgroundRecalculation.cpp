#include "ui/results/BackgroundRecalculation.h"

#include "engine/StopToken.h"

#include <exception>
#include <new>

namespace tavi::ui {

BackgroundRecalculation::BackgroundRecalculation(std::function<void(DesignComputation)> done,
                                                 std::function<void(const QString&)> failed,
                                                 QObject* parent)
    : QObject(parent), m_done(std::move(done)), m_failed(std::move(failed)) {}

BackgroundRecalculation::~BackgroundRecalculation() {
    stop();
    for (Job& job : m_jobs) {
        job.thread.join();
    }
}

void BackgroundRecalculation::stop() {
    ++m_generation;
    m_running = false;
    for (Job& job : m_jobs) {
        job.stop->store(true);
    }
}

void BackgroundRecalculation::reap() {
    std::erase_if(m_jobs, [](Job& job) {
        if (!job.ended->load()) {
            return false;
        }
        job.thread.join();
        return true;
    });
}

void BackgroundRecalculation::start(NestedDesign d) {
    stop();
    reap();
    m_running = true;
    const unsigned generation = m_generation;
    auto stopFlag = std::make_shared<std::atomic<bool>>(false);
    auto ended = std::make_shared<std::atomic<bool>>(false);
    auto design = std::make_shared<const DesignReading>(DesignReading{std::move(d), std::nullopt});
    std::thread thread([this, generation, design, stopFlag, ended] {
        auto computation = std::make_shared<DesignComputation>();
        QString failure;
        bool stopped = false;
        try {
            *computation = computeDesign(*design, RunControl{nullptr, StopToken(*stopFlag), 0});
        } catch (const Stopped&) {
            stopped = true;
        } catch (const std::bad_alloc&) {
            failure = QStringLiteral("Not enough memory for this calculation.");
        } catch (const std::exception& error) {
            failure = QString::fromUtf8(error.what());
        }
        if (!stopped) {
            // Queued to this object: dropped unseen when it no longer exists.
            QMetaObject::invokeMethod(
                this,
                [this, generation, computation, failure] {
                    deliver(generation, computation, failure);
                },
                Qt::QueuedConnection);
        }
        ended->store(true);
    });
    m_jobs.push_back({std::move(thread), std::move(stopFlag), std::move(ended)});
}

void BackgroundRecalculation::deliver(unsigned generation,
                                      const std::shared_ptr<DesignComputation>& computation,
                                      const QString& failure) {
    if (generation != m_generation) {
        return;
    }
    m_running = false;
    if (!failure.isEmpty()) {
        m_failed(failure);
    } else {
        m_done(std::move(*computation));
    }
}

}  // namespace tavi::ui

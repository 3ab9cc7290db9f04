#include "ui/results/BackgroundRecalculation.h"

#include "engine/StopToken.h"

#include <exception>
#include <new>
#include <utility>

namespace tavi::ui {

BackgroundRecalculation::BackgroundRecalculation(std::function<void(DesignComputation)> done,
                                                 std::function<void(const QString&)> failed,
                                                 QObject* parent)
    : QObject(parent), m_done(std::move(done)), m_failed(std::move(failed)) {}

BackgroundRecalculation::~BackgroundRecalculation() {
    stop();
    if (m_job) {
        m_job->thread.join();
    }
}

void BackgroundRecalculation::stop() {
    ++m_generation;
    m_running = false;
    m_waiting.reset();
    if (m_job) {
        m_job->stop->store(true);
    }
}

void BackgroundRecalculation::start(NestedDesign d) {
    stop();
    m_running = true;
    if (m_job) {
        m_waiting = std::move(d);
        return;
    }
    launch(std::move(d));
}

void BackgroundRecalculation::launch(NestedDesign d) {
    const unsigned generation = m_generation;
    auto stopFlag = std::make_shared<std::atomic<bool>>(false);
    auto design = std::make_shared<const DesignReading>(DesignReading{std::move(d), std::nullopt});
    std::thread thread([this, generation, design, stopFlag] {
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
        // Queued to this object: dropped unseen when it no longer exists, whose destructor
        // joins this thread itself.
        QMetaObject::invokeMethod(
            this,
            [this, generation, computation, failure, stopped] {
                ended(generation, computation, failure, stopped);
            },
            Qt::QueuedConnection);
    });
    m_job.emplace(Job{std::move(thread), std::move(stopFlag)});
}

void BackgroundRecalculation::ended(unsigned generation,
                                    const std::shared_ptr<DesignComputation>& computation,
                                    const QString& failure, bool stopped) {
    m_job->thread.join();
    m_job.reset();
    if (m_waiting) {
        launch(*std::exchange(m_waiting, std::nullopt));
        return;
    }
    if (stopped || generation != m_generation) {
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

// Walks a sequence of modal windows in tests: each time one of the watched windows is shown,
// the next scripted step runs on it from within its event loop. A showing with no step left
// is closed (which answers Cancel) and counted, so a walk that goes wrong fails instead of
// hanging.
#pragma once

#include "ui/toolkit/ModalForm.h"

#include <QEvent>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>

namespace tavi::ui::test {

class ModalScript : public QObject {
public:
    using Step = std::function<void(QWidget*)>;

    explicit ModalScript(std::initializer_list<QWidget*> windows) {
        for (QWidget* window : windows) {
            window->installEventFilter(this);
        }
    }

    ModalScript& then(Step step) {
        m_steps.push_back(std::move(step));
        return *this;
    }

    // The object names of the windows shown so far, in order.
    const QStringList& shown() const { return m_shown; }
    std::size_t stepsLeft() const { return m_steps.size(); }
    int unexpectedShowings() const { return m_unexpected; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            auto* window = static_cast<QWidget*>(watched);
            m_shown << window->objectName();
            QTimer::singleShot(0, this, [this, window] { step(window); });
        }
        return false;
    }

private:
    void step(QWidget* window) {
        if (m_steps.empty()) {
            ++m_unexpected;
            if (auto* form = dynamic_cast<TModalForm*>(window)) {
                form->Close();
            } else {
                window->close();
            }
            return;
        }
        Step next = std::move(m_steps.front());
        m_steps.pop_front();
        next(window);
    }

    std::deque<Step> m_steps;
    QStringList m_shown;
    int m_unexpected = 0;
};

}  // namespace tavi::ui::test

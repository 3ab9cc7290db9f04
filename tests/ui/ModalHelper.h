// Drives modal windows in tests without ever waiting on a user: an action is queued when a
// window shows and runs from a zero-time timer inside that window's own event loop. One action
// at a time (whenModalShown) or a script of steps over a set of windows (ModalScript); a showing
// nobody expected is closed, which answers Cancel, so a walk that goes wrong fails instead of
// hanging.
#pragma once

#include "ui/toolkit/ModalForm.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>

namespace tavi::ui::test {

namespace detail {

// Closes a window as its close box would.
inline void closeWindow(QWidget* window) {
    if (auto* form = dynamic_cast<TModalForm*>(window)) {
        form->Close();
    } else {
        window->close();
    }
}

// Runs act once, on the next dialog to show, then removes itself.
class NextDialog : public QObject {
public:
    explicit NextDialog(std::function<void(QWidget*)> act) : m_act(std::move(act)) {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (event->type() == QEvent::Show && dialog != nullptr && dialog->isModal()) {
            qApp->removeEventFilter(this);
            QTimer::singleShot(0, dialog, [this, dialog] {
                m_act(dialog);
                deleteLater();
            });
        }
        return false;
    }

private:
    std::function<void(QWidget*)> m_act;
};

}  // namespace detail

// Runs act on the next modal window once its event loop runs.
inline void whenModalShown(std::function<void(QWidget*)> act) {
    new detail::NextDialog(std::move(act));
}

// As whenModalShown, then closes the window if act left it open, so that a check that fails
// (and returns early) does not leave the test waiting.
inline void whenModalShownThenClose(std::function<void(QWidget*)> act) {
    whenModalShown([act = std::move(act)](QWidget* window) {
        act(window);
        if (window->isVisible()) {
            detail::closeWindow(window);
        }
    });
}

// Each time one of the watched windows is shown, the next scripted step runs on it.
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
            detail::closeWindow(window);
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

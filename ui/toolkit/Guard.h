// Every event handler of the windows is entered through this guard: an error that escapes the
// handler ends it, its message is shown in a message box, and the program goes on. Exceptions
// must never reach Qt's event loop, which cannot carry them.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QWidget;

namespace tavi::ui {

// Runs handler; an escaping error is shown to the user instead of ending the program. A file
// error names its file in the box.
void runGuarded(const std::function<void()>& handler);

// Shows message in a modal box centred over the program's main window (or the active one).
void showMessage(const QString& message);

// The window over which message boxes are centred.
void setMessageWindow(QWidget* window);

// Replaces the message box (in tests): each message goes to answer instead, and no box shows.
// An empty function brings the box back.
void setMessageAnswerer(std::function<void(const QString&)> answer);

// Connects signal of sender to a member handler of receiver that takes no arguments, entered
// through the guard.
template <typename Sender, typename Signal, typename Receiver>
void bindHandler(Sender* sender, Signal signal, Receiver* receiver, void (Receiver::*handler)()) {
    QObject::connect(sender, signal, receiver, [receiver, handler] {
        runGuarded([receiver, handler] { (receiver->*handler)(); });
    });
}

}  // namespace tavi::ui

// A question that the user answers with Yes or No, No being the answer Enter gives, such as
// whether an existing file may be replaced. Tests give the answers without any window.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace tavi::ui {

// Asks question in a modal box over parent; true for Yes.
bool confirm(QWidget* parent, const QString& question);

// Replaces the box (in tests): each question goes to answer, whose result is the answer. An
// empty function brings the box back.
void setConfirmationAnswerer(std::function<bool(const QString&)> answer);

}  // namespace tavi::ui

// The choice of the template a new plan starts from: the templates by name with what each
// describes. Tests replace the choice so that no dialog blocks them.
#pragma once

#include "engine/templates/DesignTemplates.h"

#include <functional>

class QWidget;

namespace tavi::ui {

// Shows the templates in a modal dialog over parent; the one chosen, or nullptr when cancelled.
const DesignTemplate* chooseTemplate(QWidget* parent);

// Replaces the dialog (in tests); an empty function brings it back.
void setTemplateChooser(std::function<const DesignTemplate*(QWidget* parent)> chooser);

}  // namespace tavi::ui

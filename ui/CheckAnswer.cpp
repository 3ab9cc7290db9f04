#include "ui/CheckAnswer.h"

namespace tavi::ui {

TExistsForm::TExistsForm(QWidget* parent) : TModalForm(parent) {
    setObjectName(QStringLiteral("ExistsForm"));
}

}  // namespace tavi::ui

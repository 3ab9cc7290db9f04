#include "ui/FillUnit.h"

namespace tavi::ui {

TFillForm::TFillForm(QWidget* parent) : TModalForm(parent) {
    setObjectName(QStringLiteral("FillForm"));
}

}  // namespace tavi::ui

#include "ui/AmountUnit.h"

namespace tavi::ui {

TAmountForm::TAmountForm(QWidget* parent) : TModalForm(parent) {
    setObjectName(QStringLiteral("AmountForm"));
}

}  // namespace tavi::ui

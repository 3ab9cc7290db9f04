// The window of the form in which the amount of output is chosen.
#pragma once

#include "ui/toolkit/ModalForm.h"

namespace tavi::ui {

class TAmountForm : public TModalForm {
public:
    explicit TAmountForm(QWidget* parent = nullptr);
};

}  // namespace tavi::ui

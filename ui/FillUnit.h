// The window of the grid in which vectors, matrices and single values are entered.
#pragma once

#include "ui/toolkit/ModalForm.h"

namespace tavi::ui {

class TFillForm : public TModalForm {
public:
    explicit TFillForm(QWidget* parent = nullptr);
};

}  // namespace tavi::ui

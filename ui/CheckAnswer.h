// The window of the confirmation asked before an existing output file is overwritten.
#pragma once

#include "ui/toolkit/ModalForm.h"

namespace tavi::ui {

class TExistsForm : public TModalForm {
public:
    explicit TExistsForm(QWidget* parent = nullptr);
};

}  // namespace tavi::ui

// The panel of the results window in which the design's assumptions are edited: a field for
// each, with what it is and its help, the line that says why the fields give no design (or
// that the design is being computed), and the buttons that save the design or revert it.
#pragma once

#include "engine/run/Assumptions.h"

#include <QString>
#include <QWidget>

#include <cstddef>
#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace tavi::ui {

class AssumptionsPanel : public QWidget {
    Q_OBJECT
public:
    explicit AssumptionsPanel(QWidget* parent = nullptr);

    // Shows the heading and fields of assumptions afresh.
    void setFields(const Assumptions& assumptions);
    // Shows the fields' texts, but in the field being typed into; a field with no part in the
    // design is disabled.
    void showTexts(const Assumptions& assumptions, std::optional<std::size_t> typed);
    // The line under the fields: text, marked as a problem with field (or the design as a
    // whole) when problem is set.
    void showStatus(const QString& text, bool problem,
                    std::size_t field = AssumptionProblem::kWholeDesign);

    QLabel* Heading;
    QLabel* StatusLabel;
    QPushButton* SaveDesignButton;
    QPushButton* RevertButton;
    // The fields, in the order of the assumptions' fields; each named "Field_" and its key.
    std::vector<QLineEdit*> Fields;

signals:
    // The user changed the text of field i.
    void edited(std::size_t i, const QString& text);

private:
    QWidget* m_fieldsArea;
    QVBoxLayout* m_fieldRows;
};

}  // namespace tavi::ui

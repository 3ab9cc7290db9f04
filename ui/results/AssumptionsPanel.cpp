#include "ui/results/AssumptionsPanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace tavi::ui {

namespace {

// A field whose text gives no value: dark red on pale red, readable at a contrast above 7:1.
const QString kProblemStyle = QStringLiteral("QLineEdit { background: #fde8e8; color: #8b0000; }");

QLabel* wrappedLabel(const QString& text) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

}  // namespace

AssumptionsPanel::AssumptionsPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("AssumptionsPanel"));
    Heading = wrappedLabel({});
    Heading->setObjectName(QStringLiteral("AssumptionsHeading"));
    QFont bold = Heading->font();
    bold.setBold(true);
    Heading->setFont(bold);

    m_fieldsArea = new QWidget;
    m_fieldRows = new QVBoxLayout(m_fieldsArea);
    m_fieldRows->setContentsMargins(0, 0, 4, 0);
    auto* scroll = new QScrollArea;
    scroll->setWidget(m_fieldsArea);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    StatusLabel = wrappedLabel({});
    StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
    SaveDesignButton = new QPushButton(QStringLiteral("Save desi&gn as..."));
    SaveDesignButton->setObjectName(QStringLiteral("SaveDesignButton"));
    SaveDesignButton->setToolTip(
        QStringLiteral("Write the design as edited to a parameter file for tavi-calc"));
    RevertButton = new QPushButton(QStringLiteral("Re&vert"));
    RevertButton->setObjectName(QStringLiteral("RevertButton"));
    RevertButton->setToolTip(QStringLiteral("Back to the values opened or last saved"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(SaveDesignButton);
    buttons->addWidget(RevertButton);
    buttons->addStretch();

    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->addWidget(Heading);
    rows->addWidget(scroll, 1);
    rows->addWidget(StatusLabel);
    rows->addLayout(buttons);
}

void AssumptionsPanel::setFields(const Assumptions& assumptions) {
    while (QLayoutItem* item = m_fieldRows->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    Fields.clear();
    Heading->setText(QString::fromStdString(assumptions.title()));
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    for (std::size_t i = 0; i < assumptions.fields().size(); ++i) {
        const AssumptionField& field = assumptions.fields()[i];
        auto* edit = new QLineEdit(QString::fromStdString(field.text));
        edit->setObjectName(QStringLiteral("Field_") + QString::fromStdString(field.key));
        edit->setPlaceholderText(QString::fromStdString(field.placeholder));
        edit->setToolTip(QString::fromStdString(field.help));
        edit->setEnabled(field.applies);
        auto* label = wrappedLabel(QString::fromStdString(field.label));
        label->setBuddy(edit);
        m_fieldRows->addWidget(label);
        m_fieldRows->addWidget(edit);
        if (!field.help.empty()) {
            auto* help = wrappedLabel(QString::fromStdString(field.help));
            help->setFont(small);
            help->setForegroundRole(QPalette::PlaceholderText);
            m_fieldRows->addWidget(help);
        }
        m_fieldRows->addSpacing(6);
        connect(edit, &QLineEdit::textEdited, this,
                [this, i](const QString& text) { emit edited(i, text); });
        Fields.push_back(edit);
    }
    m_fieldRows->addStretch();
}

void AssumptionsPanel::showTexts(const Assumptions& assumptions, std::optional<std::size_t> typed) {
    Heading->setText(QString::fromStdString(assumptions.title()));
    for (std::size_t i = 0; i < Fields.size(); ++i) {
        const AssumptionField& field = assumptions.fields()[i];
        const QString text = QString::fromStdString(field.text);
        if (i != typed && Fields[i]->text() != text) {
            Fields[i]->setText(text);
        }
        Fields[i]->setEnabled(field.applies);
    }
}

void AssumptionsPanel::showStatus(const QString& text, bool problem, std::size_t field) {
    StatusLabel->setText(text);
    StatusLabel->setStyleSheet(problem ? QStringLiteral("color: #8b0000;") : QString());
    for (std::size_t i = 0; i < Fields.size(); ++i) {
        Fields[i]->setStyleSheet(problem && i == field ? kProblemStyle : QString());
    }
}

}  // namespace tavi::ui

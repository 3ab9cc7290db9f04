#include "ui/results/TemplateChooser.h"

#include "ui/toolkit/Application.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <span>
#include <utility>

namespace tavi::ui {

namespace {

std::function<const DesignTemplate*(QWidget*)>& replacement() {
    static std::function<const DesignTemplate*(QWidget*)> chooser;
    return chooser;
}

}  // namespace

const DesignTemplate* chooseTemplate(QWidget* parent) {
    if (replacement()) {
        return replacement()(parent);
    }
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("TemplateChooser"));
    dialog.setWindowTitle(QStringLiteral("New plan"));
    auto* list = new QListWidget;
    list->setObjectName(QStringLiteral("TemplateList"));
    const std::span<const DesignTemplate> offered = designTemplates();
    for (const DesignTemplate& candidate : offered) {
        list->addItem(QString::fromUtf8(candidate.name.data(), qsizetype(candidate.name.size())) +
                      QStringLiteral(": ") +
                      QString::fromUtf8(candidate.description.data(),
                                        qsizetype(candidate.description.size())));
    }
    list->setCurrentRow(0);
    // Each line names a design in a sentence; the list is wide enough to read it whole, as far
    // as the screen allows.
    const int lineWidth = list->sizeHintForColumn(0) + 2 * list->frameWidth() +
                          list->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
    const int room = screen != nullptr ? screen->availableGeometry().width() * 9 / 10 : lineWidth;
    list->setMinimumWidth(std::min(lineWidth, room));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemActivated, &dialog, &QDialog::accept);
    auto* rows = new QVBoxLayout(&dialog);
    auto* caption = new QLabel(
        QStringLiteral("Start the plan from the &design that is nearest to your study; its "
                       "values can be changed in the window that follows."));
    caption->setWordWrap(true);
    caption->setBuddy(list);
    rows->addWidget(caption);
    rows->addWidget(list);
    rows->addWidget(buttons);
    int answer = QDialog::Rejected;
    returningFocus(parent, [&dialog, &answer] { answer = dialog.exec(); });
    if (answer != QDialog::Accepted || list->currentRow() < 0) {
        return nullptr;
    }
    return &offered[static_cast<std::size_t>(list->currentRow())];
}

void setTemplateChooser(std::function<const DesignTemplate*(QWidget* parent)> chooser) {
    replacement() = std::move(chooser);
}

}  // namespace tavi::ui

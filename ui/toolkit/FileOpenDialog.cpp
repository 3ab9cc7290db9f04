#include "ui/toolkit/FileOpenDialog.h"

#include "files/FileNames.h"
#include "ui/toolkit/Application.h"
#include "ui/toolkit/Confirmation.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QScreen>
#include <QTreeView>

#include <algorithm>
#include <utility>

namespace tavi::ui {

namespace {

// Qt's own dialog rather than the desktop's, so that it behaves the same everywhere.
std::optional<QString> chooseWithQtDialog(const TOpenDialog& request, QWidget* parent) {
    QFileDialog dialog(parent, request.Title);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // Execute asks before a file is replaced, also when a test chooses the name.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(request.Saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(request.Filters);
    // No default suffix here: the dialog would add it to an existing file's name without a dot.
    // Execute adds it only to names of files that do not exist.
    dialog.selectFile(request.FileName);
    // The size, type and date of a file show whole; the name takes the room that is left.
    if (auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = details->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        // Room for names of about 30 characters more than Qt gives, as far as the screen allows.
        const int wider = dialog.sizeHint().width() + 30 * dialog.fontMetrics().averageCharWidth();
        const QScreen* screen = parent != nullptr ? parent->screen() : dialog.screen();
        dialog.resize(std::min(wider, screen->availableGeometry().width() * 9 / 10),
                      dialog.sizeHint().height());
    }
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (request.Extra != nullptr && grid != nullptr) {
        grid->addWidget(request.Extra, grid->rowCount(), 0, 1, grid->columnCount());
    }
    int answer = QDialog::Rejected;
    returningFocus(parent, [&dialog, &answer] { answer = dialog.exec(); });
    if (request.Extra != nullptr) {
        // The caller's controls outlive the dialog.
        request.Extra->setParent(nullptr);
    }
    if (answer != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

TOpenDialog::Chooser& chooser() {
    static TOpenDialog::Chooser current = chooseWithQtDialog;
    return current;
}

}  // namespace

bool TOpenDialog::Execute(QWidget* parent) {
    const std::optional<QString> chosen = chooser()(*this, parent);
    if (!chosen) {
        return false;
    }
    accept(*chosen);
    if (!Saving || !QFileInfo::exists(FileName)) {
        return true;
    }
    const bool opened =
        !OpenedFile.isEmpty() && sameFile(FileName.toStdString(), OpenedFile.toStdString());
    return confirm(parent, opened ? FileName + QStringLiteral(" is the file that was opened. "
                                                              "Replace it?")
                                  : FileName + QStringLiteral(" exists. Replace it?"));
}

void TOpenDialog::accept(const QString& name) {
    QString withExtension = name;
    if (!DefaultExt.isEmpty() && QFileInfo(name).suffix().isEmpty() && !QFileInfo(name).exists()) {
        withExtension += QLatin1Char('.') + DefaultExt;
    }
    FileName = QFileInfo(withExtension).absoluteFilePath();
}

void TOpenDialog::setChooser(Chooser replacement) {
    chooser() = std::move(replacement);
}

void TOpenDialog::resetChooser() {
    chooser() = chooseWithQtDialog;
}

}  // namespace tavi::ui

// The file-open dialog, or for a file to write the save dialog: a title, an initial file name,
// a default extension added to a name typed without one, name filters, and further controls of
// the caller's. It accepts the name of a file that does not exist yet.
// Tests replace the chooser so that no dialog blocks them, and answer the question before a
// file is replaced through setConfirmationAnswerer.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

namespace tavi::ui {

class TOpenDialog {
public:
    QString Title;
    QString FileName;     // the initial name; after Execute, the chosen file's full path
    QString DefaultExt;   // without the dot
    QStringList Filters;  // "caption (pattern)", in order
    // A file to write: an existing one is taken only when the user confirms its replacement.
    bool Saving = false;
    // Saving: the file the data came from, whose replacement the question names as such.
    QString OpenedFile;
    // Controls shown under the file list (for a picture's size), or nullptr. The caller keeps
    // them and reads them after Execute.
    QWidget* Extra = nullptr;

    // Shows the dialog; true when the user confirmed a file, whose name FileName then holds,
    // and, saving over an existing file, confirmed its replacement.
    bool Execute(QWidget* parent);
    // Takes name as if the user had confirmed it in the dialog: FileName becomes its full path,
    // with the default extension added when no file of that name exists and it has none.
    void accept(const QString& name);

    // What choosing a file does: returns the chosen name, or nothing when cancelled. Replacing
    // it (in tests) keeps the real dialog from showing.
    using Chooser = std::function<std::optional<QString>(const TOpenDialog&, QWidget* parent)>;
    static void setChooser(Chooser chooser);
    static void resetChooser();
};

}  // namespace tavi::ui

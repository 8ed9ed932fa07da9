#pragma once

#include <optional>

#include <QFileDialog>
#include <QString>

class AppContext;
class QWidget;

// The save-file dialog, with a way for tests to answer it in advance.
namespace FileDialog {

// Asks for a file to write, offering `fileName` in the folder the last file
// was saved in (at first the user's documents folder), never in the folder
// the program happened to be started from.
QString getSaveFileName(QWidget *parent, const QString &caption, const QString &fileName, const QString &filter);
// The same for a file the program is about to write: a file of the program's
// own is refused (an error said through `context`) before the question
// whether an existing file is to be replaced, so that no one is asked to
// replace what would be refused anyway. Empty: nothing to write.
QString getFileToWrite(QWidget *parent, AppContext &context, const QString &caption, const QString &fileName,
                       const QString &filter);
// Qt's own dialog (which speaks the program's language) wherever the
// system's dialog would speak another one.
QFileDialog::Options dialogOptions();
// The next call returns this instead of showing the dialog (empty: cancelled).
void setNextFileName(const QString &fileName);
// Where the next dialog opens: the last folder used, else the documents
// folder, else the home folder, whichever is there first.
QString startFolder();

} // namespace FileDialog

#pragma once

#include <optional>

#include <QFileDialog>
#include <QString>

class QWidget;

// The save-file dialog, with a way for tests to answer it in advance.
namespace FileDialog {

QString getSaveFileName(QWidget *parent, const QString &caption, const QString &directory, const QString &filter);
// Qt's own dialog (which speaks the program's language) wherever the
// system's dialog would speak another one.
QFileDialog::Options dialogOptions();
// The next call returns this instead of showing the dialog (empty: cancelled).
void setNextFileName(const QString &fileName);

} // namespace FileDialog

#include "MessageBoxReporter.h"

#include <QApplication>
#include <QMessageBox>

QWidget *MessageBoxReporter::owner()
{
    return QApplication::activeModalWidget() ? QApplication::activeModalWidget() : QApplication::activeWindow();
}

// A box without a caption of its own shows the program's name, as the
// platform's default caption does.
QString MessageBoxReporter::captionOr(const QString &caption)
{
    return caption.isEmpty() ? QApplication::applicationDisplayName() : caption;
}

void MessageBoxReporter::error(const QString &text, const QString &caption)
{
    QMessageBox::critical(owner(), captionOr(caption), text);
}

void MessageBoxReporter::information(const QString &text, const QString &caption)
{
    QMessageBox::information(owner(), captionOr(caption), text);
}

Reporter::Answer MessageBoxReporter::question(const QString &text, const QString &caption, Buttons buttons)
{
    QMessageBox::StandardButtons offered = QMessageBox::Yes | QMessageBox::No;
    if (buttons == Buttons::YesNoCancel)
        offered |= QMessageBox::Cancel;
    switch (QMessageBox::question(owner(), captionOr(caption), text, offered)) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return buttons == Buttons::YesNoCancel ? Answer::Cancel : Answer::No;
    }
}

#include "MessageBoxReporter.h"

#include <QApplication>
#include <QMessageBox>

QWidget *MessageBoxReporter::owner()
{
    return QApplication::activeModalWidget() ? QApplication::activeModalWidget() : QApplication::activeWindow();
}

// A box without a caption of its own shows the program's name, as the
// platform's default caption does (the program sets no display name, which
// would stand in every title: see ApplicationForms::setUpApplication).
QString MessageBoxReporter::captionOr(const QString &caption)
{
    return caption.isEmpty() ? QStringLiteral("Tagwerk") : caption;
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
    const bool cancel = buttons != Buttons::YesNo;
    if (cancel)
        offered |= QMessageBox::Cancel;
    const QMessageBox::StandardButton preferred =
        buttons == Buttons::YesNoCancelDefaultNo ? QMessageBox::No : QMessageBox::NoButton;
    switch (QMessageBox::question(owner(), captionOr(caption), text, offered, preferred)) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return cancel ? Answer::Cancel : Answer::No;
    }
}

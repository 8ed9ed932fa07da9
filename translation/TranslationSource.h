#pragma once

#include <QList>
#include <QString>

class QIODevice;

// The readable source of the dictionary's translations: a UTF-8 text file
// with one row per German key and the columns German, English and Spanish,
// separated by one TAB. Lines that begin with "#" are comments; the first
// other line names the columns ("de", "en", "es"). Inside a cell, "\\" is a
// backslash, "\t" a TAB, "\n" a line feed, "\r" a carriage return, "\s" a
// blank, "\#" a "#" (written where a cell begins, so that a row is never taken
// for a comment) and "\uXXXX" one UTF-16 code unit (written for half of a
// surrogate pair, which UTF-8 cannot carry); blanks at either end of a cell
// are written as "\s", so that they stay visible in a review. A key may be
// all blanks, but not empty.
class TranslationSource
{
public:
    struct Row
    {
        QString german;
        QString english;
        QString spanish;
    };

    // False on a malformed file; errorString() names the line and why.
    bool read(QIODevice *device);
    QString errorString() const { return m_error; }

    // The header comment lines (without their "# ") kept from the file read.
    QStringList comments;
    QList<Row> rows;

    // The whole file: the comments, the column line, then one line per row.
    QByteArray toUtf8() const;

    static QString escape(const QString &cell);
    // False when the cell holds a backslash that starts no known escape.
    static bool unescape(const QString &cell, QString *text);

private:
    QString m_error;
};

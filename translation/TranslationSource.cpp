#include "TranslationSource.h"

#include <QIODevice>
#include <QStringList>

namespace {

const QString ColumnLine = QStringLiteral("de\ten\tes");

} // namespace

QString TranslationSource::escape(const QString &cell)
{
    QString out;
    out.reserve(cell.size() + 8);
    qsizetype leading = 0;
    while (leading < cell.size() && cell.at(leading) == QLatin1Char(' '))
        ++leading;
    qsizetype trailingFrom = cell.size();
    while (trailingFrom > leading && cell.at(trailingFrom - 1) == QLatin1Char(' '))
        --trailingFrom;
    for (qsizetype i = 0; i < cell.size(); ++i) {
        const QChar c = cell.at(i);
        if (c == QLatin1Char('\\'))
            out += QLatin1String("\\\\");
        else if (c == QLatin1Char('\t'))
            out += QLatin1String("\\t");
        else if (c == QLatin1Char('\n'))
            out += QLatin1String("\\n");
        else if (c == QLatin1Char('\r'))
            out += QLatin1String("\\r");
        else if (c == QLatin1Char(' ') && (i < leading || i >= trailingFrom))
            out += QLatin1String("\\s");
        else
            out += c;
    }
    return out;
}

bool TranslationSource::unescape(const QString &cell, QString *text)
{
    QString out;
    out.reserve(cell.size());
    for (qsizetype i = 0; i < cell.size(); ++i) {
        const QChar c = cell.at(i);
        if (c != QLatin1Char('\\')) {
            out += c;
            continue;
        }
        if (++i == cell.size())
            return false;
        switch (cell.at(i).unicode()) {
        case '\\': out += QLatin1Char('\\'); break;
        case 't': out += QLatin1Char('\t'); break;
        case 'n': out += QLatin1Char('\n'); break;
        case 'r': out += QLatin1Char('\r'); break;
        case 's': out += QLatin1Char(' '); break;
        default: return false;
        }
    }
    *text = out;
    return true;
}

bool TranslationSource::read(QIODevice *device)
{
    comments.clear();
    rows.clear();
    m_error.clear();
    QByteArray bytes = device->readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QString text = QString::fromUtf8(bytes);
    if (text.contains(QChar::ReplacementCharacter)) {
        m_error = QStringLiteral("the file is not UTF-8");
        return false;
    }
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QStringList lines = text.split(QLatin1Char('\n'));
    bool columnsSeen = false;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString &line = lines.at(n);
        const QString where = QStringLiteral("line %1: ").arg(n + 1);
        if (line.startsWith(QLatin1Char('#'))) {
            if (!columnsSeen)
                comments << (line.startsWith(QLatin1String("# ")) ? line.mid(2) : line.mid(1));
            continue;
        }
        if (line.isEmpty())
            continue;
        if (!columnsSeen) {
            if (line != ColumnLine) {
                m_error = where + QStringLiteral("the columns must be \"de<TAB>en<TAB>es\"");
                return false;
            }
            columnsSeen = true;
            continue;
        }
        const QStringList cells = line.split(QLatin1Char('\t'));
        if (cells.size() > 3) {
            m_error = where + QStringLiteral("more than three columns");
            return false;
        }
        Row row;
        QString *targets[] = {&row.german, &row.english, &row.spanish};
        for (qsizetype c = 0; c < cells.size(); ++c) {
            if (!unescape(cells.at(c), targets[c])) {
                m_error = where + QStringLiteral("a backslash that starts no escape (\\\\ \\t \\n \\r \\s)");
                return false;
            }
        }
        if (row.german.trimmed().isEmpty()) {
            m_error = where + QStringLiteral("the German key is empty");
            return false;
        }
        rows.append(row);
    }
    if (!columnsSeen) {
        m_error = QStringLiteral("the column line \"de<TAB>en<TAB>es\" is missing");
        return false;
    }
    return true;
}

QByteArray TranslationSource::toUtf8() const
{
    QString out;
    for (const QString &comment : comments)
        out += (comment.isEmpty() ? QStringLiteral("#") : QStringLiteral("# ") + comment) + QLatin1Char('\n');
    out += ColumnLine + QLatin1Char('\n');
    for (const Row &row : rows)
        out += escape(row.german) + QLatin1Char('\t') + escape(row.english) + QLatin1Char('\t') + escape(row.spanish)
               + QLatin1Char('\n');
    return out.toUtf8();
}

#include "TranslationSource.h"

#include <algorithm>

#include <QIODevice>
#include <QStringDecoder>
#include <QStringList>

namespace {

const QString ColumnLine = QStringLiteral("de\ten\tes");

// UTF-8 cannot carry half of a surrogate pair: such a code unit is escaped.
bool isLoneSurrogate(const QString &text, qsizetype i)
{
    const QChar c = text.at(i);
    if (c.isHighSurrogate())
        return i + 1 >= text.size() || !text.at(i + 1).isLowSurrogate();
    if (c.isLowSurrogate())
        return i == 0 || !text.at(i - 1).isHighSurrogate();
    return false;
}

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
        if (isLoneSurrogate(cell, i))
            out += QLatin1String("\\u") + QString::number(c.unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0'));
        else if (i == 0 && c == QLatin1Char('#'))
            out += QLatin1String("\\#"); // a line that begins with # would be a comment
        else if (c == QLatin1Char('\\'))
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
        case '#': out += QLatin1Char('#'); break;
        case 'u': { // one UTF-16 code unit, four hex digits
            const QStringView hex = QStringView(cell).mid(i + 1, 4);
            bool ok = hex.size() == 4;
            const ushort unit = ok ? hex.toUShort(&ok, 16) : 0;
            if (!ok)
                return false;
            out += QChar(unit);
            i += 4;
            break;
        }
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
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        m_error = QStringLiteral("the file is not UTF-8");
        return false;
    }
    // A file saved with CR LF line ends (every line) loses its CRs; in a file
    // of LF line ends a CR stays, as a comment may end in one.
    QStringList lines = text.split(QLatin1Char('\n'));
    const bool crlf = lines.size() > 1 && std::all_of(lines.cbegin(), lines.cend() - 1, [](const QString &line) {
                          return line.endsWith(QLatin1Char('\r'));
                      });
    if (crlf) {
        for (qsizetype n = 0; n + 1 < lines.size(); ++n)
            lines[n].chop(1);
    }
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
                m_error = where + QStringLiteral("a backslash that starts no escape (\\\\ \\t \\n \\r \\s \\# \\uXXXX)");
                return false;
            }
        }
        if (row.german.isEmpty()) {
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

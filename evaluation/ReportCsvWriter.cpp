#include "ReportCsvWriter.h"

#include <cstring>

ReportCsvWriter::ReportCsvWriter(QIODevice *device)
    : m_out(device)
{
}

namespace {

bool startsLikeFormula(const QString &value)
{
    if (value.isEmpty())
        return false;
    const char16_t first = value.front().unicode();
    return first == u'=' || first == u'+' || first == u'-' || first == u'@' || first == u'\t' || first == u'\r';
}

bool needsQuotes(const QString &value)
{
    for (const QChar c : value) {
        const char16_t u = c.unicode();
        if (u == u';' || u == u'"' || u == u'\n' || u == u'\r')
            return true;
    }
    return false;
}

} // namespace

// Writes the cell at `out`, which has room for twice its length and three
// more, and returns the end: a quote, a guard and a closing quote at most,
// and each quote inside doubled.
char16_t *ReportCsvWriter::writeCell(const QString &value, char16_t *out)
{
    const bool quoted = needsQuotes(value);
    if (quoted)
        *out++ = u'"';
    if (startsLikeFormula(value))
        *out++ = u'\'';
    if (!quoted) {
        std::memcpy(out, value.utf16(), size_t(value.size()) * sizeof(char16_t));
        return out + value.size();
    }
    for (const QChar c : value) {
        *out++ = c.unicode();
        if (c == QLatin1Char('"'))
            *out++ = u'"';
    }
    *out++ = u'"';
    return out;
}

void ReportCsvWriter::appendCell(QString &row, const QString &value)
{
    const qsizetype used = row.size();
    row.resize(used + 2 * value.size() + 3);
    const char16_t *end = writeCell(value, reinterpret_cast<char16_t *>(row.data()) + used);
    row.resize(end - reinterpret_cast<const char16_t *>(row.constData()));
}

QString ReportCsvWriter::cell(const QString &value)
{
    QString text;
    appendCell(text, value);
    return text;
}

QString ReportCsvWriter::row(const QStringList &values)
{
    QString text;
    appendRow(text, values);
    return text;
}

void ReportCsvWriter::appendRow(QString &row, const QStringList &values)
{
    // Made through a pointer into room for the longest row these cells can
    // make: a row per record of a large table adds up.
    qsizetype most = row.size() + values.size();
    for (const QString &value : values)
        most += 2 * value.size() + 3;
    const qsizetype used = row.size();
    row.resize(most);
    char16_t *out = reinterpret_cast<char16_t *>(row.data()) + used;
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            *out++ = u';';
        out = writeCell(values.at(i), out);
    }
    row.resize(out - reinterpret_cast<const char16_t *>(row.constData()));
}

void ReportCsvWriter::writeColumnTitles(const QStringList &titles)
{
    writeRecord(titles);
}

void ReportCsvWriter::writeRecord(const QStringList &values)
{
    // The writer ends the row with "\n"; CSV wants CR LF. The byte-order
    // mark before the first row tells spreadsheets the text is UTF-8. The
    // row is made in the same storage every time.
    m_row.resize(0);
    if (m_first)
        m_row += QChar(0xFEFF);
    m_first = false;
    appendRow(m_row, values);
    m_row += QLatin1Char('\r');
    m_out.writeLine(m_row);
}

#include "ReportCsvWriter.h"

#include <algorithm>
#include <cstring>

ReportCsvWriter::ReportCsvWriter(QIODevice *device)
    : m_out(device)
{
}

namespace {

// The characters that matter are ASCII: the same tests serve UTF-16 text
// and UTF-8 bytes.
bool isFormulaStart(char16_t first)
{
    return first == u'=' || first == u'+' || first == u'-' || first == u'@' || first == u'\t' || first == u'\r';
}

bool isQuoted(char16_t c)
{
    return c == u';' || c == u'"' || c == u'\n' || c == u'\r';
}

bool startsLikeFormula(const QString &value)
{
    return !value.isEmpty() && isFormulaStart(value.front().unicode());
}

bool needsQuotes(const QString &value)
{
    return std::any_of(value.cbegin(), value.cend(), [](QChar c) { return isQuoted(c.unicode()); });
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

// As writeCell(), in UTF-8.
char *ReportCsvWriter::writeUtf8Cell(QByteArrayView cell, char *out)
{
    const bool quoted = std::any_of(cell.begin(), cell.end(), [](char c) { return isQuoted(char16_t(uchar(c))); });
    if (quoted)
        *out++ = '"';
    if (!cell.isEmpty() && isFormulaStart(char16_t(uchar(cell.front()))))
        *out++ = '\'';
    if (!quoted) {
        if (!cell.isEmpty()) // an empty view may hold no pointer at all
            std::memcpy(out, cell.data(), size_t(cell.size()));
        return out + cell.size();
    }
    for (const char c : cell) {
        *out++ = c;
        if (c == '"')
            *out++ = '"';
    }
    *out++ = '"';
    return out;
}

void ReportCsvWriter::writeUtf8Record(const QList<QByteArrayView> &cells)
{
    static constexpr char ByteOrderMark[] = "\xEF\xBB\xBF";
    qsizetype most = qsizetype(sizeof ByteOrderMark) + cells.size();
    for (const QByteArrayView cell : cells)
        most += 2 * cell.size() + 3;
    if (m_utf8Row.size() < most)
        m_utf8Row.resize(most);
    char *out = m_utf8Row.data();
    if (m_first) {
        std::memcpy(out, ByteOrderMark, 3);
        out += 3;
    }
    m_first = false;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0)
            *out++ = ';';
        out = writeUtf8Cell(cells.at(i), out);
    }
    *out++ = '\r';
    m_out.writeUtf8Line(QByteArrayView(m_utf8Row.constData(), out));
}

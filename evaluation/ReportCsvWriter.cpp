#include "ReportCsvWriter.h"

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

void ReportCsvWriter::appendCell(QString &row, const QString &value)
{
    const bool quoted = needsQuotes(value);
    if (quoted)
        row += QLatin1Char('"');
    if (startsLikeFormula(value))
        row += QLatin1Char('\'');
    if (!quoted) {
        row += value;
        return;
    }
    qsizetype from = 0;
    for (qsizetype quote = value.indexOf(QLatin1Char('"')); quote >= 0; quote = value.indexOf(QLatin1Char('"'), from)) {
        row += QStringView(value).sliced(from, quote + 1 - from);
        row += QLatin1Char('"');
        from = quote + 1;
    }
    row += QStringView(value).sliced(from);
    row += QLatin1Char('"');
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
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            row += QLatin1Char(';');
        appendCell(row, values.at(i));
    }
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

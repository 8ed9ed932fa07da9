#include "ReportCsvWriter.h"

ReportCsvWriter::ReportCsvWriter(QIODevice *device)
    : m_out(device)
{
}

QString ReportCsvWriter::cell(const QString &value)
{
    QString text = value;
    if (!text.isEmpty()) {
        const QChar first = text.front();
        if (first == QLatin1Char('=') || first == QLatin1Char('+') || first == QLatin1Char('-')
            || first == QLatin1Char('@') || first == QLatin1Char('\t') || first == QLatin1Char('\r'))
            text.prepend(QLatin1Char('\''));
    }
    if (!text.contains(QLatin1Char(';')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text;
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString ReportCsvWriter::row(const QStringList &values)
{
    QString text;
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            text += QLatin1Char(';');
        text += cell(values.at(i));
    }
    return text;
}

void ReportCsvWriter::writeColumnTitles(const QStringList &titles)
{
    writeRecord(titles);
}

void ReportCsvWriter::writeRecord(const QStringList &values)
{
    // The writer ends the row with "\n"; CSV wants CR LF. The byte-order
    // mark before the first row tells spreadsheets the text is UTF-8.
    m_out.writeLine((m_first ? QString(QChar(0xFEFF)) : QString()) + row(values) + QLatin1Char('\r'));
    m_first = false;
}

#include "CsvRow.h"

namespace CsvRow {

namespace {

QString field(const QString &value)
{
    if (!value.contains(QLatin1Char(';')) && !value.contains(QLatin1Char('"')) && !value.contains(QLatin1Char('\n'))
        && !value.contains(QLatin1Char('\r')))
        return value;
    return QLatin1Char('"') + QString(value).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

} // namespace

QByteArray byteOrderMark()
{
    return QByteArray("\xEF\xBB\xBF");
}

QByteArray format(const QStringList &values)
{
    QStringList fields;
    fields.reserve(values.size());
    for (const QString &value : values)
        fields << field(value);
    return (fields.join(QLatin1Char(';')) + QStringLiteral("\r\n")).toUtf8();
}

} // namespace CsvRow

#include "PresetTexts.h"

#include "storage/RecordTable.h"

namespace PresetTexts {

QStringList generated(RecordTable &table, int field, bool *readOk)
{
    return generated(table, QList<int>{field}, readOk).constFirst();
}

QList<QStringList> generated(RecordTable &table, const QList<int> &fields, bool *readOk)
{
    QList<QStringList> texts;
    const bool read = table.refresh() && table.distinctTexts(fields, texts);
    if (readOk)
        *readOk = read;
    return read ? texts : QList<QStringList>(fields.size());
}

QStringList fixedLines(const QString &memoText)
{
    if (memoText.isEmpty())
        return {};
    QString text = memoText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    // A final line break ends the last line; it does not start an empty one.
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace PresetTexts

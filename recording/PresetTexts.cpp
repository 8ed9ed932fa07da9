#include "PresetTexts.h"

#include <QSet>

#include "storage/DbfTable.h"
#include "storage/WorkTimeTables.h"

namespace PresetTexts {

QStringList generated(DbfTable &table, int field, bool *readOk)
{
    QStringList texts;
    QSet<QString> seen; // the same result as searching the list, in linear time
    DbfRecord record;
    QString text;
    if (readOk)
        *readOk = true;
    const bool refreshed = table.refresh();
    for (int row = 0; refreshed && row < table.rowCount(); ++row) {
        if (!table.readRow(row, record)) {
            if (readOk)
                *readOk = false;
            return {};
        }
        record.text(field, text);
        if (!seen.contains(text)) {
            seen.insert(text);
            texts.append(text);
        }
    }
    if (!refreshed && readOk)
        *readOk = false;
    return refreshed ? texts : QStringList();
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

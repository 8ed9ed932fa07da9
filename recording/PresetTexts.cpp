#include "PresetTexts.h"

#include <QSet>

#include "storage/RecordTable.h"
#include "storage/WorkTimeTables.h"

namespace PresetTexts {

QStringList generated(RecordTable &table, int field, bool *readOk)
{
    QStringList texts;
    QSet<QString> seen; // the same result as searching the list, in linear time
    QString text;
    const bool read = table.refresh() && table.scan([&](const DbfRecord &record) {
        record.text(field, text);
        if (!seen.contains(text)) {
            seen.insert(text);
            texts.append(text);
        }
        return true;
    });
    if (readOk)
        *readOk = read;
    return read ? texts : QStringList();
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

#include "PresetTexts.h"

#include <QSet>

#include "storage/RecordTable.h"
#include "storage/WorkTimeTables.h"

namespace PresetTexts {

QStringList generated(RecordTable &table, int field, bool *readOk)
{
    return generated(table, QList<int>{field}, readOk).constFirst();
}

QList<QStringList> generated(RecordTable &table, const QList<int> &fields, bool *readOk)
{
    QList<QStringList> texts(fields.size());
    QList<QSet<QString>> seen(fields.size()); // the same result as searching the list, in linear time
    QString text;
    const bool read = table.refresh() && table.scan([&](const DbfRecord &record) {
        for (qsizetype i = 0; i < fields.size(); ++i) {
            record.text(fields.at(i), text);
            if (!seen.at(i).contains(text)) {
                seen[i].insert(text);
                texts[i].append(text);
            }
        }
        return true;
    });
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

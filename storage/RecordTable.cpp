#include "RecordTable.h"

#include <QSet>

bool RecordTable::distinctTexts(const QList<int> &fields, QList<QStringList> &texts)
{
    texts = QList<QStringList>(fields.size());
    QList<QSet<QString>> seen(fields.size()); // the same result as searching the list, in linear time
    QString text;
    return scan([&](const DbfRecord &record) {
        for (qsizetype i = 0; i < fields.size(); ++i) {
            record.text(fields.at(i), text);
            if (!seen.at(i).contains(text)) {
                seen[i].insert(text);
                texts[i].append(text);
            }
        }
        return true;
    });
}

#pragma once

// One instance's side of the shared-table test: the commands both the test
// and its worker process carry out on their own open table and clash index,
// one line each:
//   book EMPLOYEE DD.MM.YYYY HH:MM HH:MM   stored like "Okay, erfassen" (a clash is confirmed)
//   edit RECORD FIELD TEXT                 one field of a record rewritten in place
//   delete RECORD                          the record marked deleted
//   clashes                                the index's answer to every query of queries()
// The reply is "ok", the answers as a string of 0 and 1, or "error: why".

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include "base/Clock.h"
#include "folderstore/OpenTableStore.h"
#include "recording/BookingService.h"
#include "recording/ClashIndex.h"
#include "storage/DateTimeText.h"
#include "storage/DbfTable.h"
#include "storage/WorkTimeTables.h"

namespace ClashScript {

struct Query
{
    QString employee;
    QDate date;
    int from;
    int to;
};

inline QList<Query> queries()
{
    QList<Query> all;
    const QList<QPair<int, int>> spans = {{7, 9}, {9, 10}, {11, 13}, {14, 15}, {15, 17}, {6, 20}};
    for (const char *employee : {"Anna", "Bernd"}) {
        for (int day : {5, 6}) {
            for (const auto &[from, to] : spans)
                all.append({QString::fromLatin1(employee), QDate(2024, 3, day), from * 3600 + 1800, to * 3600});
        }
    }
    return all;
}

// As a booking asks: under the header lock, after looking for new records.
inline QString indexAnswers(DbfTable &table, ClashIndex &index)
{
    if (!table.lockHeader())
        return QStringLiteral("error: ") + table.errorString();
    table.refresh();
    QString answers;
    for (const Query &q : queries()) {
        const std::optional<bool> clash = index.findClash(q.employee, q.date, q.from, q.to);
        answers += !clash ? u'E' : *clash ? u'1' : u'0'; // E: the table could not be read
    }
    table.unlockHeader();
    return answers;
}

inline QString run(DbfTable &table, ClashIndex &index, const Clock &clock, const QString &line)
{
    const QStringList words = line.split(u' ', Qt::SkipEmptyParts);
    const QString command = words.value(0);
    if (command == QLatin1String("book") && words.size() == 5) {
        BookingInput input;
        input.place = QStringLiteral("Halle");
        input.activity = QStringLiteral("Montage");
        input.date = DateTimeText::parseDate(words.at(2)).value_or(QDate());
        input.from = DateTimeText::parseTime(words.at(3)).value_or(QTime());
        input.to = DateTimeText::parseTime(words.at(4)).value_or(QTime());
        OpenTableStore store(table, index);
        BookingService service(store, clock);
        const auto outcome = service.book(input, words.at(1), [] { return true; });
        return outcome.kind == BookingService::Outcome::Stored ? QStringLiteral("ok")
                                                               : QStringLiteral("error: not stored ") + outcome.error;
    }
    if (command == QLatin1String("edit") && words.size() == 4) {
        table.refresh();
        DbfRecord record;
        if (!table.readRecord(words.at(1).toUInt(), record))
            return QStringLiteral("error: no record ") + words.at(1);
        record.setText(words.at(2).toInt(), words.at(3));
        return table.update(record) ? QStringLiteral("ok") : QStringLiteral("error: ") + table.errorString();
    }
    if (command == QLatin1String("delete") && words.size() == 2) {
        table.refresh();
        return table.markDeleted(words.at(1).toUInt()) ? QStringLiteral("ok") : QStringLiteral("error: ") + table.errorString();
    }
    if (command == QLatin1String("clashes"))
        return indexAnswers(table, index);
    return QStringLiteral("error: unknown command ") + line;
}

} // namespace ClashScript

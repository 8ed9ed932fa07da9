#pragma once

#include <memory>

#include <QByteArray>
#include <QList>
#include <QString>

#include "recording/ChangeLogEntry.h"
#include "storage/DbfField.h"
#include "storage/DbfRecord.h"
#include "store/ClosedPeriod.h"

class QDateTime;
class QSqlQuery;
class QVariant;

// The change history as the server keeps it: the table "protokoll", one row
// per entry with the fields of "protokoll.dbf" as text, in `nr` order. Each
// entry is made exactly as the folder's change history makes it (the same
// texts, the same record digests, the same chain), so that the history
// exported to a folder is checked by the folder's own verifier.
namespace ServerHistory {

// The columns of "protokoll" after `nr`, in the order of the log's fields.
extern const char *const Columns;

// The layout of a record of "protokoll.dbf".
std::shared_ptr<const DbfLayout> layout();

// The entry's record, stamped with `now` and chained to `previousHash`.
DbfRecord chainedRecord(ChangeLogEntry &entry, const QByteArray &previousHash, const QDateTime &now);
// "(nr, 'zeit', …, 'kette')" for an INSERT of `record` as entry `nr`.
QString valuesOf(qint64 nr, const DbfRecord &record);
// Fills `record` (of layout()) from the query's columns from `first` on,
// in the order of Columns.
void readInto(const QSqlQuery &query, int first, DbfRecord &record);

// A scalar subquery: the change text of the history's last closing or
// reopening, NULL when it holds none. (The partial index
// "protokoll_abschluss" finds it without reading the entries after it.)
QString lastClosingQuery();
// What the history says was closed last, from the subquery's value; known
// once the history has begun, as the folder's history tells it.
ClosedPeriod::Recorded recordedClosing(bool historyBegun, const QVariant &lastClosingChange);

// SHA-256 (hex) of a dBase table's structure as its header holds it, as
// the folder's start entry keeps it.
QByteArray structureDigest(const QByteArray &header);

} // namespace ServerHistory

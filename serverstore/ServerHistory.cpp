#include "ServerHistory.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include "ServerConnection.h"
#include "storage/DbfFormat.h"
#include "storage/DbfTable.h"

namespace ServerHistory {

const char *const Columns =
    "zeit, wer, rechner, aktion, satz, aenderung1, aenderung2, aenderung3, aenderung4, vorher, nachher, kette";

std::shared_ptr<const DbfLayout> layout()
{
    static const std::shared_ptr<const DbfLayout> log =
        DbfTable::parseHeader(DbfTable::headerBytes(ChangeLogEntry::fieldDefinitions(), QDate(2000, 1, 1)), nullptr);
    return log;
}

DbfRecord chainedRecord(ChangeLogEntry &entry, const QByteArray &previousHash, const QDateTime &now)
{
    entry.time = now;
    DbfRecord record(layout());
    entry.fillRecord(record);
    entry.chain = ChangeLogEntry::chainHash(previousHash, record);
    record.setText(ChangeLogEntry::Kette, QString::fromLatin1(entry.chain));
    return record;
}

QString valuesOf(qint64 nr, const DbfRecord &record)
{
    QString values = QLatin1Char('(') + QString::number(nr);
    for (int pos = 0; pos < ChangeLogEntry::FieldCount; ++pos)
        values += QLatin1Char(',') + ServerConnection::literal(record.text(pos));
    return values + QLatin1Char(')');
}

void readInto(const QSqlQuery &query, int first, DbfRecord &record)
{
    for (int pos = 0; pos < ChangeLogEntry::FieldCount; ++pos)
        record.setText(pos, query.value(first + pos).toString());
}

QString lastClosingQuery()
{
    return QStringLiteral("(SELECT aenderung1 FROM protokoll WHERE aktion IN (%1, %2) ORDER BY nr DESC LIMIT 1)")
        .arg(ServerConnection::literal(ChangeLogEntry::actionCode(ChangeLogEntry::Action::PeriodClosed)),
             ServerConnection::literal(ChangeLogEntry::actionCode(ChangeLogEntry::Action::PeriodReopened)));
}

ClosedPeriod::Recorded recordedClosing(bool historyBegun, const QVariant &lastClosingChange)
{
    ClosedPeriod::Recorded recorded;
    recorded.known = historyBegun;
    recorded.any = !lastClosingChange.isNull();
    if (recorded.any) {
        // "CLOSED_UNTIL: old -> new" fits the first change field.
        ChangeLogEntry entry;
        entry.changes = lastClosingChange.toString();
        recorded.until = entry.closedUntil();
    }
    return recorded;
}

QByteArray structureDigest(const QByteArray &header)
{
    using namespace DbfFormat;
    if (header.size() < HeaderSize)
        return {};
    QByteArray pinned;
    pinned += header.at(LanguageDriverOffset);
    // Name (up to its NUL), type, width and decimal count of each field, up
    // to the descriptors' end mark.
    const QByteArray descriptors = header.mid(HeaderSize);
    for (qsizetype at = 0; at + DescriptorSize <= descriptors.size(); at += DescriptorSize) {
        if (descriptors.at(at) == HeaderTerminator)
            break;
        const QByteArray descriptor = descriptors.mid(at, DescriptorSize);
        const QByteArray name = descriptor.left(DescriptorNameSize);
        pinned += name.left(name.indexOf('\0') < 0 ? name.size() : name.indexOf('\0'));
        pinned += '\0';
        pinned += descriptor.at(DescriptorTypeOffset);
        pinned += descriptor.at(DescriptorWidthOffset);
        pinned += descriptor.at(DescriptorDecimalsOffset);
    }
    return QCryptographicHash::hash(pinned, QCryptographicHash::Sha256).toHex();
}

} // namespace ServerHistory

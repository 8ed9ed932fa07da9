#include "ServerTable.h"

#include <algorithm>
#include <utility>

#include <QCryptographicHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QRandomGenerator>
#include <QSet>
#include <QSysInfo>
#include <QThread>

#include "ServerConnection.h"
#include "PackedRecord.h"
#include "ScanSpool.h"
#include "ServerHistory.h"
#include "base/Clock.h"
#include "recording/ChangeLog.h"
#include "storage/CodePage.h"
#include "storage/DateTimeText.h"
#include "storage/DbfTable.h"
#include "store/ClosedPeriod.h"
#include "storage/WorkTimeTables.h"
#include "translation/UiText.h"

namespace {

const char *const UniqueViolation = "23505";
const char *const ExclusionViolation = "23P01";

bool isLogicalColumn(int pos)
{
    return pos == WorkTimeTables::Auswaerts || pos == WorkTimeTables::Doppelt;
}

// Copies the fields `from` has changed onto `to`, by their values.
void copyChangedFields(const DbfRecord &from, DbfRecord &to)
{
    for (int pos = 0; pos < std::min(from.fieldCount(), to.fieldCount()); ++pos) {
        if (!from.isChanged(pos))
            continue;
        if (isLogicalColumn(pos))
            to.setLogical(pos, from.logical(pos));
        else
            to.setText(pos, from.text(pos));
    }
}

} // namespace

const char *const ServerTable::Columns = "datum, arbeiter, ort, taetigkeit, zeit_von, zeit_bis, bemerkungen, "
                                         "auswaerts, pause, doppelt, datum_eintrag, zeit_eintrag";

ServerTable::ServerTable(ServerConnection &connection, const Clock &clock)
    : m_connection(connection)
    , m_clock(clock)
    , m_host(QSysInfo::machineHostName())
{
}

ServerTable::~ServerTable() = default;

bool ServerTable::fail(Status status, const QString &reason)
{
    m_status = status;
    m_error = reason;
    return false;
}

bool ServerTable::failFromServer()
{
    return fail(Status::CannotOpen, m_connection.errorString());
}

const QList<DbfField> &ServerTable::fields() const
{
    static const QList<DbfField> none;
    return m_layout ? m_layout->fields : none;
}

DbfRecord ServerTable::newRecord() const
{
    return m_layout ? DbfRecord(m_layout) : DbfRecord();
}

bool ServerTable::open()
{
    close();
    if (!m_connection.open())
        return failFromServer();
    QSqlQuery query(m_connection.database());
    if (!m_connection.exec(query, QStringLiteral("SELECT kopf FROM tabellenkopf WHERE tabelle = 'arbeitszeit'")))
        return failFromServer();
    if (!query.next())
        return fail(Status::NotFound, UiText(QStringLiteral("Auf dem Server %1 gibt es noch keine Tabellen von Tagwerk: "
                                                            "richten Sie sie mit \"tagwerk-cli --server … init\" ein."))
                                          .arg(m_connection.location()));
    QString reason;
    m_header = query.value(0).toByteArray();
    std::shared_ptr<DbfLayout> layout = DbfTable::parseHeader(m_header, &reason);
    if (!layout || layout->fields.size() != WorkTimeTables::FieldCount)
        return fail(Status::Damaged, UiText(QStringLiteral("Der Tabellenkopf auf dem Server %1 ist beschädigt."))
                                         .arg(m_connection.location()));
    m_layout = layout;
    if (!reload()) {
        m_layout.reset();
        return false;
    }
    m_status = Status::Ok;
    m_error.clear();
    return true;
}

void ServerTable::close()
{
    m_spool.reset();
    m_layout.reset();
    m_live.clear();
    m_filteredRows.clear();
    m_page.clear();
    m_seen = 0;
    m_status = Status::NotOpen;
}

void ServerTable::readInto(const QSqlQuery &query, int first, DbfRecord &record) const
{
    if (!record.isValid() || record.bytes().size() != m_layout->recordLength)
        record = newRecord();
    record.setRecordNumber(query.value(first).toUInt());
    record.setDeleted(query.value(first + 1).toBool());
    for (int pos = 0; pos < WorkTimeTables::FieldCount; ++pos) {
        const int column = first + 2 + pos;
        if (isLogicalColumn(pos))
            record.setLogical(pos, query.isNull(column) ? std::nullopt : std::optional<bool>(query.value(column).toBool()));
        else
            record.setText(pos, query.value(column).toString());
    }
    record.clearChanged();
}

QString ServerTable::valuesOf(const DbfRecord &record, bool deleted, bool checked)
{
    QString values = QLatin1Char('(') + QString::number(record.recordNumber()) + QLatin1Char(',')
        + ServerConnection::literal(std::optional<bool>(deleted));
    for (int pos = 0; pos < WorkTimeTables::FieldCount; ++pos)
        values += QLatin1Char(',')
            + (isLogicalColumn(pos) ? ServerConnection::literal(record.logical(pos))
                                    : ServerConnection::literal(record.text(pos)));
    return values + QLatin1Char(',') + ServerConnection::literal(std::optional<bool>(checked)) + QLatin1Char(')');
}

// --- reading ---------------------------------------------------------------------

int ServerTable::rowOfRecord(quint32 recordNumber) const
{
    const std::vector<quint32> &list = rows();
    const auto at = std::lower_bound(list.begin(), list.end(), recordNumber);
    return at != list.end() && *at == recordNumber ? int(at - list.begin()) : -1;
}

// The page of live records from `recordNumber` on, by key.
bool ServerTable::readPage(quint32 recordNumber)
{
    const auto at = std::lower_bound(m_live.begin(), m_live.end(), recordNumber);
    quint32 last = recordNumber;
    if (at != m_live.end())
        last = std::max(recordNumber, *(at + std::min<qsizetype>(PageSize - 1, m_live.end() - at - 1)));
    if (!m_connection.open())
        return failFromServer();
    QSqlQuery query(m_connection.database());
    query.setForwardOnly(true);
    const QString sql = QStringLiteral("SELECT satz, geloescht, %1 FROM arbeitszeit WHERE satz BETWEEN %2 AND %3 "
                                       "ORDER BY satz")
                            .arg(QLatin1String(Columns))
                            .arg(recordNumber)
                            .arg(last);
    if (!m_connection.exec(query, sql))
        return failFromServer();
    m_page.clear();
    while (query.next()) {
        DbfRecord record = newRecord();
        readInto(query, 0, record);
        m_page.insert(record.recordNumber(), record);
    }
    if (query.lastError().isValid())
        return fail(Status::CannotOpen, query.lastError().text());
    return true;
}

bool ServerTable::readRecord(quint32 recordNumber, DbfRecord &out)
{
    if (!isOpen())
        return fail(Status::NotOpen, UiText(QStringLiteral("Die Tabelle ist nicht geöffnet.")));
    auto found = m_page.constFind(recordNumber);
    if (found == m_page.constEnd()) {
        if (!readPage(recordNumber))
            return false;
        found = m_page.constFind(recordNumber);
        if (found == m_page.constEnd())
            return fail(Status::BadRecord, UiText(QStringLiteral("Den Datensatz %1 gibt es auf dem Server nicht."))
                                               .arg(recordNumber));
    }
    out = *found;
    return true;
}

bool ServerTable::readRow(int row, DbfRecord &out)
{
    if (row < 0 || row >= rowCount())
        return fail(Status::BadRecord, UiText(QStringLiteral("Den Datensatz %1 gibt es auf dem Server nicht.")).arg(row + 1));
    return readRecord(recordNumberAt(row), out);
}

void ServerTable::expectRepeatedScans()
{
    m_spool.reset();
    m_spoolNextScan = true;
}

bool ServerTable::scan(const RecordVisitor &visit)
{
    if (!isOpen())
        return fail(Status::NotOpen, UiText(QStringLiteral("Die Tabelle ist nicht geöffnet.")));
    if (m_spool && m_spool->isComplete()) {
        DbfRecord record = newRecord();
        if (m_spool->replay(record, visit))
            return true;
        // A spool that cannot be read back is no loss: the server has it all.
        m_spool.reset();
    }
    std::unique_ptr<ScanSpool> spool;
    if (std::exchange(m_spoolNextScan, false)) {
        spool = std::make_unique<ScanSpool>();
        if (!spool->begin())
            spool.reset();
    }
    bool complete = false;
    if (!stream(visit, spool.get(), complete))
        return false;
    if (spool && complete && spool->finish())
        m_spool = std::move(spool);
    return true;
}

// The server groups the rows by each field and orders the groups by their
// first record; the texts are then made what a record of this layout makes
// of them (cut to the field, the code page's characters), which may join
// two groups: the first of them keeps its place.
bool ServerTable::distinctTexts(const QList<int> &fields, QList<QStringList> &texts)
{
    const QStringList columns = QString::fromLatin1(Columns).split(QStringLiteral(", "));
    QStringList groups;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const int field = fields.at(i);
        if (field < 0 || field >= columns.size() || isLogicalColumn(field))
            return RecordTable::distinctTexts(fields, texts);
        groups << QStringLiteral("SELECT %1 AS feld, %2 AS wert, min(satz) AS erst FROM arbeitszeit "
                                 "WHERE NOT geloescht AND satz <= %3 GROUP BY %2")
                      .arg(i)
                      .arg(columns.at(field))
                      .arg(m_seen);
    }
    if (!isOpen())
        return fail(Status::NotOpen, UiText(QStringLiteral("Die Tabelle ist nicht geöffnet.")));
    if (!m_connection.open())
        return failFromServer();
    QSqlQuery query(m_connection.database());
    query.setForwardOnly(true);
    const QString sql = QStringLiteral("SELECT feld, wert FROM (%1) AS gruppen ORDER BY feld, erst")
                            .arg(groups.join(QStringLiteral(" UNION ALL ")));
    if (!m_connection.exec(query, sql))
        return failFromServer();
    texts = QList<QStringList>(fields.size());
    QList<QSet<QString>> seen(fields.size());
    DbfRecord record = newRecord();
    QString text;
    while (query.next()) {
        const int i = query.value(0).toInt();
        record.setText(fields.at(i), query.value(1).toString());
        record.text(fields.at(i), text);
        if (!seen.at(i).contains(text)) {
            seen[i].insert(text);
            texts[i].append(text);
        }
    }
    if (query.lastError().isValid())
        return failedStream(query);
    return true;
}

// Reads the live records from the server; `complete` when the visitor took
// every one.
bool ServerTable::stream(const RecordVisitor &visit, ScanSpool *spool, bool &complete)
{
    if (!m_connection.open())
        return failFromServer();
    QSqlDatabase database = m_connection.streamDatabase();
    if (!database.isValid())
        return failFromServer();
    QSqlQuery query(database);
    // Forward only: the driver hands the rows over one by one as they come,
    // so that memory does not grow with the table.
    query.setForwardOnly(true);
    static const QString packed = PackedRecord::expression(Columns);
    const QString sql = QStringLiteral("SELECT %1 FROM arbeitszeit WHERE NOT geloescht AND satz <= %2 ORDER BY satz")
                            .arg(packed)
                            .arg(m_seen);
    if (!query.exec(sql))
        return failedStream(query);
    DbfRecord record = newRecord();
    QString row;
    while (query.next()) {
        row = query.value(0).toString();
        if (!PackedRecord::read(row, record))
            return fail(Status::BadRecord, UiText(QStringLiteral("Die Tabelle auf dem Server %1 kann nicht gelesen werden: %2"))
                                               .arg(m_connection.location(), row.left(80)));
        if (spool && !spool->append(record))
            spool = nullptr;
        if (!visit(record))
            return true;
    }
    if (query.lastError().isValid())
        return failedStream(query);
    complete = true;
    return true;
}

bool ServerTable::failedStream(const QSqlQuery &query)
{
    m_connection.markLost();
    return fail(Status::CannotOpen, UiText(QStringLiteral("Die Tabelle auf dem Server %1 kann nicht gelesen werden: %2"))
                                        .arg(m_connection.location(), query.lastError().text()));
}

bool ServerTable::refresh()
{
    m_spool.reset();
    if (!isOpen())
        return fail(Status::NotOpen, UiText(QStringLiteral("Die Tabelle ist nicht geöffnet.")));
    if (!m_connection.open())
        return failFromServer();
    QSqlQuery query(m_connection.database());
    query.setForwardOnly(true);
    const QString sql = QStringLiteral("SELECT satz, geloescht, %1 FROM arbeitszeit WHERE satz > %2 ORDER BY satz")
                            .arg(QLatin1String(Columns))
                            .arg(m_seen);
    if (!m_connection.exec(query, sql))
        return failFromServer();
    std::vector<quint32> live;
    std::vector<quint32> filtered;
    quint32 seen = m_seen;
    DbfRecord record = newRecord();
    while (query.next()) {
        readInto(query, 0, record);
        seen = record.recordNumber();
        if (record.isDeleted())
            continue;
        live.push_back(seen);
        if (m_filtered && passesFilter(record))
            filtered.push_back(seen);
    }
    if (query.lastError().isValid())
        return fail(Status::CannotOpen, query.lastError().text());
    m_live.insert(m_live.end(), live.begin(), live.end());
    m_filteredRows.insert(m_filteredRows.end(), filtered.begin(), filtered.end());
    m_seen = seen;
    return true;
}

bool ServerTable::reload()
{
    m_spool.reset();
    if (!m_layout)
        return fail(Status::NotOpen, UiText(QStringLiteral("Die Tabelle ist nicht geöffnet.")));
    if (!m_connection.open())
        return failFromServer();
    std::vector<quint32> live;
    quint32 seen = 0;
    if (!readLiveByDeleted(live, seen))
        return false;
    m_live = std::move(live);
    m_seen = seen;
    m_page.clear();
    return !m_filtered || rebuildFilteredRows();
}

// Records are numbered without gaps (the server refuses any other), so the
// live ones are every number up to the last but the deleted ones, usually
// few: one row each, where the whole table is a million.
bool ServerTable::readLiveByDeleted(std::vector<quint32> &live, quint32 &seen)
{
    QSqlQuery query(m_connection.database());
    query.setForwardOnly(true);
    if (!m_connection.exec(query, QStringLiteral("SELECT m.letzter, m.anzahl, d.satz FROM (SELECT coalesce(max(satz), 0) "
                                                 "AS letzter, count(*) AS anzahl FROM arbeitszeit) AS m LEFT JOIN "
                                                 "LATERAL (SELECT satz FROM arbeitszeit WHERE geloescht) AS d ON true "
                                                 "ORDER BY d.satz")))
        return failFromServer();
    std::vector<quint32> deleted;
    qint64 count = 0;
    while (query.next()) {
        seen = query.value(0).toUInt();
        count = query.value(1).toLongLong();
        if (!query.isNull(2))
            deleted.push_back(query.value(2).toUInt());
    }
    if (query.lastError().isValid())
        return fail(Status::CannotOpen, query.lastError().text());
    if (count != seen) // numbers missing: rows removed behind Tagwerk's back
        return readLiveRuns(live);
    live.reserve(seen - deleted.size());
    auto next = deleted.cbegin();
    for (quint32 number = 1; number <= seen; ++number) {
        if (next != deleted.cend() && *next == number)
            ++next;
        else
            live.push_back(number);
    }
    return true;
}

// The live record numbers as runs of consecutive numbers (first, last),
// computed by the server: a table with few deletions is a handful of rows,
// where one row per record costs the driver a million values.
bool ServerTable::readLiveRuns(std::vector<quint32> &live)
{
    QSqlQuery query(m_connection.database());
    query.setForwardOnly(true);
    const QString sql = QStringLiteral(
        "SELECT min(satz), max(satz), (SELECT coalesce(max(satz), 0) FROM arbeitszeit) FROM "
        "(SELECT satz, satz - row_number() OVER (ORDER BY satz) AS lauf FROM arbeitszeit WHERE NOT geloescht) AS live "
        "GROUP BY lauf ORDER BY 1");
    if (!m_connection.exec(query, sql))
        return failFromServer();
    live.clear();
    while (query.next()) {
        const quint32 first = query.value(0).toUInt();
        const quint32 last = query.value(1).toUInt();
        for (quint32 number = first; number <= last; ++number)
            live.push_back(number);
    }
    if (query.lastError().isValid())
        return fail(Status::CannotOpen, query.lastError().text());
    return true;
}

bool ServerTable::rebuildFilteredRows()
{
    std::vector<quint32> filtered;
    const QStringList columns = QString::fromLatin1(Columns).split(QStringLiteral(", "));
    if (m_filterField && m_filterField->field >= 0 && m_filterField->field < columns.size()
        && !isLogicalColumn(m_filterField->field)) {
        if (!readCandidates(*m_filterField, filtered))
            return false;
        m_filteredRows = std::move(filtered);
        return true;
    }
    const bool read = scan([&](const DbfRecord &record) {
        if (!m_filter || m_filter(record))
            filtered.push_back(record.recordNumber());
        return true;
    });
    if (read)
        m_filteredRows = std::move(filtered);
    return read;
}

// The records whose field reads the text: a text of characters that the
// table's code page keeps as they are reads as itself but for trailing
// blanks, so the server picks those and every text with another character;
// the filter decides.
bool ServerTable::readCandidates(const FilterField &only, std::vector<quint32> &filtered)
{
    if (!isOpen())
        return fail(Status::NotOpen, UiText(QStringLiteral("Die Tabelle ist nicht geöffnet.")));
    if (!m_connection.open())
        return failFromServer();
    const QString column = QString::fromLatin1(Columns).split(QStringLiteral(", ")).at(only.field);
    QSqlQuery query(m_connection.database());
    query.setForwardOnly(true);
    const QString sql = QStringLiteral("SELECT satz, geloescht, %1 FROM arbeitszeit WHERE NOT geloescht AND satz <= %2 "
                                       "AND (rtrim(%3, ' ') = %4 OR %3 !~ %5) ORDER BY satz")
                            .arg(QLatin1String(Columns))
                            .arg(m_seen)
                            .arg(column, ServerConnection::literal(only.text),
                                 ServerConnection::literal(keptCharacters(only.field)));
    if (!m_connection.exec(query, sql))
        return failFromServer();
    DbfRecord record = newRecord();
    while (query.next()) {
        readInto(query, 0, record);
        if (!m_filter || m_filter(record))
            filtered.push_back(record.recordNumber());
    }
    if (query.lastError().isValid())
        return failedStream(query);
    return true;
}

// A regular expression for the texts of characters that a record of this
// layout keeps as they are in the field (between others: a trailing blank
// is dropped).
QString ServerTable::keptCharacters(int field) const
{
    DbfRecord record = newRecord();
    QString kept;
    for (int byte = 1; byte < 256; ++byte) {
        const QChar c(record.codePage().toUnicode(uchar(byte)));
        const QString probe = QLatin1Char('a') + c + QLatin1Char('a');
        record.setText(field, probe);
        if (record.text(field) == probe)
            kept += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return QStringLiteral("^[%1]*$").arg(kept);
}

bool ServerTable::setFilter(RowFilter filter)
{
    m_filter = std::move(filter);
    return !m_filtered || rebuildFilteredRows();
}

bool ServerTable::setFiltered(bool on)
{
    m_filtered = on;
    if (!on) {
        m_filteredRows.clear();
        return true;
    }
    return rebuildFilteredRows();
}

void ServerTable::dropRow(int row)
{
    if (m_filtered && row >= 0 && row < int(m_filteredRows.size()))
        m_filteredRows.erase(m_filteredRows.begin() + row);
}

void ServerTable::forget(quint32 recordNumber)
{
    for (std::vector<quint32> *list : {&m_live, &m_filteredRows}) {
        const auto at = std::lower_bound(list->begin(), list->end(), recordNumber);
        if (at != list->end() && *at == recordNumber)
            list->erase(at);
    }
    m_page.remove(recordNumber);
}

// --- changing --------------------------------------------------------------------
//
// Every change is one statement that enters the history entry and makes
// the change together (a data-modifying WITH), after one statement that
// read what the change rests on: the closing file, the last history entry,
// the last record number, a clash search, the record to change. Each entry
// takes the next entry number, so that of two PCs that read the same state
// only one can write: the other's statement fails on the entry's key and it
// reads again. So the history is one chain in commit order, and every check
// saw the state its change was made on. A statement that fails stores
// nothing of it; one that succeeded is committed.

std::optional<ServerTable::State> ServerTable::readState(const QString &extraColumn, quint32 recordNumber)
{
    if (!m_connection.open()) {
        failFromServer();
        return std::nullopt;
    }
    QString sql = QStringLiteral("SELECT (SELECT inhalt FROM abschluss), "
                                 "(SELECT nr FROM protokoll ORDER BY nr DESC LIMIT 1), "
                                 "(SELECT kette FROM protokoll ORDER BY nr DESC LIMIT 1), "
                                 "(SELECT coalesce(max(satz), 0) FROM arbeitszeit), %1, %2")
                      .arg(extraColumn.isEmpty() ? QStringLiteral("NULL") : extraColumn, ServerHistory::lastClosingQuery());
    if (recordNumber)
        sql += QStringLiteral(", a.satz, a.geloescht, %1 FROM (SELECT 1) AS eins LEFT JOIN arbeitszeit AS a ON a.satz = %2")
                   .arg(QLatin1String(Columns))
                   .arg(recordNumber);
    QSqlQuery query(m_connection.database());
    if (!m_connection.exec(query, sql) || !query.next()) {
        failFromServer();
        return std::nullopt;
    }
    State state;
    if (!query.isNull(0))
        state.closing = query.value(0).toByteArray();
    state.lastEntry = query.value(1).toLongLong();
    state.lastHash = query.value(2).toString().toLatin1();
    state.lastRecord = query.value(3).toUInt();
    if (!query.isNull(4))
        state.extra = query.value(4).toUInt();
    state.recordedClosing = ServerHistory::recordedClosing(state.lastEntry > 0, query.value(5));
    if (recordNumber && !query.isNull(6)) {
        DbfRecord row = newRecord();
        readInto(query, 6, row);
        state.row = row;
    }
    return state;
}

ServerTable::Written ServerTable::write(const QString &statement)
{
    m_spool.reset();
    QSqlQuery query(m_connection.database());
    if (m_connection.exec(query, statement)) {
        m_overtaken = 0;
        return Written::Done;
    }
    const QString code = m_connection.lastErrorCode();
    // Another PC wrote since the state was read: its entry took the number.
    // The next try waits a moment, longer after each, so that PCs that keep
    // meeting fall out of step.
    if (code == QLatin1String(UniqueViolation) || code == QLatin1String(ExclusionViolation)) {
        const quint32 longest = std::min(2u * ++m_overtaken, 40u); // milliseconds
        QThread::msleep(QRandomGenerator::global()->bounded(longest + 1));
        return Written::Overtaken;
    }
    failFromServer();
    return Written::Failed;
}

QString ServerTable::withEntry(const State &state, ChangeLogEntry &entry, const QString &change) const
{
    entry.who = entry.who.isNull() ? m_who : entry.who;
    entry.host = m_host;
    const DbfRecord log = ServerHistory::chainedRecord(entry, state.lastHash, m_clock.now());
    return QStringLiteral("WITH eintrag AS (INSERT INTO protokoll (nr, %1) VALUES %2) %3")
        .arg(QLatin1String(ServerHistory::Columns), ServerHistory::valuesOf(state.lastEntry + 1, log), change);
}

// The closed period of the closing row read in the same statement as the
// rest of the state. Tagwerk writes a closing and its history entry in one
// statement; a row that disagrees with the history's last closing was
// written past Tagwerk (with psql) and closes everything, as in the folder.
ClosedPeriod ServerTable::closedPeriod(const State &state) const
{
    ClosedPeriod period([] { return QString(); });
    const std::optional<QByteArray> closing = state.closing;
    period.setBytes({[closing](bool &) { return closing; }, {},
                     m_connection.location() + QStringLiteral(" (abschluss)")});
    const ClosedPeriod::Recorded recorded = state.recordedClosing;
    period.setRecordedClosing([recorded] { return recorded; });
    return period;
}

QString ServerTable::overtakenTooOften() const
{
    return UiText(QStringLiteral("Andere Rechner haben so oft zugleich gespeichert, dass die Änderung nicht gespeichert "
                                 "werden konnte. Bitte versuchen Sie es noch einmal."));
}

WorkTimeStore::Appended ServerTable::appendChecked(DbfRecord &record, const std::optional<WorkTimeStore::Span> &span,
                                                   bool storeIfClash, bool checkClosed)
{
    using Appended = WorkTimeStore::Appended;
    Appended result;
    auto failed = [&](Appended::Kind kind, const QString &error) {
        result.kind = kind;
        result.error = error;
        return result;
    };
    if (!isOpen())
        return failed(Appended::Failed, UiText(QStringLiteral("Die Tabelle ist nicht geöffnet.")));
    // The record in this table's layout, whatever table made it.
    DbfRecord own = newRecord();
    for (int pos = 0; pos < std::min(record.fieldCount(), own.fieldCount()); ++pos) {
        if (isLogicalColumn(pos))
            own.setLogical(pos, record.logical(pos));
        else
            own.setText(pos, record.text(pos));
    }
    QString clashSearch;
    if (span) {
        // The name as the rows hold it (cut to its field, in the table's
        // code page), as the exclusion constraint compares it.
        DbfRecord stored = newRecord();
        stored.setText(WorkTimeTables::Arbeiter, span->employee);
        clashSearch = QStringLiteral("(SELECT min(satz) FROM arbeitszeit WHERE NOT geloescht AND arbeiter = %1 "
                                     "AND tagwerk_tag(datum) = %2 AND tagwerk_spanne(zeit_von, zeit_bis) && "
                                     "tagwerk_spanne(%3, %4))")
                          .arg(ServerConnection::literal(stored.text(WorkTimeTables::Arbeiter)))
                          .arg(DateTimeText::dateNumber(span->date))
                          .arg(span->from)
                          .arg(span->to);
    }
    for (int attempt = 0; attempt < MaxAttempts; ++attempt) {
        const std::optional<State> state = readState(clashSearch, 0);
        if (!state)
            return failed(Appended::Failed, UiText(QStringLiteral("Die Buchung wurde nicht gespeichert: %1")).arg(m_error));
        if (checkClosed) {
            const auto date = span ? std::optional<QDate>(span->date)
                                   : DateTimeText::parseDate(own.text(WorkTimeTables::Datum).trimmed());
            const ClosedPeriod closed = closedPeriod(*state);
            const ClosedPeriod::State closing = closed.read();
            const QString refusal = date ? closed.bookingRefusal(*date)
                                         : closing.kind == ClosedPeriod::State::Unknown ? closing.problem : QString();
            if (!refusal.isEmpty())
                return failed(Appended::Closed, refusal);
        }
        if (state->extra && !storeIfClash) {
            result.kind = Appended::Clashes;
            result.clashRecord = *state->extra;
            return result;
        }
        const bool doubled = state->extra.has_value();
        own.setLogical(WorkTimeTables::Doppelt, doubled);
        own.setRecordNumber(state->lastRecord + 1);
        ChangeLogEntry entry = ChangeLogEntry::forChange(fields(), nullptr, &own);
        const QString insert = QStringLiteral("INSERT INTO arbeitszeit (satz, geloescht, %1, geprueft) VALUES %2")
                                   .arg(QLatin1String(Columns), valuesOf(own, false, span && !doubled));
        const Written written = write(withEntry(*state, entry, insert));
        if (written == Written::Overtaken)
            continue;
        if (written == Written::Failed)
            return failed(Appended::Failed, UiText(QStringLiteral("Die Buchung wurde nicht gespeichert: %1")).arg(m_error));
        own.clearChanged();
        record = own;
        result.kind = Appended::Stored;
        result.doubled = doubled;
        if (record.recordNumber() == m_seen + 1) {
            m_seen = record.recordNumber();
            m_live.push_back(m_seen);
            if (m_filtered && passesFilter(record))
                m_filteredRows.push_back(m_seen);
        } else {
            refresh();
        }
        return result;
    }
    return failed(Appended::Locked, overtakenTooOften());
}

bool ServerTable::append(DbfRecord &record)
{
    const WorkTimeStore::Appended appended = appendChecked(record, std::nullopt, true, false);
    if (appended.kind == WorkTimeStore::Appended::Stored)
        return true;
    return fail(appended.kind == WorkTimeStore::Appended::Locked ? Status::Locked : Status::WriteFailed, appended.error);
}

bool ServerTable::update(DbfRecord &record)
{
    return change(record.recordNumber(), &record);
}

bool ServerTable::markDeleted(quint32 recordNumber)
{
    return change(recordNumber, nullptr);
}

// An update (`changed` set) or a deletion of the record, with its history
// entry, refused in the closed period.
bool ServerTable::change(quint32 recordNumber, DbfRecord *changed)
{
    if (!isOpen())
        return fail(Status::NotOpen, UiText(QStringLiteral("Die Tabelle ist nicht geöffnet.")));
    for (int attempt = 0; attempt < MaxAttempts; ++attempt) {
        const std::optional<State> state = readState(QString(), recordNumber);
        if (!state)
            return fail(Status::WriteFailed, UiText(QStringLiteral("Die Änderung wurde nicht gespeichert: %1")).arg(m_error));
        if (!state->row || state->row->isDeleted())
            return fail(Status::BadRecord,
                        UiText(QStringLiteral("Den Datensatz %1 gibt es auf dem Server nicht.")).arg(recordNumber));
        const DbfRecord before = *state->row;
        DbfRecord after = before;
        if (changed) {
            copyChangedFields(*changed, after);
            if (after.bytes() == before.bytes()) {
                changed->clearChanged();
                return true;
            }
        }
        const QString refusal = closedPeriod(*state).writeRefusal(&before, changed ? &after : nullptr);
        if (!refusal.isEmpty())
            return fail(Status::ReadOnly, refusal);
        ChangeLogEntry entry = ChangeLogEntry::forChange(fields(), &before, changed ? &after : nullptr);
        QString update;
        if (changed) {
            QStringList values;
            for (int pos = 0; pos < WorkTimeTables::FieldCount; ++pos)
                values.append(isLogicalColumn(pos) ? ServerConnection::literal(after.logical(pos))
                                                   : ServerConnection::literal(after.text(pos)));
            // A row changed by hand is no longer the one the clash search let in.
            update = QStringLiteral("UPDATE arbeitszeit SET (%1) = (%2), geprueft = false WHERE satz = %3")
                         .arg(QLatin1String(Columns), values.join(QLatin1Char(',')))
                         .arg(recordNumber);
        } else {
            update = QStringLiteral("UPDATE arbeitszeit SET geloescht = true WHERE satz = %1").arg(recordNumber);
        }
        const Written written = write(withEntry(*state, entry, update));
        if (written == Written::Overtaken)
            continue;
        if (written == Written::Failed)
            return fail(Status::WriteFailed, UiText(QStringLiteral("Die Änderung wurde nicht gespeichert: %1")).arg(m_error));
        m_page.remove(recordNumber);
        if (changed) {
            after.clearChanged();
            *changed = after;
        } else {
            forget(recordNumber);
        }
        return true;
    }
    return fail(Status::Locked, overtakenTooOften());
}

bool ServerTable::writeClosing(const QDate &oldDate, const QDate &newDate, const QByteArray &closingFile)
{
    if (!isOpen())
        return fail(Status::NotOpen, UiText(QStringLiteral("Die Tabelle ist nicht geöffnet.")));
    const bool reopened = !newDate.isValid() || (oldDate.isValid() && newDate < oldDate);
    auto dateText = [](const QDate &date) { return date.isValid() ? DateTimeText::formatDate(date) : QString(); };
    const QString upsert = QStringLiteral("INSERT INTO abschluss (eine, inhalt) VALUES (true, %1) "
                                          "ON CONFLICT (eine) DO UPDATE SET inhalt = EXCLUDED.inhalt")
                               .arg(ServerConnection::literal(closingFile));
    for (int attempt = 0; attempt < MaxAttempts; ++attempt) {
        const std::optional<State> state = readState(QString(), 0);
        if (!state)
            return fail(Status::WriteFailed, UiText(QStringLiteral("Die Änderung wurde nicht gespeichert: %1")).arg(m_error));
        ChangeLogEntry entry;
        entry.action = reopened ? ChangeLogEntry::Action::PeriodReopened : ChangeLogEntry::Action::PeriodClosed;
        entry.recordNumber = 0;
        entry.changes = ChangeLogEntry::fieldChange(QStringLiteral("CLOSED_UNTIL"), dateText(oldDate), dateText(newDate));
        const Written written = write(withEntry(*state, entry, upsert));
        if (written == Written::Overtaken)
            continue;
        if (written == Written::Failed)
            return fail(Status::WriteFailed, UiText(QStringLiteral("Die Änderung wurde nicht gespeichert: %1")).arg(m_error));
        return true;
    }
    return fail(Status::Locked, overtakenTooOften());
}

bool ServerTable::startHistory()
{
    if (!isOpen())
        return fail(Status::NotOpen, UiText(QStringLiteral("Die Tabelle ist nicht geöffnet.")));
    for (int attempt = 0; attempt < MaxAttempts; ++attempt) {
        const std::optional<State> state = readState(QStringLiteral("(SELECT count(*) FROM protokollbeginn)"), 0);
        if (!state)
            return fail(Status::CannotOpen, m_error);
        if (state->lastEntry > 0)
            return true;
        if (state->extra.value_or(0) > 0)
            return fail(Status::Damaged,
                        UiText(QStringLiteral("Das Änderungsprotokoll auf dem Server %1 fehlt, obwohl es begonnen wurde."))
                            .arg(m_connection.location()));
        // The start list: the first bytes of the digest of every record up
        // to the last one, deleted ones included, in record order.
        QByteArray list;
        QSqlQuery query(m_connection.database());
        query.setForwardOnly(true);
        const QString sql = QStringLiteral("SELECT satz, geloescht, %1 FROM arbeitszeit WHERE satz <= %2 ORDER BY satz")
                                .arg(QLatin1String(Columns))
                                .arg(state->lastRecord);
        if (!m_connection.exec(query, sql))
            return failFromServer();
        DbfRecord record = newRecord();
        quint32 expected = 1;
        while (query.next()) {
            readInto(query, 0, record);
            for (; expected < record.recordNumber(); ++expected) {
                DbfRecord missing = newRecord();
                missing.setDeleted(true);
                list += ChangeLog::startDigest(missing.bytes());
            }
            list += ChangeLog::startDigest(record.bytes());
            expected = record.recordNumber() + 1;
        }
        if (query.lastError().isValid())
            return fail(Status::CannotOpen, query.lastError().text());
        ChangeLogEntry entry;
        entry.action = ChangeLogEntry::Action::Start;
        entry.recordNumber = state->lastRecord;
        entry.before = ServerHistory::structureDigest(m_header);
        entry.after = QCryptographicHash::hash(list, QCryptographicHash::Sha256).toHex();
        const Written written = write(withEntry(
            *state, entry,
            QStringLiteral("INSERT INTO protokollbeginn (eine, inhalt) VALUES (true, %1)").arg(ServerConnection::literal(list))));
        if (written == Written::Overtaken)
            continue;
        return written == Written::Done || fail(Status::WriteFailed, m_error);
    }
    return fail(Status::Locked, overtakenTooOften());
}

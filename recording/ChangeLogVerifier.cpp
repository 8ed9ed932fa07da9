#include "ChangeLogVerifier.h"

#include <algorithm>
#include <vector>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTimeZone>
#include <QtEndian>

#include "ChangeLog.h"
#include "ChangeLogEntry.h"
#include "base/Clock.h"
#include "storage/ClosingDateFile.h"
#include "storage/DateTimeText.h"
#include "storage/DbfFormat.h"
#include "storage/DbfTable.h"
#include "storage/WorkTimeTables.h"
#include "translation/UiText.h"

namespace {

constexpr size_t MaxMissingNamed = 1000;

// The log is read without a clock: nothing is written.
class NoClock final : public Clock
{
public:
    QDateTime now() const override { return {}; }
};

// The start list is hashed in pieces of this size.
constexpr qint64 StartListChunk = 1 << 20;

// The entries keep local time: where the clocks were put back (the end of
// summer time) in the span, the hour repeats, and a step back by as much
// is no sign of anything.
qint64 repeatedSecondsAround(const QDateTime &earlier, const QDateTime &later)
{
    const QTimeZone zone = QTimeZone::systemTimeZone();
    qint64 repeated = 0;
    constexpr qint64 Margin = 3 * 3600;
    for (const QTimeZone::OffsetData &transition :
         zone.transitions(earlier.addSecs(-Margin), later.addSecs(Margin))) {
        const int before = zone.offsetFromUtc(transition.atUtc.addSecs(-1));
        repeated = std::max<qint64>(repeated, before - transition.offsetFromUtc);
    }
    return repeated;
}

bool datedBack(const QDateTime &previous, const QDateTime &time)
{
    const qint64 back = time.secsTo(previous);
    if (back <= ChangeLogVerifier::AllowedClockSkewSeconds)
        return false;
    return back > ChangeLogVerifier::AllowedClockSkewSeconds + repeatedSecondsAround(std::min(time, previous), std::max(time, previous));
}

std::optional<QDate> dateOf(const QString &text)
{
    return DateTimeText::parseDate(text);
}

} // namespace

QString ChangeLogVerifier::Finding::text() const
{
    switch (kind) {
    case LogMissing:
        return UiText(QStringLiteral("Das Änderungsprotokoll fehlt."));
    case LogUnreadable:
        return UiText(QStringLiteral("Das Änderungsprotokoll kann nicht gelesen werden: %1")).arg(reason);
    case EntryAltered:
        return UiText(QStringLiteral("Eintrag %1 des Änderungsprotokolls passt nicht in die Kette: er oder ein "
                                     "Eintrag davor wurde verändert oder entfernt."))
            .arg(entryNumber);
    case StartListAltered:
        return UiText(QStringLiteral("Die Liste der Datensätze vom Protokollbeginn fehlt oder wurde verändert."));
    case RecordChanged:
        if (!fields.isEmpty())
            return UiText(QStringLiteral("Datensatz %1 wurde außerhalb von Tagwerk geändert (Felder: %2)."))
                .arg(recordNumber)
                .arg(fields.join(QStringLiteral(", ")));
        return UiText(QStringLiteral("Datensatz %1 wurde außerhalb von Tagwerk geändert.")).arg(recordNumber);
    case RecordChangedBefore:
        return UiText(QStringLiteral("Datensatz %1 wurde vor Eintrag %2 des Änderungsprotokolls außerhalb von "
                                     "Tagwerk geändert."))
            .arg(recordNumber)
            .arg(entryNumber);
    case RecordDeleted:
        return UiText(QStringLiteral("Datensatz %1 wurde außerhalb von Tagwerk gelöscht.")).arg(recordNumber);
    case RecordRestored:
        return UiText(QStringLiteral("Datensatz %1 wurde außerhalb von Tagwerk wiederhergestellt.")).arg(recordNumber);
    case RecordAppended:
        return UiText(QStringLiteral("Datensatz %1 wurde außerhalb von Tagwerk angefügt.")).arg(recordNumber);
    case RecordMissing:
        return UiText(QStringLiteral("Datensatz %1 fehlt in der Tabelle.")).arg(recordNumber);
    case StructureChanged:
        return UiText(QStringLiteral("Der Aufbau der Tabelle (Felder, ihre Breiten oder das Sprachbyte) wurde seit "
                                     "Beginn des Änderungsprotokolls verändert."));
    case ClosedRowChanged:
        if (!file.isEmpty())
            return UiText(QStringLiteral("Eintrag %1 des Änderungsprotokolls ändert in der Tabelle \"%2\" eine Zeile in "
                                         "einem Zeitraum, der zu dieser Zeit abgeschlossen war."))
                .arg(entryNumber)
                .arg(file);
        return UiText(QStringLiteral("Eintrag %1 des Änderungsprotokolls ändert Datensatz %2 in einem Zeitraum, der "
                                     "zu dieser Zeit abgeschlossen war."))
            .arg(entryNumber)
            .arg(recordNumber);
    case TimeGoesBack:
        return UiText(QStringLiteral("Eintrag %1 des Änderungsprotokolls ist mehr als 10 Minuten früher datiert als "
                                     "der Eintrag davor."))
            .arg(entryNumber);
    case CountDisagrees:
        return UiText(QStringLiteral("Der Kopf des Änderungsprotokolls nennt %1 Einträge, die Länge der Datei "
                                     "ergibt %2: Einträge wurden abgeschnitten oder angefügt."))
            .arg(stated)
            .arg(found);
    case TrailingBytes:
        return UiText(QStringLiteral("Hinter dem letzten Eintrag des Änderungsprotokolls stehen %1 Bytes, die zu "
                                     "keinem Eintrag gehören."))
            .arg(stated);
    case ClosingDisagrees:
        return reason;
    case TableChanged:
        if (!reason.isEmpty())
            return UiText(QStringLiteral("Die Tabelle \"%1\" kann nicht gelesen werden: %2")).arg(file, reason);
        return UiText(QStringLiteral("Die Tabelle \"%1\" wurde außerhalb von Tagwerk geändert.")).arg(file);
    case TableChangedBefore:
        return UiText(QStringLiteral("Die Tabelle \"%1\" wurde vor Eintrag %2 des Änderungsprotokolls außerhalb von "
                                     "Tagwerk geändert."))
            .arg(file)
            .arg(entryNumber);
    case ChangeInterrupted:
        if (!file.isEmpty())
            return UiText(QStringLiteral("Eine unterbrochene Änderung wurde gefunden: Eintrag %1 (Tabelle \"%2\") wurde "
                                         "nicht mehr in die Tabelle geschrieben; die Tabelle hat den Stand davor."))
                .arg(entryNumber)
                .arg(file);
        return UiText(QStringLiteral("Eine unterbrochene Änderung wurde gefunden: Eintrag %1 (Datensatz %2) wurde nicht "
                                     "mehr in die Tabelle geschrieben; die Tabelle hat den Stand davor."))
            .arg(entryNumber)
            .arg(recordNumber);
    }
    return {};
}

void ChangeLogVerifier::report(Finding::Kind kind, quint32 recordNumber, quint32 entryNumber, const QString &reason)
{
    // One finding for each entry: a copied entry breaks the chain and
    // repeats a record's change, but it is one thing that was done.
    if (entryNumber != 0 && entryNumber == m_lastFlaggedEntry)
        return;
    if (entryNumber != 0)
        m_lastFlaggedEntry = entryNumber;
    Finding finding;
    finding.kind = kind;
    finding.recordNumber = recordNumber;
    finding.entryNumber = entryNumber;
    finding.reason = reason;
    m_findings.append(finding);
}

ChangeLogVerifier::ChangeLogVerifier(DbfTable &table, const QString &directory)
    : m_table(table)
    , m_directory(directory)
{
}

bool ChangeLogVerifier::run()
{
    m_findings.clear();
    m_readError.clear();
    m_notes.clear();
    m_previousEntry.reset();
    m_closingLogged = false;
    m_loggedClosing = QDate();
    m_expected.clear();
    m_tableDigests.clear();
    m_closedChecks.clear();
    m_closedUntil.reset();
    m_previousTime = QDateTime();
    m_lastFlaggedEntry = 0;
    m_entryCount = 0;
    m_lastHash.clear();
    m_started = false;
    m_startCount = 0;
    m_startList.clear();
    const QString path = m_directory + QLatin1String(ChangeLogEntry::FileName);
    if (!QFileInfo::exists(path)) {
        report(Finding::LogMissing);
        return false;
    }
    // The layout is checked exactly before anything is read: a log with
    // other field widths or record length would be read wrongly.
    const QString problem = ChangeLogEntry::layoutProblemOf(path, false);
    if (!problem.isEmpty()) {
        report(Finding::LogUnreadable, 0, 0, problem);
        return false;
    }
    NoClock clock;
    DbfTable log(clock);
    if (!log.open(path, DbfTable::OpenMode::ReadOnly)) {
        report(Finding::LogUnreadable, 0, 0, log.errorString());
        return false;
    }
    if (!m_table.refresh()) {
        m_readError = m_table.errorString();
        report(Finding::LogUnreadable, 0, 0, m_readError);
        return false;
    }
    m_log = &log;
    if (walkLog()) {
        checkLogLength(path);
        checkInterrupted();
        checkRecords();
        checkAccountTables();
        checkClosingFile();
    }
    m_log = nullptr;
    return m_findings.isEmpty();
}

// The header's count against the entries the length holds, and what lies
// after them. An append writes the entry and the end mark first and the
// count after them: a count one behind is a write cut short, not a finding.
void ChangeLogVerifier::checkLogLength(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray head = file.read(DbfFormat::HeaderSize);
    if (head.size() < DbfFormat::HeaderSize)
        return;
    const qint64 stated = qFromLittleEndian<quint32>(head.constData() + DbfFormat::RecordCountOffset);
    const int headerLength = qFromLittleEndian<quint16>(head.constData() + DbfFormat::HeaderLengthOffset);
    const int recordLength = qFromLittleEndian<quint16>(head.constData() + DbfFormat::RecordLengthOffset);
    const qint64 size = file.size();
    if (recordLength <= 0 || size < headerLength)
        return;
    const qint64 found = (size - headerLength) / recordLength;
    const qint64 rest = size - headerLength - found * recordLength;
    if (stated != found && stated + 1 != found) {
        report(Finding::CountDisagrees);
        m_findings.last().stated = stated;
        m_findings.last().found = found;
    }
    bool endMarkOnly = false;
    if (rest == 1 && file.seek(size - 1)) {
        char last = 0;
        endMarkOnly = file.getChar(&last) && last == DbfFormat::EndOfFile;
    }
    if (rest > 0 && !endMarkOnly) {
        report(Finding::TrailingBytes);
        m_findings.last().stated = rest;
    }
}

bool ChangeLogVerifier::walkLog()
{
    DbfTable &log = *m_log;
    DbfRecord record = log.newRecord();
    QByteArray previous;
    for (quint32 number = 1; number <= log.recordCount(); ++number) {
        if (!log.readRecord(number, record)) {
            m_readError = log.errorString();
            report(Finding::LogUnreadable, 0, 0, log.errorString());
            return false;
        }
        const ChangeLogEntry entry = ChangeLogEntry::fromRecord(record);
        // The flag byte is outside the chain: anything but a live flag is
        // a change to the file.
        if (record.bytes().at(0) != DbfFormat::LiveFlag || ChangeLogEntry::chainHash(previous, record) != entry.chain)
            report(Finding::EntryAltered, 0, number);
        previous = entry.chain;
        if (entry.time.isValid()) {
            if (m_previousTime.isValid() && datedBack(m_previousTime, entry.time))
                report(Finding::TimeGoesBack, 0, number);
            m_previousTime = entry.time;
        }
        checkEntry(entry, number);
        m_previousEntry = entry;
    }
    m_entryCount = log.recordCount();
    m_lastHash = previous;
    return true;
}

void ChangeLogVerifier::checkEntry(const ChangeLogEntry &entry, quint32 entryNumber)
{
    switch (entry.action) {
    case ChangeLogEntry::Action::Start:
        if (m_started || entryNumber != 1) {
            report(Finding::EntryAltered, 0, entryNumber);
            return;
        }
        m_started = true;
        m_startCount = entry.recordNumber;
        readStartList(entry);
        // Histories begun before the structure was pinned have no VORHER.
        if (!entry.before.isEmpty() && entry.before != ChangeLog::structureDigest(m_table.fileName()))
            report(Finding::StructureChanged);
        return;
    case ChangeLogEntry::Action::New: {
        if (entry.recordNumber <= m_startCount || m_expected.count(entry.recordNumber))
            report(Finding::EntryAltered, 0, entryNumber);
        RecordState &state = m_expected[entry.recordNumber];
        state = RecordState();
        checkClosedRow(entry, entryNumber, state);
        state.digest = entry.after;
        state.valueEntries.push_back(entryNumber);
        return;
    }
    case ChangeLogEntry::Action::Changed:
    case ChangeLogEntry::Action::Deleted: {
        if (!knownStateMatches(entry.recordNumber, entry.before))
            report(Finding::RecordChangedBefore, entry.recordNumber, entryNumber);
        RecordState &state = m_expected[entry.recordNumber];
        checkClosedRow(entry, entryNumber, state);
        state.digest = entry.after;
        if (entry.action == ChangeLogEntry::Action::Changed)
            state.valueEntries.push_back(entryNumber);
        return;
    }
    case ChangeLogEntry::Action::PeriodClosed:
    case ChangeLogEntry::Action::PeriodReopened:
        trackClosing(entry);
        m_closingLogged = true;
        m_loggedClosing = entry.closedUntil();
        return;
    case ChangeLogEntry::Action::Cancelled:
        checkCancelled(entry, entryNumber);
        return;
    case ChangeLogEntry::Action::Restart:
        // Only right after the Beginn of the history it restarts.
        if (entryNumber != 2 || !m_started)
            report(Finding::EntryAltered, 0, entryNumber);
        return;
    case ChangeLogEntry::Action::TargetTable:
    case ChangeLogEntry::Action::AbsenceTable:
    case ChangeLogEntry::Action::FirmDayTable:
    case ChangeLogEntry::Action::StateTable:
        checkTableEntry(entry, entryNumber);
        return;
    case ChangeLogEntry::Action::Unknown:
        report(Finding::EntryAltered, 0, entryNumber);
        return;
    }
}

QString ChangeLogVerifier::accountPath(ChangeLogEntry::Action action) const
{
    return QDir::toNativeSeparators(m_directory + ChangeLogEntry::accountFileName(action));
}

// An account table's entry starts from the content its last entry left
// (none before its first): otherwise the table was changed by hand before
// it, and a later change through Tagwerk does not hide that.
void ChangeLogVerifier::checkTableEntry(const ChangeLogEntry &entry, quint32 entryNumber)
{
    QByteArray &digest = m_tableDigests[ChangeLogEntry::accountFileName(entry.action)];
    if (entry.before != digest) {
        report(Finding::TableChangedBefore, 0, entryNumber);
        m_findings.last().file = accountPath(entry.action);
    }
    digest = entry.after;
    checkClosedAccountRow(entry, entryNumber);
}

// The date from which a target row holds, an absence's first day, a firm
// day: no window of Tagwerk changes such a row within the period closed at
// the entry's time, since it would change closed months' balances. The
// entry names that date before and after (a key field), so the entry alone
// tells. The federal state has none.
void ChangeLogVerifier::checkClosedAccountRow(const ChangeLogEntry &entry, quint32 entryNumber)
{
    using Action = ChangeLogEntry::Action;
    if (!m_closedUntil || entry.action == Action::StateTable)
        return;
    const QString dateField = entry.action == Action::TargetTable    ? QStringLiteral("GUELTIGAB")
                            : entry.action == Action::AbsenceTable ? QStringLiteral("VON")
                                                                   : QStringLiteral("DATUM");
    const auto closed = [&](const QString &text) {
        const std::optional<QDate> date = dateOf(text);
        return date && *date <= *m_closedUntil;
    };
    for (const ChangeLogEntry::FieldChange &item : ChangeLogEntry::parseChanges(entry.changes)) {
        if (item.field == dateField && (closed(item.oldText) || closed(item.newText))) {
            report(Finding::ClosedRowChanged, entry.recordNumber, entryNumber);
            m_findings.last().file = accountPath(entry.action);
            return;
        }
    }
}

// Each account table, read once, against its last entry; a table no entry
// names holds no live record (or is not there).
void ChangeLogVerifier::checkAccountTables()
{
    using Action = ChangeLogEntry::Action;
    for (const Action action : {Action::TargetTable, Action::AbsenceTable, Action::FirmDayTable, Action::StateTable}) {
        const QString name = ChangeLogEntry::accountFileName(action);
        QString error;
        const std::optional<QByteArray> now = ChangeLog::accountTableDigest(m_directory + name, &error);
        if (now && *now == m_tableDigests.value(name))
            continue;
        report(Finding::TableChanged, 0, 0, now ? QString() : error);
        m_findings.last().file = accountPath(action);
    }
}

// The list is checked by its size before it is read, and read in pieces:
// a huge file or a device in its place costs no memory. Only the digests of
// records the table still reaches are kept.
void ChangeLogVerifier::readStartList(const ChangeLogEntry &entry)
{
    const QString path = m_directory + QLatin1String(ChangeLog::StartListFileName);
    const qint64 expected = qint64(m_startCount) * ChangeLog::StartDigestSize;
    const QFileInfo info(path);
    QFile list(path);
    if (!info.isFile() || info.size() != expected || !list.open(QIODevice::ReadOnly)) {
        report(Finding::StartListAltered);
        return;
    }
    const qint64 kept = qint64(qMin(m_startCount, m_table.recordCount())) * ChangeLog::StartDigestSize;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QByteArray keptBytes;
    keptBytes.reserve(kept);
    qint64 done = 0;
    while (done < expected) {
        const QByteArray chunk = list.read(qMin(StartListChunk, expected - done));
        if (chunk.isEmpty())
            break;
        hash.addData(chunk);
        if (done < kept)
            keptBytes += chunk.left(kept - done);
        done += chunk.size();
    }
    if (done != expected || hash.result().toHex() != entry.after) {
        report(Finding::StartListAltered);
        return;
    }
    m_startList = keptBytes;
}

// A change to a row dated up to the closing date in force at the entry's
// time: closed rows stay closed in every window, so only a hand-made entry
// can do that. The row's date is the one the entry names (before and
// after), else the one an earlier entry named, else the table's.
void ChangeLogVerifier::checkClosedRow(const ChangeLogEntry &entry, quint32 entryNumber, RecordState &state)
{
    const QString dateField = m_table.fieldCount() > WorkTimeTables::Datum
        ? m_table.fields().at(WorkTimeTables::Datum).name
        : QStringLiteral("DATUM");
    std::optional<QDate> oldDate = state.date;
    std::optional<QDate> newDate = state.date;
    bool named = false;
    // Most changes leave the date alone: the text is parsed only when the
    // field's name is in it.
    const QString namePrefix = dateField + QStringLiteral(": ");
    const bool mayName = entry.changes.startsWith(namePrefix) || entry.changes.contains(QStringLiteral("; ") + namePrefix);
    for (const ChangeLogEntry::FieldChange &item : mayName ? ChangeLogEntry::parseChanges(entry.changes)
                                                           : QList<ChangeLogEntry::FieldChange>()) {
        if (item.field == dateField) {
            oldDate = dateOf(item.oldText);
            newDate = dateOf(item.newText);
            named = true;
            break;
        }
    }
    if (entry.action == ChangeLogEntry::Action::New)
        oldDate.reset();
    if (entry.action == ChangeLogEntry::Action::Deleted)
        newDate.reset();
    if (named || entry.action == ChangeLogEntry::Action::New)
        state.date = entry.action == ChangeLogEntry::Action::Deleted ? oldDate : newDate;
    if (!m_closedUntil)
        return;
    const auto closed = [&](const std::optional<QDate> &date) { return date && *date <= *m_closedUntil; };
    if (closed(oldDate) || closed(newDate))
        report(Finding::ClosedRowChanged, entry.recordNumber, entryNumber);
    else if (!named && !state.date && entry.action != ChangeLogEntry::Action::New)
        m_closedChecks.push_back({entry.recordNumber, entryNumber, *m_closedUntil});
}

void ChangeLogVerifier::trackClosing(const ChangeLogEntry &entry)
{
    for (const ChangeLogEntry::FieldChange &item : ChangeLogEntry::parseChanges(entry.changes)) {
        if (item.field == QLatin1String("CLOSED_UNTIL")) {
            m_closedUntil = dateOf(item.newText);
            return;
        }
    }
}

// Whether the previous entry changed the record to this entry's "before"
// state: an Abgebrochen closes the change entered right before it.
static bool isChangeOf(const std::optional<ChangeLogEntry> &previous, const ChangeLogEntry &entry)
{
    using Action = ChangeLogEntry::Action;
    return previous && previous->recordNumber == entry.recordNumber && previous->after == entry.before
        && (previous->action == Action::New || previous->action == Action::Changed || previous->action == Action::Deleted
            || ChangeLogEntry::isAccountChange(previous->action));
}

// The record is back in the state it had before the change that never
// reached the table.
void ChangeLogVerifier::checkCancelled(const ChangeLogEntry &entry, quint32 entryNumber)
{
    if (!isChangeOf(m_previousEntry, entry) || entry.after != m_previousEntry->before) {
        report(Finding::EntryAltered, 0, entryNumber);
        return;
    }
    if (ChangeLogEntry::isAccountChange(m_previousEntry->action))
        m_tableDigests[ChangeLogEntry::accountFileName(m_previousEntry->action)] = entry.after;
    else if (m_previousEntry->action == ChangeLogEntry::Action::New)
        m_expected.erase(entry.recordNumber);
    else
        m_expected[entry.recordNumber].digest = entry.after;
}

// A change entered last whose record is still as it was before: the writer
// stopped between the entry and the table (the next change closes it).
// Nobody changed anything outside Tagwerk; it is told, not held against anyone.
void ChangeLogVerifier::checkInterrupted()
{
    using Action = ChangeLogEntry::Action;
    if (!m_previousEntry)
        return;
    const ChangeLogEntry &last = *m_previousEntry;
    const bool account = ChangeLogEntry::isAccountChange(last.action);
    if (last.action != Action::New && last.action != Action::Changed && last.action != Action::Deleted && !account)
        return;
    m_table.refresh();
    bool notMade = false;
    if (account) {
        const QString name = ChangeLogEntry::accountFileName(last.action);
        const std::optional<QByteArray> now = ChangeLog::accountTableDigest(m_directory + name);
        notMade = now && *now != last.after && *now == last.before;
        if (notMade)
            m_tableDigests[name] = last.before; // what the table is to hold
    } else if (last.recordNumber > m_table.recordCount()) {
        notMade = last.action == Action::New;
    } else if (last.action != Action::New) {
        DbfRecord record = m_table.newRecord();
        if (m_table.readRecord(last.recordNumber, record)) {
            const QByteArray now = ChangeLogEntry::recordDigest(record.bytes());
            notMade = now != last.after && now == last.before;
        }
    }
    if (!notMade)
        return;
    if (last.action == Action::New)
        m_expected.erase(last.recordNumber);
    else if (!account)
        m_expected[last.recordNumber].digest = last.before;
    Finding note;
    note.kind = Finding::ChangeInterrupted;
    note.recordNumber = last.recordNumber;
    note.entryNumber = m_entryCount;
    if (account)
        note.file = accountPath(last.action);
    m_notes.append(note);
}

// The history's last closing is the authority over "abschluss.dat".
void ChangeLogVerifier::checkClosingFile()
{
    const QString path = m_directory + QLatin1String(ClosingDateFile::FileName);
    std::optional<QDate> until;
    const ClosingDateFile::LoadResult result = ClosingDateFile::load(path, until);
    if (result == ClosingDateFile::LoadResult::Damaged) {
        report(Finding::ClosingDisagrees, 0, 0, ClosingDateFile::damagedMessage(path));
        return;
    }
    const bool loaded = result == ClosingDateFile::LoadResult::Loaded;
    const QDate fileDate = loaded && until ? *until : QDate();
    const bool agrees = m_closingLogged ? loaded && fileDate == m_loggedClosing : !fileDate.isValid();
    if (agrees)
        return;
    const auto dateText = [](const QDate &date) {
        return date.isValid() ? DateTimeText::formatDate(date) : UiText(QStringLiteral("nichts abgeschlossen"));
    };
    QString text;
    if (!loaded)
        text = UiText(QStringLiteral("Die Datei \"%1\" mit dem Abschlussdatum fehlt; nach dem Änderungsprotokoll ist "
                                     "abgeschlossen bis: %2."))
                   .arg(QDir::toNativeSeparators(path), dateText(m_loggedClosing));
    else
        text = UiText(QStringLiteral("Die Datei \"%1\" mit dem Abschlussdatum sagt \"%2\", das Änderungsprotokoll "
                                     "\"%3\"."))
                   .arg(QDir::toNativeSeparators(path), dateText(fileDate),
                        m_closingLogged ? dateText(m_loggedClosing) : UiText(QStringLiteral("kein Abschluss")));
    report(Finding::ClosingDisagrees, 0, 0, text);
}

bool ChangeLogVerifier::knownStateMatches(quint32 recordNumber, const QByteArray &digestHex) const
{
    const auto known = m_expected.find(recordNumber);
    if (known != m_expected.end())
        return known->second.digest == digestHex;
    if (recordNumber == 0 || recordNumber > m_startCount)
        return false;
    const qsizetype at = qsizetype(recordNumber - 1) * ChangeLog::StartDigestSize;
    if (at >= m_startList.size())
        return true; // a damaged list is reported; a record beyond the table, as missing
    return QByteArray::fromHex(digestHex).left(ChangeLog::StartDigestSize)
        == m_startList.mid(at, ChangeLog::StartDigestSize);
}

void ChangeLogVerifier::checkRecords()
{
    const quint32 count = m_table.recordCount();
    std::sort(m_closedChecks.begin(), m_closedChecks.end(),
              [](const ClosedCheck &a, const ClosedCheck &b) { return a.recordNumber < b.recordNumber; });
    auto closedCheck = m_closedChecks.cbegin();
    DbfRecord record = m_table.newRecord();
    for (quint32 number = 1; number <= count; ++number) {
        if (!m_table.readRecord(number, record)) {
            m_readError = m_table.errorString();
            report(Finding::LogUnreadable, 0, 0, m_readError);
            return;
        }
        for (; closedCheck != m_closedChecks.cend() && closedCheck->recordNumber == number; ++closedCheck) {
            const std::optional<QDate> date = dateOf(record.text(WorkTimeTables::Datum));
            if (date && *date <= closedCheck->closedUntil)
                report(Finding::ClosedRowChanged, number, closedCheck->entryNumber);
        }
        const auto known = m_expected.find(number);
        if (known == m_expected.end() && number > m_startCount) {
            report(Finding::RecordAppended, number);
            continue;
        }
        if (known != m_expected.end()) {
            if (ChangeLogEntry::recordDigest(record.bytes()) != known->second.digest)
                addRecordFinding(number, record, known->second.digest);
        } else if (!m_startList.isEmpty() && !knownStateMatches(number, ChangeLogEntry::recordDigest(record.bytes()))) {
            addRecordFinding(number, record, {});
        }
    }
    // Records the history knows that the table no longer reaches. Each is
    // named, but a damaged count cannot make the list endless.
    std::vector<quint32> missing;
    for (const auto &[number, state] : m_expected) {
        if (number > count)
            missing.push_back(number);
    }
    for (quint32 number = count + 1; number <= m_startCount && missing.size() < MaxMissingNamed; ++number)
        missing.push_back(number);
    std::sort(missing.begin(), missing.end());
    missing.erase(std::unique(missing.begin(), missing.end()), missing.end());
    for (size_t i = 0; i < missing.size() && i < MaxMissingNamed; ++i)
        report(Finding::RecordMissing, missing[i]);
}

// A record that differs only in its deletion flag was deleted or restored;
// otherwise its fields changed.
void ChangeLogVerifier::addRecordFinding(quint32 recordNumber, const DbfRecord &record, const QByteArray &expectedHex)
{
    QByteArray flipped = record.bytes();
    flipped[0] = flipped[0] == DbfFormat::DeletedFlag ? DbfFormat::LiveFlag : DbfFormat::DeletedFlag;
    const QByteArray flippedHex = ChangeLogEntry::recordDigest(flipped);
    const bool flagOnly = expectedHex.isEmpty() ? knownStateMatches(recordNumber, flippedHex) : flippedHex == expectedHex;
    if (flagOnly) {
        report(record.isDeleted() ? Finding::RecordDeleted : Finding::RecordRestored, recordNumber);
        return;
    }
    report(Finding::RecordChanged, recordNumber);
    m_findings.last().fields = differingFields(recordNumber, record);
}

// The fields whose text differs from what the log last wrote into them:
// known for every field of a record the log saw appended, otherwise for the
// fields the log saw changed. Only this record's entries are read again,
// each by its number: the log is not walked once more.
QStringList ChangeLogVerifier::differingFields(quint32 recordNumber, const DbfRecord &record)
{
    const auto state = m_expected.find(recordNumber);
    if (state == m_expected.end() || !m_log)
        return {};
    const QList<DbfField> &fields = m_table.fields();
    QHash<QString, QString> known;
    DbfRecord entryRecord = m_log->newRecord();
    for (const quint32 number : state->second.valueEntries) {
        if (!m_log->readRecord(number, entryRecord))
            break;
        const ChangeLogEntry entry = ChangeLogEntry::fromRecord(entryRecord);
        if (entry.action == ChangeLogEntry::Action::New) {
            // An appended record's entry names its non-empty fields.
            for (const DbfField &field : fields)
                known.insert(field.name, QString());
        }
        for (const ChangeLogEntry::FieldChange &item : ChangeLogEntry::parseChanges(entry.changes))
            known.insert(item.field, item.newText);
    }
    QStringList differing;
    for (int pos = 0; pos < fields.size(); ++pos) {
        const auto value = known.constFind(fields.at(pos).name);
        if (value != known.constEnd() && *value != record.text(pos))
            differing.append(fields.at(pos).name);
    }
    return differing;
}

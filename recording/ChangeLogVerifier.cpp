#include "ChangeLogVerifier.h"

#include <algorithm>
#include <vector>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include "ChangeLog.h"
#include "ChangeLogEntry.h"
#include "base/Clock.h"
#include "storage/ClosingDateFile.h"
#include "storage/DateTimeText.h"
#include "storage/DbfFormat.h"
#include "storage/DbfTable.h"
#include "translation/UiText.h"

namespace {

constexpr size_t MaxMissingNamed = 1000;

// The log is read without a clock: nothing is written.
class NoClock final : public Clock
{
public:
    QDateTime now() const override { return {}; }
};

// The new value of each field an entry's change text names.
QHash<QString, QString> newValues(const QString &changes)
{
    QHash<QString, QString> values;
    const QString arrow = QLatin1String(ChangeLogEntry::StoredArrow);
    for (const QString &part : changes.split(QStringLiteral("; "), Qt::SkipEmptyParts)) {
        const qsizetype colon = part.indexOf(QStringLiteral(": "));
        if (colon <= 0)
            continue;
        // The table drops the blank after the arrow of a last field that
        // was emptied.
        const QString rest = part.mid(colon + 2) + QLatin1Char(' ');
        const qsizetype arrowAt = rest.indexOf(arrow, 0);
        if (arrowAt < 0)
            continue;
        QString value = rest.mid(arrowAt + arrow.size());
        if (!value.isEmpty())
            value.chop(1); // the blank added above
        values.insert(part.left(colon), value);
    }
    return values;
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
    case ClosingDisagrees:
        return reason;
    case ChangeInterrupted:
        return UiText(QStringLiteral("Eine unterbrochene Änderung wurde gefunden: Eintrag %1 (Datensatz %2) wurde nicht "
                                     "mehr in die Tabelle geschrieben; die Tabelle hat den Stand davor."))
            .arg(entryNumber)
            .arg(recordNumber);
    }
    return {};
}

void ChangeLogVerifier::report(Finding::Kind kind, quint32 recordNumber, quint32 entryNumber, const QString &reason)
{
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
    m_notes.clear();
    m_previousEntry.reset();
    m_closingLogged = false;
    m_closedUntil = QDate();
    m_expected.clear();
    m_entryCount = 0;
    m_lastHash.clear();
    m_started = false;
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
    if (!walkLog(log))
        return false;
    checkInterrupted();
    checkRecords();
    checkClosingFile();
    return m_findings.isEmpty();
}

bool ChangeLogVerifier::walkLog(DbfTable &log)
{
    DbfRecord record = log.newRecord();
    QByteArray previous;
    for (quint32 number = 1; number <= log.recordCount(); ++number) {
        if (!log.readRecord(number, record)) {
            report(Finding::LogUnreadable, 0, 0, log.errorString());
            return false;
        }
        const ChangeLogEntry entry = ChangeLogEntry::fromRecord(record);
        if (entry.deletedFlag || ChangeLogEntry::chainHash(previous, record) != entry.chain)
            report(Finding::EntryAltered, 0, number);
        previous = entry.chain;
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
    case ChangeLogEntry::Action::Start: {
        if (m_started || entryNumber != 1) {
            report(Finding::EntryAltered, 0, entryNumber);
            return;
        }
        m_started = true;
        m_startCount = entry.recordNumber;
        QFile list(m_directory + QLatin1String(ChangeLog::StartListFileName));
        if (list.open(QIODevice::ReadOnly))
            m_startList = list.readAll();
        if (m_startList.size() != qsizetype(m_startCount) * ChangeLog::StartDigestSize
            || QCryptographicHash::hash(m_startList, QCryptographicHash::Sha256).toHex() != entry.after) {
            report(Finding::StartListAltered);
            m_startList.clear();
        }
        return;
    }
    case ChangeLogEntry::Action::New:
        if (entry.recordNumber <= m_startCount || m_expected.count(entry.recordNumber))
            report(Finding::EntryAltered, 0, entryNumber);
        m_expected[entry.recordNumber] = entry.after;
        return;
    case ChangeLogEntry::Action::Changed:
    case ChangeLogEntry::Action::Deleted:
        if (!knownStateMatches(entry.recordNumber, entry.before))
            report(Finding::RecordChangedBefore, entry.recordNumber, entryNumber);
        m_expected[entry.recordNumber] = entry.after;
        return;
    case ChangeLogEntry::Action::PeriodClosed:
    case ChangeLogEntry::Action::PeriodReopened:
        m_closingLogged = true;
        m_closedUntil = entry.closedUntil();
        return;
    case ChangeLogEntry::Action::Cancelled:
        checkCancelled(entry, entryNumber);
        return;
    case ChangeLogEntry::Action::Restart:
        // Only right after the Beginn of the history it restarts.
        if (entryNumber != 2 || !m_started)
            report(Finding::EntryAltered, 0, entryNumber);
        return;
    case ChangeLogEntry::Action::Unknown:
        report(Finding::EntryAltered, 0, entryNumber);
        return;
    }
}

// Whether the previous entry changed the record to this entry's "before"
// state: an Abgebrochen closes the change entered right before it.
static bool isChangeOf(const std::optional<ChangeLogEntry> &previous, const ChangeLogEntry &entry)
{
    using Action = ChangeLogEntry::Action;
    return previous && previous->recordNumber == entry.recordNumber && previous->after == entry.before
        && (previous->action == Action::New || previous->action == Action::Changed || previous->action == Action::Deleted);
}

// The record is back in the state it had before the change that never
// reached the table.
void ChangeLogVerifier::checkCancelled(const ChangeLogEntry &entry, quint32 entryNumber)
{
    if (!isChangeOf(m_previousEntry, entry) || entry.after != m_previousEntry->before) {
        report(Finding::EntryAltered, 0, entryNumber);
        return;
    }
    if (m_previousEntry->action == ChangeLogEntry::Action::New)
        m_expected.erase(entry.recordNumber);
    else
        m_expected[entry.recordNumber] = entry.after;
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
    if (last.action != Action::New && last.action != Action::Changed && last.action != Action::Deleted)
        return;
    m_table.refresh();
    bool notMade = false;
    if (last.recordNumber > m_table.recordCount()) {
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
    else
        m_expected[last.recordNumber] = last.before;
    Finding note;
    note.kind = Finding::ChangeInterrupted;
    note.recordNumber = last.recordNumber;
    note.entryNumber = m_entryCount;
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
    const bool agrees = m_closingLogged ? loaded && fileDate == m_closedUntil : !fileDate.isValid();
    if (agrees)
        return;
    const auto dateText = [](const QDate &date) {
        return date.isValid() ? DateTimeText::formatDate(date) : UiText(QStringLiteral("nichts abgeschlossen"));
    };
    QString text;
    if (!loaded)
        text = UiText(QStringLiteral("Die Datei \"%1\" mit dem Abschlussdatum fehlt; nach dem Änderungsprotokoll ist "
                                     "abgeschlossen bis: %2."))
                   .arg(QDir::toNativeSeparators(path), dateText(m_closedUntil));
    else
        text = UiText(QStringLiteral("Die Datei \"%1\" mit dem Abschlussdatum sagt \"%2\", das Änderungsprotokoll "
                                     "\"%3\"."))
                   .arg(QDir::toNativeSeparators(path), dateText(fileDate),
                        m_closingLogged ? dateText(m_closedUntil) : UiText(QStringLiteral("kein Abschluss")));
    report(Finding::ClosingDisagrees, 0, 0, text);
}

bool ChangeLogVerifier::knownStateMatches(quint32 recordNumber, const QByteArray &digestHex) const
{
    const auto known = m_expected.find(recordNumber);
    if (known != m_expected.end())
        return known->second == digestHex;
    if (recordNumber == 0 || recordNumber > m_startCount)
        return false;
    if (m_startList.isEmpty())
        return true; // already reported as a damaged start list
    return QByteArray::fromHex(digestHex).left(ChangeLog::StartDigestSize)
        == m_startList.mid(qsizetype(recordNumber - 1) * ChangeLog::StartDigestSize, ChangeLog::StartDigestSize);
}

void ChangeLogVerifier::checkRecords()
{
    m_table.refresh();
    const quint32 count = m_table.recordCount();
    DbfRecord record = m_table.newRecord();
    for (quint32 number = 1; number <= count; ++number) {
        if (!m_table.readRecord(number, record)) {
            report(Finding::LogUnreadable, 0, 0, m_table.errorString());
            return;
        }
        const auto known = m_expected.find(number);
        if (known == m_expected.end() && number > m_startCount) {
            report(Finding::RecordAppended, number);
            continue;
        }
        if (known != m_expected.end()) {
            if (ChangeLogEntry::recordDigest(record.bytes()) != known->second)
                addRecordFinding(number, record, known->second);
        } else if (!m_startList.isEmpty() && !knownStateMatches(number, ChangeLogEntry::recordDigest(record.bytes()))) {
            addRecordFinding(number, record, {});
        }
    }
    // Records the history knows that the table no longer reaches. Each is
    // named, but a damaged count cannot make the list endless.
    std::vector<quint32> missing;
    for (const auto &[number, digest] : m_expected) {
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
// fields the log saw changed.
QStringList ChangeLogVerifier::differingFields(quint32 recordNumber, const DbfRecord &record)
{
    NoClock clock;
    DbfTable log(clock);
    if (!log.open(m_directory + QLatin1String(ChangeLogEntry::FileName), DbfTable::OpenMode::ReadOnly))
        return {};
    const QList<DbfField> &fields = m_table.fields();
    QHash<QString, QString> known;
    DbfRecord entryRecord = log.newRecord();
    for (quint32 number = 1; number <= log.recordCount(); ++number) {
        if (!log.readRecord(number, entryRecord))
            break;
        const ChangeLogEntry entry = ChangeLogEntry::fromRecord(entryRecord);
        if (entry.recordNumber != recordNumber)
            continue;
        if (entry.action == ChangeLogEntry::Action::New) {
            // An appended record's entry names its non-empty fields.
            for (const DbfField &field : fields)
                known.insert(field.name, QString());
        }
        if (entry.action == ChangeLogEntry::Action::New || entry.action == ChangeLogEntry::Action::Changed)
            known.insert(newValues(entry.changes));
    }
    QStringList differing;
    for (int pos = 0; pos < fields.size(); ++pos) {
        const auto value = known.constFind(fields.at(pos).name);
        if (value != known.constEnd() && *value != record.text(pos))
            differing.append(fields.at(pos).name);
    }
    return differing;
}

#include "ChangeLog.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <QSaveFile>
#include <QSysInfo>

#include "base/Clock.h"
#include "storage/ClosingDateFile.h"
#include "storage/DateTimeText.h"
#include "storage/DbfFormat.h"
#include "translation/UiText.h"

namespace {

// Holds a table's header lock for a scope.
class HeaderLock
{
public:
    explicit HeaderLock(DbfTable &table) : m_table(table), m_locked(table.lockHeader()) {}
    ~HeaderLock()
    {
        if (m_locked)
            m_table.unlockHeader();
    }
    bool locked() const { return m_locked; }

private:
    DbfTable &m_table;
    bool m_locked;
};

} // namespace

ChangeLog::ChangeLog(DbfTable &table, const Clock &clock)
    : m_table(table)
    , m_clock(clock)
    , m_log(clock)
    , m_host(QSysInfo::machineHostName())
{
}

ChangeLog::~ChangeLog()
{
    close();
}

bool ChangeLog::fail(const QString &reason)
{
    m_errorString = reason;
    return false;
}

bool ChangeLog::refuse(State state, const QString &reason)
{
    m_log.close();
    m_state = state;
    m_errorString = reason;
    attach();
    return false;
}

QByteArray ChangeLog::startDigest(const QByteArray &recordBytes)
{
    return QCryptographicHash::hash(recordBytes, QCryptographicHash::Sha256).left(StartDigestSize);
}

QByteArray ChangeLog::structureDigest(const QString &tablePath)
{
    QFile file(tablePath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = file.read(DbfFormat::HeaderSize);
    if (head.size() < DbfFormat::HeaderSize)
        return {};
    const int headerLength = qFromLittleEndian<quint16>(head.constData() + DbfFormat::HeaderLengthOffset);
    const QByteArray descriptors = file.read(qMax(0, headerLength - DbfFormat::HeaderSize));
    QByteArray pinned;
    pinned += head.at(DbfFormat::LanguageDriverOffset);
    // Name (up to its NUL), type, width and decimal count of each field, up
    // to the descriptors' end mark.
    for (qsizetype at = 0; at + DbfFormat::DescriptorSize <= descriptors.size(); at += DbfFormat::DescriptorSize) {
        if (descriptors.at(at) == DbfFormat::HeaderTerminator)
            break;
        const QByteArray descriptor = descriptors.mid(at, DbfFormat::DescriptorSize);
        const QByteArray name = descriptor.left(DbfFormat::DescriptorNameSize);
        pinned += name.left(name.indexOf('\0') < 0 ? name.size() : name.indexOf('\0'));
        pinned += '\0';
        pinned += descriptor.at(DbfFormat::DescriptorTypeOffset);
        pinned += descriptor.at(DbfFormat::DescriptorWidthOffset);
        pinned += descriptor.at(DbfFormat::DescriptorDecimalsOffset);
    }
    return QCryptographicHash::hash(pinned, QCryptographicHash::Sha256).toHex();
}

bool ChangeLog::hasTraces(const QString &directory)
{
    return QFileInfo::exists(directory + QLatin1String(StartListFileName))
        || QFileInfo::exists(directory + QLatin1String(ClosingDateFile::FileName));
}

// Hung on the table whatever the log's state: while the log is not open,
// the journal refuses every change.
void ChangeLog::attach()
{
    if (m_table.isOpen() && !m_attached) {
        m_table.setJournal(this);
        m_attached = true;
    }
}

bool ChangeLog::open(const QString &directory)
{
    close();
    if (!m_table.isOpen())
        return fail(UiText(QStringLiteral("Die Tabelle ist nicht geöffnet.")));
    m_path = directory + QLatin1String(ChangeLogEntry::FileName);
    const QString shown = QDir::toNativeSeparators(m_path);
    if (!QFileInfo::exists(m_path) && !QFileInfo(m_path).isSymLink()) {
        // A history that was begun and is gone is not begun again by itself:
        // that would take whatever was changed meanwhile for the start.
        if (hasTraces(directory))
            return refuse(State::Missing,
                          UiText(QStringLiteral("Das Änderungsprotokoll \"%1\" fehlt, obwohl es begonnen wurde. "
                                                "Bis der Administrator es neu beginnt, kann nichts gebucht, geändert "
                                                "oder gelöscht werden."))
                              .arg(shown));
        if (!m_log.create(m_path, ChangeLogEntry::fieldDefinitions(), DbfTable::CreateMode::OnlyIfMissing))
            return refuse(State::Failed, m_log.errorString());
    }
    if (!openLog(directory))
        return false;
    if (!start(directory, m_who))
        return refuse(State::Failed, m_errorString);
    return true;
}

// Opens the existing log after checking its layout; a log that fails the
// check is neither read nor written.
bool ChangeLog::openLog(const QString &directory)
{
    Q_UNUSED(directory);
    QString problem = ChangeLogEntry::layoutProblemOf(m_path, false);
    if (!problem.isEmpty())
        return refuse(State::Damaged, damagedMessage(m_path, problem));
    if (!m_log.open(m_path, DbfTable::OpenMode::ReadWriteAsFound))
        return refuse(State::Failed, m_log.errorString());
    // The count against the length under the lock that appends take: read
    // while another PC appends, the two need not agree for a moment.
    bool locked = false;
    {
        HeaderLock logLock(m_log);
        locked = logLock.locked();
        if (locked)
            problem = ChangeLogEntry::layoutProblemOf(m_path);
    }
    if (!locked || !problem.isEmpty()) {
        const QString why = locked ? damagedMessage(m_path, problem) : m_log.errorString();
        m_log.close();
        return refuse(locked ? State::Damaged : State::Failed, why);
    }
    m_state = State::Open;
    m_errorString.clear();
    m_closingScanned = 0;
    m_closing = Closing();
    attach();
    return true;
}

QString ChangeLog::damagedMessage(const QString &path, const QString &problem)
{
    return UiText(QStringLiteral("Das Änderungsprotokoll \"%1\" ist beschädigt (%2). Es wird nicht verändert; bis der "
                                 "Administrator es neu beginnt, kann nichts gebucht, geändert oder gelöscht werden."))
        .arg(QDir::toNativeSeparators(path), problem);
}

void ChangeLog::close()
{
    if (m_attached)
        m_table.setJournal(nullptr);
    m_attached = false;
    m_log.close();
    m_state = State::Closed;
}

// Under the table's header lock, so that no record is added between the
// list and the entry, and two instances starting at once write one start.
// The log exists before the start list: a crash in between leaves an empty
// log, which the next start begins.
bool ChangeLog::start(const QString &directory, const QString &who, bool pinTables)
{
    // A history that has begun needs no lock to tell so: entries are only
    // ever added. So a lock that another PC holds does not delay each start.
    if (m_log.recordCount() > 0)
        return true;
    HeaderLock tableLock(m_table);
    HeaderLock logLock(m_log);
    if (!tableLock.locked() || !logLock.locked())
        return fail(m_table.errorString().isEmpty() ? m_log.errorString() : m_table.errorString());
    // A record left unread would be missing from the start list for good.
    if (!m_log.refresh())
        return fail(m_log.errorString());
    if (m_log.recordCount() > 0)
        return true;
    if (!m_table.refresh())
        return fail(m_table.errorString());
    const quint32 count = m_table.recordCount();
    QByteArray list;
    list.reserve(qsizetype(count) * StartDigestSize);
    DbfRecord record = m_table.newRecord();
    for (quint32 number = 1; number <= count; ++number) {
        if (!m_table.readRecord(number, record))
            return fail(m_table.errorString());
        list += startDigest(record.bytes());
    }
    QSaveFile file(directory + QLatin1String(StartListFileName));
    if (!file.open(QIODevice::WriteOnly) || file.write(list) != list.size() || !file.commit())
        return fail(UiText(QStringLiteral("Die Liste der Datensätze \"%1\" kann nicht geschrieben werden: %2"))
                        .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
    ChangeLogEntry entry;
    entry.action = ChangeLogEntry::Action::Start;
    entry.who = who;
    entry.host = m_host;
    entry.recordNumber = count;
    entry.before = structureDigest(m_table.fileName());
    entry.after = QCryptographicHash::hash(list, QCryptographicHash::Sha256).toHex();
    return appendEntry(entry, false) && (!pinTables || pinAccountTables(directory, who));
}

// The account's tables as the history finds them when it begins, as the
// start list takes the table's records: an entry per table that holds rows,
// from nothing to its content, telling how many rows (SAETZE). A table that
// cannot be read is left to the check, which names it.
bool ChangeLog::pinAccountTables(const QString &directory, const QString &who)
{
    using Action = ChangeLogEntry::Action;
    for (const Action action : {Action::TargetTable, Action::AbsenceTable, Action::FirmDayTable, Action::StateTable}) {
        int rows = 0;
        const auto digest = accountTableDigest(directory + ChangeLogEntry::accountFileName(action), nullptr, &rows);
        if (!digest || digest->isEmpty())
            continue;
        ChangeLogEntry entry = pinEntry(action, *digest, rows, who);
        entry.host = m_host;
        if (!appendEntry(entry, false))
            return false;
    }
    return true;
}

bool ChangeLog::appendEntry(ChangeLogEntry &entry, bool closeInterrupted)
{
    HeaderLock logLock(m_log);
    if (!logLock.locked())
        return fail(m_log.errorString());
    // Another instance may have appended since we last looked, or someone
    // may have changed the file by hand: its layout is checked again.
    const QString problem = ChangeLogEntry::layoutProblemOf(m_path);
    if (!problem.isEmpty()) {
        m_state = State::Damaged;
        return fail(damagedMessage(m_path, problem));
    }
    m_log.refresh();
    // The last entry is read from the file's end, never by walking the log.
    QByteArray previous;
    DbfRecord last = m_log.newRecord();
    if (m_log.recordCount() > 0) {
        if (!m_log.readRecord(m_log.recordCount(), last))
            return fail(m_log.errorString());
        previous = last.text(ChangeLogEntry::Kette).toLatin1();
        if (closeInterrupted && !closeInterruptedChange(ChangeLogEntry::fromRecord(last)))
            return false;
        if (m_log.recordCount() > last.recordNumber()) {
            if (!m_log.readRecord(m_log.recordCount(), last))
                return fail(m_log.errorString());
            previous = last.text(ChangeLogEntry::Kette).toLatin1();
        }
    }
    entry.time = m_clock.now();
    DbfRecord record = m_log.newRecord();
    entry.fillRecord(record);
    entry.chain = ChangeLogEntry::chainHash(previous, record);
    record.setText(ChangeLogEntry::Kette, QString::fromLatin1(entry.chain));
    if (!m_log.append(record))
        return fail(m_log.errorString());
    return true;
}

// The last entry announced a change of the table that the table does not
// hold (the writer died or its write failed after the entry): an entry
// "Abgebrochen" says so before anything else is entered. A record in
// neither state was changed outside Tagwerk; that is left to the check.
bool ChangeLog::closeInterruptedChange(const ChangeLogEntry &last)
{
    using Action = ChangeLogEntry::Action;
    const bool account = ChangeLogEntry::isAccountChange(last.action);
    if (last.action != Action::New && last.action != Action::Changed && last.action != Action::Deleted && !account)
        return true;
    m_table.refresh();
    bool notMade = false;
    if (account) {
        // The account table's content as a whole: as before the change, it
        // never reached the table.
        const auto now = accountTableDigest(logDirectory() + ChangeLogEntry::accountFileName(last.action));
        notMade = now && *now != last.after && *now == last.before;
    } else if (last.recordNumber > m_table.recordCount()) {
        notMade = last.action == Action::New;
    } else {
        DbfRecord record = m_table.newRecord();
        if (!m_table.readRecord(last.recordNumber, record))
            return fail(m_table.errorString());
        const QByteArray now = ChangeLogEntry::recordDigest(record.bytes());
        notMade = last.action != Action::New && now != last.after && now == last.before;
    }
    if (!notMade)
        return true;
    ChangeLogEntry cancelled;
    cancelled.action = Action::Cancelled;
    cancelled.host = m_host;
    cancelled.recordNumber = last.recordNumber;
    cancelled.before = last.after;
    cancelled.after = last.before;
    return appendEntry(cancelled, false);
}

bool ChangeLog::recordChanging(const DbfRecord *before, const DbfRecord *after, QString &refusal)
{
    if (!isOpen()) {
        refusal = m_errorString;
        return false;
    }
    if (!before && !after)
        return true;
    ChangeLogEntry entry = ChangeLogEntry::forChange(m_table.fields(), before, after);
    entry.who = m_who;
    entry.host = m_host;
    if (appendEntry(entry))
        return true;
    refusal = UiText(QStringLiteral("Die Änderung wurde nicht gespeichert, weil sie nicht ins Änderungsprotokoll "
                                    "eingetragen werden kann: %1"))
                  .arg(m_errorString);
    return false;
}

void ChangeLog::changeNotMade()
{
    if (!isOpen())
        return;
    // Closed now when the log takes it; otherwise by the next entry.
    HeaderLock logLock(m_log);
    m_log.refresh();
    DbfRecord last = m_log.newRecord();
    if (logLock.locked() && m_log.recordCount() > 0 && m_log.readRecord(m_log.recordCount(), last))
        closeInterruptedChange(ChangeLogEntry::fromRecord(last));
}

QString ChangeLog::logDirectory() const
{
    return QFileInfo(m_path).absolutePath() + QLatin1Char('/');
}

std::optional<QByteArray> ChangeLog::accountTableDigest(const QString &path, QString *error, int *liveRecords)
{
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return QByteArray();
    SystemClock clock; // nothing is written
    DbfTable table(clock);
    QList<QByteArray> live;
    DbfRecord record;
    bool read = table.open(path, DbfTable::OpenMode::ReadOnly);
    for (int row = 0; read && row < table.rowCount(); ++row) {
        read = table.readRow(row, record);
        live.append(record.bytes());
    }
    if (!read) {
        if (error)
            *error = table.errorString();
        return std::nullopt;
    }
    if (liveRecords)
        *liveRecords = int(live.size());
    return ChangeLogEntry::tableDigest(table.fields(), table.languageDriver(), live);
}

bool ChangeLog::accountChangeBegins(QString &refusal)
{
    if (!isOpen()) {
        refusal = m_errorString.isEmpty() ? UiText(QStringLiteral("Das Änderungsprotokoll ist nicht geöffnet."))
                                          : m_errorString;
        return false;
    }
    // The work-time table's lock, under which every instance enters and
    // writes each change: one order of entries and writes for all.
    if (!m_table.lockHeader()) {
        refusal = m_table.errorString();
        return false;
    }
    return true;
}

bool ChangeLog::accountChangeEnds(QString &)
{
    // Each table's write was made when it was told: nothing is left to keep.
    m_table.unlockHeader();
    return true;
}

ChangeLogEntry ChangeLog::pinEntry(ChangeLogEntry::Action action, const QByteArray &digest, int rows, const QString &who)
{
    ChangeLogEntry entry;
    entry.action = action;
    entry.who = who;
    entry.changes = ChangeLogEntry::fieldChange(QStringLiteral("SAETZE"), QString(), QString::number(rows));
    entry.after = digest;
    return entry;
}

ChangeLogEntry ChangeLog::accountEntry(const AccountTables::TableChange &change)
{
    ChangeLogEntry entry;
    entry.action = ChangeLogEntry::accountAction(change.fileName);
    // Only the administrator may change the account.
    entry.who = QLatin1String(AdministratorName);
    entry.recordNumber = change.rows.isEmpty() ? 0 : change.rows.first().recordNumber;
    entry.changes = describeAccountChange(change);
    entry.before = ChangeLogEntry::tableDigest(change.fields, change.languageDriver, change.liveBefore);
    entry.after = ChangeLogEntry::tableDigest(change.fields, change.languageDriver, change.liveAfter);
    return entry;
}

bool ChangeLog::accountTableChanging(const AccountTables::TableChange &change, QString &refusal)
{
    ChangeLogEntry entry = accountEntry(change);
    entry.host = m_host;
    if (entry.action != ChangeLogEntry::Action::Unknown && appendEntry(entry))
        return true;
    refusal = UiText(QStringLiteral("Die Änderung wurde nicht gespeichert, weil sie nicht ins Änderungsprotokoll "
                                    "eingetragen werden kann: %1"))
                  .arg(m_errorString);
    return false;
}

// Each record written, its key fields always (they say whose row it is),
// the others where they change. What does not fit the entry's four fields
// is left out whole: the digests pin the content all the same.
QString ChangeLog::describeAccountChange(const AccountTables::TableChange &change)
{
    constexpr qsizetype Room = qsizetype(ChangeLogEntry::ChangeFieldCount) * ChangeLogEntry::ChangeFieldWidth;
    QString text;
    for (const AccountTables::TableChange::Row &row : change.rows) {
        for (int pos = 0; pos < change.fields.size(); ++pos) {
            const QString &name = change.fields.at(pos).name;
            const QString oldText = row.before ? row.before->text(pos) : QString();
            const QString newText = row.after ? row.after->text(pos) : QString();
            if (oldText == newText && !change.keyFields.contains(name))
                continue;
            const QString item = ChangeLogEntry::fieldChange(name, oldText, newText);
            const QString separator = text.isEmpty() ? QString() : QStringLiteral("; ");
            if (text.size() + separator.size() + item.size() > Room)
                return text;
            text += separator + item;
        }
    }
    return text;
}

bool ChangeLog::appendPeriodClosing(const QString &who, const QString &host, const QDate &oldDate, const QDate &newDate)
{
    if (!isOpen())
        return fail(m_errorString.isEmpty() ? UiText(QStringLiteral("Das Änderungsprotokoll ist nicht geöffnet."))
                                            : m_errorString);
    // The table's lock first, as for every other entry: one order of locks.
    HeaderLock tableLock(m_table);
    if (!tableLock.locked())
        return fail(m_table.errorString());
    const bool reopened = !newDate.isValid() || (oldDate.isValid() && newDate < oldDate);
    ChangeLogEntry entry;
    entry.action = reopened ? ChangeLogEntry::Action::PeriodReopened : ChangeLogEntry::Action::PeriodClosed;
    entry.who = who;
    entry.host = host;
    entry.recordNumber = 0;
    auto dateText = [](const QDate &date) { return date.isValid() ? DateTimeText::formatDate(date) : QString(); };
    entry.changes = ChangeLogEntry::fieldChange(QStringLiteral("CLOSED_UNTIL"), dateText(oldDate), dateText(newDate));
    return appendEntry(entry);
}

std::optional<ChangeLog::Closing> ChangeLog::lastClosing()
{
    if (!isOpen() || !m_log.refresh())
        return std::nullopt;
    DbfRecord record = m_log.newRecord();
    for (quint32 number = m_closingScanned + 1; number <= m_log.recordCount(); ++number) {
        if (!m_log.readRecord(number, record))
            return std::nullopt;
        const ChangeLogEntry::Action action = ChangeLogEntry::actionOf(record.text(ChangeLogEntry::Aktion));
        if (action == ChangeLogEntry::Action::PeriodClosed || action == ChangeLogEntry::Action::PeriodReopened) {
            m_closing.any = true;
            m_closing.until = ChangeLogEntry::fromRecord(record).closedUntil();
        }
        m_closingScanned = number;
    }
    return m_closing;
}

bool ChangeLog::restart(const QString &directory, const QString &host, const std::optional<QDate> &closedUntil)
{
    const QString path = directory + QLatin1String(ChangeLogEntry::FileName);
    const bool exists = QFileInfo::exists(path) || QFileInfo(path).isSymLink();
    QString damage;
    if (exists) {
        damage = ChangeLogEntry::layoutProblemOf(path);
        if (damage.isEmpty())
            return fail(UiText(QStringLiteral("Das Änderungsprotokoll ist vorhanden und lesbar; es wird nicht neu begonnen.")));
    }
    if (!m_table.isOpen())
        return fail(UiText(QStringLiteral("Die Tabelle ist nicht geöffnet.")));
    close();
    m_path = path;
    // Whatever fails from here on, changes stay refused.
    HeaderLock tableLock(m_table);
    if (!tableLock.locked())
        return refuse(State::Failed, m_table.errorString());
    // What is lost is kept under a new name, never overwritten.
    const QString suffix = m_clock.now().toString(QStringLiteral(".yyyyMMdd-HHmmss")) + QStringLiteral(".alt");
    QStringList lost;
    for (const char *name : {ChangeLogEntry::FileName, StartListFileName}) {
        const QString file = directory + QLatin1String(name);
        if (!QFileInfo::exists(file) && !QFileInfo(file).isSymLink())
            continue;
        if (!QFile::rename(file, file + suffix))
            return refuse(State::Failed, UiText(QStringLiteral("\"%1\" kann nicht umbenannt werden."))
                                             .arg(QDir::toNativeSeparators(file)));
        lost.append(QLatin1String(name) + suffix);
    }
    QString changes = QStringLiteral("LOST: ") + QLatin1String(ChangeLogEntry::FileName)
        + (exists ? QStringLiteral(" damaged (%1)").arg(damage) : QStringLiteral(" missing"));
    if (!lost.isEmpty())
        changes += QStringLiteral("; KEPT_AS: ") + lost.join(QStringLiteral(", "));
    if (!m_log.create(path, ChangeLogEntry::fieldDefinitions(), DbfTable::CreateMode::OnlyIfMissing)
        || !openLog(directory))
        return refuse(State::Failed, m_log.errorString().isEmpty() ? m_errorString : m_log.errorString());
    const QString administrator = QLatin1String(AdministratorName);
    ChangeLogEntry restarted;
    restarted.action = ChangeLogEntry::Action::Restart;
    restarted.who = administrator;
    restarted.host = host;
    restarted.changes = changes;
    if (!start(directory, administrator, false) || !appendEntry(restarted) || !pinAccountTables(directory, administrator)
        || (closedUntil && !appendPeriodClosing(administrator, host, QDate(), *closedUntil)))
        return refuse(State::Failed, m_errorString);
    return true;
}

QByteArray ChangeLog::lastHash()
{
    if (!isOpen())
        return {};
    m_log.refresh();
    DbfRecord last = m_log.newRecord();
    if (m_log.recordCount() == 0 || !m_log.readRecord(m_log.recordCount(), last))
        return {};
    return last.text(ChangeLogEntry::Kette).toLatin1();
}

QByteArray ChangeLog::lastHashIn(const QString &directory)
{
    const QString path = directory + QLatin1String(ChangeLogEntry::FileName);
    if (!QFileInfo::exists(path))
        return {};
    SystemClock clock; // nothing is written
    DbfTable log(clock);
    DbfRecord last;
    if (!ChangeLogEntry::layoutProblemOf(path).isEmpty() || !log.open(path, DbfTable::OpenMode::ReadOnly)
        || log.recordCount() == 0 || !log.readRecord(log.recordCount(), last))
        return {};
    return last.text(ChangeLogEntry::Kette).toLatin1();
}

QString ChangeLog::checksumLine(const QString &directory)
{
    const QByteArray hash = lastHashIn(directory);
    if (hash.isEmpty())
        return {};
    return UiText(QStringLiteral("Prüfsumme des Änderungsprotokolls: %1")).arg(QString::fromLatin1(hash));
}

quint32 ChangeLog::entryCount()
{
    if (!isOpen())
        return 0;
    m_log.refresh();
    return m_log.recordCount();
}

#include "ChangeLog.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSysInfo>

#include "base/Clock.h"
#include "base/Reporter.h"
#include "storage/DateTimeText.h"
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

QString fieldChange(const QString &name, const QString &oldText, const QString &newText)
{
    return name + QStringLiteral(": ") + oldText + QLatin1String(ChangeLogEntry::StoredArrow) + newText;
}

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

QByteArray ChangeLog::startDigest(const QByteArray &recordBytes)
{
    return QCryptographicHash::hash(recordBytes, QCryptographicHash::Sha256).left(StartDigestSize);
}

bool ChangeLog::open(const QString &directory)
{
    close();
    m_failed = false;
    m_failureText.clear();
    if (!m_table.isOpen())
        return fail(UiText(QStringLiteral("Die Tabelle ist nicht geöffnet.")));
    const QString path = directory + QLatin1String(ChangeLogEntry::FileName);
    if (!m_log.create(path, ChangeLogEntry::fieldDefinitions(), DbfTable::CreateMode::OnlyIfMissing)
        || !m_log.open(path))
        return fail(m_log.errorString());
    if (m_log.fieldCount() != ChangeLogEntry::FieldCount) {
        m_log.close();
        return fail(UiText(QStringLiteral("Das Änderungsprotokoll \"%1\" hat nicht den erwarteten Aufbau."))
                        .arg(QDir::toNativeSeparators(path)));
    }
    if (!start(directory)) {
        m_log.close();
        return false;
    }
    m_table.setJournal(this);
    m_attached = true;
    return true;
}

void ChangeLog::close()
{
    if (m_attached)
        m_table.setJournal(nullptr);
    m_attached = false;
    m_log.close();
}

// Under the table's header lock, so that no record is added between the
// list and the entry, and two instances starting at once write one start.
bool ChangeLog::start(const QString &directory)
{
    // A history that has begun needs no lock to tell so: entries are only
    // ever added. So a lock that another PC holds does not delay each start.
    if (m_log.recordCount() > 0)
        return true;
    HeaderLock tableLock(m_table);
    HeaderLock logLock(m_log);
    if (!tableLock.locked() || !logLock.locked())
        return fail(m_table.errorString().isEmpty() ? m_log.errorString() : m_table.errorString());
    m_log.refresh();
    if (m_log.recordCount() > 0)
        return true;
    m_table.refresh();
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
        return fail(UiText(QStringLiteral("Das Änderungsprotokoll kann nicht angelegt werden: %1")).arg(file.errorString()));
    ChangeLogEntry entry;
    entry.action = ChangeLogEntry::Action::Start;
    entry.who = m_who;
    entry.host = m_host;
    entry.recordNumber = count;
    entry.after = QCryptographicHash::hash(list, QCryptographicHash::Sha256).toHex();
    return appendEntry(entry);
}

bool ChangeLog::appendEntry(ChangeLogEntry &entry)
{
    HeaderLock logLock(m_log);
    if (!logLock.locked())
        return fail(m_log.errorString());
    // Another instance may have appended since we last looked; the last
    // entry is read from the file's end, never by walking the log.
    m_log.refresh();
    QByteArray previous;
    DbfRecord last = m_log.newRecord();
    if (m_log.recordCount() > 0) {
        if (!m_log.readRecord(m_log.recordCount(), last))
            return fail(m_log.errorString());
        previous = last.text(ChangeLogEntry::Kette).toLatin1();
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

bool ChangeLog::appendPeriodClosing(const QString &who, const QString &host, const QDate &oldDate, const QDate &newDate)
{
    if (!m_log.isOpen())
        return fail(UiText(QStringLiteral("Das Änderungsprotokoll ist nicht geöffnet.")));
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
    entry.changes = fieldChange(QStringLiteral("CLOSED_UNTIL"), dateText(oldDate), dateText(newDate));
    return appendEntry(entry);
}

QString ChangeLog::describeChanges(const DbfRecord *before, const DbfRecord *after) const
{
    const QList<DbfField> &fields = m_table.fields();
    QStringList parts;
    for (int pos = 0; pos < fields.size(); ++pos) {
        const QString oldText = before ? before->text(pos) : QString();
        const QString newText = after ? after->text(pos) : QString();
        if (oldText != newText)
            parts.append(fieldChange(fields.at(pos).name, oldText, newText));
    }
    return parts.join(QStringLiteral("; "));
}

void ChangeLog::recordChanged(const DbfRecord *before, const DbfRecord *after)
{
    if (!m_log.isOpen() || (!before && !after))
        return;
    ChangeLogEntry entry;
    entry.who = m_who;
    entry.host = m_host;
    if (!before) {
        entry.action = ChangeLogEntry::Action::New;
        entry.recordNumber = after->recordNumber();
        entry.after = ChangeLogEntry::recordDigest(after->bytes());
    } else if (!after) {
        entry.action = ChangeLogEntry::Action::Deleted;
        entry.recordNumber = before->recordNumber();
        entry.before = ChangeLogEntry::recordDigest(before->bytes());
        QByteArray deleted = before->bytes();
        deleted[0] = '*';
        entry.after = ChangeLogEntry::recordDigest(deleted);
    } else {
        entry.action = ChangeLogEntry::Action::Changed;
        entry.recordNumber = after->recordNumber();
        entry.before = ChangeLogEntry::recordDigest(before->bytes());
        entry.after = ChangeLogEntry::recordDigest(after->bytes());
    }
    entry.changes = describeChanges(before, after);
    if (appendEntry(entry))
        return;
    m_failed = true;
    m_failureText = UiText(QStringLiteral("Die Änderung an Datensatz %1 wurde gespeichert, aber nicht im "
                                          "Änderungsprotokoll vermerkt: %2"))
                        .arg(entry.recordNumber)
                        .arg(m_errorString);
    if (Reporter *reporter = m_failureReporter; reporter && QCoreApplication::instance()) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [reporter, text = m_failureText] { reporter->error(text); },
            Qt::QueuedConnection);
    }
}

QByteArray ChangeLog::lastHash()
{
    if (!m_log.isOpen())
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
    if (!log.open(path, DbfTable::OpenMode::ReadOnly) || log.fieldCount() != ChangeLogEntry::FieldCount
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
    if (!m_log.isOpen())
        return 0;
    m_log.refresh();
    return m_log.recordCount();
}

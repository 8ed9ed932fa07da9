#include "FolderStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include "base/Clock.h"
#include "base/Reporter.h"
#include "base/WholeFileSave.h"
#include "storage/AccountTables.h"
#include "storage/UserListStore.h"
#include "translation/UiText.h"

namespace {

// Larger than any small file the program writes; a bigger one is not one.
constexpr qint64 MaxSmallFileSize = 16 * 1024 * 1024;

const char *const OptionsFileName = "options.dat";

} // namespace

FolderStore::FolderStore(const Clock &clock, Reporter &reporter, ProgramTextFunction programText)
    : m_reporter(reporter)
    , m_tables(clock, reporter, std::move(programText))
    , m_clashIndex(m_tables.Dbf1)
    , m_closedPeriod([this] { return m_tables.directory(); })
    , m_changeLog(m_tables.Dbf1, clock)
{
    m_closedPeriod.setRecordedClosing([this] {
        ClosedPeriod::Recorded recorded;
        if (const auto closing = m_changeLog.lastClosing()) {
            recorded.known = true;
            recorded.any = closing->any;
            recorded.until = closing->until;
        }
        return recorded;
    });
}

FolderStore::~FolderStore() = default;

QString FolderStore::location() const
{
    return QDir::toNativeSeparators(m_tables.directory());
}

bool FolderStore::open()
{
    // The tables tell the user themselves why they cannot be opened.
    m_errorString.clear();
    const bool opened = m_tables.CreateandopenTables();
    m_clashIndex.rebuild();
    if (opened)
        openChangeLog();
    return opened;
}

void FolderStore::openChangeLog()
{
    // The table stays readable without its history; every change is refused
    // (the journal says why) until the history can be written again.
    if (!m_changeLog.open(m_tables.directory()))
        m_reporter.error(m_changeLog.errorString());
}

bool FolderStore::openForReading()
{
    // The tables tell the user themselves why they cannot be read.
    m_errorString.clear();
    return m_tables.openForReading();
}

void FolderStore::close()
{
    m_changeLog.close();
    m_tables.Dbf1.close();
}

// Under the header lock: no other instance appends between the search and
// the append, and the closing date is read under it too.
WorkTimeStore::Appended FolderStore::appendBooking(DbfRecord &record, const std::optional<Span> &span, bool storeIfClash)
{
    return appendUnderLock(m_tables.Dbf1, m_clashIndex, &m_closedPeriod, record, span, storeIfClash);
}

WorkTimeStore::Appended FolderStore::appendUnderLock(DbfTable &table, ClashIndex &index, const ClosedPeriod *closedPeriod,
                                                     DbfRecord &record, const std::optional<Span> &span,
                                                     bool storeIfClash)
{
    Appended appended;
    if (!table.lockHeader()) {
        appended.kind = table.status() == DbfTable::Status::Locked ? Appended::Locked : Appended::Failed;
        appended.error = table.errorString();
        return appended;
    }
    const auto done = [&table, &appended](Appended::Kind kind, const QString &error = {}) {
        table.unlockHeader();
        appended.kind = kind;
        appended.error = error;
        return appended;
    };
    const std::optional<QDate> date = record.date(WorkTimeTables::Datum);
    if (date && closedPeriod) {
        const QString closed = closedPeriod->bookingRefusal(*date);
        if (!closed.isEmpty())
            return done(Appended::Closed, closed);
    }
    // A booking is stored only after a search that read every row. The
    // name is sought as the rows hold it (cut to its field, in the table's
    // code page), or a name longer than the field never finds its bookings.
    DbfRecord stored = table.newRecord();
    if (span)
        stored.setText(WorkTimeTables::Arbeiter, span->employee);
    const std::optional<bool> found = !table.refresh() ? std::nullopt
        : !span ? std::optional<bool>(false)
                : index.findClash(stored.text(WorkTimeTables::Arbeiter), span->date, span->from, span->to,
                                  &appended.clashRecord);
    if (!found)
        return done(Appended::Failed, table.errorString());
    if (*found && !storeIfClash)
        return done(Appended::Clashes);
    record.setLogical(WorkTimeTables::Doppelt, *found);
    if (!table.append(record))
        return done(Appended::Failed, table.errorString());
    appended.doubled = *found;
    return done(Appended::Stored);
}

QString FolderStore::smallFilePath(SmallFile file) const
{
    switch (file) {
    case SmallFile::Users:
        return m_tables.directory() + QLatin1String(UserListStore::FileName);
    case SmallFile::Options:
        return m_tables.directory() + QLatin1String(OptionsFileName);
    }
    return {};
}

std::optional<QByteArray> FolderStore::readSmallFile(SmallFile file, bool &readFailed)
{
    readFailed = false;
    const QString path = smallFilePath(file);
    const QFileInfo info(path);
    if (!info.exists())
        return std::nullopt;
    QFile source(path);
    // Anything but a regular file of a small file's size is not one: a FIFO
    // would block the read, a device never end it.
    if (!info.isFile() || info.size() > MaxSmallFileSize || !source.open(QIODevice::ReadOnly)) {
        readFailed = true;
        m_errorString = UiText(QStringLiteral("Die Datei \"%1\" kann nicht gelesen werden: %2"))
                            .arg(QDir::toNativeSeparators(path), source.errorString());
        return std::nullopt;
    }
    return source.readAll();
}

bool FolderStore::writeSmallFile(SmallFile file, const QByteArray &bytes)
{
    QString error;
    if (WholeFileSave::save(smallFilePath(file), bytes, &error))
        return true;
    m_errorString = error;
    return false;
}

// The history first, then the file, both under the table's lock, so that no
// booking sees the one without the other.
QString FolderStore::recordClosing(const ClosedPeriod::State &before, std::optional<QDate> after)
{
    if (!m_changeLog.isOpen())
        return m_changeLog.errorString().isEmpty() ? UiText(QStringLiteral("Das Änderungsprotokoll ist nicht geöffnet."))
                                                   : m_changeLog.errorString();
    QDate old = before.kind == ClosedPeriod::State::Closed ? before.until : QDate();
    if (before.kind == ClosedPeriod::State::Unknown) {
        if (const auto closing = m_changeLog.lastClosing())
            old = closing->until;
    }
    if (m_changeLog.appendPeriodClosing(QLatin1String(ChangeLog::AdministratorName), QSysInfo::machineHostName(), old,
                                        after.value_or(QDate())))
        return QString();
    return UiText(QStringLiteral("Das Abschlussdatum wurde nicht geändert, weil es nicht ins Änderungsprotokoll "
                                 "eingetragen werden kann: %1"))
        .arg(m_changeLog.errorString());
}

ClosedPeriod::Change FolderStore::closePeriod(std::optional<QDate> until, const QString &adminPassword,
                                              const UserListData &users, QDate today)
{
    // Without the table there is no history to enter the closing in: it is
    // refused (after the password), never written unentered.
    DbfTable &table = m_tables.Dbf1;
    const bool locked = table.isOpen() && table.lockHeader();
    const ClosedPeriod::Change change = m_closedPeriod.closeUntil(
        until, adminPassword, users, today,
        [this](const ClosedPeriod::State &before, std::optional<QDate> after) { return recordClosing(before, after); });
    if (locked)
        table.unlockHeader();
    return change;
}

bool FolderStore::exportTo(const QString &directory)
{
    const QDir target(directory);
    const QStringList names{QLatin1String(WorkTimeTables::TableFileName), QLatin1String(ChangeLogEntry::FileName),
                            QLatin1String(ChangeLog::StartListFileName), QLatin1String(ClosingDateFile::FileName),
                            QLatin1String(UserListStore::FileName), QLatin1String(OptionsFileName),
                            QLatin1String(AccountTables::TargetFileName), QLatin1String(AccountTables::AbsenceFileName),
                            QLatin1String(AccountTables::FirmDayFileName), QLatin1String(AccountTables::StateFileName)};
    for (const QString &name : names) {
        const QString source = m_tables.directory() + name;
        if (QFileInfo::exists(source) && !QFile::copy(source, target.filePath(name))) {
            m_errorString = UiText(QStringLiteral("Die Datei \"%1\" kann nicht nach \"%2\" kopiert werden."))
                                .arg(QDir::toNativeSeparators(source), QDir::toNativeSeparators(target.path()));
            return false;
        }
    }
    return true;
}

QByteArray FolderStore::historyChecksum()
{
    return ChangeLog::lastHashIn(m_tables.directory());
}

void FolderStore::placeAccount(AccountTables &tables)
{
    tables.setDirectory(directory());
    // Where the work-time table is open, so is its history: every change
    // of the account is entered there first (or refused with the reason).
    if (m_tables.Dbf1.isOpen())
        tables.setJournal(&m_changeLog);
}

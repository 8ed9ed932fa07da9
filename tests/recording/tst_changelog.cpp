#include <csignal>

#ifdef __linux__
#include <sys/resource.h>
#endif

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "recording/BookingService.h"
#include "recording/ChangeLog.h"
#include "recording/ChangeLogHistory.h"
#include "recording/ChangeLogVerifier.h"
#include "recording/ClashIndex.h"
#include "storage/DbfFormat.h"
#include "storage/UserListStore.h"
#include "storage/WorkTimeTables.h"
#include "support/FixedClock.h"
#include "support/RecordingReporter.h"
#include "support/TestFiles.h"
#include "translation/ProgramTexts.h"
#include "gui/widgets/WorkTimeTableModel.h"

namespace {

using Finding = ChangeLogVerifier::Finding;

struct CliResult
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Ways another program may have touched the files, each by a plain write.
enum class Tamper { FieldByte, DeletionFlag, AppendedRecord, LogByte, LogLastEntryCut, OldRecordByte };

} // namespace

Q_DECLARE_METATYPE(Tamper)

class TestChangeLog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void loggedActions_data();
    void loggedActions();
    void gridEditsAreLogged();
    void untouchedTableVerifies();
    void tamperingIsFound_data();
    void tamperingIsFound();
    void startOnExistingTableThenChange();
    void startListIsPinned();
    void missingHistoryIsAFinding();
    void unloggedChangeIsReported();
    void chainKeepsItsOrderAcrossProcesses();
    void cliHistoryFilters();
    void longChangesAreSplitOverFields();
    void pdfReportsCarryTheLastHash_data();
    void pdfReportsCarryTheLastHash();

private:
    QString path(const char *name) const { return m_dir->filePath(QLatin1String(name)); }
    QString directory() const { return m_dir->path() + QLatin1Char('/'); }
    void appendRecord(const char *employee, const char *place);
    void openLog();
    ChangeLogEntry lastEntry();
    QList<ChangeLogEntry> entries();
    void overwrite(const QString &file, qint64 offset, const QByteArray &bytes);
    qint64 recordOffset(quint32 number, int field) const;
    CliResult runCli(const QStringList &arguments) const;
    void writeUsers();

    std::unique_ptr<QTemporaryDir> m_dir;
    FixedClock m_clock;
    std::unique_ptr<DbfTable> m_table;
    std::unique_ptr<ChangeLog> m_log;
};

void TestChangeLog::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_clock.set(QDateTime(QDate(2024, 3, 6), QTime(17, 5, 59)));
    m_table = std::make_unique<DbfTable>(m_clock);
    QVERIFY(m_table->create(path("arbeitszeit.dbf"), WorkTimeTables::fieldDefinitions(&ProgramTexts::german)));
    QVERIFY(m_table->open(path("arbeitszeit.dbf")));
}

void TestChangeLog::cleanup()
{
    m_log.reset();
    m_table.reset();
}

void TestChangeLog::appendRecord(const char *employee, const char *place)
{
    DbfRecord record = m_table->newRecord();
    record.setText(WorkTimeTables::Datum, QStringLiteral("05.03.2024"));
    record.setText(WorkTimeTables::Arbeiter, QString::fromUtf8(employee));
    record.setText(WorkTimeTables::Ort, QString::fromUtf8(place));
    record.setText(WorkTimeTables::ZeitVon, QStringLiteral("08:00"));
    record.setText(WorkTimeTables::ZeitBis, QStringLiteral("12:00"));
    QVERIFY(m_table->append(record));
}

void TestChangeLog::openLog()
{
    m_log = std::make_unique<ChangeLog>(*m_table, m_clock);
    m_log->setHost(QStringLiteral("pc-buero"));
    m_log->setAuthor(QStringLiteral("Anna Schmidt"));
    QVERIFY2(m_log->open(directory()), qPrintable(m_log->errorString()));
}

QList<ChangeLogEntry> TestChangeLog::entries()
{
    QList<ChangeLogEntry> all;
    ChangeLogHistory history(directory());
    [&] { QVERIFY(history.read({}, [&](const ChangeLogEntry &entry) { all.append(entry); })); }();
    return all;
}

ChangeLogEntry TestChangeLog::lastEntry()
{
    const QList<ChangeLogEntry> all = entries();
    return all.isEmpty() ? ChangeLogEntry() : all.last();
}

qint64 TestChangeLog::recordOffset(quint32 number, int field) const
{
    const QByteArray header = TestFiles::readAll(m_dir->filePath(QStringLiteral("arbeitszeit.dbf"))).left(12);
    const int headerLength = qFromLittleEndian<quint16>(header.constData() + DbfFormat::HeaderLengthOffset);
    const int recordLength = qFromLittleEndian<quint16>(header.constData() + DbfFormat::RecordLengthOffset);
    const int fieldOffset = field < 0 ? 0 : m_table->fields().at(field).offset;
    return headerLength + qint64(number - 1) * recordLength + fieldOffset;
}

void TestChangeLog::overwrite(const QString &file, qint64 offset, const QByteArray &bytes)
{
    QFile out(file);
    QVERIFY(out.open(QIODevice::ReadWrite));
    QVERIFY(out.seek(offset));
    QCOMPARE(out.write(bytes), bytes.size());
}

void TestChangeLog::loggedActions_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("action");
    QTest::addColumn<quint32>("recordNumber");
    QTest::addColumn<QString>("changes");
    QTest::addColumn<bool>("hasBefore");
    QTest::newRow("booking") << 0 << QStringLiteral("Neu") << 3u
                             << QStringLiteral("DATUM:  -> 05.03.2024; ARBEITER:  -> Anna Schmidt; ORT:  -> Bonn; "
                                               "TÄTIGKEIT:  -> Malen; ZEIT VON:  -> 08:00; ZEIT BIS:  -> 12:00; "
                                               "AUSWAERTS:  -> False; PAUSE:  -> 00:00; DOPPELT:  -> False; "
                                               "DATUM EINT:  -> 06.03.2024; ZEIT EINTR:  -> 17:05")
                             << false;
    QTest::newRow("change") << 1 << QStringLiteral("Geändert") << 2u << QStringLiteral("ORT: Köln -> Bonn; BEMERKUNGE:  -> Gerüst")
                            << true;
    QTest::newRow("deletion") << 2 << QStringLiteral("Gelöscht") << 1u
                              << QStringLiteral("DATUM: 05.03.2024 -> ; ARBEITER: Anna -> ; ORT: Aachen -> ; "
                                                "ZEIT VON: 08:00 -> ; ZEIT BIS: 12:00 ->")
                              << true;
    QTest::newRow("period closed") << 3 << QStringLiteral("Abschluss") << 0u
                                   << QStringLiteral("CLOSED_UNTIL: 31.01.2024 -> 29.02.2024") << false;
    QTest::newRow("period reopened") << 4 << QStringLiteral("Wiedereröffnung") << 0u
                                     << QStringLiteral("CLOSED_UNTIL: 29.02.2024 ->") << false;
}

void TestChangeLog::loggedActions()
{
    QFETCH(int, kind);
    QFETCH(QString, action);
    QFETCH(quint32, recordNumber);
    QFETCH(QString, changes);
    QFETCH(bool, hasBefore);
    appendRecord("Anna", "Aachen");
    appendRecord("Bernd", "Köln");
    openLog();
    m_clock.set(QDateTime(QDate(2024, 3, 6), QTime(17, 5, 59)));
    if (kind == 0) {
        ClashIndex index(*m_table);
        BookingService service(*m_table, index, m_clock);
        BookingInput input;
        input.place = QStringLiteral("Bonn");
        input.activity = QStringLiteral("Malen");
        input.from = QTime(8, 0);
        input.to = QTime(12, 0);
        input.date = QDate(2024, 3, 5);
        QCOMPARE(service.book(input, QStringLiteral("Anna Schmidt"), [] { return false; }).kind,
                 BookingService::Outcome::Stored);
    } else if (kind == 1) {
        DbfRecord record;
        QVERIFY(m_table->readRecord(2, record));
        record.setText(WorkTimeTables::Ort, QStringLiteral("Bonn"));
        record.setText(WorkTimeTables::Bemerkungen, QStringLiteral("Gerüst"));
        QVERIFY(m_table->update(record));
    } else if (kind == 2) {
        QVERIFY(m_table->markDeleted(1));
    } else if (kind == 3) {
        QVERIFY(m_log->appendPeriodClosing(QStringLiteral("Administrator"), QStringLiteral("pc-chef"), QDate(2024, 1, 31),
                                           QDate(2024, 2, 29)));
    } else {
        QVERIFY(m_log->appendPeriodClosing(QStringLiteral("Administrator"), QStringLiteral("pc-chef"), QDate(2024, 2, 29),
                                           QDate()));
    }
    const QList<ChangeLogEntry> all = entries();
    QCOMPARE(all.size(), 2);
    QCOMPARE(all.first().action, ChangeLogEntry::Action::Start);
    const ChangeLogEntry entry = all.last();
    QCOMPARE(ChangeLogEntry::actionCode(entry.action), action);
    QCOMPARE(entry.recordNumber, recordNumber);
    QCOMPARE(entry.changes, changes);
    QCOMPARE(entry.time, QDateTime(QDate(2024, 3, 6), QTime(17, 5, 59)));
    const bool closing = kind >= 3;
    QCOMPARE(entry.who, closing ? QStringLiteral("Administrator") : QStringLiteral("Anna Schmidt"));
    QCOMPARE(entry.host, closing ? QStringLiteral("pc-chef") : QStringLiteral("pc-buero"));
    QCOMPARE(entry.before.size(), hasBefore ? 64 : 0);
    QCOMPARE(entry.after.size(), closing ? 0 : 64);
    if (!closing) {
        DbfRecord record;
        QVERIFY(m_table->readRecord(recordNumber, record));
        QCOMPARE(entry.after, ChangeLogEntry::recordDigest(record.bytes()));
    }
    QCOMPARE(entry.chain, ChangeLogEntry::chainHash(all.first().chain, [&] {
                 DbfTable log(m_clock);
                 DbfRecord record;
                 log.open(path("protokoll.dbf"), DbfTable::OpenMode::ReadOnly);
                 log.readRecord(2, record);
                 return record;
             }()));
    QCOMPARE(m_log->lastHash(), entry.chain);
    ChangeLogVerifier verifier(*m_table, directory());
    QVERIFY(verifier.run());
    QCOMPARE(verifier.entryCount(), 2u);
}

void TestChangeLog::gridEditsAreLogged()
{
    appendRecord("Anna", "Aachen");
    openLog();
    m_log->setAuthor(QStringLiteral("Administrator"));
    WorkTimeTableModel model(*m_table);
    QVERIFY(model.setData(model.index(0, WorkTimeTables::Ort), QStringLiteral("Bonn")));
    QVERIFY(model.post());
    const int row = model.insertNewRow();
    QVERIFY(model.setData(model.index(row, WorkTimeTables::Arbeiter), QStringLiteral("Bernd")));
    QVERIFY(model.post());
    QVERIFY(model.deleteRow(0));
    const QList<ChangeLogEntry> all = entries();
    QCOMPARE(all.size(), 4);
    QCOMPARE(all.at(1).action, ChangeLogEntry::Action::Changed);
    QCOMPARE(all.at(1).changes, QStringLiteral("ORT: Aachen -> Bonn"));
    QCOMPARE(all.at(1).shownChanges(), QStringLiteral("ORT: Aachen \u2192 Bonn"));
    QCOMPARE(all.at(2).action, ChangeLogEntry::Action::New);
    QCOMPARE(all.at(2).recordNumber, 2u);
    QCOMPARE(all.at(2).changes, QStringLiteral("ARBEITER:  -> Bernd"));
    QCOMPARE(all.at(3).action, ChangeLogEntry::Action::Deleted);
    QCOMPARE(all.at(3).recordNumber, 1u);
    QCOMPARE(all.at(3).who, QStringLiteral("Administrator"));
    ChangeLogVerifier verifier(*m_table, directory());
    QVERIFY(verifier.run());
}

void TestChangeLog::untouchedTableVerifies()
{
    openLog();
    appendRecord("Anna", "Aachen");
    appendRecord("Bernd", "Köln");
    DbfRecord record;
    QVERIFY(m_table->readRecord(1, record));
    record.setText(WorkTimeTables::Ort, QStringLiteral("Bonn"));
    QVERIFY(m_table->update(record));
    QVERIFY(m_table->markDeleted(2));
    ChangeLogVerifier verifier(*m_table, directory());
    QVERIFY(verifier.run());
    QCOMPARE(verifier.entryCount(), 5u);
    QCOMPARE(verifier.lastHash(), m_log->lastHash());
    QCOMPARE(verifier.lastHash().size(), 64);

    m_log.reset();
    m_table.reset();
    const CliResult cli = runCli({QStringLiteral("verify")});
    QCOMPARE(cli.exitCode, 0);
    QCOMPARE(QString::fromUtf8(cli.out),
             QStringLiteral("Einträge: 5\nPrüfsumme des Änderungsprotokolls: %1\n").arg(QString::fromLatin1(verifier.lastHash())));
}

void TestChangeLog::tamperingIsFound_data()
{
    QTest::addColumn<Tamper>("tamper");
    QTest::addColumn<int>("kind");
    QTest::addColumn<quint32>("number"); // record, or log entry
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("one byte of a field") << Tamper::FieldByte << int(Finding::RecordChanged) << 3u
                                         << QStringList{QStringLiteral("ORT")};
    QTest::newRow("deletion flag flipped") << Tamper::DeletionFlag << int(Finding::RecordDeleted) << 2u << QStringList();
    QTest::newRow("record appended by another program") << Tamper::AppendedRecord << int(Finding::RecordAppended) << 4u
                                                       << QStringList();
    QTest::newRow("one byte of the log") << Tamper::LogByte << int(Finding::EntryAltered) << 3u << QStringList();
    QTest::newRow("log's last entry cut off") << Tamper::LogLastEntryCut << int(Finding::RecordChanged) << 2u
                                              << QStringList{QStringLiteral("ZEIT BIS")};
    QTest::newRow("record older than the log") << Tamper::OldRecordByte << int(Finding::RecordChanged) << 1u
                                               << QStringList();
}

void TestChangeLog::tamperingIsFound()
{
    QFETCH(Tamper, tamper);
    QFETCH(int, kind);
    QFETCH(quint32, number);
    QFETCH(QStringList, fields);
    appendRecord("Anna", "Aachen"); // before the log: record 1
    openLog();
    appendRecord("Bernd", "Köln");  // entry 2, record 2
    appendRecord("Clara", "Bonn");  // entry 3, record 3
    DbfRecord record;
    QVERIFY(m_table->readRecord(2, record));
    record.setText(WorkTimeTables::ZeitBis, QStringLiteral("13:00"));
    QVERIFY(m_table->update(record)); // entry 4
    const QByteArray tableBytes = TestFiles::readAll(path("arbeitszeit.dbf"));
    const int recordLength = m_table->newRecord().bytes().size();
    m_log.reset();
    m_table.reset();

    switch (tamper) {
    case Tamper::FieldByte:
        overwrite(path("arbeitszeit.dbf"), [&] {
            DbfTable table(m_clock);
            table.open(path("arbeitszeit.dbf"), DbfTable::OpenMode::ReadOnly);
            return table.fields().at(WorkTimeTables::Ort).offset;
        }() + recordOffset(3, -1), "P");
        break;
    case Tamper::DeletionFlag:
        overwrite(path("arbeitszeit.dbf"), recordOffset(2, -1), "*");
        break;
    case Tamper::AppendedRecord: {
        // Another program appends: the record where the end mark was, and
        // the count in the header.
        QByteArray appended = tableBytes.mid(recordOffset(3, -1), recordLength);
        appended += char(DbfFormat::EndOfFile);
        overwrite(path("arbeitszeit.dbf"), recordOffset(4, -1), appended);
        overwrite(path("arbeitszeit.dbf"), DbfFormat::RecordCountOffset, TestFiles::le32(4));
        break;
    }
    case Tamper::LogByte: {
        QByteArray log = TestFiles::readAll(path("protokoll.dbf"));
        const int headerLength = qFromLittleEndian<quint16>(log.constData() + DbfFormat::HeaderLengthOffset);
        const int logRecordLength = qFromLittleEndian<quint16>(log.constData() + DbfFormat::RecordLengthOffset);
        // The first character of WER in entry 3.
        overwrite(path("protokoll.dbf"), headerLength + 2 * logRecordLength + 1 + 19, "X");
        break;
    }
    case Tamper::LogLastEntryCut: {
        QFile log(path("protokoll.dbf"));
        const QByteArray bytes = TestFiles::readAll(path("protokoll.dbf"));
        const int logRecordLength = qFromLittleEndian<quint16>(bytes.constData() + DbfFormat::RecordLengthOffset);
        QVERIFY(log.resize(bytes.size() - 1 - logRecordLength));
        break;
    }
    case Tamper::OldRecordByte:
        overwrite(path("arbeitszeit.dbf"), recordOffset(1, -1) + 3, "9");
        break;
    }

    DbfTable table(m_clock);
    QVERIFY(table.open(path("arbeitszeit.dbf"), DbfTable::OpenMode::ReadOnly));
    ChangeLogVerifier verifier(table, directory());
    QVERIFY(!verifier.run());
    const QList<Finding> &findings = verifier.findings();
    QVERIFY(!findings.isEmpty());
    const Finding &finding = findings.first();
    QCOMPARE(int(finding.kind), kind);
    QCOMPARE(kind == int(Finding::EntryAltered) ? finding.entryNumber : finding.recordNumber, number);
    QCOMPARE(finding.fields, fields);
    QVERIFY(finding.text().contains(QString::number(number)));

    const CliResult cli = runCli({QStringLiteral("verify")});
    QCOMPARE(cli.exitCode, 1);
    QVERIFY(QString::fromUtf8(cli.out).contains(finding.text()));
}

void TestChangeLog::startOnExistingTableThenChange()
{
    for (int i = 0; i < 50; ++i)
        appendRecord("Anna", "Aachen");
    openLog();
    const ChangeLogEntry start = lastEntry();
    QCOMPARE(start.action, ChangeLogEntry::Action::Start);
    QCOMPARE(start.recordNumber, 50u);
    QCOMPARE(TestFiles::readAll(path("protokollbeginn.dat")).size(), 50 * ChangeLog::StartDigestSize);
    DbfRecord record;
    QVERIFY(m_table->readRecord(17, record));
    record.setText(WorkTimeTables::Ort, QStringLiteral("Bonn"));
    QVERIFY(m_table->update(record));
    QVERIFY(m_table->markDeleted(18));
    ChangeLogVerifier verifier(*m_table, directory());
    QVERIFY(verifier.run());
    // Opening again does not start anew.
    openLog();
    QCOMPARE(entries().size(), 3);
}

void TestChangeLog::startListIsPinned()
{
    appendRecord("Anna", "Aachen");
    openLog();
    overwrite(path("protokollbeginn.dat"), 0, "x");
    ChangeLogVerifier verifier(*m_table, directory());
    QVERIFY(!verifier.run());
    QCOMPARE(verifier.findings().first().kind, Finding::StartListAltered);
}

void TestChangeLog::missingHistoryIsAFinding()
{
    appendRecord("Anna", "Aachen");
    openLog();
    m_log.reset();
    QVERIFY(QFile::remove(path("protokoll.dbf")));
    ChangeLogVerifier verifier(*m_table, directory());
    QVERIFY(!verifier.run());
    QCOMPARE(verifier.findings().first().kind, Finding::LogMissing);
    m_table.reset();
    const CliResult cli = runCli({QStringLiteral("verify")});
    QCOMPARE(cli.exitCode, 1);
    QCOMPARE(QString::fromUtf8(cli.out), QStringLiteral("Das Änderungsprotokoll fehlt.\n"));
    // verify reads only: it starts no history.
    QVERIFY(!QFile::exists(path("protokoll.dbf")));
}

// A log entry that cannot be written (here: the file-size limit of the
// process, which the small table stays under) leaves the stored change in
// place and says so, after the write, never as a silent success.
void TestChangeLog::unloggedChangeIsReported()
{
#ifdef __linux__
    openLog();
    RecordingReporter reporter;
    m_log->setFailureReporter(&reporter);
    const qint64 logSize = QFileInfo(path("protokoll.dbf")).size();
    const qint64 entrySize = [&] {
        DbfTable log(m_clock);
        log.open(path("protokoll.dbf"), DbfTable::OpenMode::ReadOnly);
        return qint64(log.newRecord().bytes().size());
    }();
    struct rlimit old;
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = old;
    limited.rlim_cur = rlim_t(logSize + entrySize / 2);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
    appendRecord("Anna", "Aachen");
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);

    QCOMPARE(m_table->recordCount(), 1u);
    QVERIFY(m_log->hasFailed());
    QVERIFY(m_log->failureText().startsWith(QStringLiteral("Die Änderung an Datensatz 1 wurde gespeichert, aber nicht")));
    QVERIFY(reporter.messages().isEmpty()); // not while the table's lock is held
    QCoreApplication::processEvents();
    QCOMPARE(reporter.errors(), QStringList{m_log->failureText()});
    ChangeLogVerifier verifier(*m_table, directory());
    QVERIFY(!verifier.run());
    QCOMPARE(verifier.findings().first().kind, Finding::RecordAppended);
#else
    QSKIP("needs the file-size limit of Linux");
#endif
}

void TestChangeLog::writeUsers()
{
    UserListData users;
    users.users = {{QStringLiteral("Anna Schmidt"), QStringLiteral("anna"), QStringLiteral("geheim")},
                   {QStringLiteral("Bernd Roth"), QStringLiteral("bernd"), QStringLiteral("geheim")}};
    QVERIFY(UserListStore::save(path("benutzer.dat"), users));
}

CliResult TestChangeLog::runCli(const QStringList &arguments) const
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TAGWERK_PROGRAM_DIR"), m_dir->path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir->filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), m_dir->filePath(QStringLiteral("data")));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TAGWERK_CLI_PATH), QStringList{QStringLiteral("--db"), m_dir->path()} + arguments);
    CliResult result;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) {
        result.exitCode = process.exitCode();
        result.out = process.readAllStandardOutput();
        result.err = process.readAllStandardError();
    }
    return result;
}

// Two instances booking at once: each log entry is written under the
// table's lock, so the chain follows the order of the writes and verifies.
void TestChangeLog::chainKeepsItsOrderAcrossProcesses()
{
    writeUsers();
    m_table.reset();
    QFile::remove(path("arbeitszeit.dbf"));
    constexpr int Rounds = 4;
    for (int round = 0; round < Rounds; ++round) {
        QList<std::shared_ptr<QProcess>> processes;
        for (const char *user : {"anna", "bernd"}) {
            auto process = std::make_shared<QProcess>();
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("TAGWERK_PROGRAM_DIR"), m_dir->path());
            environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir->filePath(QStringLiteral("config")));
            process->setProcessEnvironment(environment);
            process->start(QStringLiteral(TAGWERK_CLI_PATH),
                           {QStringLiteral("--db"), m_dir->path(), QStringLiteral("book"), QStringLiteral("--user"),
                            QLatin1String(user), QStringLiteral("--password"), QStringLiteral("geheim"),
                            QStringLiteral("--place"), QStringLiteral("Bonn"), QStringLiteral("--activity"),
                            QStringLiteral("Malen"), QStringLiteral("--date"), QStringLiteral("05.03.2024"),
                            QStringLiteral("--from"), QStringLiteral("%1:00").arg(8 + round, 2, 10, QLatin1Char('0')),
                            QStringLiteral("--to"), QStringLiteral("%1:30").arg(8 + round, 2, 10, QLatin1Char('0'))});
            processes.append(process);
        }
        for (const auto &process : processes) {
            QVERIFY(process->waitForFinished(60000));
            QCOMPARE(process->exitCode(), 0);
        }
    }
    const CliResult cli = runCli({QStringLiteral("verify")});
    QCOMPARE(cli.exitCode, 0);
    QVERIFY2(cli.out.startsWith(QByteArray("Einträge: ") + QByteArray::number(1 + 2 * Rounds) + '\n'), cli.out.constData());
}

void TestChangeLog::cliHistoryFilters()
{
    openLog();
    appendRecord("Anna", "Aachen");
    m_clock.set(QDateTime(QDate(2024, 3, 8), QTime(9, 0)));
    m_log->setAuthor(QStringLiteral("Administrator"));
    DbfRecord record;
    QVERIFY(m_table->readRecord(1, record));
    record.setText(WorkTimeTables::Ort, QStringLiteral("Bonn"));
    record.setText(WorkTimeTables::ZeitBis, QStringLiteral("12:30"));
    QVERIFY(m_table->update(record));
    m_log.reset();
    m_table.reset();

    // The changed fields under the grids' headings, in the language of the run.
    QVERIFY(QFile::copy(QStringLiteral(TAGWERK_TRANSLATE_DAT), path("translate.dat")));
    CliResult cli = runCli({QStringLiteral("history"), QStringLiteral("--employee"), QStringLiteral("Administrator")});
    QCOMPARE(cli.exitCode, 0);
    QCOMPARE(QString::fromUtf8(cli.out),
             QStringLiteral("2024-03-08 09:00:00\tAdministrator\tpc-buero\tGeändert\t1\t"
                            "Ort: Aachen \u2192 Bonn; Zeit bis: 12:00 \u2192 12:30\n"));
    for (const auto &[language, changes] : {std::pair{"en", "Place: Aachen \u2192 Bonn; End time: 12:00 \u2192 12:30"},
                                            std::pair{"es", "Lugar: Aachen \u2192 Bonn; Hora de fin: 12:00 \u2192 12:30"}}) {
        cli = runCli({QStringLiteral("--lang"), QLatin1String(language), QStringLiteral("history"),
                      QStringLiteral("--employee"), QStringLiteral("Administrator")});
        QVERIFY2(QString::fromUtf8(cli.out).endsWith(QString::fromUtf8(changes) + QLatin1Char('\n')), cli.out.constData());
    }
    cli = runCli({QStringLiteral("history"), QStringLiteral("--from"), QStringLiteral("06.03.2024"), QStringLiteral("--to"),
                  QStringLiteral("2024-03-07")});
    QCOMPARE(cli.exitCode, 0);
    QCOMPARE(cli.out.count('\n'), 2); // the start and the new record
    cli = runCli({QStringLiteral("history"), QStringLiteral("--record"), QStringLiteral("1")});
    QCOMPARE(cli.out.count('\n'), 2);
    cli = runCli({QStringLiteral("history"), QStringLiteral("--record"), QStringLiteral("eins")});
    QCOMPARE(cli.exitCode, 2);
}

void TestChangeLog::longChangesAreSplitOverFields()
{
    openLog();
    DbfRecord record = m_table->newRecord();
    for (int pos : {int(WorkTimeTables::Arbeiter), int(WorkTimeTables::Ort), int(WorkTimeTables::Taetigkeit)})
        record.setText(pos, QString(45, QLatin1Char('a')) + QString());
    record.setText(WorkTimeTables::Bemerkungen, QString(99, QLatin1Char('b')) + QLatin1Char(' '));
    QVERIFY(m_table->append(record));
    QVERIFY(m_table->readRecord(1, record));
    record.setText(WorkTimeTables::Bemerkungen, QString(100, QLatin1Char('c')));
    record.setText(WorkTimeTables::Ort, QString(44, QLatin1Char('o')) + QLatin1Char(' ') );
    QVERIFY(m_table->update(record));
    const QList<ChangeLogEntry> all = entries();
    QCOMPARE(all.size(), 3);
    QVERIFY(all.at(1).changes.size() > ChangeLogEntry::ChangeFieldWidth);
    QCOMPARE(all.at(1).changes.count(QLatin1String(" -> ")), 4);
    QCOMPARE(all.at(2).changes,
             QStringLiteral("ORT: %1 -> %2; BEMERKUNGE: %3 -> %4")
                 .arg(QString(45, QLatin1Char('a')), QString(44, QLatin1Char('o')), QString(99, QLatin1Char('b')),
                      QString(100, QLatin1Char('c'))));
    ChangeLogVerifier verifier(*m_table, directory());
    QVERIFY(verifier.run());
}

void TestChangeLog::pdfReportsCarryTheLastHash_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("label");
    QTest::newRow("period") << QStringLiteral("period") << QStringLiteral("de")
                            << QStringLiteral("Prüfsumme des Änderungsprotokolls: ");
    QTest::newRow("working-time law") << QStringLiteral("worktime-law") << QStringLiteral("de")
                                      << QStringLiteral("Prüfsumme des Änderungsprotokolls: ");
    QTest::newRow("in English") << QStringLiteral("period") << QStringLiteral("en")
                                << QStringLiteral("Change history checksum: ");
}

void TestChangeLog::pdfReportsCarryTheLastHash()
{
    QFETCH(QString, kind);
    QFETCH(QString, language);
    QFETCH(QString, label);
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    // The dictionary the program reads, for the English row.
    QVERIFY(QFile::copy(QStringLiteral(TAGWERK_TRANSLATE_DAT), path("translate.dat")));
    openLog();
    appendRecord("Anna", "Aachen");
    const QString hash = QString::fromLatin1(m_log->lastHash());
    m_log.reset();
    m_table.reset();
    const QString pdf = path("report.pdf");
    const CliResult cli = runCli({QStringLiteral("--lang"), language, QStringLiteral("report"), kind, QStringLiteral("--from"),
                                  QStringLiteral("01.03.2024"), QStringLiteral("--to"), QStringLiteral("31.03.2024"),
                                  QStringLiteral("--format"), QStringLiteral("pdf"), QStringLiteral("--output"), pdf});
    QVERIFY2(cli.exitCode == 0, cli.err.constData());
    QProcess toText;
    toText.start(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    QVERIFY(toText.waitForFinished(60000));
    const QString text = QString::fromUtf8(toText.readAllStandardOutput());
    QVERIFY2(text.contains(label + hash), qPrintable(text));
}

QTEST_GUILESS_MAIN(TestChangeLog)
#include "tst_changelog.moc"

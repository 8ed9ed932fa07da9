#include <csignal>

#ifdef __linux__
#include <sys/resource.h>
#endif

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

#include "folderstore/OpenTableStore.h"
#include "recording/BookingService.h"
#include "recording/ChangeLog.h"
#include "recording/ChangeLogHistory.h"
#include "recording/ChangeLogVerifier.h"
#include "recording/ClashIndex.h"
#include "storage/AccountTables.h"
#include "storage/ClosingDateFile.h"
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
enum class Tamper { FieldByte, DeletionFlag, AppendedRecord, LogByte, LogLastEntryCut, OldRecordByte, FieldWidths,
                    LanguageByte, LogFlagByte, LogCountLowered, LogGarbage, ClosingEntryCut, DuplicatedEntry };

// What a hand-made (correctly chained) entry does, in forgeryIsVisible.
enum class Forgery { ChangePlace, DeleteRow, AppendRow, MoveDate, ChangeOldRecord, AddAbsence, SetTarget };

bool namesEntry(int kind)
{
    return kind == int(ChangeLogVerifier::Finding::EntryAltered) || kind == int(ChangeLogVerifier::Finding::TimeGoesBack)
        || kind == int(ChangeLogVerifier::Finding::ClosedRowChanged);
}

} // namespace

Q_DECLARE_METATYPE(Tamper)
Q_DECLARE_METATYPE(Forgery)

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
    void startListIsPinned_data();
    void startListIsPinned();
    void historyWithoutStructurePinVerifies();
    void forgeryIsVisible_data();
    void forgeryIsVisible();
    void separatorsInValuesCannotFakeItems_data();
    void separatorsInValuesCannotFakeItems();
    void missingHistoryIsAFinding();
    void unloggedChangeIsRefused();
    void chainKeepsItsOrderAcrossProcesses();
    void cliHistoryFilters();
    void longChangesAreSplitOverFields();
    void pdfReportsCarryTheLastHash_data();
    void pdfReportsCarryTheLastHash();
    void openingWritesNothing();
    void interruptedChangeIsClosed_data();
    void interruptedChangeIsClosed();
    void crashAtEachWrite_data();
    void crashAtEachWrite();
    void fullDiskStoresNothingUnlogged();
    void missingHistoryIsRestartedOnPurpose();
    void damagedLogIsLeftAlone_data();
    void damagedLogIsLeftAlone();
    void closingFileAnswersToTheHistory_data();
    void closingFileAnswersToTheHistory();

private:
    QString path(const char *name) const { return m_dir->filePath(QLatin1String(name)); }
    QString directory() const { return m_dir->path() + QLatin1Char('/'); }
    void appendRecord(const char *employee, const char *place);
    void openLog();
    ChangeLogEntry lastEntry();
    QList<ChangeLogEntry> entries();
    void overwrite(const QString &file, qint64 offset, const QByteArray &bytes);
    void logGeometry(int &headerLength, int &recordLength);
    qint64 recordOffset(quint32 number, int field) const;
    CliResult runCli(const QStringList &arguments, const QStringList &under = {}) const;
    QStringList bookArguments(const char *from, const char *to) const;
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

void TestChangeLog::logGeometry(int &headerLength, int &recordLength)
{
    const QByteArray log = TestFiles::readAll(path("protokoll.dbf")).left(DbfFormat::HeaderSize);
    headerLength = qFromLittleEndian<quint16>(log.constData() + DbfFormat::HeaderLengthOffset);
    recordLength = qFromLittleEndian<quint16>(log.constData() + DbfFormat::RecordLengthOffset);
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
        OpenTableStore store(*m_table, index);
        BookingService service(store, m_clock);
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
        QString error;
        QVERIFY(ClosingDateFile::save(path("abschluss.dat"), QDate(2024, 2, 29), error));
        QVERIFY(m_log->appendPeriodClosing(QStringLiteral("Administrator"), QStringLiteral("pc-chef"), QDate(2024, 1, 31),
                                           QDate(2024, 2, 29)));
    } else {
        QString error;
        QVERIFY(ClosingDateFile::save(path("abschluss.dat"), std::nullopt, error));
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
    QTest::addColumn<int>("total"); // findings in all; -1: not counted
    QTest::newRow("one byte of a field") << Tamper::FieldByte << int(Finding::RecordChanged) << 3u
                                         << QStringList{QStringLiteral("ORT")} << 1;
    QTest::newRow("deletion flag flipped") << Tamper::DeletionFlag << int(Finding::RecordDeleted) << 2u << QStringList()
                                           << 1;
    QTest::newRow("record appended by another program") << Tamper::AppendedRecord << int(Finding::RecordAppended) << 4u
                                                       << QStringList() << 1;
    QTest::newRow("one byte of the log") << Tamper::LogByte << int(Finding::EntryAltered) << 3u << QStringList() << 1;
    QTest::newRow("log's last entry cut off") << Tamper::LogLastEntryCut << int(Finding::RecordChanged) << 2u
                                              << QStringList{QStringLiteral("ZEIT BIS")} << 2;
    QTest::newRow("record older than the log") << Tamper::OldRecordByte << int(Finding::RecordChanged) << 1u
                                               << QStringList() << 1;
    QTest::newRow("two field widths moved") << Tamper::FieldWidths << int(Finding::StructureChanged) << 0u
                                            << QStringList() << -1;
    QTest::newRow("language byte") << Tamper::LanguageByte << int(Finding::StructureChanged) << 0u << QStringList() << 1;
    QTest::newRow("flag byte of an entry") << Tamper::LogFlagByte << int(Finding::EntryAltered) << 3u << QStringList()
                                           << 1;
    QTest::newRow("log header's count lowered") << Tamper::LogCountLowered << int(Finding::CountDisagrees) << 0u
                                                << QStringList() << 1;
    QTest::newRow("bytes after the last entry") << Tamper::LogGarbage << int(Finding::TrailingBytes) << 0u
                                                << QStringList() << 1;
    QTest::newRow("a closing cut off the log's end") << Tamper::ClosingEntryCut << int(Finding::CountDisagrees) << 0u
                                                     << QStringList() << 1;
    QTest::newRow("an entry duplicated") << Tamper::DuplicatedEntry << int(Finding::EntryAltered) << 5u << QStringList()
                                         << 1;
}

void TestChangeLog::tamperingIsFound()
{
    QFETCH(Tamper, tamper);
    QFETCH(int, kind);
    QFETCH(quint32, number);
    QFETCH(QStringList, fields);
    QFETCH(int, total);
    appendRecord("Anna", "Aachen"); // before the log: record 1
    openLog();
    appendRecord("Bernd", "Köln");  // entry 2, record 2
    appendRecord("Clara", "Bonn");  // entry 3, record 3
    DbfRecord record;
    QVERIFY(m_table->readRecord(2, record));
    record.setText(WorkTimeTables::ZeitBis, QStringLiteral("13:00"));
    QVERIFY(m_table->update(record)); // entry 4
    if (tamper == Tamper::ClosingEntryCut)
        QVERIFY(m_log->appendPeriodClosing(QStringLiteral("Administrator"), QStringLiteral("pc-chef"), QDate(),
                                           QDate(2024, 3, 5))); // entry 5
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
    case Tamper::FieldWidths: {
        // ORT one narrower, TÄTIGKEIT one wider: the record length still
        // adds up, but every row reads differently.
        const qint64 ort = DbfFormat::HeaderSize + WorkTimeTables::Ort * DbfFormat::DescriptorSize
            + DbfFormat::DescriptorWidthOffset;
        const qint64 taetigkeit = ort + DbfFormat::DescriptorSize;
        overwrite(path("arbeitszeit.dbf"), ort, QByteArray(1, char(tableBytes.at(ort) - 1)));
        overwrite(path("arbeitszeit.dbf"), taetigkeit, QByteArray(1, char(tableBytes.at(taetigkeit) + 1)));
        break;
    }
    case Tamper::LanguageByte:
        overwrite(path("arbeitszeit.dbf"), DbfFormat::LanguageDriverOffset, QByteArray(1, char(0x03)));
        break;
    case Tamper::LogFlagByte: {
        int headerLength = 0, logRecordLength = 0;
        logGeometry(headerLength, logRecordLength);
        overwrite(path("protokoll.dbf"), headerLength + 2 * logRecordLength, "X");
        break;
    }
    case Tamper::LogCountLowered:
        overwrite(path("protokoll.dbf"), DbfFormat::RecordCountOffset, TestFiles::le32(2));
        break;
    case Tamper::LogGarbage: {
        QFile log(path("protokoll.dbf"));
        QVERIFY(log.open(QIODevice::Append));
        QVERIFY(log.write("garbage!") == 8);
        break;
    }
    case Tamper::ClosingEntryCut: {
        int headerLength = 0, logRecordLength = 0;
        logGeometry(headerLength, logRecordLength);
        QFile log(path("protokoll.dbf"));
        QVERIFY(log.resize(headerLength + 4 * logRecordLength + 1));
        overwrite(path("protokoll.dbf"), headerLength + 4 * logRecordLength, QByteArray(1, DbfFormat::EndOfFile));
        break;
    }
    case Tamper::DuplicatedEntry: {
        int headerLength = 0, logRecordLength = 0;
        logGeometry(headerLength, logRecordLength);
        const QByteArray log = TestFiles::readAll(path("protokoll.dbf"));
        overwrite(path("protokoll.dbf"), headerLength + 4 * logRecordLength,
                  log.mid(headerLength + 3 * logRecordLength, logRecordLength) + char(DbfFormat::EndOfFile));
        overwrite(path("protokoll.dbf"), DbfFormat::RecordCountOffset, TestFiles::le32(5));
        break;
    }
    }

    DbfTable table(m_clock);
    QVERIFY(table.open(path("arbeitszeit.dbf"), DbfTable::OpenMode::ReadOnly));
    ChangeLogVerifier verifier(table, directory());
    QVERIFY(!verifier.run());
    const QList<Finding> &findings = verifier.findings();
    const auto found = std::find_if(findings.cbegin(), findings.cend(), [&](const Finding &f) { return int(f.kind) == kind; });
    QVERIFY2(found != findings.cend(), qPrintable(findings.first().text()));
    const Finding &finding = *found;
    QCOMPARE(namesEntry(kind) ? finding.entryNumber : finding.recordNumber, number);
    QCOMPARE(finding.fields, fields);
    if (number != 0)
        QVERIFY(finding.text().contains(QString::number(number)));
    if (total >= 0)
        QCOMPARE(findings.size(), total);

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

void TestChangeLog::startListIsPinned_data()
{
    QTest::addColumn<QString>("replacement");
    QTest::newRow("one byte changed") << QStringLiteral("byte");
    QTest::newRow("a byte too many") << QStringLiteral("longer");
#ifdef Q_OS_UNIX
    // Neither may block or be read whole into memory.
    QTest::newRow("a FIFO") << QStringLiteral("fifo");
    QTest::newRow("a file of 3 GB") << QStringLiteral("huge");
    QTest::newRow("a link to /dev/urandom") << QStringLiteral("urandom");
#endif
}

void TestChangeLog::startListIsPinned()
{
    QFETCH(QString, replacement);
    appendRecord("Anna", "Aachen");
    openLog();
    const QString list = path("protokollbeginn.dat");
    if (replacement == QLatin1String("byte")) {
        overwrite(list, 0, "x");
    } else if (replacement == QLatin1String("longer")) {
        overwrite(list, ChangeLog::StartDigestSize, "x");
    } else if (replacement == QLatin1String("huge")) {
        QFile file(list);
        QVERIFY(file.resize(qint64(3) << 30)); // sparse
    } else {
        QVERIFY(QFile::remove(list));
#ifdef Q_OS_UNIX
        if (replacement == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(QFile::encodeName(list).constData(), 0600), 0);
        else
            QVERIFY(QFile::link(QStringLiteral("/dev/urandom"), list));
#endif
    }
    ChangeLogVerifier verifier(*m_table, directory());
    QVERIFY(!verifier.run());
    QCOMPARE(verifier.findings().first().kind, Finding::StartListAltered);
}

// A start entry written before the structure was pinned has an empty
// VORHER; such a history verifies as it did.
void TestChangeLog::historyWithoutStructurePinVerifies()
{
    appendRecord("Anna", "Aachen");
    openLog();
    QCOMPARE(lastEntry().before, ChangeLog::structureDigest(path("arbeitszeit.dbf")));
    QCOMPARE(lastEntry().before.size(), ChangeLogEntry::DigestHexLength);
    appendRecord("Bernd", "Köln");
    m_log.reset();
    {
        DbfTable log(m_clock);
        QVERIFY(log.open(path("protokoll.dbf")));
        QByteArray previous;
        DbfRecord record;
        for (quint32 number = 1; number <= log.recordCount(); ++number) {
            QVERIFY(log.readRecord(number, record));
            if (number == 1)
                record.setText(ChangeLogEntry::Vorher, QString());
            previous = ChangeLogEntry::chainHash(previous, record);
            record.setText(ChangeLogEntry::Kette, QString::fromLatin1(previous));
            QVERIFY(log.update(record));
        }
    }
    QVERIFY(entries().first().before.isEmpty());
    ChangeLogVerifier verifier(*m_table, directory());
    QVERIFY2(verifier.run(), qPrintable(verifier.findings().value(0).text()));
}

void TestChangeLog::forgeryIsVisible_data()
{
    QTest::addColumn<QDate>("closedUntil"); // invalid: nothing closed
    QTest::addColumn<bool>("reopened");     // and reopened before the change
    QTest::addColumn<Forgery>("forgery");
    QTest::addColumn<int>("secondsBack");   // the change's time before the entry before it
    QTest::addColumn<QByteArray>("zone");   // the local time zone; empty: as it is
    QTest::addColumn<int>("kind");          // -1: verifies
    QTest::addColumn<quint32>("entry");
    const QDate none;
    const QDate rowDate(2024, 3, 5);
    QTest::newRow("dated exactly 10:00 earlier") << none << false << Forgery::ChangePlace << 600 << QByteArray() << -1 << 0u;
    QTest::newRow("dated 10:01 earlier") << none << false << Forgery::ChangePlace << 601 << QByteArray() << int(Finding::TimeGoesBack)
                                         << 3u;
    // 02:50 summer time, then 02:05 winter time: 15 minutes later, written
    // 45 minutes earlier.
    QTest::newRow("clocks put back at the end of summer time") << none << false << Forgery::ChangePlace << 45 * 60
                                                               << QByteArray("Europe/Berlin") << -1 << 0u;
    QTest::newRow("dated later") << none << false << Forgery::ChangePlace << -3600 << QByteArray() << -1 << 0u;
    QTest::newRow("row dated on the closing date") << rowDate << false << Forgery::ChangePlace << 0 << QByteArray()
                                                   << int(Finding::ClosedRowChanged) << 4u;
    QTest::newRow("row dated the day after the closing") << rowDate.addDays(-1) << false << Forgery::ChangePlace << 0 << QByteArray()
                                                         << -1 << 0u;
    QTest::newRow("closed, reopened, then changed") << rowDate << true << Forgery::ChangePlace << 0 << QByteArray() << -1 << 0u;
    QTest::newRow("row deleted in a closed period") << rowDate << false << Forgery::DeleteRow << 0 << QByteArray()
                                                    << int(Finding::ClosedRowChanged) << 4u;
    QTest::newRow("row added in a closed period") << rowDate << false << Forgery::AppendRow << 0 << QByteArray()
                                                  << int(Finding::ClosedRowChanged) << 4u;
    QTest::newRow("row moved out of a closed period") << rowDate << false << Forgery::MoveDate << 0 << QByteArray()
                                                      << int(Finding::ClosedRowChanged) << 4u;
    QTest::newRow("row older than the log, closed") << rowDate << false << Forgery::ChangeOldRecord << 0 << QByteArray()
                                                    << int(Finding::ClosedRowChanged) << 4u;
    QTest::newRow("row older than the log, open") << rowDate.addDays(-1) << false << Forgery::ChangeOldRecord << 0 << QByteArray()
                                                  << -1 << 0u;
    QTest::newRow("absence added in a closed period") << rowDate << false << Forgery::AddAbsence << 0 << QByteArray()
                                                      << int(Finding::ClosedRowChanged) << 4u;
    QTest::newRow("absence added after the closing") << rowDate.addDays(-1) << false << Forgery::AddAbsence << 0
                                                     << QByteArray() << -1 << 0u;
    QTest::newRow("target set in a closed period") << rowDate << false << Forgery::SetTarget << 0 << QByteArray()
                                                   << int(Finding::ClosedRowChanged) << 4u;
}

// Anyone who can write the folder can append a correctly chained entry; the
// table layer below the closed period writes whatever it is given, so the
// entries here are chained as a forger's would be.
void TestChangeLog::forgeryIsVisible()
{
    QFETCH(QDate, closedUntil);
    QFETCH(bool, reopened);
    QFETCH(Forgery, forgery);
    QFETCH(int, secondsBack);
    QFETCH(QByteArray, zone);
    QFETCH(int, kind);
    QFETCH(quint32, entry);
    const QByteArray oldZone = qgetenv("TZ");
    const auto restoreZone = qScopeGuard([&] {
        if (zone.isEmpty())
            return;
        if (oldZone.isEmpty())
            qunsetenv("TZ");
        else
            qputenv("TZ", oldZone);
    });
    if (!zone.isEmpty()) {
        qputenv("TZ", zone);
        m_clock.set(QDateTime(QDate(2024, 10, 27), QTime(2, 50)));
    }
    appendRecord("Anna", "Aachen"); // record 1, older than the log
    openLog();
    appendRecord("Bernd", "Köln");  // entry 2, record 2
    const QDateTime time = m_clock.now();
    if (closedUntil.isValid()) {
        QVERIFY(m_log->appendPeriodClosing(QStringLiteral("Administrator"), QStringLiteral("pc-chef"), QDate(),
                                           closedUntil)); // entry 3
        if (reopened)
            QVERIFY(m_log->appendPeriodClosing(QStringLiteral("Administrator"), QStringLiteral("pc-chef"), closedUntil,
                                               QDate()));
        // The closing file as the history has it: only the entries are forged here.
        QString error;
        QVERIFY(ClosingDateFile::save(path("abschluss.dat"), reopened ? std::nullopt : std::optional<QDate>(closedUntil),
                                      error));
    }
    m_clock.set(time.addSecs(-secondsBack));
    DbfRecord record;
    switch (forgery) {
    case Forgery::ChangePlace:
    case Forgery::MoveDate:
    case Forgery::ChangeOldRecord:
        QVERIFY(m_table->readRecord(forgery == Forgery::ChangeOldRecord ? 1 : 2, record));
        if (forgery == Forgery::MoveDate)
            record.setText(WorkTimeTables::Datum, QStringLiteral("11.03.2024"));
        else
            record.setText(WorkTimeTables::Ort, QStringLiteral("Bonn"));
        QVERIFY(m_table->update(record));
        break;
    case Forgery::DeleteRow:
        QVERIFY(m_table->markDeleted(2));
        break;
    case Forgery::AppendRow:
        appendRecord("Clara", "Bonn");
        break;
    case Forgery::AddAbsence:
    case Forgery::SetTarget: {
        // The account's tables below the guarded changes, with the history.
        AccountTables tables(m_clock);
        tables.setDirectory(directory());
        tables.setJournal(m_log.get());
        const QDate day(2024, 3, 5);
        QVERIFY(forgery == Forgery::AddAbsence ? tables.addAbsence(Absence{QStringLiteral("Anna"), day, day.addDays(2)})
                                               : tables.setTarget(TargetWeek{QStringLiteral("Anna"), day}));
        break;
    }
    }
    ChangeLogVerifier verifier(*m_table, directory());
    if (kind < 0) {
        QVERIFY2(verifier.run(), qPrintable(verifier.findings().value(0).text()));
        return;
    }
    QVERIFY(!verifier.run());
    QCOMPARE(verifier.findings().size(), 1);
    QCOMPARE(int(verifier.findings().first().kind), kind);
    QCOMPARE(verifier.findings().first().entryNumber, entry);
    QVERIFY(verifier.findings().first().text().contains(QString::number(entry)));
}

void TestChangeLog::separatorsInValuesCannotFakeItems_data()
{
    QTest::addColumn<QString>("remark");
    QTest::newRow("an item") << QStringLiteral("Gerüst; ORT: Aachen -> Bonn");
    QTest::newRow("an arrow") << QStringLiteral("alt -> neu");
    QTest::newRow("backslashes") << QStringLiteral("C:\\Daten\\; x\\");
    QTest::newRow("an arrow at the end") << QStringLiteral("bis ->");
}

// A remark holding the separators stays one item in the history, and
// verify's field list names only the field that was changed.
void TestChangeLog::separatorsInValuesCannotFakeItems()
{
    QFETCH(QString, remark);
    openLog();
    DbfRecord record = m_table->newRecord();
    record.setText(WorkTimeTables::Datum, QStringLiteral("05.03.2024"));
    record.setText(WorkTimeTables::Ort, QStringLiteral("Köln"));
    record.setText(WorkTimeTables::Bemerkungen, remark);
    QVERIFY(m_table->append(record));
    record.setText(WorkTimeTables::Bemerkungen, remark + QStringLiteral("; ZEIT BIS: -> 23:00"));
    QVERIFY(m_table->update(record));
    const QList<ChangeLogEntry> all = entries();
    QCOMPARE(all.size(), 3);
    const QList<ChangeLogEntry::FieldChange> appended = ChangeLogEntry::parseChanges(all.at(1).changes);
    QCOMPARE(appended.size(), 3); // DATUM, ORT, BEMERKUNGE
    QCOMPARE(appended.last().field, QStringLiteral("BEMERKUNGE"));
    QCOMPARE(appended.last().newText, remark);
    const QList<ChangeLogEntry::FieldChange> changed = ChangeLogEntry::parseChanges(all.at(2).changes);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.first().oldText, remark);
    QCOMPARE(changed.first().newText, remark + QStringLiteral("; ZEIT BIS: -> 23:00"));
    // Shown: one unescaped "; " between items, one arrow per item.
    const QString shown = all.at(2).shownChanges();
    QCOMPARE(shown.count(QString::fromUtf8(ChangeLogEntry::ShownArrow)), 1);
    QCOMPARE(shown.count(QStringLiteral("; ")), shown.count(QStringLiteral("\\; ")));
    // Another program changes the place: only ORT is named.
    m_log.reset();
    QVERIFY(m_table->readRecord(1, record));
    m_table.reset();
    overwrite(path("arbeitszeit.dbf"), recordOffset(1, -1) + [&] {
        DbfTable table(m_clock);
        table.open(path("arbeitszeit.dbf"), DbfTable::OpenMode::ReadOnly);
        return table.fields().at(WorkTimeTables::Ort).offset;
    }(), "B");
    DbfTable table(m_clock);
    QVERIFY(table.open(path("arbeitszeit.dbf"), DbfTable::OpenMode::ReadOnly));
    ChangeLogVerifier verifier(table, directory());
    QVERIFY(!verifier.run());
    QCOMPARE(verifier.findings().size(), 1);
    QCOMPARE(verifier.findings().first().fields, QStringList{QStringLiteral("ORT")});
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
// process, which the small table stays under) stops the change: the entry
// goes first, and nothing is stored that the history does not hold.
void TestChangeLog::unloggedChangeIsRefused()
{
#ifdef __linux__
    openLog();
    const qint64 logSize = QFileInfo(path("protokoll.dbf")).size();
    const qint64 entrySize = ChangeLogEntry::recordLength();
    struct rlimit old;
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = old;
    limited.rlim_cur = rlim_t(logSize + entrySize / 2);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
    DbfRecord record = m_table->newRecord();
    record.setText(WorkTimeTables::Arbeiter, QStringLiteral("Anna"));
    const bool appended = m_table->append(record);
    // A change of the account, too.
    AccountTables account(m_clock);
    account.setDirectory(directory());
    account.setJournal(m_log.get());
    const bool dayAdded = account.setFirmDay({QDate(2024, 12, 24), QStringLiteral("Heiligabend")});
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!dayAdded);
    QVERIFY2(account.errorString().startsWith(QStringLiteral("Die Änderung wurde nicht gespeichert, weil sie nicht ins "
                                                             "Änderungsprotokoll eingetragen werden kann")),
             qPrintable(account.errorString()));
    QCOMPARE(ChangeLog::accountTableDigest(path("feiertag.dbf")), std::optional<QByteArray>(QByteArray()));
    QVERIFY(!appended);
    QVERIFY2(m_table->errorString().startsWith(QStringLiteral("Die Änderung wurde nicht gespeichert, weil sie nicht ins "
                                                              "Änderungsprotokoll eingetragen werden kann")),
             qPrintable(m_table->errorString()));
    QCOMPARE(m_table->recordCount(), 0u);
    QCOMPARE(QFileInfo(path("protokoll.dbf")).size(), logSize);
    ChangeLogVerifier verifier(*m_table, directory());
    QVERIFY(verifier.run());
    QVERIFY(verifier.notes().isEmpty());
#else
    QSKIP("needs the file-size limit of Linux");
#endif
}

void TestChangeLog::writeUsers()
{
    UserListData users;
    users.users = {{QStringLiteral("Anna Schmidt"), QStringLiteral("anna"), QStringLiteral("geheim")},
                   {QStringLiteral("Bernd Roth"), QStringLiteral("bernd"), QStringLiteral("geheim")}};
    users.adminPassword = QStringLiteral("chef");
    users.adminPasswordRepeat = QStringLiteral("chef");
    QVERIFY(UserListStore::save(path("benutzer.dat"), users));
}

QStringList TestChangeLog::bookArguments(const char *from, const char *to) const
{
    return {QStringLiteral("book"),     QStringLiteral("--user"),     QStringLiteral("anna"),
            QStringLiteral("--password"), QStringLiteral("geheim"),   QStringLiteral("--place"),
            QStringLiteral("Bonn"),     QStringLiteral("--activity"), QStringLiteral("Malen"),
            QStringLiteral("--date"),   QStringLiteral("05.03.2024"), QStringLiteral("--from"),
            QLatin1String(from),        QStringLiteral("--to"),       QLatin1String(to)};
}

// `under` runs the program under another (strace), given with its arguments.
CliResult TestChangeLog::runCli(const QStringList &arguments, const QStringList &under) const
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TAGWERK_PROGRAM_DIR"), m_dir->path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir->filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), m_dir->filePath(QStringLiteral("data")));
    process.setProcessEnvironment(environment);
    const QStringList command = QStringList{QStringLiteral(TAGWERK_CLI_PATH), QStringLiteral("--db"), m_dir->path()} + arguments;
    if (under.isEmpty())
        process.start(command.first(), command.mid(1));
    else
        process.start(under.first(), under.mid(1) + command);
    process.closeWriteChannel();
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
            QVERIFY2(process->exitCode() == 0, process->readAllStandardError().constData());
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

    const QList<ChangeLogEntry> all = entries();
    // The changed fields under the grids' headings, in the language of the run.
    QVERIFY(QFile::copy(QStringLiteral(TAGWERK_TRANSLATE_DAT), path("translate.dat")));
    CliResult cli = runCli({QStringLiteral("history"), QStringLiteral("--employee"), QStringLiteral("Administrator")});
    QCOMPARE(cli.exitCode, 0);
    QCOMPARE(QString::fromUtf8(cli.out),
             QStringLiteral("2024-03-08 09:00:00\tAdministrator\tpc-buero\tGeändert\t1\t"
                            "Ort: Aachen \u2192 Bonn; Zeit bis: 12:00 \u2192 12:30\t%1\n")
                 .arg(QString::fromLatin1(all.at(2).chain)));
    // What was entered after a printed checksum, in either case.
    cli = runCli({QStringLiteral("history"), QStringLiteral("--after"), QString::fromLatin1(all.at(1).chain.toUpper())});
    QCOMPARE(cli.exitCode, 0);
    QCOMPARE(cli.out.count('\n'), 1);
    QVERIFY(cli.out.endsWith(all.at(2).chain + '\n'));
    cli = runCli({QStringLiteral("history"), QStringLiteral("--after"), QString::fromLatin1(all.at(2).chain)});
    QCOMPARE(cli.exitCode, 0);
    QVERIFY(cli.out.isEmpty());
    cli = runCli({QStringLiteral("history"), QStringLiteral("--after"), QString(64, QLatin1Char('0'))});
    QCOMPARE(cli.exitCode, 1);
    QVERIFY(cli.out.isEmpty());
    QVERIFY(QString::fromUtf8(cli.err).contains(QString(64, QLatin1Char('0'))));
    cli = runCli({QStringLiteral("history"), QStringLiteral("--after"), QStringLiteral("abc")});
    QCOMPARE(cli.exitCode, 2);
    for (const auto &[language, changes] : {std::pair{"en", "Place: Aachen \u2192 Bonn; End time: 12:00 \u2192 12:30"},
                                            std::pair{"es", "Lugar: Aachen \u2192 Bonn; Hora de fin: 12:00 \u2192 12:30"}}) {
        cli = runCli({QStringLiteral("--lang"), QLatin1String(language), QStringLiteral("history"),
                      QStringLiteral("--employee"), QStringLiteral("Administrator")});
        const QString lastLine = QString::fromUtf8(changes) + QLatin1Char('\t') + QString::fromLatin1(all.at(2).chain);
        QVERIFY2(QString::fromUtf8(cli.out).endsWith(lastLine + QLatin1Char('\n')), cli.out.constData());
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

// Opening an existing history writes nothing, not even a header count that
// lags one behind after an append cut off before its header write.
void TestChangeLog::openingWritesNothing()
{
    openLog();
    appendRecord("Anna", "Aachen");
    m_log.reset();
    overwrite(path("protokoll.dbf"), DbfFormat::RecordCountOffset, TestFiles::le32(1));
    const QByteArray before = TestFiles::readAll(path("protokoll.dbf"));
    const QStringList files = QDir(m_dir->path()).entryList(QDir::Files);
    openLog();
    QCOMPARE(TestFiles::readAll(path("protokoll.dbf")), before);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), files);
    // The next entry puts the count right.
    appendRecord("Bernd", "Bonn");
    DbfTable log(m_clock);
    QVERIFY(log.open(path("protokoll.dbf"), DbfTable::OpenMode::ReadOnly));
    QCOMPARE(qFromLittleEndian<quint32>(TestFiles::readAll(path("protokoll.dbf")).constData() + DbfFormat::RecordCountOffset),
             3u);
}

// A crash between the entry and the table's write leaves an entry whose
// change is not in the table: verify accepts it and says so, and the next
// change closes it with "Abgebrochen". The entry is written as the journal
// writes it, and the table is then left as it was.
void TestChangeLog::interruptedChangeIsClosed_data()
{
    QTest::addColumn<int>("kind"); // 0 append, 1 change, 2 deletion
    QTest::newRow("booking") << 0;
    QTest::newRow("change") << 1;
    QTest::newRow("deletion") << 2;
}

void TestChangeLog::interruptedChangeIsClosed()
{
    QFETCH(int, kind);
    appendRecord("Anna", "Aachen");
    openLog();
    appendRecord("Bernd", "Bonn");
    const QByteArray tableBytes = TestFiles::readAll(path("arbeitszeit.dbf"));
    if (kind == 0) {
        appendRecord("Clara", "Celle");
    } else if (kind == 1) {
        DbfRecord record;
        QVERIFY(m_table->readRecord(2, record));
        record.setText(WorkTimeTables::Ort, QStringLiteral("Köln"));
        QVERIFY(m_table->update(record));
    } else {
        QVERIFY(m_table->markDeleted(2));
    }
    // The table as a crash before its write leaves it.
    m_log.reset();
    m_table.reset();
    QFile table(path("arbeitszeit.dbf"));
    QVERIFY(table.open(QIODevice::ReadWrite));
    QVERIFY(table.resize(tableBytes.size()));
    QCOMPARE(table.write(tableBytes), tableBytes.size());
    table.close();
    m_table = std::make_unique<DbfTable>(m_clock);
    QVERIFY(m_table->open(path("arbeitszeit.dbf")));
    ChangeLogVerifier verifier(*m_table, directory());
    QVERIFY2(verifier.run(), verifier.findings().isEmpty() ? "" : qPrintable(verifier.findings().first().text()));
    QCOMPARE(verifier.notes().size(), 1);
    QCOMPARE(verifier.notes().first().kind, Finding::ChangeInterrupted);
    QCOMPARE(verifier.notes().first().recordNumber, kind == 0 ? 3u : 2u);
    QVERIFY(verifier.notes().first().text().startsWith(QStringLiteral("Eine unterbrochene Änderung wurde gefunden")));

    // The next change, by another instance.
    m_log.reset();
    openLog();
    appendRecord("Dora", "Düren");
    const QList<ChangeLogEntry> all = entries();
    QCOMPARE(all.size(), 5);
    QCOMPARE(all.at(3).action, ChangeLogEntry::Action::Cancelled);
    QCOMPARE(all.at(3).recordNumber, kind == 0 ? 3u : 2u);
    QCOMPARE(all.at(4).recordNumber, 3u);
    QVERIFY(verifier.run());
    QVERIFY(verifier.notes().isEmpty());
}

// tagwerk-cli killed at each write to the log or the table: the state left
// verifies (perhaps telling an interrupted change), the next booking goes
// through, and the history then verifies without a word.
void TestChangeLog::crashAtEachWrite_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("command"); // booking, closing or absence (a change of the account)
    QTest::addColumn<int>("write");
    for (const char *file : {"protokoll.dbf", "arbeitszeit.dbf"}) {
        for (int write = 1; write <= 3; ++write)
            QTest::addRow("booking, %s, write %d", file, write) << QString::fromLatin1(file) << QStringLiteral("booking") << write;
    }
    for (int write = 1; write <= 3; ++write)
        QTest::addRow("closing, protokoll.dbf, write %d", write) << QStringLiteral("protokoll.dbf") << QStringLiteral("closing") << write;
    for (const char *file : {"protokoll.dbf", "abwesenheit.dbf"}) {
        for (int write = 1; write <= 3; ++write)
            QTest::addRow("absence, %s, write %d", file, write) << QString::fromLatin1(file) << QStringLiteral("absence") << write;
    }
}

void TestChangeLog::crashAtEachWrite()
{
    QFETCH(QString, file);
    QFETCH(QString, command);
    QFETCH(int, write);
    const bool closing = command == QLatin1String("closing");
    const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
    if (strace.isEmpty())
        QSKIP("strace is not installed (scripts/install-deps.sh installs it)");
    writeUsers();
    m_table.reset();
    QCOMPARE(runCli(bookArguments("08:00", "09:00")).exitCode, 0);
    const auto absenceArguments = [](const char *day) {
        return QStringList{QStringLiteral("absence"), QStringLiteral("add"), QStringLiteral("--employee"),
                           QStringLiteral("Anna Schmidt"), QStringLiteral("--from"), QLatin1String(day),
                           QStringLiteral("--to"), QLatin1String(day), QStringLiteral("--kind"), QStringLiteral("vacation"),
                           QStringLiteral("--admin-password"), QStringLiteral("chef")};
    };
    QCOMPARE(runCli(absenceArguments("04.03.2024")).exitCode, 0);
    // LeakSanitizer cannot work under ptrace and would end every traced
    // run of a sanitizer build with an error of its own.
    const QStringList under = {strace, QStringLiteral("-E"), QStringLiteral("ASAN_OPTIONS=detect_leaks=0:abort_on_error=1"),
                               QStringLiteral("-f"), QStringLiteral("-qq"), QStringLiteral("-o"),
                               QStringLiteral("/dev/null"), QStringLiteral("-e"), QStringLiteral("trace=write"),
                               QStringLiteral("-e"),
                               QStringLiteral("inject=write:signal=SIGKILL:when=%1").arg(write),
                               QStringLiteral("-P"), m_dir->filePath(file)};
    const QStringList closeArguments = {QStringLiteral("close-period"), QStringLiteral("--until"),
                                        QStringLiteral("31.01.2024"), QStringLiteral("--admin-password"),
                                        QStringLiteral("chef")};
    const CliResult killed = runCli(closing                         ? closeArguments
                                    : command == QLatin1String("absence") ? absenceArguments("07.03.2024")
                                                                          : bookArguments("10:00", "11:00"),
                                    under);
    // Each change writes twice to each file: the record, then the header.
    QCOMPARE(killed.exitCode == -1, write <= 2);
    CliResult verify = runCli({QStringLiteral("verify")});
    // Entered (the log's length tells the entry before its header does),
    // but killed before the table's write: told, nobody blamed.
    const bool interrupted = !closing && write == (file == QLatin1String("protokoll.dbf") ? 2 : 1);
    QVERIFY2(verify.out.contains("Eine unterbrochene Änderung wurde gefunden") == interrupted, verify.out.constData());
    if (interrupted && command == QLatin1String("absence"))
        QVERIFY2(verify.out.contains("abwesenheit.dbf\") wurde nicht mehr in die Tabelle geschrieben"), verify.out.constData());
    if (closing) {
        // A closing entered but not written is a disagreement, told until
        // the administrator sets the date again.
        QVERIFY2(verify.exitCode == 0 || (verify.exitCode == 1 && verify.out.contains("abschluss.dat")),
                 verify.out.constData());
        QCOMPARE(runCli(closeArguments).exitCode, 0);
    } else {
        QVERIFY2(verify.exitCode == 0, verify.out.constData());
    }
    const CliResult next = runCli(bookArguments("13:00", "14:00"));
    QVERIFY2(next.exitCode == 0, next.err.constData());
    verify = runCli({QStringLiteral("verify")});
    QVERIFY2(verify.exitCode == 0, verify.out.constData());
    QVERIFY2(verify.out.startsWith("Einträge: "), verify.out.constData());
    // The next change closed the interrupted one.
    if (interrupted)
        QCOMPARE(entries().at(entries().size() - 2).action, ChangeLogEntry::Action::Cancelled);
}

// On a full disk the booking is refused with the real cause, nothing is
// stored that the history lacks, and no scratch file is left behind.
void TestChangeLog::fullDiskStoresNothingUnlogged()
{
#ifdef __linux__
    const QString mountPoint = m_dir->filePath(QStringLiteral("small"));
    QVERIFY(QDir().mkpath(mountPoint));
    QProcess mount;
    mount.start(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                          QStringLiteral("size=200k"), QStringLiteral("tmpfs"), mountPoint});
    if (!mount.waitForFinished(10000) || mount.exitStatus() != QProcess::NormalExit || mount.exitCode() != 0)
        QSKIP("mounting a small tmpfs is not permitted here");
    struct Unmount { QString point; ~Unmount() { QProcess::execute(QStringLiteral("umount"), {point}); } } unmount{mountPoint};
    m_table.reset();
    const auto run = [&](const QStringList &arguments) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TAGWERK_PROGRAM_DIR"), m_dir->path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir->filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), m_dir->filePath(QStringLiteral("data")));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(TAGWERK_CLI_PATH), QStringList{QStringLiteral("--db"), mountPoint} + arguments);
        process.waitForFinished(60000);
        return CliResult{process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
    };
    UserListData users;
    users.users = {{QStringLiteral("Anna Schmidt"), QStringLiteral("anna"), QStringLiteral("geheim")}};
    QVERIFY(UserListStore::save(mountPoint + QStringLiteral("/benutzer.dat"), users));
    QCOMPARE(run(bookArguments("07:00", "07:30")).exitCode, 0);
    {
        // Fill the disk to the last byte.
        QFile filler(mountPoint + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size()) {
        }
        while (filler.write(block.left(1)) == 1) {
        }
    }
    bool refused = false;
    for (int hour = 8; hour < 20 && !refused; ++hour) {
        const QByteArray from = QStringLiteral("%1:00").arg(hour, 2, 10, QLatin1Char('0')).toLatin1();
        const QByteArray to = QStringLiteral("%1:30").arg(hour, 2, 10, QLatin1Char('0')).toLatin1();
        const CliResult booked = run(bookArguments(from.constData(), to.constData()));
        refused = booked.exitCode != 0;
        if (refused) {
            QVERIFY2(booked.exitCode == 1, booked.err.constData());
            QVERIFY2(booked.err.contains("No space left on device"), booked.err.constData());
        }
        const CliResult verify = run({QStringLiteral("verify")});
        QVERIFY2(verify.exitCode == 0, verify.out.constData());
    }
    QVERIFY(refused);
    // A closing is refused as well, and the file stays as it was.
    const CliResult closed = run({QStringLiteral("close-period"), QStringLiteral("--until"), QStringLiteral("31.01.2024"),
                                  QStringLiteral("--admin-password"), QStringLiteral("x")});
    QVERIFY2(closed.exitCode == 1 && closed.err.contains("No space left on device"), closed.err.constData());
    QVERIFY(!QFile::exists(mountPoint + QStringLiteral("/abschluss.dat")));
    QCOMPARE(run({QStringLiteral("verify")}).exitCode, 0);
    // No scratch file is left behind.
    QCOMPARE(QDir(mountPoint).entryList(QDir::Files),
             QStringList({QStringLiteral("arbeitszeit.dbf"), QStringLiteral("benutzer.dat"), QStringLiteral("filler"),
                          QStringLiteral("protokoll.dbf"), QStringLiteral("protokollbeginn.dat")}));
#else
    QSKIP("needs a small tmpfs");
#endif
}

// Where a history was begun but protokoll.dbf is gone, nothing starts a new
// one by itself: changes are refused until the administrator restarts it,
// and the restart says what was lost.
void TestChangeLog::missingHistoryIsRestartedOnPurpose()
{
    writeUsers();
    m_table.reset();
    QCOMPARE(runCli(bookArguments("08:00", "09:00")).exitCode, 0);
    QCOMPARE(runCli({QStringLiteral("close-period"), QStringLiteral("--until"), QStringLiteral("31.01.2024"),
                     QStringLiteral("--admin-password"), QStringLiteral("chef")})
                 .exitCode,
             0);
    const QByteArray startList = TestFiles::readAll(path("protokollbeginn.dat"));
    QVERIFY(QFile::remove(path("protokoll.dbf")));
    CliResult booked = runCli(bookArguments("10:00", "11:00"));
    QCOMPARE(booked.exitCode, 1);
    QVERIFY2(booked.err.contains("fehlt, obwohl es begonnen wurde"), booked.err.constData());
    QVERIFY(!QFile::exists(path("protokoll.dbf")));
    QCOMPARE(TestFiles::readAll(path("protokollbeginn.dat")), startList);
    QCOMPARE(runCli({QStringLiteral("verify")}).exitCode, 1);

    const CliResult wrong = runCli({QStringLiteral("history"), QStringLiteral("restart"), QStringLiteral("--admin-password"),
                                    QStringLiteral("falsch")});
    QCOMPARE(wrong.exitCode, 1);
    QVERIFY(!QFile::exists(path("protokoll.dbf")));
    const CliResult restarted = runCli({QStringLiteral("history"), QStringLiteral("restart"),
                                        QStringLiteral("--admin-password"), QStringLiteral("chef")});
    QVERIFY2(restarted.exitCode == 0, restarted.err.constData());
    QCOMPARE(QString::fromUtf8(restarted.out), QStringLiteral("Das Änderungsprotokoll wurde neu begonnen.\n"));
    const CliResult history = runCli({QStringLiteral("history")});
    QCOMPARE(history.exitCode, 0);
    const QList<QByteArray> lines = history.out.split('\n');
    QVERIFY(lines.size() >= 2);
    QVERIFY2(lines.at(1).contains("Protokoll neu begonnen") && lines.at(1).contains("LOST: protokoll.dbf missing")
                 && lines.at(1).contains("protokollbeginn.dat."),
             lines.at(1).constData());
    // The closing file's date is entered again, so that the file agrees.
    QVERIFY2(lines.at(2).contains("Abgeschlossen bis:  \u2192 31.01.2024"), lines.at(2).constData());
    QCOMPARE(runCli(bookArguments("10:00", "11:00")).exitCode, 0);
    const CliResult verify = runCli({QStringLiteral("verify")});
    QVERIFY2(verify.exitCode == 0, verify.out.constData());
}

// A log whose layout is not exactly the log's is neither read nor written:
// history and verify say so, changes are refused, its bytes stay.
void TestChangeLog::damagedLogIsLeftAlone_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("record length 0xFFFF") << int(DbfFormat::RecordLengthOffset) << QByteArray("\xff\xff", 2);
    QTest::newRow("record length one too long") << int(DbfFormat::RecordLengthOffset)
                                                << TestFiles::le16(quint16(ChangeLogEntry::recordLength() + 1));
    // KETTE 32 wide, VORHER 96: the same record length.
    QTest::newRow("hash fields of other widths")
        << int(DbfFormat::HeaderSize + DbfFormat::DescriptorSize * ChangeLogEntry::Vorher + DbfFormat::DescriptorWidthOffset)
        << QByteArray("\x60", 1);
    QTest::newRow("record count past the end") << int(DbfFormat::RecordCountOffset) << TestFiles::le32(9);
    QTest::newRow("language byte") << int(DbfFormat::LanguageDriverOffset) << QByteArray("\x03", 1);
}

void TestChangeLog::damagedLogIsLeftAlone()
{
    QFETCH(int, offset);
    QFETCH(QByteArray, bytes);
    writeUsers();
    m_table.reset();
    QCOMPARE(runCli(bookArguments("08:00", "09:00")).exitCode, 0);
    overwrite(path("protokoll.dbf"), offset, bytes);
    if (QTest::currentDataTag() == QByteArray("hash fields of other widths"))
        overwrite(path("protokoll.dbf"),
                  DbfFormat::HeaderSize + DbfFormat::DescriptorSize * ChangeLogEntry::Kette + DbfFormat::DescriptorWidthOffset,
                  QByteArray("\x20", 1));
    const QByteArray log = TestFiles::readAll(path("protokoll.dbf"));
    const QByteArray startList = TestFiles::readAll(path("protokollbeginn.dat"));
    const CliResult booked = runCli(bookArguments("10:00", "11:00"));
    QCOMPARE(booked.exitCode, 1);
    QVERIFY2(booked.err.contains("ist beschädigt"), booked.err.constData());
    const CliResult history = runCli({QStringLiteral("history")});
    const bool countOnly = QTest::currentDataTag() == QByteArray("record count past the end");
    // A count that disagrees is the check's finding; it is never written to.
    if (!countOnly) {
        QCOMPARE(history.exitCode, 2);
        QVERIFY2(history.err.contains("beschädigt"), history.err.constData());
        const CliResult verify = runCli({QStringLiteral("verify")});
        QCOMPARE(verify.exitCode, 1);
        QVERIFY2(verify.out.startsWith("Das Änderungsprotokoll kann nicht gelesen werden"), verify.out.constData());
    }
    QCOMPARE(TestFiles::readAll(path("protokoll.dbf")), log);
    QCOMPARE(TestFiles::readAll(path("protokollbeginn.dat")), startList);
    DbfTable table(m_clock);
    QVERIFY(table.open(path("arbeitszeit.dbf"), DbfTable::OpenMode::ReadOnly));
    QCOMPARE(table.recordCount(), 1u);

    // The administrator starts it again; the damaged log is kept aside.
    QCOMPARE(runCli({QStringLiteral("history"), QStringLiteral("restart"), QStringLiteral("--admin-password"),
                     QStringLiteral("chef")})
                 .exitCode,
             0);
    const QStringList kept = QDir(m_dir->path()).entryList({QStringLiteral("protokoll.dbf.*.alt")}, QDir::Files);
    QCOMPARE(kept.size(), 1);
    QCOMPARE(TestFiles::readAll(m_dir->filePath(kept.first())), log);
    QCOMPARE(runCli(bookArguments("10:00", "11:00")).exitCode, 0);
    QCOMPARE(runCli({QStringLiteral("verify")}).exitCode, 0);
}

// The history's last closing is the authority over abschluss.dat.
void TestChangeLog::closingFileAnswersToTheHistory_data()
{
    QTest::addColumn<int>("tamper"); // 0 deleted, 1 an earlier date, 2 entered but not written
    QTest::newRow("file deleted") << 0;
    QTest::newRow("file with an earlier date") << 1;
    QTest::newRow("entered, file not written") << 2;
}

void TestChangeLog::closingFileAnswersToTheHistory()
{
    QFETCH(int, tamper);
    writeUsers();
    m_table.reset();
    const QStringList close = {QStringLiteral("close-period"), QStringLiteral("--until"), QStringLiteral("31.01.2024"),
                               QStringLiteral("--admin-password"), QStringLiteral("chef")};
    QCOMPARE(runCli(close).exitCode, 0);
    QString error;
    if (tamper == 0) {
        QVERIFY(QFile::remove(path("abschluss.dat")));
    } else if (tamper == 1) {
        QVERIFY(ClosingDateFile::save(path("abschluss.dat"), QDate(2023, 12, 31), error));
    } else {
        // Dated as the command line's closing was, or verify finds an entry dated back.
        m_clock.set(QDateTime::currentDateTime());
        DbfTable table(m_clock);
        QVERIFY(table.open(path("arbeitszeit.dbf")));
        ChangeLog log(table, m_clock);
        QVERIFY(log.open(directory()));
        QVERIFY(log.appendPeriodClosing(QStringLiteral("Administrator"), QStringLiteral("pc"), QDate(2024, 1, 31),
                                        QDate(2024, 2, 29)));
    }
    const CliResult verify = runCli({QStringLiteral("verify")});
    QCOMPARE(verify.exitCode, 1);
    QVERIFY2(verify.out.contains("abschluss.dat"), verify.out.constData());
    const CliResult booked = runCli(bookArguments("08:00", "09:00"));
    QCOMPARE(booked.exitCode, 1);
    QVERIFY2(booked.err.contains("abschluss.dat") && booked.err.contains("stimmt nicht"), booked.err.constData());
    // Setting the date again ends it.
    QCOMPARE(runCli(close).exitCode, 0);
    QCOMPARE(runCli(bookArguments("08:00", "09:00")).exitCode, 0);
    const CliResult again = runCli({QStringLiteral("verify")});
    QVERIFY2(again.exitCode == 0, again.out.constData());
}

QTEST_GUILESS_MAIN(TestChangeLog)
#include "tst_changelog.moc"

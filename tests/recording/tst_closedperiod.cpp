#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

#include "session/OwnFiles.h"
#include "folderstore/OpenTableStore.h"
#include "recording/BookingService.h"
#include "recording/ClashIndex.h"
#include "store/ClosedPeriod.h"
#include "storage/ClosingDateFile.h"
#include "storage/DbfTable.h"
#include "storage/UserListData.h"
#include "storage/WorkTimeTables.h"
#include "support/FixedClock.h"
#include "support/TestFiles.h"
#include "translation/ProgramTexts.h"

namespace {

const QDate Today(2025, 3, 10);

enum FileKind { PlainFile, Directory, Fifo, LinkToRandom, HugeFile };

QString closedUntil(const char *date)
{
    return QStringLiteral("Die Buchungen bis einschließlich %1 sind abgeschlossen.").arg(QLatin1String(date));
}

// The bytes of a file holding `text` and `day`: a length-prefixed string and
// a 32-bit day number, both little-endian.
QByteArray fileBytes(const QByteArray &text, qint32 day)
{
    return TestFiles::le32(quint32(text.size())) + text + TestFiles::le32(quint32(day));
}

UserListData usersWithPassword(const QString &password)
{
    UserListData users;
    users.adminPassword = password;
    users.adminPasswordRepeat = password;
    return users;
}

} // namespace

// The closed period in the core: the file beside the table, the rule every
// write asks, and the one call that closes and reopens.
class TestClosedPeriod : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void storeOutOfReachSaysWhy_data();
    void storeOutOfReachSaysWhy();
    void fileBytesOnDisk_data();
    void fileBytesOnDisk();
    void damagedFileClosesEverything_data();
    void damagedFileClosesEverything();
    void writeRule_data();
    void writeRule();
    void bookingDate_data();
    void bookingDate();
    void closeAndReopen_data();
    void closeAndReopen();
    void secondInstanceSeesTheChange();
    void unwritableDirectory();
    void bookingServiceRefuses_data();
    void bookingServiceRefuses();
    void closedWhileTheQuestionIsUp();
    void reportsNeverOverwriteIt();

private:
    QString directory() const { return m_dir->path() + QLatin1Char('/'); }
    QString filePath() const { return directory() + QLatin1String(ClosingDateFile::FileName); }
    ClosedPeriod period() const
    {
        const QString dir = directory();
        return ClosedPeriod([dir] { return dir; });
    }
    void closeAt(std::optional<QDate> until);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestClosedPeriod::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestClosedPeriod::closeAt(std::optional<QDate> until)
{
    const ClosedPeriod::Change change = period().closeUntil(until, QString(), UserListData(), Today);
    QVERIFY(change.result == ClosedPeriod::Change::Done || change.result == ClosedPeriod::Change::Unchanged);
}

void TestClosedPeriod::storeOutOfReachSaysWhy_data()
{
    QTest::addColumn<QString>("readError");
    QTest::addColumn<bool>("damaged"); // the message calls the date damaged
    QTest::newRow("server out of reach") << QStringLiteral("Der Server db:5432/tagwerk ist nicht erreichbar: timeout")
                                         << false;
    QTest::newRow("no reason given") << QString() << true;
}

// A closing date kept elsewhere (on a server) that cannot be read now is not
// damaged: the refusal tells why it cannot be read.
void TestClosedPeriod::storeOutOfReachSaysWhy()
{
    QFETCH(QString, readError);
    QFETCH(bool, damaged);
    ClosedPeriod closed([] { return QString(); });
    ClosedPeriod::Bytes bytes;
    bytes.load = [](bool &readFailed) {
        readFailed = true;
        return std::optional<QByteArray>();
    };
    bytes.name = QStringLiteral("db:5432/tagwerk (abschluss)");
    bytes.readError = [readError] { return readError; };
    closed.setBytes(std::move(bytes));
    const ClosedPeriod::State state = closed.read();
    QCOMPARE(state.kind, ClosedPeriod::State::Unknown);
    QCOMPARE(state.problem, damaged ? ClosingDateFile::damagedMessage(QStringLiteral("db:5432/tagwerk (abschluss)"))
                                    : readError);
    QVERIFY(closed.bookingRefusal(QDate(2030, 1, 1)).contains(state.problem));
}

void TestClosedPeriod::fileBytesOnDisk_data()
{
    QTest::addColumn<QDate>("until");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("a date") << QDate(2025, 1, 31) << fileBytes("31.01.2025", 45688);
    QTest::newRow("the first day counted") << QDate(1899, 12, 31) << fileBytes("31.12.1899", 1);
    QTest::newRow("nothing closed") << QDate() << fileBytes("", 0);
}

void TestClosedPeriod::fileBytesOnDisk()
{
    QFETCH(QDate, until);
    QFETCH(QByteArray, bytes);
    // Something else first, so that the file is written in both directions.
    closeAt(QDate(2024, 6, 30));
    closeAt(until.isValid() ? std::optional<QDate>(until) : std::nullopt);
    QCOMPARE(TestFiles::readAll(filePath()), bytes);
    std::optional<QDate> read = QDate(2000, 1, 1);
    QCOMPARE(ClosingDateFile::load(filePath(), read), ClosingDateFile::LoadResult::Loaded);
    QCOMPARE(read.value_or(QDate()), until);
    QVERIFY(!QFile::exists(filePath() + QStringLiteral(".tmp")));
}

void TestClosedPeriod::damagedFileClosesEverything_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("kind"); // what stands at the file's place: a FileKind
    QTest::newRow("empty file") << QByteArray() << int(PlainFile);
    QTest::newRow("cut inside the text") << fileBytes("31.01.2025", 45688).left(8) << int(PlainFile);
    QTest::newRow("day number missing") << fileBytes("31.01.2025", 45688).chopped(4) << int(PlainFile);
    QTest::newRow("a byte too many") << fileBytes("31.01.2025", 45688) + 'x' << int(PlainFile);
    QTest::newRow("one digit changed") << fileBytes("31.01.2035", 45688) << int(PlainFile);
    QTest::newRow("day number changed") << fileBytes("31.01.2025", 45689) << int(PlainFile);
    QTest::newRow("no date at all") << fileBytes("kaputt!!!!", 45688) << int(PlainFile);
    QTest::newRow("nothing closed, but a day number") << fileBytes("", 45688) << int(PlainFile);
    QTest::newRow("date in another form") << fileBytes("31.1.2025", 45688) << int(PlainFile);
    QTest::newRow("zeroed") << QByteArray(18, '\0') << int(PlainFile);
    QTest::newRow("unreadable") << QByteArray() << int(Directory);
#ifdef Q_OS_UNIX
    // None of these may block or allocate: each is refused unread.
    QTest::newRow("a FIFO") << QByteArray() << int(Fifo);
    QTest::newRow("a link to /dev/urandom") << QByteArray() << int(LinkToRandom);
    QTest::newRow("a text of 2 GB in a file of 3 GB") << TestFiles::le32(0x7fffffff) << int(HugeFile);
#endif
}

void TestClosedPeriod::damagedFileClosesEverything()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, kind);
    switch (FileKind(kind)) {
    case PlainFile:
        QVERIFY(TestFiles::writeAll(filePath(), bytes));
        break;
    case Directory:
        QVERIFY(QDir(m_dir->path()).mkdir(QLatin1String(ClosingDateFile::FileName)));
        break;
    case Fifo:
#ifdef Q_OS_UNIX
        QCOMPARE(::mkfifo(QFile::encodeName(filePath()).constData(), 0600), 0);
#endif
        break;
    case LinkToRandom:
        QVERIFY(QFile::link(QStringLiteral("/dev/urandom"), filePath()));
        break;
    case HugeFile: {
        QVERIFY(TestFiles::writeAll(filePath(), bytes));
        QFile file(filePath());
        QVERIFY(file.resize(qint64(3) << 30)); // sparse: no disk space taken
        break;
    }
    }
    ClosedPeriod closed = period();
    const ClosedPeriod::State state = closed.read();
    QCOMPARE(state.kind, ClosedPeriod::State::Unknown);
    const QString message = ClosingDateFile::damagedMessage(filePath());
    QCOMPARE(state.problem, message);
    QVERIFY(message.contains(QDir::toNativeSeparators(filePath())));
    // Nothing may be written while the date is not known, however recent.
    QCOMPARE(closed.bookingRefusal(Today), message);
    const FixedClock clock;
    DbfTable table(clock);
    const QString tablePath = m_dir->filePath(QStringLiteral("arbeitszeit.dbf"));
    QVERIFY(table.create(tablePath, WorkTimeTables::fieldDefinitions(&ProgramTexts::german)));
    QVERIFY(table.open(tablePath));
    DbfRecord row = table.newRecord();
    row.setText(WorkTimeTables::Datum, QStringLiteral("10.03.2025"));
    QCOMPARE(closed.writeRefusal(nullptr, &row), message);
    QCOMPARE(closed.writeRefusal(&row, nullptr), message);
    if (kind != PlainFile && kind != HugeFile)
        return;
    // The administrator repairs it by setting the date again.
    const ClosedPeriod::Change change = period().closeUntil(QDate(2025, 1, 31), QString(), UserListData(), Today);
    QCOMPARE(change.result, ClosedPeriod::Change::Done);
    QCOMPARE(change.before.kind, ClosedPeriod::State::Unknown);
    QCOMPARE(closed.read().kind, ClosedPeriod::State::Closed);
    QVERIFY(closed.bookingRefusal(Today).isEmpty());
}

void TestClosedPeriod::writeRule_data()
{
    QTest::addColumn<QString>("closing");  // empty: nothing closed
    QTest::addColumn<QString>("before");   // "-": a new row
    QTest::addColumn<QString>("after");    // "-": a deletion
    QTest::addColumn<QString>("message");
    const QString c = closedUntil("31.01.2025") + QLatin1Char(' ');
    const QString changed = QStringLiteral("Dieser Datensatz vom %1 kann nicht mehr geändert werden.");
    const QString deleted = QStringLiteral("Dieser Datensatz vom %1 kann nicht mehr gelöscht werden.");
    const QString moved = QStringLiteral("Ein Datensatz kann nicht auf den %1 datiert werden.");
    QTest::newRow("nothing closed: change") << "" << "15.01.2025" << "16.01.2025" << "";
    QTest::newRow("nothing closed: delete") << "" << "15.01.2025" << "-" << "";
    QTest::newRow("change on the closing date") << "31.01.2025" << "31.01.2025" << "31.01.2025" << c + changed.arg(QLatin1String("31.01.2025"));
    QTest::newRow("change well before it") << "31.01.2025" << "02.01.2020" << "02.01.2020" << c + changed.arg(QLatin1String("02.01.2020"));
    QTest::newRow("change the day after") << "31.01.2025" << "01.02.2025" << "01.02.2025" << "";
    QTest::newRow("move out of the closed period") << "31.01.2025" << "15.01.2025" << "15.02.2025" << c + changed.arg(QLatin1String("15.01.2025"));
    QTest::newRow("move into it") << "31.01.2025" << "15.02.2025" << "31.01.2025" << c + moved.arg(QLatin1String("31.01.2025"));
    QTest::newRow("move into it, short form") << "31.01.2025" << "15.02.2025" << "5.1.2025" << c + moved.arg(QLatin1String("5.1.2025"));
    QTest::newRow("move within the open days") << "31.01.2025" << "15.02.2025" << "01.02.2025" << "";
    QTest::newRow("delete on the closing date") << "31.01.2025" << "31.01.2025" << "-" << c + deleted.arg(QLatin1String("31.01.2025"));
    QTest::newRow("delete the day after") << "31.01.2025" << "01.02.2025" << "-" << "";
    QTest::newRow("new row in it") << "31.01.2025" << "-" << "30.01.2025" << c + moved.arg(QLatin1String("30.01.2025"));
    QTest::newRow("new row after it") << "31.01.2025" << "-" << "01.02.2025" << "";
    QTest::newRow("new row without a date yet") << "31.01.2025" << "-" << "" << "";
    QTest::newRow("a date that is no date is in no period") << "31.01.2025" << "32.01.2024" << "32.01.2024" << "";
    QTest::newRow("no date may become a closed one") << "31.01.2025" << "" << "10.01.2025" << c + moved.arg(QLatin1String("10.01.2025"));
}

void TestClosedPeriod::writeRule()
{
    QFETCH(QString, closing);
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(QString, message);
    if (!closing.isEmpty())
        closeAt(QDate::fromString(closing, QStringLiteral("dd.MM.yyyy")));
    const QString tablePath = m_dir->filePath(QStringLiteral("arbeitszeit.dbf"));
    const FixedClock clock;
    DbfTable table(clock);
    QVERIFY(table.create(tablePath, WorkTimeTables::fieldDefinitions(&ProgramTexts::german)));
    QVERIFY(table.open(tablePath));
    DbfRecord stored = table.newRecord();
    stored.setText(WorkTimeTables::Datum, before);
    DbfRecord written = table.newRecord();
    written.setText(WorkTimeTables::Datum, after);
    const QString why = period().writeRefusal(before == QLatin1String("-") ? nullptr : &stored,
                                              after == QLatin1String("-") ? nullptr : &written);
    QCOMPARE(why, message);
}

void TestClosedPeriod::bookingDate_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<bool>("refused");
    QTest::newRow("the day before") << QDate(2025, 1, 30) << true;
    QTest::newRow("the closing date itself") << QDate(2025, 1, 31) << true;
    QTest::newRow("the day after") << QDate(2025, 2, 1) << false;
    QTest::newRow("years before") << QDate(1999, 12, 31) << true;
}

void TestClosedPeriod::bookingDate()
{
    QFETCH(QDate, date);
    QFETCH(bool, refused);
    QVERIFY(period().bookingRefusal(date).isEmpty()); // nothing closed, no file
    closeAt(QDate(2025, 1, 31));
    const QString why = period().bookingRefusal(date);
    QCOMPARE(why.isEmpty(), !refused);
    if (refused)
        QCOMPARE(why, closedUntil("31.01.2025") + QStringLiteral(" Für den %1 kann nicht mehr gebucht werden.")
                          .arg(date.toString(QStringLiteral("dd.MM.yyyy"))));
}

void TestClosedPeriod::closeAndReopen_data()
{
    QTest::addColumn<QString>("adminPassword");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QDate>("until"); // invalid: reopen everything
    QTest::addColumn<int>("result");
    QTest::addColumn<QDate>("closedAfter"); // invalid: nothing closed
    QTest::addColumn<QString>("message");
    const QDate first(2025, 1, 31);
    QTest::newRow("close later") << "chef" << "chef" << QDate(2025, 2, 28) << int(ClosedPeriod::Change::Done)
                                 << QDate(2025, 2, 28) << closedUntil("28.02.2025");
    QTest::newRow("reopen to an earlier date") << "chef" << "chef" << QDate(2024, 12, 31) << int(ClosedPeriod::Change::Done)
                                               << QDate(2024, 12, 31) << closedUntil("31.12.2024");
    QTest::newRow("reopen everything") << "chef" << "chef" << QDate() << int(ClosedPeriod::Change::Done) << QDate()
                                       << "Es sind keine Buchungen abgeschlossen.";
    QTest::newRow("the same date again") << "chef" << "chef" << first << int(ClosedPeriod::Change::Unchanged) << first
                                         << closedUntil("31.01.2025");
    QTest::newRow("up to today") << "chef" << "chef" << Today << int(ClosedPeriod::Change::Done) << Today
                                 << closedUntil("10.03.2025");
    QTest::newRow("wrong password, reopening") << "chef" << "Chef" << QDate() << int(ClosedPeriod::Change::WrongPassword)
                                               << first << "Das Passwort war leider falsch.";
    QTest::newRow("wrong password, closing") << "chef" << "" << QDate(2025, 2, 28) << int(ClosedPeriod::Change::WrongPassword)
                                             << first << "Das Passwort war leider falsch.";
    QTest::newRow("blanks count") << "chef" << "chef " << QDate() << int(ClosedPeriod::Change::WrongPassword) << first
                                  << "Das Passwort war leider falsch.";
    QTest::newRow("no password set, as the admin login") << "" << "irgendwas" << QDate() << int(ClosedPeriod::Change::Done)
                                                         << QDate() << "Es sind keine Buchungen abgeschlossen.";
    QTest::newRow("tomorrow") << "chef" << "chef" << Today.addDays(1) << int(ClosedPeriod::Change::InFuture) << first
                              << "Buchungen können höchstens bis heute (10.03.2025) abgeschlossen werden.";
}

void TestClosedPeriod::closeAndReopen()
{
    QFETCH(QString, adminPassword);
    QFETCH(QString, typed);
    QFETCH(QDate, until);
    QFETCH(int, result);
    QFETCH(QDate, closedAfter);
    QFETCH(QString, message);
    closeAt(QDate(2025, 1, 31));
    const QByteArray before = TestFiles::readAll(filePath());
    ClosedPeriod closed = period();
    const ClosedPeriod::Change change = closed.closeUntil(until.isValid() ? std::optional<QDate>(until) : std::nullopt,
                                                         typed, usersWithPassword(adminPassword), Today);
    QCOMPARE(int(change.result), result);
    QCOMPARE(change.message, message);
    const ClosedPeriod::State now = closed.read();
    QCOMPARE(now.kind, closedAfter.isValid() ? ClosedPeriod::State::Closed : ClosedPeriod::State::Open);
    QCOMPARE(now.until, closedAfter);
    if (result == ClosedPeriod::Change::Done || result == ClosedPeriod::Change::Unchanged) {
        // The old and the new date, for whoever records the change.
        QCOMPARE(change.before.kind, ClosedPeriod::State::Closed);
        QCOMPARE(change.before.until, QDate(2025, 1, 31));
        QCOMPARE(change.after.value_or(QDate()), until);
    } else {
        QCOMPARE(TestFiles::readAll(filePath()), before);
    }
}

void TestClosedPeriod::secondInstanceSeesTheChange()
{
    // Two PCs on one Database directory: each reads the file for each check.
    const ClosedPeriod here = period();
    ClosedPeriod there = period();
    QVERIFY(here.bookingRefusal(QDate(2025, 1, 15)).isEmpty());
    QCOMPARE(there.closeUntil(QDate(2025, 1, 31), QString(), UserListData(), Today).result, ClosedPeriod::Change::Done);
    QVERIFY(!here.bookingRefusal(QDate(2025, 1, 15)).isEmpty());
    QCOMPARE(there.closeUntil(std::nullopt, QString(), UserListData(), Today).result, ClosedPeriod::Change::Done);
    QVERIFY(here.bookingRefusal(QDate(2025, 1, 15)).isEmpty());
}

void TestClosedPeriod::unwritableDirectory()
{
    const QString missing = m_dir->filePath(QStringLiteral("fehlt/"));
    ClosedPeriod closed([missing] { return missing; });
    const ClosedPeriod::Change change = closed.closeUntil(QDate(2025, 1, 31), QString(), UserListData(), Today);
    QCOMPARE(change.result, ClosedPeriod::Change::WriteFailed);
    QVERIFY2(change.message.startsWith(QStringLiteral("Das Abschlussdatum konnte nicht in \"%1\" gespeichert werden: ")
                                           .arg(QDir::toNativeSeparators(missing + QLatin1String("abschluss.dat")))),
             qPrintable(change.message));
    QCOMPARE(closed.read().kind, ClosedPeriod::State::Open);
}

void TestClosedPeriod::bookingServiceRefuses_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<bool>("stored");
    QTest::newRow("on the closing date") << QDate(2025, 1, 31) << false;
    QTest::newRow("the day after") << QDate(2025, 2, 1) << true;
}

void TestClosedPeriod::bookingServiceRefuses()
{
    QFETCH(QDate, date);
    QFETCH(bool, stored);
    FixedClock clock(QDateTime(Today, QTime(9, 0)));
    const QString tablePath = m_dir->filePath(QStringLiteral("arbeitszeit.dbf"));
    DbfTable table(clock);
    QVERIFY(table.create(tablePath, WorkTimeTables::fieldDefinitions(&ProgramTexts::german)));
    QVERIFY(table.open(tablePath));
    ClashIndex index(table);
    closeAt(QDate(2025, 1, 31));
    ClosedPeriod closed = period();
    OpenTableStore store(table, index, &closed);
    BookingService service(store, clock);
    BookingInput input;
    input.place = QStringLiteral("Bonn");
    input.activity = QStringLiteral("Malen");
    input.from = QTime(8, 0);
    input.to = QTime(12, 0);
    input.date = date;
    const BookingService::Outcome outcome = service.book(input, QStringLiteral("Anna"), [] { return true; });
    QCOMPARE(outcome.kind, stored ? BookingService::Outcome::Stored : BookingService::Outcome::Closed);
    QCOMPARE(outcome.error, stored ? QString() : closed.bookingRefusal(date));
    QCOMPARE(table.rowCount(), stored ? 1 : 0);
}

void TestClosedPeriod::closedWhileTheQuestionIsUp()
{
    FixedClock clock(QDateTime(Today, QTime(9, 0)));
    const QString tablePath = m_dir->filePath(QStringLiteral("arbeitszeit.dbf"));
    DbfTable table(clock);
    QVERIFY(table.create(tablePath, WorkTimeTables::fieldDefinitions(&ProgramTexts::german)));
    QVERIFY(table.open(tablePath));
    ClashIndex index(table);
    ClosedPeriod closed = period();
    OpenTableStore store(table, index, &closed);
    BookingService service(store, clock);
    BookingInput input;
    input.place = QStringLiteral("Bonn");
    input.activity = QStringLiteral("Malen");
    input.from = QTime(8, 0);
    input.to = QTime(12, 0);
    input.date = QDate(2025, 1, 20);
    QCOMPARE(service.book(input, QStringLiteral("Anna"), [] { return false; }).kind, BookingService::Outcome::Stored);
    // The clash question is up while the administrator closes January.
    const BookingService::Outcome outcome = service.book(input, QStringLiteral("Anna"), [this] {
        closeAt(QDate(2025, 1, 31));
        return true;
    });
    QCOMPARE(outcome.kind, BookingService::Outcome::Closed);
    QCOMPARE(table.rowCount(), 1);
}

void TestClosedPeriod::reportsNeverOverwriteIt()
{
    const QStringList own = OwnFiles::paths(directory(), m_dir->filePath(QStringLiteral("translate.dat")));
    QVERIFY(OwnFiles::isOwnFile(filePath(), own));
    QVERIFY(OwnFiles::isOwnFile(m_dir->path() + QStringLiteral("/./abschluss.dat"), own));
}

QTEST_GUILESS_MAIN(TestClosedPeriod)
#include "tst_closedperiod.moc"

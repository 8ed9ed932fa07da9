#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "storage/ClosingDateFile.h"
#include "storage/DbfTable.h"
#include "storage/UserListStore.h"
#include "support/FixedClock.h"
#include "support/TestFiles.h"

namespace {

struct CliResult
{
    int exitCode = -1;
    QString out;
    QString err;
};

} // namespace

// `tagwerk-cli close-period`, and `book` refused within the closed period.
class TestCliClosePeriod : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void closePeriod_data();
    void closePeriod();
    void bookingInTheClosedPeriod_data();
    void bookingInTheClosedPeriod();
    void helpSaysWhatIsRefused();
    void closingsEnterTheChangeHistory();

private:
    CliResult run(const QStringList &arguments, const QByteArray &input = {}) const;
    std::optional<QDate> closedUntil() const;

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestCliClosePeriod::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("db")));
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("program")));
    // The shipped dictionary, for the runs in English and Spanish.
    const QString shipped = QFileInfo(QStringLiteral(TAGWERK_CLI_PATH)).dir().filePath(QStringLiteral("translate.dat"));
    QVERIFY(QFile::copy(shipped, m_dir->filePath(QStringLiteral("program/translate.dat"))));
    UserListData users;
    users.users = {{QStringLiteral("Anna Schmidt"), QStringLiteral("anna"), QStringLiteral("geheim")}};
    users.adminPassword = QStringLiteral("chef");
    users.adminPasswordRepeat = QStringLiteral("chef");
    QVERIFY(UserListStore::save(m_dir->filePath(QStringLiteral("db/benutzer.dat")), users));
}

CliResult TestCliClosePeriod::run(const QStringList &arguments, const QByteArray &input) const
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TAGWERK_PROGRAM_DIR"), m_dir->filePath(QStringLiteral("program")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir->filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), m_dir->filePath(QStringLiteral("data")));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TAGWERK_CLI_PATH),
                  QStringList{QStringLiteral("--db"), m_dir->filePath(QStringLiteral("db"))} + arguments);
    CliResult result;
    if (!process.waitForStarted())
        return result;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000))
        return result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

std::optional<QDate> TestCliClosePeriod::closedUntil() const
{
    std::optional<QDate> until;
    ClosingDateFile::load(m_dir->filePath(QStringLiteral("db/abschluss.dat")), until);
    return until;
}

void TestCliClosePeriod::closePeriod_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err"); // the start of standard error
    QTest::addColumn<QDate>("closedAfter"); // invalid: nothing closed
    const QDate january(2025, 1, 31);
    const QString closed = QStringLiteral("Die Buchungen bis einschließlich 31.01.2025 sind abgeschlossen.\n");
    const QString wrong = QStringLiteral("Das Passwort war leider falsch.\n");
    const auto args = [](const char *until, const char *password) {
        return QStringList{QStringLiteral("close-period"), QStringLiteral("--until"), QString::fromUtf8(until),
                           QStringLiteral("--admin-password"), QString::fromUtf8(password)};
    };
    QTest::newRow("password from standard input") << args("31.01.2025", "-") << QByteArray("chef\n") << 0 << closed << "" << january;
    QTest::newRow("ISO date") << args("2025-01-31", "-") << QByteArray("chef\n") << 0 << closed << "" << january;
    QTest::newRow("password on the command line") << args("31.01.2025", "chef") << QByteArray() << 0 << closed << "" << january;
    QTest::newRow("reopen to an earlier date") << args("31.12.2024", "-") << QByteArray("chef\n") << 0
                                               << "Die Buchungen bis einschließlich 31.12.2024 sind abgeschlossen.\n" << ""
                                               << QDate(2024, 12, 31);
    QTest::newRow("reopen everything") << args("none", "-") << QByteArray("chef\n") << 0
                                       << "Es sind keine Buchungen abgeschlossen.\n" << "" << QDate();
    QTest::newRow("the same date again") << args("30.06.2024", "-") << QByteArray("chef\n") << 0
                                         << "Die Buchungen bis einschließlich 30.06.2024 sind abgeschlossen.\n" << ""
                                         << QDate(2024, 6, 30);
    QTest::newRow("wrong password") << args("none", "-") << QByteArray("Chef\n") << 1 << "" << wrong << QDate(2024, 6, 30);
    QTest::newRow("wrong password on the command line") << args("31.01.2025", "falsch") << QByteArray() << 1 << "" << wrong
                                                        << QDate(2024, 6, 30);
    QTest::newRow("after today") << args("31.12.2999", "chef") << QByteArray() << 1 << ""
                                 << "Buchungen können höchstens bis heute (" << QDate(2024, 6, 30);
    QTest::newRow("not a date") << args("31.02.2025", "chef") << QByteArray() << 2 << ""
                                << "tagwerk-cli close-period: --until nimmt DD.MM.YYYY, YYYY-MM-DD oder none" << QDate(2024, 6, 30);
    QTest::newRow("nothing on standard input") << args("none", "-") << QByteArray() << 2 << ""
                                               << "tagwerk-cli: --admin-password - fand keine Zeile auf der Standardeingabe"
                                               << QDate(2024, 6, 30);
    QTest::newRow("no --until") << QStringList{QStringLiteral("close-period"), QStringLiteral("--admin-password"), QStringLiteral("chef")}
                                << QByteArray() << 2 << "" << "tagwerk-cli: close-period braucht --until" << QDate(2024, 6, 30);
    QTest::newRow("a booking option") << args("none", "chef") + QStringList{QStringLiteral("--user"), QStringLiteral("anna")}
                                      << QByteArray() << 2 << "" << "tagwerk-cli: --user passt nicht zu close-period"
                                      << QDate(2024, 6, 30);
    QTest::newRow("in English") << QStringList{QStringLiteral("--lang"), QStringLiteral("en")} + args("31.01.2025", "chef")
                                << QByteArray() << 0 << "Bookings up to and including 31.01.2025 are closed.\n" << "" << january;
    QTest::newRow("in Spanish, wrong password") << QStringList{QStringLiteral("--lang"), QStringLiteral("es")} + args("none", "x")
                                                << QByteArray() << 1 << ""
                                                << "Lo sentimos, la contraseña no es correcta.\n" << QDate(2024, 6, 30);
}

void TestCliClosePeriod::closePeriod()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QDate, closedAfter);
    const CliResult first = run({QStringLiteral("close-period"), QStringLiteral("--until"), QStringLiteral("30.06.2024"),
                                 QStringLiteral("--admin-password"), QStringLiteral("chef")});
    QCOMPARE(first.exitCode, 0);
    const QByteArray before = TestFiles::readAll(m_dir->filePath(QStringLiteral("db/abschluss.dat")));
    const CliResult result = run(arguments, input);
    QVERIFY2(err.isEmpty() ? result.err.isEmpty() : result.err.startsWith(err), qPrintable(result.err));
    QCOMPARE(result.exitCode, exitCode);
    QCOMPARE(result.out, out);
    QCOMPARE(closedUntil().value_or(QDate()), closedAfter);
    if (exitCode != 0)
        QCOMPARE(TestFiles::readAll(m_dir->filePath(QStringLiteral("db/abschluss.dat"))), before);
    // The closing is part of the change history: close-period begins it
    // (with the table) when there is none yet.
    QCOMPARE(QFile::exists(m_dir->filePath(QStringLiteral("db/protokoll.dbf"))), true);
}

void TestCliClosePeriod::bookingInTheClosedPeriod_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("err");
    QTest::newRow("on the closing date") << "31.01.2025" << 1
                                         << "Die Buchungen bis einschließlich 31.01.2025 sind abgeschlossen. "
                                            "Für den 31.01.2025 kann nicht mehr gebucht werden.\n";
    QTest::newRow("ISO, before it") << "2025-01-02" << 1
                                    << "Die Buchungen bis einschließlich 31.01.2025 sind abgeschlossen. "
                                       "Für den 02.01.2025 kann nicht mehr gebucht werden.\n";
    QTest::newRow("the day after") << "01.02.2025" << 0 << "";
}

void TestCliClosePeriod::bookingInTheClosedPeriod()
{
    QFETCH(QString, date);
    QFETCH(int, exitCode);
    QFETCH(QString, err);
    QCOMPARE(run({QStringLiteral("close-period"), QStringLiteral("--until"), QStringLiteral("31.01.2025"),
                  QStringLiteral("--admin-password"), QStringLiteral("chef")})
                 .exitCode,
             0);
    const CliResult result =
        run({QStringLiteral("book"), QStringLiteral("--user"), QStringLiteral("anna"), QStringLiteral("--password"),
             QStringLiteral("-"), QStringLiteral("--place"), QStringLiteral("Bonn"), QStringLiteral("--activity"),
             QStringLiteral("Malen"), QStringLiteral("--date"), date, QStringLiteral("--from"), QStringLiteral("08:00"),
             QStringLiteral("--to"), QStringLiteral("12:00")},
            "geheim\n");
    QCOMPARE(result.err, err);
    QCOMPARE(result.exitCode, exitCode);
    const FixedClock clock;
    DbfTable table(clock);
    QVERIFY(table.open(m_dir->filePath(QStringLiteral("db/arbeitszeit.dbf")), DbfTable::OpenMode::ReadOnly));
    QCOMPARE(table.rowCount(), exitCode == 0 ? 1 : 0);
}

void TestCliClosePeriod::helpSaysWhatIsRefused()
{
    const CliResult help = run({QStringLiteral("--help")});
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.contains(QStringLiteral("close-period --until DATE|none --admin-password -")));
    QVERIFY(help.out.contains(QStringLiteral("nothing can be\n      booked")));
    for (const QString &line : help.out.split(QLatin1Char('\n')))
        QVERIFY2(line.size() <= 80, qPrintable(line));
}

// Every closing and reopening is itself an entry of the change history, and
// the chain still verifies after them.
void TestCliClosePeriod::closingsEnterTheChangeHistory()
{
    const QStringList book = {QStringLiteral("book"), QStringLiteral("--user"), QStringLiteral("anna"),
                              QStringLiteral("--password"), QStringLiteral("-"), QStringLiteral("--place"),
                              QStringLiteral("Bonn"), QStringLiteral("--activity"), QStringLiteral("Malen"),
                              QStringLiteral("--date"), QStringLiteral("02.01.2025"), QStringLiteral("--from"),
                              QStringLiteral("08:00"), QStringLiteral("--to"), QStringLiteral("12:00")};
    QCOMPARE(run(book, "geheim\n").exitCode, 0);
    for (const char *until : {"31.01.2025", "31.12.2024", "none"}) {
        QCOMPARE(run({QStringLiteral("close-period"), QStringLiteral("--until"), QLatin1String(until),
                      QStringLiteral("--admin-password"), QStringLiteral("chef")})
                     .exitCode,
                 0);
    }
    const CliResult history = run({QStringLiteral("history")});
    QCOMPARE(history.exitCode, 0);
    QStringList closings;
    QStringList actions;
    for (const QString &line : history.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        QVERIFY2(fields.size() >= 6, qPrintable(line));
        if (fields.at(1) == QLatin1String("Administrator") && fields.at(4) == QLatin1String("0")) {
            actions << fields.at(3);
            closings << fields.at(5);
        }
    }
    QCOMPARE(closings, QStringList({QStringLiteral("Abgeschlossen bis:  \u2192 31.01.2025"),
                                    QStringLiteral("Abgeschlossen bis: 31.01.2025 \u2192 31.12.2024"),
                                    QStringLiteral("Abgeschlossen bis: 31.12.2024 \u2192 ")}));
    // A closing and the two reopenings are told apart.
    QVERIFY(actions.at(0) != actions.at(1));
    QCOMPARE(actions.at(1), actions.at(2));
    QCOMPARE(run({QStringLiteral("verify")}).exitCode, 0);
}

QTEST_GUILESS_MAIN(TestCliClosePeriod)
#include "tst_cli_closeperiod.moc"

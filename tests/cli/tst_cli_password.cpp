#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "cli/ConsoleText.h"

#include "storage/DbfTable.h"
#include "storage/UserListStore.h"
#include "storage/WorkTimeTables.h"
#include "support/FixedClock.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace {

struct CliResult
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

} // namespace

// `tagwerk-cli book --password -`: the password from standard input instead
// of the command line, where every user of the machine can read it.
class TestCliPassword : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void passwordFromStandardInput_data();
    void passwordFromStandardInput();
    void terminalDoesNotEcho();
    void helpPrefersStandardInput();
    void consoleLineFromWide_data();
    void consoleLineFromWide();
    void lockedTableEndsTheBooking();

private:
    QStringList bookArguments(const QString &password) const;
    void prepare(QProcess &process, const QStringList &arguments) const;
    int storedRows() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    FixedClock m_clock;
};

void TestCliPassword::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    UserListData users;
    users.users = {{QStringLiteral("Anna Schmidt"), QStringLiteral("anna"), QStringLiteral("geheim")}};
    QVERIFY(UserListStore::save(m_dir->filePath(QStringLiteral("benutzer.dat")), users));
}

QStringList TestCliPassword::bookArguments(const QString &password) const
{
    return {QStringLiteral("--db"), m_dir->path(), QStringLiteral("book"), QStringLiteral("--user"), QStringLiteral("anna"),
            QStringLiteral("--password"), password, QStringLiteral("--place"), QStringLiteral("Bonn"),
            QStringLiteral("--activity"), QStringLiteral("Malen"), QStringLiteral("--date"), QStringLiteral("2024-03-05"),
            QStringLiteral("--from"), QStringLiteral("08:00"), QStringLiteral("--to"), QStringLiteral("12:00")};
}

void TestCliPassword::prepare(QProcess &process, const QStringList &arguments) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TAGWERK_PROGRAM_DIR"), m_dir->path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir->filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), m_dir->filePath(QStringLiteral("data")));
    process.setProcessEnvironment(environment);
    process.setProgram(QStringLiteral(TAGWERK_CLI_PATH));
    process.setArguments(arguments);
}

int TestCliPassword::storedRows() const
{
    DbfTable table(m_clock);
    if (!table.open(m_dir->filePath(QStringLiteral("arbeitszeit.dbf"))))
        return -1;
    return int(table.rowCount());
}

void TestCliPassword::passwordFromStandardInput_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    const QString refused = QStringLiteral("Das Passwort oder der Benutzername war leider falsch.");
    QTest::newRow("one line") << QStringLiteral("-") << QByteArray("geheim\n") << 0 << QString();
    QTest::newRow("line ended by CR LF") << QStringLiteral("-") << QByteArray("geheim\r\n") << 0 << QString();
    QTest::newRow("last line without its end") << QStringLiteral("-") << QByteArray("geheim") << 0 << QString();
    QTest::newRow("only the first line counts") << QStringLiteral("-") << QByteArray("geheim\nmehr\n") << 0 << QString();
    QTest::newRow("blanks are part of it") << QStringLiteral("-") << QByteArray(" geheim\n") << 1 << refused;
    QTest::newRow("wrong password") << QStringLiteral("-") << QByteArray("Geheim\n") << 1 << refused;
    QTest::newRow("nothing on the input") << QStringLiteral("-") << QByteArray() << 2
                                          << QStringLiteral("tagwerk-cli: --password - fand keine Zeile auf der Standardeingabe");
    QTest::newRow("an empty line is an empty password") << QStringLiteral("-") << QByteArray("\n") << 1 << refused;
    QTest::newRow("on the command line still") << QStringLiteral("geheim") << QByteArray() << 0 << QString();
}

void TestCliPassword::passwordFromStandardInput()
{
    QFETCH(QString, argument);
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QProcess process;
    prepare(process, bookArguments(argument));
    process.start();
    QVERIFY(process.waitForStarted());
    process.write(input);
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(process.exitCode(), exitCode);
    if (!message.isEmpty())
        QCOMPARE(err.split(QLatin1Char('\n')).first(), message);
    // No prompt where nobody types.
    QVERIFY(!err.contains(QStringLiteral("Passwort:")));
    QCOMPARE(storedRows(), exitCode == 0 ? 1 : 0);
}

void TestCliPassword::terminalDoesNotEcho()
{
#ifndef Q_OS_UNIX
    QSKIP("a pseudo terminal is a Unix test");
#else
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(master >= 0);
    QVERIFY(grantpt(master) == 0 && unlockpt(master) == 0);
    const QString terminal = QString::fromLocal8Bit(ptsname(master));
    QProcess process;
    prepare(process, bookArguments(QStringLiteral("-")));
    process.setStandardInputFile(terminal);
    process.start();
    QVERIFY(process.waitForStarted());
    // Type only once the echo is off, as a person would after the prompt.
    termios settings{};
    QTRY_VERIFY_WITH_TIMEOUT(tcgetattr(master, &settings) == 0 && !(settings.c_lflag & ECHO), 20000);
    QCOMPARE(::write(master, "geheim\n", 7), ssize_t(7));
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(process.readAllStandardError().startsWith("Passwort: "));
    QByteArray screen;
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    char buffer[256];
    for (ssize_t n = ::read(master, buffer, sizeof buffer); n > 0; n = ::read(master, buffer, sizeof buffer))
        screen.append(buffer, n);
    QVERIFY2(!screen.contains("geheim"), screen.constData());
    // The terminal echoes again afterwards.
    QVERIFY(tcgetattr(master, &settings) == 0);
    QVERIFY(settings.c_lflag & ECHO);
    ::close(master);
    QCOMPARE(storedRows(), 1);
#endif
}

void TestCliPassword::helpPrefersStandardInput()
{
    QProcess process;
    prepare(process, {QStringLiteral("--help")});
    process.start();
    QVERIFY(process.waitForFinished(60000));
    const QString help = QString::fromUtf8(process.readAllStandardOutput());
    QVERIFY(help.contains(QStringLiteral("book --user LOGIN --password - ")));
    QVERIFY(help.contains(QStringLiteral("Prefer it")));
    QFile readme(QStringLiteral(TEST_DATA_DIR "/../../README.md"));
    QVERIFY(readme.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(readme.readAll());
    QVERIFY(text.contains(QStringLiteral("Give the password as `--password -`")));
}

// What a Windows console hands over for a typed line, in UTF-16: the
// password is the line, umlauts and characters beyond the BMP whole.
void TestCliPassword::consoleLineFromWide_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("password");
    QTest::newRow("umlauts") << QStringLiteral("Grüße-Äö\r\n") << QStringLiteral("Grüße-Äö");
    QTest::newRow("euro and beyond the BMP") << QStringLiteral("€uro😀\r\n") << QStringLiteral("€uro😀");
    QTest::newRow("LF only") << QStringLiteral("ß\n") << QStringLiteral("ß");
    QTest::newRow("no line end") << QStringLiteral("Müller") << QStringLiteral("Müller");
    QTest::newRow("empty line") << QStringLiteral("\r\n") << QString();
    QTest::newRow("what follows the line is not part of it") << QStringLiteral("eins\r\nzwei") << QStringLiteral("eins");
}

void TestCliPassword::consoleLineFromWide()
{
    QFETCH(QString, typed);
    QFETCH(QString, password);
    const std::u16string units(reinterpret_cast<const char16_t *>(typed.utf16()), size_t(typed.size()));
    QCOMPARE(ConsoleText::lineFromWide(units), password);
}

// Another PC holds the table's lock and does not let go (it crashed): the
// booking waits a few seconds, then ends with the message and exit 2.
void TestCliPassword::lockedTableEndsTheBooking()
{
    {
        QProcess first;
        prepare(first, bookArguments(QStringLiteral("geheim")));
        first.start();
        QVERIFY(first.waitForFinished(60000));
        QCOMPARE(first.exitCode(), 0);
    }
    const QString path = m_dir->filePath(QStringLiteral("arbeitszeit.dbf"));
    DbfTable holder(m_clock);
    QVERIFY(holder.open(path));
    QVERIFY(holder.lockHeader());

    QProcess process;
    prepare(process, bookArguments(QStringLiteral("geheim")));
    process.start();
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(process.exitCode(), 2);
    QVERIFY2(err.contains(QStringLiteral("\"%1\" ist von einem anderen Arbeitsplatz oder Programm gesperrt")
                              .arg(QDir::toNativeSeparators(path))),
             qPrintable(err));
    holder.unlockHeader();
    QCOMPARE(storedRows(), 1);
}

QTEST_GUILESS_MAIN(TestCliPassword)
#include "tst_cli_password.moc"

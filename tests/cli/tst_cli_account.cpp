#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "storage/AccountTables.h"
#include "storage/DbfFormat.h"
#include "storage/DbfTable.h"
#include "storage/UserListStore.h"
#include "storage/WorkTimeTables.h"
#include "support/FixedClock.h"
#include "translation/ProgramTexts.h"

// The working-time account's commands of tagwerk-cli on a Database directory
// holding a few bookings of May 2025. Each row runs its set-up commands (each
// must succeed), then the command it checks. A command is written as its
// arguments separated by ";".
class TestCliAccount : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void commands_data();
    void commands();
    void tablesAreDbaseTables();
    void unreadableTables_data();
    void unreadableTables();
    void handEditsAreFound_data();
    void handEditsAreFound();
    void historyNamesTheChanges();

private:
    struct Result
    {
        int exitCode = -1;
        QString out;
        QString err;
    };
    Result run(const QString &command) const;

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestCliAccount::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("db")));
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("program")));
    const QString shipped = QFileInfo(QStringLiteral(TAGWERK_CLI_PATH)).dir().filePath(QStringLiteral("translate.dat"));
    QVERIFY(QFile::copy(shipped, m_dir->filePath(QStringLiteral("program/translate.dat"))));
    UserListData users;
    users.adminPassword = QStringLiteral("chef");
    users.adminPasswordRepeat = QStringLiteral("chef");
    QVERIFY(UserListStore::save(m_dir->filePath(QStringLiteral("db/benutzer.dat")), users));

    FixedClock clock;
    DbfTable table(clock);
    const QString path = m_dir->filePath(QStringLiteral("db/arbeitszeit.dbf"));
    QVERIFY(table.create(path, WorkTimeTables::fieldDefinitions(&ProgramTexts::german)));
    QVERIFY(table.open(path));
    // date, employee, from, to, break: 6:00, 8:30 across midnight, 8:00.
    const char *const bookings[][5] = {{"02.05.2025", "Anna", "08:00", "14:00", "00:00"},
                                       {"05.05.2025", "Anna", "22:00", "07:00", "00:30"},
                                       {"06.05.2025", "Anna", "08:00", "16:30", "00:30"},
                                       {"05.05.2025", "Bert", "08:00", "16:00", "00:00"}};
    for (const auto &booking : bookings) {
        DbfRecord record = table.newRecord();
        record.setText(WorkTimeTables::Datum, QString::fromUtf8(booking[0]));
        record.setText(WorkTimeTables::Arbeiter, QString::fromUtf8(booking[1]));
        record.setText(WorkTimeTables::Ort, QStringLiteral("Werkstatt"));
        record.setText(WorkTimeTables::Taetigkeit, QStringLiteral("Montage"));
        record.setText(WorkTimeTables::ZeitVon, QString::fromUtf8(booking[2]));
        record.setText(WorkTimeTables::ZeitBis, QString::fromUtf8(booking[3]));
        record.setText(WorkTimeTables::Pause, QString::fromUtf8(booking[4]));
        QVERIFY(table.append(record));
    }
}

TestCliAccount::Result TestCliAccount::run(const QString &command) const
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TAGWERK_PROGRAM_DIR"), m_dir->filePath(QStringLiteral("program")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir->filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), m_dir->filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir->path()); // made private: a PDF needs one
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(m_dir->path());
    process.start(QStringLiteral(TAGWERK_CLI_PATH),
                  QStringList{QStringLiteral("--db"), m_dir->filePath(QStringLiteral("db"))} + command.split(QLatin1Char(';')));
    Result result;
    if (!process.waitForStarted())
        return result;
    process.write("chef\n"); // for --admin-password -
    process.closeWriteChannel();
    if (!process.waitForFinished(60000))
        return result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

void TestCliAccount::commands_data()
{
    QTest::addColumn<QStringList>("setUp");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err"); // the start of standard error

    const QString state = QStringLiteral("holidays;set-state;BY;--admin-password;-");
    const QString target = QStringLiteral("target;set;--employee;Anna;--valid-from;01.05.2025;--week;"
                                          "8:00 8:00 8:00 8:00 6:00 0:00 0:00;--vacation-days;28;"
                                          "--opening-balance;-1:30;--admin-password;chef");
    const QString sick = QStringLiteral("absence;add;--employee;Anna;--from;07.05.2025;--to;07.05.2025;--kind;sick;"
                                        "--admin-password;chef");
    const QString closeApril = QStringLiteral("close-period;--until;30.04.2025;--admin-password;chef");
    const QStringList account = {state, target, sick};

    QTest::newRow("holidays of Saxony") << QStringList() << "holidays;--year;2025;--state;SN" << 0
        << "01.01.2025\tNeujahr\n18.04.2025\tKarfreitag\n21.04.2025\tOstermontag\n01.05.2025\tTag der Arbeit\n"
           "29.05.2025\tChristi Himmelfahrt\n09.06.2025\tPfingstmontag\n03.10.2025\tTag der Deutschen Einheit\n"
           "31.10.2025\tReformationstag\n19.11.2025\tBuß- und Bettag\n25.12.2025\t1. Weihnachtstag\n"
           "26.12.2025\t2. Weihnachtstag\n" << "";
    QTest::newRow("the firm's state and day, in English")
        << QStringList{state, QStringLiteral("holidays;add-day;2025-08-15;Mariä Himmelfahrt;--admin-password;chef")}
        << "--lang;en;holidays;--year;2025" << 0
        << "01.01.2025\tNew Year's Day\n06.01.2025\tEpiphany\n18.04.2025\tGood Friday\n21.04.2025\tEaster Monday\n"
           "01.05.2025\tLabour Day\n29.05.2025\tAscension Day\n09.06.2025\tWhit Monday\n19.06.2025\tCorpus Christi\n"
           "15.08.2025\tMariä Himmelfahrt\n03.10.2025\tDay of German Unity\n01.11.2025\tAll Saints' Day\n"
           "25.12.2025\tChristmas Day\n26.12.2025\tBoxing Day\n" << "";
    QTest::newRow("firm day removed")
        << QStringList{QStringLiteral("holidays;add-day;24.12.2025;Heiligabend;--admin-password;chef"),
                       QStringLiteral("holidays;remove-day;24.12.2025;--admin-password;chef")}
        << "holidays;--year;2025;--state;HH" << 0
        << "01.01.2025\tNeujahr\n18.04.2025\tKarfreitag\n21.04.2025\tOstermontag\n01.05.2025\tTag der Arbeit\n"
           "29.05.2025\tChristi Himmelfahrt\n09.06.2025\tPfingstmontag\n03.10.2025\tTag der Deutschen Einheit\n"
           "31.10.2025\tReformationstag\n25.12.2025\t1. Weihnachtstag\n26.12.2025\t2. Weihnachtstag\n" << "";
    QTest::newRow("no such firm day") << QStringList() << "holidays;remove-day;24.12.2025;--admin-password;chef" << 1 << ""
                                      << "Der 24.12.2025 ist kein Tag der Firma.";
    QTest::newRow("year not a year") << QStringList() << "holidays;--year;20x5" << 2 << ""
                                     << "tagwerk-cli holidays: --year nimmt ein Jahr von 1583 bis 9999";
    QTest::newRow("unknown state") << QStringList() << "holidays;set-state;XY;--admin-password;chef" << 2 << ""
                                   << "tagwerk-cli holidays set-state: Das Land ist eines der Kürzel BW BY BE";
    QTest::newRow("wrong password") << QStringList() << "holidays;set-state;BY;--admin-password;Chef" << 1 << ""
                                    << "Das Passwort war leider falsch.";
    QTest::newRow("an option of another command") << QStringList() << "holidays;--year;2025;--employee;Anna" << 2 << ""
                                                  << "tagwerk-cli: --employee passt nicht zu holidays";

    QTest::newRow("target rows, the later keeping entitlement and balance")
        << QStringList{target, QStringLiteral("target;set;--employee;Anna;--valid-from;01.09.2025;--week;"
                                              "4:00 4:00 4:00 4:00 0:00 0:00 0:00;--admin-password;chef")}
        << "target;list" << 0
        << "Anna\t01.05.2025\t8:00\t8:00\t8:00\t8:00\t6:00\t0:00\t0:00\t28\t-1:30\n"
           "Anna\t01.09.2025\t4:00\t4:00\t4:00\t4:00\t0:00\t0:00\t0:00\t28\t-1:30\n" << "";
    QTest::newRow("target removed")
        << QStringList{target, QString(target).replace(QStringLiteral("01.05.2025"), QStringLiteral("01.09.2025")),
                       QStringLiteral("target;remove;--employee;Anna;--valid-from;01.09.2025;--admin-password;chef")}
        << "target;list" << 0 << "Anna\t01.05.2025\t8:00\t8:00\t8:00\t8:00\t6:00\t0:00\t0:00\t28\t-1:30\n" << "";
    QTest::newRow("target removed in the closed period")
        << QStringList{QString(target).replace(QStringLiteral("01.05.2025"), QStringLiteral("01.04.2025")), closeApril}
        << "target;remove;--employee;Anna;--valid-from;01.04.2025;--admin-password;chef" << 1 << ""
        << "Die Buchungen bis einschließlich 30.04.2025 sind abgeschlossen. Eine Sollzeit ab dem 01.04.2025 kann nicht "
           "mehr gesetzt oder geändert werden.";
    QTest::newRow("target replaced at the same date")
        << QStringList{target, QString(target).replace(QStringLiteral(";28;"), QStringLiteral(";27,5;"))}
        << "target;list;--employee;Anna" << 0 << "Anna\t01.05.2025\t8:00\t8:00\t8:00\t8:00\t6:00\t0:00\t0:00\t27,5\t-1:30\n"
        << "";
    QTest::newRow("week of six days") << QStringList()
        << "target;set;--employee;Anna;--valid-from;01.05.2025;--week;8:00 8:00 8:00 8:00 8:00 0:00;--admin-password;chef"
        << 2 << "" << "tagwerk-cli target set: --week nimmt sieben Zeiten H:MM von Montag bis Sonntag";

    QTest::newRow("absence list in Spanish")
        << QStringList{sick, QStringLiteral("absence;add;--employee;Anna;--from;12.05.2025;--to;16.05.2025;--kind;vacation;"
                                            "--admin-password;chef"),
                       QStringLiteral("absence;add;--employee;Bert;--from;02.05.2025;--to;02.05.2025;--kind;leave;"
                                      "--half-day;--admin-password;chef")}
        << "--lang;es;absence;list;--from;01.05.2025;--to;10.05.2025" << 0
        << "Anna\t07.05.2025\t07.05.2025\tEnfermedad\t\nBert\t02.05.2025\t02.05.2025\tOtro permiso retribuido\tmedio día\n"
        << "";
    QTest::newRow("absence overlapping another") << QStringList{sick}
        << "absence;add;--employee;Anna;--from;06.05.2025;--to;08.05.2025;--kind;unpaid;--admin-password;chef" << 1 << ""
        << "Anna ist vom 07.05.2025 bis 07.05.2025 schon abwesend.";
    QTest::newRow("absence in the closed period") << QStringList{closeApril}
        << "absence;add;--employee;Anna;--from;30.04.2025;--to;02.05.2025;--kind;vacation;--admin-password;chef" << 1 << ""
        << "Die Buchungen bis einschließlich 30.04.2025 sind abgeschlossen.";
    QTest::newRow("absence removed from the closed period")
        << QStringList{QStringLiteral("absence;add;--employee;Anna;--from;28.04.2025;--to;29.04.2025;--kind;vacation;"
                                      "--admin-password;chef"),
                       closeApril}
        << "absence;remove;--employee;Anna;--from;28.04.2025;--to;29.04.2025;--admin-password;chef" << 1 << ""
        << "Die Buchungen bis einschließlich 30.04.2025 sind abgeschlossen.";
    QTest::newRow("target in the closed period") << QStringList{closeApril}
        << "target;set;--employee;Anna;--valid-from;30.04.2025;--week;8:00 8:00 8:00 8:00 6:00 0:00 0:00;"
           "--admin-password;chef" << 1 << ""
        << "Die Buchungen bis einschließlich 30.04.2025 sind abgeschlossen. Eine Sollzeit ab dem 30.04.2025 kann nicht "
           "mehr gesetzt oder geändert werden.";
    QTest::newRow("target replaced in the closed period")
        << QStringList{QString(target).replace(QStringLiteral("01.05.2025"), QStringLiteral("01.04.2025")), closeApril}
        << QString(target).replace(QStringLiteral("01.05.2025"), QStringLiteral("01.04.2025")) << 1 << ""
        << "Die Buchungen bis einschließlich 30.04.2025 sind abgeschlossen.";
    QTest::newRow("target after the closed period") << QStringList{closeApril} << target << 0
        << "Sollzeit gespeichert: Anna ab 01.05.2025\n" << "";
    QTest::newRow("firm day in the closed period") << QStringList{closeApril}
        << "holidays;add-day;30.04.2025;Brückentag;--admin-password;chef" << 1 << ""
        << "Die Buchungen bis einschließlich 30.04.2025 sind abgeschlossen. Ein Tag der Firma am 30.04.2025";
    QTest::newRow("absence removed") << QStringList{sick, QStringLiteral("absence;remove;--employee;Anna;--from;07.05.2025;"
                                                                          "--to;07.05.2025;--admin-password;chef")}
                                     << "absence;list" << 0 << "" << "";
    QTest::newRow("password from standard input") << QStringList() << "holidays;set-state;HE;--admin-password;-"
                                                         << 0 << "Bundesland der Firma: HE\n" << "";
    QTest::newRow("absence kind unknown") << QStringList()
        << "absence;add;--employee;Anna;--from;07.05.2025;--to;07.05.2025;--kind;holiday;--admin-password;chef" << 2 << ""
        << "tagwerk-cli absence add: --kind nimmt vacation, sick, leave oder unpaid";

    // 1 May a holiday: 2 May 6:00, 5-7 May 8:00 each owed, 30:00. Worked
    // 6:00 + 8:30 (across midnight) + 8:00; the sick day credits 8:00.
    // Balance -1:30 + 0:30.
    QTest::newRow("account") << account << "report;account;--from;01.05.2025;--to;07.05.2025" << 0
        << "Arbeitszeitkonto 01.05.2025 - 07.05.2025\n\n"
           "Mitarbeiter  Monat     Soll    Ist  Angerechnete Abwesenheit  Differenz  Saldo am Monatsende  "
           "Urlaubstage genommen  Resturlaub am Monatsende\n"
           "Anna         05.2025  30:00  22:30                      8:00       0:30                -1:00  "
           "                   0                        28\n" << "";
    QTest::newRow("account as CSV in English") << account
        << "--lang;en;report;account;--from;01.05.2025;--to;07.05.2025;--choice;Anna;--format;csv" << 0
        << "\uFEFFEmployee;Month;Target;Worked;Credited absence;Difference;Balance at month end;Vacation days taken;"
           "Vacation days left at month end\r\nAnna;05.2025;30:00;22:30;8:00;0:30;'-1:00;0;28\r\n" << "";
    QTest::newRow("account of an employee without target") << account
        << "report;account;--from;01.05.2025;--to;07.05.2025;--choice;Bert" << 2 << ""
        << "tagwerk-cli report account: 'Bert' hat keine Sollzeit";
    QTest::newRow("account period reversed") << account << "report;account;--from;07.05.2025;--to;01.05.2025" << 2 << ""
        << "tagwerk-cli report account: Der Zeitraum beginnt nach seinem Ende";
    QTest::newRow("missing days") << account << "report;missing;--from;01.05.2025;--to;09.05.2025;--format;csv" << 0
        << "\uFEFFMitarbeiter;Datum\r\nAnna;08.05.2025\r\nAnna;09.05.2025\r\n" << "";
    QTest::newRow("missing days as text") << account << "report;missing;--from;01.05.2025;--to;08.05.2025" << 0
        << "Fehlende Buchungen 01.05.2025 - 08.05.2025\n\nMitarbeiter  Datum\nAnna         08.05.2025\n" << "";
    // With --output, `out` is the start of the file written.
    QTest::newRow("missing days to a file") << account
        << "report;missing;--from;01.05.2025;--to;08.05.2025;--output;fehlt.txt" << 0
        << "Fehlende Buchungen 01.05.2025 - 08.05.2025\n\nMitarbeiter  Datum\nAnna         08.05.2025\n" << "";
    QTest::newRow("account as PDF") << account
        << "report;account;--from;01.05.2025;--to;07.05.2025;--format;pdf;--output;konto.pdf" << 0 << "%PDF-" << "";
    QTest::newRow("a PDF needs a file") << account << "report;account;--from;01.05.2025;--to;07.05.2025;--format;pdf"
        << 2 << "" << "tagwerk-cli report account: Ein PDF braucht --output DATEI";
}

void TestCliAccount::commands()
{
    QFETCH(QStringList, setUp);
    QFETCH(QString, command);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    for (const QString &step : setUp) {
        const Result done = run(step);
        QVERIFY2(done.exitCode == 0, qPrintable(step + QStringLiteral(": ") + done.err));
    }
    const Result result = run(command);
    const QStringList arguments = command.split(QLatin1Char(';'));
    const qsizetype output = arguments.indexOf(QStringLiteral("--output"));
    if (output < 0) {
        QCOMPARE(result.out, out);
    } else {
        QFile written(m_dir->filePath(arguments.value(output + 1)));
        QVERIFY2(written.open(QIODevice::ReadOnly), qPrintable(result.err));
        QCOMPARE(QString::fromUtf8(written.read(out.toUtf8().size())), out);
    }
    QVERIFY2(err.isEmpty() ? result.err.isEmpty() : result.err.startsWith(err), qPrintable(result.err));
    QCOMPARE(result.exitCode, exitCode);
}

// What the commands write can be read field by field by any dBase reader.
void TestCliAccount::tablesAreDbaseTables()
{
    for (const char *step :
         {"target;set;--employee;Anna;--valid-from;01.05.2025;--week;8:00 8:00 8:00 8:00 6:00 0:00 0:00;"
          "--vacation-days;27,5;--opening-balance;-12:05;--admin-password;chef",
          "absence;add;--employee;Anna;--from;07.05.2025;--to;08.05.2025;--kind;unpaid;--half-day;--admin-password;chef",
          "holidays;add-day;24.12.2025;Heiligabend;--admin-password;chef", "holidays;set-state;NW;--admin-password;chef"})
        QCOMPARE(run(QString::fromUtf8(step)).exitCode, 0);
    const struct {
        const char *file;
        const char *fields;
        const char *values;
    } tables[] = {
        {AccountTables::TargetFileName, "ARBEITER GUELTIGAB MO DI MI DO FR SA SO URLAUB SALDO",
         "Anna|01.05.2025|8:00|8:00|8:00|8:00|6:00|0:00|0:00|27,5|-12:05"},
        {AccountTables::AbsenceFileName, "ARBEITER VON BIS ART HALBTAG", "Anna|07.05.2025|08.05.2025|Unbezahlt|True"},
        {AccountTables::FirmDayFileName, "DATUM NAME", "24.12.2025|Heiligabend"},
        {AccountTables::StateFileName, "LAND", "NW"},
    };
    FixedClock clock;
    for (const auto &expected : tables) {
        DbfTable table(clock);
        QVERIFY(table.open(m_dir->filePath(QStringLiteral("db/") + QLatin1String(expected.file)), DbfTable::OpenMode::ReadOnly));
        QStringList names;
        QStringList values;
        QCOMPARE(table.rowCount(), 1);
        DbfRecord record;
        QVERIFY(table.readRow(0, record));
        for (int field = 0; field < table.fieldCount(); ++field) {
            names << table.fields().at(field).name;
            values << record.text(field);
        }
        QCOMPARE(names.join(QLatin1Char(' ')), QLatin1String(expected.fields));
        QCOMPARE(values.join(QLatin1Char('|')), QString::fromUtf8(expected.values));
        QCOMPARE(table.languageDriver(), DbfFormat::AnsiLanguageDriver);
    }
}

void TestCliAccount::unreadableTables_data()
{
    QTest::addColumn<int>("fields"); // of sollzeit.dbf, all C10
    QTest::addColumn<QString>("validFrom");
    QTest::addColumn<QString>("err");
    QTest::newRow("fields missing") << 3 << "01.05.2025" << "Die Tabelle \"%1\" hat nicht die Felder, die Tagwerk erwartet.\n";
    QTest::newRow("no date") << 11 << "31.02.2025" << "Der Datensatz 1 der Tabelle \"%1\" kann nicht gelesen werden.\n";
}

// A table another tool damaged stops every command that reads it, naming it;
// nothing is written over it.
void TestCliAccount::unreadableTables()
{
    QFETCH(int, fields);
    QFETCH(QString, validFrom);
    QFETCH(QString, err);
    const QString path = m_dir->filePath(QStringLiteral("db/sollzeit.dbf"));
    QList<DbfFieldDef> defs;
    for (int i = 0; i < fields; ++i)
        defs.append({QStringLiteral("F%1").arg(i), DbfFieldType::Character, 10});
    FixedClock clock;
    DbfTable table(clock);
    QVERIFY(table.create(path, defs));
    QVERIFY(table.open(path));
    DbfRecord record = table.newRecord();
    record.setText(0, QStringLiteral("Anna"));
    record.setText(1, validFrom);
    for (int i = 2; i < fields; ++i)
        record.setText(i, QStringLiteral("0:00"));
    QVERIFY(table.append(record));
    table.close();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    file.close();
    for (const char *command : {"target;list", "report;account;--from;01.05.2025;--to;07.05.2025",
                                "target;set;--employee;Anna;--valid-from;01.06.2025;--week;1:00 1:00 1:00 1:00 1:00 0:00 0:00;"
                                "--admin-password;chef"}) {
        const Result result = run(QString::fromUtf8(command));
        QCOMPARE(result.exitCode, 2);
        QCOMPARE(result.err, err.arg(path));
    }
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), bytes);
}

namespace {

// What another program may do to an account table.
enum class HandEdit { None, FieldByte, DeletionFlagCleared, RecordAppended, TableRemoved, TablePacked, EditThenChange,
                      TableMadeByHand, HistoryRestarted };

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// A copy of the table with its live records only, as dBase's PACK leaves it.
bool pack(const QString &path)
{
    FixedClock clock;
    DbfTable table(clock);
    if (!table.open(path, DbfTable::OpenMode::ReadOnly))
        return false;
    QList<DbfFieldDef> fields;
    for (const DbfField &field : table.fields())
        fields.append({field.name, field.type, field.width});
    QList<DbfRecord> live;
    DbfRecord record;
    for (int row = 0; row < table.rowCount() && table.readRow(row, record); ++row)
        live.append(record);
    table.close();
    DbfTable packed(clock);
    if (!packed.create(path, fields) || !packed.open(path))
        return false;
    for (const DbfRecord &each : std::as_const(live)) {
        DbfRecord copy = packed.newRecord();
        for (int pos = 0; pos < packed.fieldCount(); ++pos)
            copy.setText(pos, each.text(pos));
        if (!packed.append(copy))
            return false;
    }
    return true;
}

} // namespace

Q_DECLARE_METATYPE(HandEdit)

void TestCliAccount::handEditsAreFound_data()
{
    QTest::addColumn<HandEdit>("edit");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("line"); // a line of verify's output, %1 the table's path

    QTest::newRow("untouched") << HandEdit::None << "sollzeit.dbf" << 0 << "Einträge: 8";
    QTest::newRow("a target's hours") << HandEdit::FieldByte << "sollzeit.dbf" << 1
                                      << "Die Tabelle \"%1\" wurde außerhalb von Tagwerk geändert.";
    QTest::newRow("a removed absence brought back") << HandEdit::DeletionFlagCleared << "abwesenheit.dbf" << 1
                                                    << "Die Tabelle \"%1\" wurde außerhalb von Tagwerk geändert.";
    QTest::newRow("a firm day added by another tool") << HandEdit::RecordAppended << "feiertag.dbf" << 1
                                                      << "Die Tabelle \"%1\" wurde außerhalb von Tagwerk geändert.";
    QTest::newRow("the state's table removed") << HandEdit::TableRemoved << "bundesland.dbf" << 1
                                               << "Die Tabelle \"%1\" wurde außerhalb von Tagwerk geändert.";
    QTest::newRow("packed by another tool") << HandEdit::TablePacked << "abwesenheit.dbf" << 0 << "Einträge: 8";
    QTest::newRow("edited, then changed through Tagwerk") << HandEdit::EditThenChange << "sollzeit.dbf" << 1
        << "Die Tabelle \"%1\" wurde vor Eintrag 9 des Änderungsprotokolls außerhalb von Tagwerk geändert.";
    QTest::newRow("made by hand") << HandEdit::TableMadeByHand << "sollzeit.dbf" << 1
                                  << "Die Tabelle \"%1\" wurde außerhalb von Tagwerk geändert.";
    // Beginn, Neubeginn, and each of the four tables taken as it is.
    QTest::newRow("history restarted") << HandEdit::HistoryRestarted << "protokoll.dbf" << 0 << "Einträge: 6";
}

// Every change of the account is entered in the change history with the
// digest of the table's content after it, so that verify finds a table
// that another program changed, and names it.
void TestCliAccount::handEditsAreFound()
{
    QFETCH(HandEdit, edit);
    QFETCH(QString, file);
    QFETCH(int, exitCode);
    QFETCH(QString, line);
    const QString path = m_dir->filePath(QStringLiteral("db/") + file);
    // The start, then seven changes: one of each kind and a removal.
    const QStringList steps = {
        QStringLiteral("holidays;set-state;BY;--admin-password;chef"),
        QStringLiteral("holidays;set-state;HE;--admin-password;chef"),
        QStringLiteral("holidays;add-day;24.12.2025;Heiligabend;--admin-password;chef"),
        QStringLiteral("absence;add;--employee;Anna;--from;07.05.2025;--to;07.05.2025;--kind;sick;--admin-password;chef"),
        QStringLiteral("absence;add;--employee;Anna;--from;12.05.2025;--to;16.05.2025;--kind;vacation;--admin-password;chef"),
        QStringLiteral("absence;remove;--employee;Anna;--from;07.05.2025;--to;07.05.2025;--admin-password;chef"),
        QStringLiteral("target;set;--employee;Anna;--valid-from;01.05.2025;--week;8:00 8:00 8:00 8:00 6:00 0:00 0:00;"
                       "--admin-password;chef")};
    for (const QString &step : edit == HandEdit::TableMadeByHand ? steps.mid(0, 1) : steps)
        QCOMPARE(run(step).exitCode, 0);
    QByteArray bytes = readFile(path);
    const int headerLength = bytes.size() > 12 ? qFromLittleEndian<quint16>(bytes.constData() + DbfFormat::HeaderLengthOffset) : 0;
    FixedClock clock;
    DbfTable table(clock);
    switch (edit) {
    case HandEdit::None:
        break;
    case HandEdit::FieldByte:
    case HandEdit::EditThenChange:
        bytes.replace(bytes.indexOf("6:00"), 4, "7:00");
        QVERIFY(writeFile(path, bytes));
        if (edit == HandEdit::EditThenChange)
            QCOMPARE(run(QStringLiteral("target;set;--employee;Bert;--valid-from;01.05.2025;--week;"
                                        "8:00 8:00 8:00 8:00 8:00 0:00 0:00;--admin-password;chef"))
                         .exitCode,
                     0);
        break;
    case HandEdit::DeletionFlagCleared:
        QCOMPARE(bytes.at(headerLength), DbfFormat::DeletedFlag);
        bytes[headerLength] = DbfFormat::LiveFlag;
        QVERIFY(writeFile(path, bytes));
        break;
    case HandEdit::RecordAppended:
    case HandEdit::TableMadeByHand: {
        if (edit == HandEdit::TableMadeByHand)
            QVERIFY(table.create(path, {{QStringLiteral("ARBEITER"), DbfFieldType::Character, 45},
                                        {QStringLiteral("GUELTIGAB"), DbfFieldType::Character, 10}}));
        QVERIFY(table.open(path));
        DbfRecord record = table.newRecord();
        record.setText(0, edit == HandEdit::TableMadeByHand ? QStringLiteral("Anna") : QStringLiteral("31.12.2025"));
        QVERIFY(table.append(record));
        break;
    }
    case HandEdit::TableRemoved:
        QVERIFY(QFile::remove(path));
        break;
    case HandEdit::HistoryRestarted:
        QVERIFY(QFile::remove(path));
        QCOMPARE(run(QStringLiteral("history;restart;--admin-password;chef")).exitCode, 0);
        break;
    case HandEdit::TablePacked:
        QVERIFY(pack(path));
        QVERIFY(readFile(path).size() < bytes.size());
        break;
    }
    const Result verify = run(QStringLiteral("verify"));
    const QString expected = line.contains(QLatin1String("%1")) ? line.arg(QDir::toNativeSeparators(path)) : line;
    QVERIFY2(verify.out.split(QLatin1Char('\n')).contains(expected), qPrintable(verify.out));
    QCOMPARE(verify.exitCode, exitCode);
}

// The history names each change of the account in the user's language, by
// the administrator, with the table's fields as stored.
void TestCliAccount::historyNamesTheChanges()
{
    for (const char *step : {"target;set;--employee;Anna;--valid-from;01.05.2025;--week;8:00 8:00 8:00 8:00 6:00 0:00 0:00;"
                             "--admin-password;chef",
                             "absence;add;--employee;Anna;--from;07.05.2025;--to;07.05.2025;--kind;sick;--admin-password;chef",
                             "holidays;add-day;24.12.2025;Heiligabend;--admin-password;chef",
                             "holidays;set-state;BY;--admin-password;chef", "holidays;set-state;HE;--admin-password;chef"})
        QCOMPARE(run(QString::fromUtf8(step)).exitCode, 0);
    const Result history = run(QStringLiteral("--lang;en;history"));
    QCOMPARE(history.exitCode, 0);
    QStringList shown;
    for (const QString &line : history.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList columns = line.split(QLatin1Char('\t'));
        shown << columns.mid(1, 5).join(QLatin1Char('|')).remove(QRegularExpression(QStringLiteral("^[^|]*\\|[^|]*\\|")));
        QCOMPARE(columns.size(), 7);
        QVERIFY(columns.at(0) == QLatin1String(columns.at(0).toLatin1()));
    }
    QCOMPARE(shown, QStringList({QStringLiteral("History started|4|"),
                                 QStringLiteral("Target hours changed|1|ARBEITER:  \u2192 Anna; GUELTIGAB:  \u2192 01.05.2025; "
                                                "MO:  \u2192 8:00; DI:  \u2192 8:00; MI:  \u2192 8:00; DO:  \u2192 8:00; "
                                                "FR:  \u2192 6:00; SA:  \u2192 0:00; SO:  \u2192 0:00; URLAUB:  \u2192 0; "
                                                "SALDO:  \u2192 0:00"),
                                 QStringLiteral("Absence changed|1|ARBEITER:  \u2192 Anna; VON:  \u2192 07.05.2025; "
                                                "BIS:  \u2192 07.05.2025; ART:  \u2192 Krankheit; HALBTAG:  \u2192 False"),
                                 QStringLiteral("Firm's day off changed|1|DATUM:  \u2192 24.12.2025; NAME:  \u2192 Heiligabend"),
                                 QStringLiteral("Federal state changed|1|LAND:  \u2192 BY"),
                                 QStringLiteral("Federal state changed|1|LAND: BY \u2192 HE")}));
    const QStringList lines = history.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (qsizetype i = 1; i < lines.size(); ++i)
        QCOMPARE(lines.at(i).section(QLatin1Char('\t'), 1, 1), QStringLiteral("Administrator"));
}

QTEST_GUILESS_MAIN(TestCliAccount)
#include "tst_cli_account.moc"

#include <QTemporaryDir>
#include <QtTest>

#include "evaluation/WorkingTimeLawCheck.h"
#include "storage/DbfTable.h"
#include "storage/WorkTimeTables.h"
#include "support/FixedClock.h"
#include "support/TestFiles.h"
#include "translation/ProgramTexts.h"

// The working-time law check at and around each of its limits. Every
// expectation below was worked out by hand from the bookings beside it.
// 04.03.2024 is a Monday, 10.03.2024 a Sunday.
class TestWorkingTimeLaw : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void findings_data();
    void findings();
    void sundayByTheClock_data();
    void sundayByTheClock();
    void reportMatchesExpectedFile_data();
    void reportMatchesExpectedFile();
    void csvHasTheListedColumns();
    void reportSpeaksTheCurrentLanguage();
    void stopsWhenAskedTo();

private:
    // "DD.MM.YYYY;from;to;break", or with a fifth field the employee (else "Anna").
    void append(const QString &booking);
    WorkingTimeLawCheck::Texts germanTexts() const;
    WorkingTimeLawCheck::Options options(QDate from, QDate to, const QString &employee = {}, bool hoursOnly = false) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    FixedClock m_clock;
    std::unique_ptr<DbfTable> m_table;
};

void TestWorkingTimeLaw::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_table = std::make_unique<DbfTable>(m_clock);
    const QString path = m_dir->filePath(QStringLiteral("arbeitszeit.dbf"));
    QVERIFY(m_table->create(path, WorkTimeTables::fieldDefinitions(&ProgramTexts::german)));
    QVERIFY(m_table->open(path));
}

void TestWorkingTimeLaw::append(const QString &booking)
{
    const QStringList fields = booking.split(QLatin1Char(';'));
    DbfRecord record = m_table->newRecord();
    record.setText(WorkTimeTables::Datum, fields.value(0));
    record.setText(WorkTimeTables::Arbeiter, fields.size() > 4 ? fields.at(4) : QStringLiteral("Anna"));
    record.setText(WorkTimeTables::Ort, QStringLiteral("Werkstatt"));
    record.setText(WorkTimeTables::Taetigkeit, QStringLiteral("Montage"));
    record.setText(WorkTimeTables::ZeitVon, fields.value(1));
    record.setText(WorkTimeTables::ZeitBis, fields.value(2));
    record.setText(WorkTimeTables::Pause, fields.value(3));
    QVERIFY(m_table->append(record));
}

WorkingTimeLawCheck::Texts TestWorkingTimeLaw::germanTexts() const
{
    return {&ProgramTexts::german, [](const QString &german) { return german; }};
}

WorkingTimeLawCheck::Options TestWorkingTimeLaw::options(QDate from, QDate to, const QString &employee, bool hoursOnly) const
{
    WorkingTimeLawCheck::Options options;
    if (!employee.isEmpty())
        options.employee = employee;
    options.from = from;
    options.to = to;
    options.hoursOnly = hoursOnly;
    options.locale = QLocale(QLocale::German, QLocale::Germany);
    return options;
}

void TestWorkingTimeLaw::findings_data()
{
    QTest::addColumn<QStringList>("bookings");
    QTest::addColumn<bool>("hoursOnly");
    QTest::addColumn<QStringList>("expected"); // date;employee;paragraph;found;limit
    QTest::addColumn<int>("checkedDays");

    const auto mon = [](const char *rest) { return QStringLiteral("04.03.2024;") + QString::fromUtf8(rest); };
    const auto tue = [](const char *rest) { return QStringLiteral("05.03.2024;") + QString::fromUtf8(rest); };
    const auto l = [](const char *text) { return QString::fromUtf8(text); };

    // § 4: over 6 hours needs 30 minutes, over 9 hours 45 minutes.
    QTest::newRow("6:00 of work without a break") << QStringList{mon("08:00;14:00;")} << false << QStringList{} << 1;
    QTest::newRow("6:01 of work without a break")
        << QStringList{mon("08:00;14:01;")} << false << QStringList{l("04.03.2024;Anna;§4;0:00;0:30")} << 1;
    QTest::newRow("6:01 with 0:29 break")
        << QStringList{mon("08:00;14:30;00:29")} << false << QStringList{l("04.03.2024;Anna;§4;0:29;0:30")} << 1;
    QTest::newRow("6:01 with 0:30 break") << QStringList{mon("08:00;14:31;00:30")} << false << QStringList{} << 1;
    QTest::newRow("9:00 with 0:30 break") << QStringList{mon("08:00;17:30;00:30")} << false << QStringList{} << 1;
    QTest::newRow("9:01 with 0:30 break")
        << QStringList{mon("08:00;17:31;00:30")} << false << QStringList{l("04.03.2024;Anna;§4;0:30;0:45")} << 1;
    QTest::newRow("9:01 with 0:44 break")
        << QStringList{mon("08:00;17:45;00:44")} << false << QStringList{l("04.03.2024;Anna;§4;0:44;0:45")} << 1;
    QTest::newRow("9:01 with 0:45 break") << QStringList{mon("08:00;17:46;00:45")} << false << QStringList{} << 1;
    // § 3: more than 10 hours.
    QTest::newRow("10:00 of work") << QStringList{mon("07:00;17:45;00:45")} << false << QStringList{} << 1;
    QTest::newRow("10:01 of work")
        << QStringList{mon("07:00;17:46;00:45")} << false << QStringList{l("04.03.2024;Anna;§3;10:01;10:00")} << 1;
    QTest::newRow("10:01 over two bookings")
        << QStringList{mon("06:00;11:00;"), mon("11:30;16:46;00:15")} << false
        << QStringList{l("04.03.2024;Anna;§3;10:01;10:00")} << 1;
    // Overlapping bookings: a person works once at a time.
    QTest::newRow("a double booking counts once")
        << QStringList{mon("08:00;16:00;"), mon("08:00;16:00;")} << false
        << QStringList{l("04.03.2024;Anna;§4;0:00;0:30")} << 1;
    QTest::newRow("a double booking's breaks count once")
        << QStringList{mon("08:00;16:30;00:30"), mon("08:00;16:30;00:30")} << false << QStringList{} << 1;
    QTest::newRow("overlapping bookings keep the longest break")
        << QStringList{mon("07:00;13:00;"), mon("12:00;18:00;00:45")} << false
        << QStringList{l("04.03.2024;Anna;§3;10:15;10:00")} << 1;
    QTest::newRow("a booking inside another counts once")
        << QStringList{mon("08:00;17:00;00:45"), mon("10:00;12:00;")} << false << QStringList{} << 1;
    QTest::newRow("touching bookings add their breaks")
        << QStringList{mon("08:00;12:30;00:30"), mon("12:30;18:00;00:15")} << false << QStringList{} << 1;
    QTest::newRow("a double booking of touching bookings")
        << QStringList{mon("08:00;12:30;00:30"), mon("12:30;19:01;00:15"), mon("12:30;19:01;00:15")} << false
        << QStringList{l("04.03.2024;Anna;§3;10:16;10:00")} << 1;
    QTest::newRow("a double booking of the night counts once")
        << QStringList{mon("22:00;06:00;"), mon("22:00;06:00;")} << false
        << QStringList{l("04.03.2024;Anna;§4;0:00;0:30")} << 1;
    // Stored breaks, as gaps: under 15 minutes no rest break.
    QTest::newRow("a stored break of 0:14 is no rest break")
        << QStringList{mon("08:00;12:14;00:14"), mon("12:30;16:30;")} << false
        << QStringList{l("04.03.2024;Anna;§4;0:16;0:30")} << 1;
    QTest::newRow("a stored break of 0:15 is a rest break")
        << QStringList{mon("08:00;12:15;00:15"), mon("12:30;16:30;")} << false << QStringList{} << 1;
    QTest::newRow("a stored break of 0:14 alone")
        << QStringList{mon("08:00;14:15;00:14")} << false << QStringList{l("04.03.2024;Anna;§4;0:00;0:30")} << 1;
    QTest::newRow("two stored breaks of 0:14 make no rest break")
        << QStringList{mon("08:00;11:14;00:14"), mon("11:14;14:30;00:14")} << false
        << QStringList{l("04.03.2024;Anna;§4;0:00;0:30")} << 1;
    QTest::newRow("two stored breaks of 0:15 make one of 0:30")
        << QStringList{mon("08:00;11:15;00:15"), mon("11:15;14:31;00:15")} << false << QStringList{} << 1;
    // Gaps between bookings: 15 minutes or more count as a break.
    QTest::newRow("a 14-minute gap is no break")
        << QStringList{mon("08:00;12:00;"), mon("12:14;14:30;00:15")} << false
        << QStringList{l("04.03.2024;Anna;§4;0:15;0:30")} << 1;
    QTest::newRow("a 15-minute gap is a break")
        << QStringList{mon("08:00;12:00;"), mon("12:15;14:31;00:15")} << false << QStringList{} << 1;
    QTest::newRow("gaps are found in order of start, not of the table")
        << QStringList{mon("12:15;14:31;00:15"), mon("08:00;12:00;")} << false << QStringList{} << 1;
    QTest::newRow("a gap runs from the latest end before it")
        << QStringList{mon("08:00;12:00;"), mon("10:00;11:00;"), mon("12:20;15:00;")} << false
        << QStringList{l("04.03.2024;Anna;§4;0:20;0:30")} << 1;
    QTest::newRow("a booking of no length splits a gap")
        << QStringList{mon("08:00;12:00;"), mon("12:10;12:10;"), mon("12:20;14:21;")} << false
        << QStringList{l("04.03.2024;Anna;§4;0:00;0:30")} << 1;
    // § 5: 11 hours from the last end of one working day to the first start of the next.
    QTest::newRow("rest of exactly 11:00")
        << QStringList{mon("10:00;19:00;00:45"), tue("06:00;10:00;")} << false << QStringList{} << 2;
    QTest::newRow("rest of 10:59")
        << QStringList{mon("10:00;19:00;00:45"), tue("05:59;10:00;")} << false
        << QStringList{l("05.03.2024;Anna;§5;10:59;11:00")} << 2;
    QTest::newRow("rest after the latest end, not the last booking")
        << QStringList{mon("14:00;19:00;"), mon("08:00;12:00;"), tue("05:59;10:00;")} << false
        << QStringList{l("05.03.2024;Anna;§5;10:59;11:00")} << 2;
    QTest::newRow("night work 22:00-06:00, next start 16:00")
        << QStringList{mon("22:00;06:00;00:30"), tue("16:00;20:00;")} << false
        << QStringList{l("05.03.2024;Anna;§5;10:00;11:00")} << 2;
    QTest::newRow("night work 22:00-06:00, next start 17:00")
        << QStringList{mon("22:00;06:00;00:30"), tue("17:00;20:00;")} << false << QStringList{} << 2;
    QTest::newRow("night work into the next day's start")
        << QStringList{mon("22:00;06:00;00:30"), tue("05:00;09:00;")} << false
        << QStringList{l("05.03.2024;Anna;§5;0:00;11:00")} << 2;
    QTest::newRow("the previous working day before the period")
        << QStringList{l("01.03.2024;08:00;12:00;"), l("03.03.2024;14:00;23:00;00:45"), mon("08:00;12:00;")} << false
        << QStringList{l("04.03.2024;Anna;§5;9:00;11:00")} << 1;
    QTest::newRow("a rest over several days")
        << QStringList{l("01.03.2024;14:00;23:59;01:00"), mon("00:00;04:00;")} << false << QStringList{} << 1;
    // § 9: Sundays.
    QTest::newRow("a Sunday")
        << QStringList{l("10.03.2024;09:00;12:00;")} << false << QStringList{l("10.03.2024;Anna;§9;3:00;0:00")} << 1;
    QTest::newRow("a Sunday booking of no length")
        << QStringList{l("10.03.2024;09:00;09:00;")} << false << QStringList{l("10.03.2024;Anna;§9;0:00;0:00")} << 1;
    QTest::newRow("a Sunday before the period is not listed")
        << QStringList{l("03.03.2024;09:00;12:00;")} << false << QStringList{} << 0;
    QTest::newRow("a Saturday") << QStringList{l("09.03.2024;09:00;12:00;")} << false << QStringList{} << 1;
    // § 9: public holidays, as the calendar says (here Wednesday 06.03 and Sunday 10.03).
    QTest::newRow("a holiday") << QStringList{l("06.03.2024;09:00;12:00;")} << false
                               << QStringList{l("06.03.2024;Anna;§9;3:00;0:00")} << 1;
    QTest::newRow("night work into a holiday")
        << QStringList{tue("22:00;02:00;")} << false << QStringList{l("06.03.2024;Anna;§9;2:00;0:00")} << 1;
    QTest::newRow("hours only on a holiday")
        << QStringList{l("06.03.2024;00:00;02:00;")} << true << QStringList{l("06.03.2024;Anna;§9;2:00;0:00")} << 1;
    // What cannot be read is left out, as in the other evaluations.
    QTest::newRow("unreadable times are skipped")
        << QStringList{mon("08:00;14:00;"), mon("14:00;7 Uhr;"), tue("acht;12:00;"), l("kein Datum;08:00;20:00;")}
        << false << QStringList{} << 1;
    QTest::newRow("an unreadable break counts 0")
        << QStringList{mon("08:00;14:01;eine")} << false << QStringList{l("04.03.2024;Anna;§4;0:00;0:30")} << 1;
    QTest::newRow("a break longer than the booking")
        << QStringList{mon("08:00;09:00;02:00"), mon("10:00;16:01;")} << false
        << QStringList{} << 1; // work 0:00 + 6:01, breaks 2:00 + a gap of 1:00
    // Hours only: "from" is 00:00 and "to" the hours; breaks and rest are not checked.
    QTest::newRow("hours only")
        << QStringList{mon("00:00;13:01;"), tue("00:00;08:00;"), l("10.03.2024;00:00;02:00;")} << true
        << QStringList{l("04.03.2024;Anna;§3;13:01;10:00"), l("10.03.2024;Anna;§9;2:00;0:00")} << 3;
    QTest::newRow("hours only sums bookings that would overlap")
        << QStringList{mon("00:00;06:00;"), mon("00:00;06:00;")} << true
        << QStringList{l("04.03.2024;Anna;§3;12:00;10:00")} << 1;
    QTest::newRow("hours only counts short stored breaks as not worked")
        << QStringList{mon("00:00;10:14;00:14")} << true << QStringList{} << 1;
    // Days after the period play no part; several employees are listed by name.
    QTest::newRow("employees by name, then date, then paragraph")
        << QStringList{l("10.03.2024;08:00;19:00;00:30;Zacharias"), l("11.03.2024;08:00;20:00;;Anna"),
                       mon("07:00;18:00;00:30;Bea"), mon("08:00;09:00;;Zacharias"), l("05.03.2024;01:00;12:00;;Bea")}
        << false
        << QStringList{l("04.03.2024;Bea;§3;10:30;10:00"), l("04.03.2024;Bea;§4;0:30;0:45"),
                       l("05.03.2024;Bea;§3;11:00;10:00"), l("05.03.2024;Bea;§4;0:00;0:45"),
                       l("05.03.2024;Bea;§5;7:00;11:00"), l("10.03.2024;Zacharias;§3;10:30;10:00"),
                       l("10.03.2024;Zacharias;§4;0:30;0:45"), l("10.03.2024;Zacharias;§9;10:30;0:00")}
        << 4;
}

void TestWorkingTimeLaw::findings()
{
    QFETCH(QStringList, bookings);
    QFETCH(bool, hoursOnly);
    QFETCH(QStringList, expected);
    QFETCH(int, checkedDays);
    for (const QString &booking : bookings)
        append(booking);
    WorkingTimeLawCheck::Options checked = options(QDate(2024, 3, 4), QDate(2024, 3, 10), {}, hoursOnly);
    checked.isHoliday = [](QDate date) { return date == QDate(2024, 3, 6) || date == QDate(2024, 3, 10); };
    WorkingTimeLawCheck check(checked, germanTexts());
    QVERIFY(check.read(*m_table));
    QStringList found;
    check.writeCsv([&found](const QStringList &row) { found << row.mid(0, 5).join(QLatin1Char(';')); });
    QCOMPARE(found.takeFirst(), QStringLiteral("Datum;Mitarbeiter;Paragraf;Festgestellt;Grenzwert"));
    QCOMPARE(found, expected);
    QCOMPARE(check.checkedDays(), checkedDays);
}

void TestWorkingTimeLaw::sundayByTheClock_data()
{
    QTest::addColumn<QStringList>("bookings");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QStringList>("expected"); // date;found of each § 9 finding

    const auto l = [](const char *text) { return QString::fromUtf8(text); };
    const QDate monday(2024, 3, 4);
    const QDate sunday(2024, 3, 10);
    QTest::newRow("Saturday 22:00-06:00") << QStringList{l("09.03.2024;22:00;06:00;")} << monday << sunday
                                          << QStringList{l("10.03.2024;6:00")};
    QTest::newRow("Saturday until midnight") << QStringList{l("09.03.2024;18:00;00:00;")} << monday << sunday
                                             << QStringList{};
    QTest::newRow("Saturday one minute past midnight") << QStringList{l("09.03.2024;18:00;00:01;")} << monday
                                                       << sunday << QStringList{l("10.03.2024;0:01")};
    QTest::newRow("Sunday 22:00-02:00") << QStringList{l("10.03.2024;22:00;02:00;")} << monday << sunday
                                        << QStringList{l("10.03.2024;2:00")};
    QTest::newRow("Sunday until midnight") << QStringList{l("10.03.2024;20:00;00:00;")} << monday << sunday
                                           << QStringList{l("10.03.2024;4:00")};
    QTest::newRow("Sunday from midnight") << QStringList{l("10.03.2024;00:00;02:00;")} << monday << sunday
                                          << QStringList{l("10.03.2024;2:00")};
    QTest::newRow("Sunday 23:59-00:01") << QStringList{l("10.03.2024;23:59;00:01;")} << monday << sunday
                                        << QStringList{l("10.03.2024;0:01")};
    QTest::newRow("night work into a Sunday with bookings")
        << QStringList{l("09.03.2024;22:00;02:00;"), l("10.03.2024;14:00;16:00;")} << monday << sunday
        << QStringList{l("10.03.2024;4:00")};
    QTest::newRow("night work and a Sunday booking overlapping")
        << QStringList{l("09.03.2024;22:00;02:00;"), l("10.03.2024;00:00;03:00;")} << monday << sunday
        << QStringList{l("10.03.2024;3:00")};
    QTest::newRow("a Sunday's break is taken off") << QStringList{l("10.03.2024;09:00;12:30;00:30")} << monday
                                                   << sunday << QStringList{l("10.03.2024;3:00")};
    QTest::newRow("a break across midnight is not")
        << QStringList{l("09.03.2024;22:00;06:30;00:30")} << monday << sunday << QStringList{l("10.03.2024;6:30")};
    QTest::newRow("the night before a period that starts on Sunday")
        << QStringList{l("09.03.2024;22:00;06:00;")} << sunday << sunday << QStringList{l("10.03.2024;6:00")};
    QTest::newRow("the night into a Sunday after the period")
        << QStringList{l("09.03.2024;22:00;06:00;")} << QDate(2024, 3, 3) << QDate(2024, 3, 9) << QStringList{};
    QTest::newRow("the night of a Sunday before the period")
        << QStringList{l("03.03.2024;22:00;06:00;")} << monday << sunday << QStringList{};
}

void TestWorkingTimeLaw::sundayByTheClock()
{
    QFETCH(QStringList, bookings);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(QStringList, expected);
    for (const QString &booking : bookings)
        append(booking);
    WorkingTimeLawCheck check(options(from, to), germanTexts());
    QVERIFY(check.read(*m_table));
    QStringList found;
    check.writeCsv([&found](const QStringList &row) {
        if (row.at(2) == QStringLiteral("§9"))
            found << row.at(0) + QLatin1Char(';') + row.at(3);
    });
    QCOMPARE(found, expected);
}

void TestWorkingTimeLaw::reportMatchesExpectedFile_data()
{
    QTest::addColumn<QString>("employee");
    QTest::addColumn<bool>("hoursOnly");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QString>("expectedFile");
    QTest::newRow("all employees") << QString() << false << QDate(2024, 3, 10) << QStringLiteral("worktime-law.txt");
    QTest::newRow("one employee") << QStringLiteral("Özdemir, Zoë") << false << QDate(2024, 3, 10)
                                  << QStringLiteral("worktime-law-one.txt");
    QTest::newRow("hours only") << QString() << true << QDate(2024, 3, 10) << QStringLiteral("worktime-law-hours.txt");
    QTest::newRow("nothing found") << QStringLiteral("Müller, Jürgen") << false << QDate(2024, 3, 4)
                                   << QStringLiteral("worktime-law-none.txt");
}

void TestWorkingTimeLaw::reportMatchesExpectedFile()
{
    QFETCH(QString, employee);
    QFETCH(bool, hoursOnly);
    QFETCH(QDate, to);
    QFETCH(QString, expectedFile);
    const char *const sample[] = {
        "05.03.2024;05:59;10:00;;Müller, Jürgen",
        "04.03.2024;10:00;19:00;00:45;Müller, Jürgen",
        "10.03.2024;09:00;12:00;;Anna Berg",
        "04.03.2024;07:00;17:46;00:30;Anna Berg",
        "03.03.2024;20:00;23:00;;Anna Berg",
        "12.03.2024;08:00;20:00;;Anna Berg",
        "06.03.2024;22:00;06:00;00:30;Özdemir, Zoë",
        "07.03.2024;16:00;20:00;;Özdemir, Zoë",
        "08.03.2024;7 Uhr;16:00;;Müller, Jürgen",
        "09.03.2024;00:00;23:00;;Müller, Jürgen",
    };
    for (const char *booking : sample)
        append(QString::fromUtf8(booking));
    QVERIFY(m_table->markDeleted(10)); // Müller's Saturday is gone
    WorkingTimeLawCheck check(options(QDate(2024, 3, 4), to, employee, hoursOnly), germanTexts());
    QVERIFY(check.read(*m_table));
    QString text;
    check.writeReport([&text](const QString &line) { text += line + QLatin1Char('\n'); });
    QCOMPARE(text, QString::fromUtf8(TestFiles::readAll(TestFiles::dataPath(QStringLiteral("reports/") + expectedFile))));
}

void TestWorkingTimeLaw::csvHasTheListedColumns()
{
    append(QStringLiteral("10.03.2024;09:00;12:00;"));
    append(QStringLiteral("04.03.2024;07:00;17:46;00:45"));
    WorkingTimeLawCheck check(options(QDate(2024, 3, 4), QDate(2024, 3, 10)), germanTexts());
    QVERIFY(check.read(*m_table));
    QList<QStringList> rows;
    check.writeCsv([&rows](const QStringList &row) { rows << row; });
    const QList<QStringList> expected = {
        {QStringLiteral("Datum"), QStringLiteral("Mitarbeiter"), QStringLiteral("Paragraf"), QStringLiteral("Festgestellt"),
         QStringLiteral("Grenzwert"), QStringLiteral("Erläuterung")},
        {QStringLiteral("04.03.2024"), QStringLiteral("Anna"), QStringLiteral("§3"), QStringLiteral("10:01"),
         QStringLiteral("10:00"), QStringLiteral("Arbeitszeit über 10 Stunden")},
        {QStringLiteral("10.03.2024"), QStringLiteral("Anna"), QStringLiteral("§9"), QStringLiteral("3:00"),
         QStringLiteral("0:00"), QStringLiteral("Sonntagsarbeit")},
    };
    QCOMPARE(rows, expected);
}

void TestWorkingTimeLaw::reportSpeaksTheCurrentLanguage()
{
    append(QStringLiteral("10.03.2024;09:00;12:00;"));
    // A stand-in dictionary: every text comes back marked, so a text that
    // bypasses it shows.
    WorkingTimeLawCheck::Texts texts{[](int n) { return QStringLiteral("<") + ProgramTexts::german(n) + QLatin1Char('>'); },
                                     [](const QString &german) { return QStringLiteral("[") + german + QLatin1Char(']'); }};
    WorkingTimeLawCheck check(options(QDate(2024, 3, 4), QDate(2024, 3, 10)), texts);
    QVERIFY(check.read(*m_table));
    QStringList lines;
    check.writeReport([&lines](const QString &line) { lines << line; });
    QCOMPARE(lines.first(), QStringLiteral("[Auswertung Arbeitszeitgesetz] [(alle Mitarbeiter)]"));
    QCOMPARE(lines.at(1), QStringLiteral("[Mit Uhrzeiten von bis gelesen: geprüft werden [§ 3, § 4, § 5 und § 9].]"));
    QVERIFY(lines.at(2).startsWith(QStringLiteral("<Zeitraum von:> 04.03.2024 <bis:> 10.03.2024")));
    QVERIFY(lines.at(4).startsWith(QStringLiteral("<Datum>")));
    QVERIFY(lines.at(4).contains(QStringLiteral("[Paragraf]")));
    QVERIFY(lines.at(5).endsWith(QStringLiteral(" [Sonntagsarbeit]")));
    QCOMPARE(lines.last(), QStringLiteral("[Geprüfte Mitarbeitertage:] 1"));
    QCOMPARE(lines.at(lines.size() - 2), QStringLiteral("[Verstöße gegen § 9:] 1"));
}

void TestWorkingTimeLaw::stopsWhenAskedTo()
{
    append(QStringLiteral("10.03.2024;09:00;12:00;"));
    WorkingTimeLawCheck::Options stopped = options(QDate(2024, 3, 4), QDate(2024, 3, 10));
    stopped.keepGoing = [](double) { return false; };
    WorkingTimeLawCheck check(stopped, germanTexts());
    QVERIFY(!check.read(*m_table));
}

QTEST_GUILESS_MAIN(TestWorkingTimeLaw)
#include "tst_workingtimelaw.moc"

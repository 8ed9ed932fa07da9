#include <QTemporaryDir>
#include <QtTest>

#include "recording/BookingRules.h"
#include "recording/BreakEntry.h"
#include "recording/PresetTexts.h"
#include "recording/RecordListFilter.h"
#include "storage/WorkTimeTables.h"
#include "support/FixedClock.h"
#include "translation/ProgramTexts.h"

namespace {
QTime t(const char *text)
{
    return QTime::fromString(QString::fromLatin1(text), QStringLiteral("HH:mm"));
}
} // namespace

class TestBookingRules : public QObject
{
    Q_OBJECT

private slots:
    void checksInOrder_data();
    void checksInOrder();
    void clashConditions_data();
    void clashConditions();
    void breakSums_data();
    void breakSums();
    void breakList_data();
    void breakList();
    void generatedPresets();
    void fixedPresets_data();
    void fixedPresets();
    void recordListFilter_data();
    void recordListFilter();
};

void TestBookingRules::checksInOrder_data()
{
    QTest::addColumn<QString>("place");
    QTest::addColumn<QString>("activity");
    QTest::addColumn<QTime>("from");
    QTest::addColumn<QTime>("to");
    QTest::addColumn<QTime>("pause");
    QTest::addColumn<bool>("sameTime");
    QTest::addColumn<bool>("night");
    QTest::addColumn<int>("programText"); // 0: accepted
    const QString p = QStringLiteral("Bonn");
    const QString a = QStringLiteral("Malen");
    QTest::newRow("all fine") << p << a << t("08:00") << t("12:00") << t("00:30") << false << false << 0;
    QTest::newRow("no place comes first") << QString() << QString() << t("08:00") << t("08:00") << t("00:00") << false << false << 9;
    QTest::newRow("blank place counts as filled") << QStringLiteral("  ") << a << t("08:00") << t("12:00") << t("00:00") << false << false << 0;
    QTest::newRow("no activity") << p << QString() << t("08:00") << t("08:00") << t("00:00") << false << false << 10;
    QTest::newRow("same times before the order check") << p << a << t("08:00") << t("08:00") << t("00:00") << false << false << 11;
    QTest::newRow("same times allowed, no break") << p << a << t("08:00") << t("08:00") << t("00:00") << true << false << 0;
    QTest::newRow("same times allowed, any break too long") << p << a << t("08:00") << t("08:00") << t("00:01") << true << false << 13;
    QTest::newRow("night work without the tick") << p << a << t("22:00") << t("06:00") << t("00:00") << false << false << 12;
    QTest::newRow("night work, break of the span") << p << a << t("22:00") << t("06:00") << t("08:00") << false << true << 0;
    QTest::newRow("night work, break past the span") << p << a << t("22:00") << t("06:00") << t("08:01") << false << true << 13;
    QTest::newRow("break equal to the span") << p << a << t("08:00") << t("12:00") << t("04:00") << false << false << 0;
    QTest::newRow("break a minute longer") << p << a << t("08:00") << t("12:00") << t("04:01") << false << false << 13;
    QTest::newRow("hours-only zero hours") << p << a << t("00:00") << t("00:00") << t("00:00") << false << false << 11;
    QTest::newRow("hours-only eight and a half") << p << a << t("00:00") << t("08:30") << t("00:30") << false << false << 0;
}

void TestBookingRules::checksInOrder()
{
    QFETCH(QString, place);
    QFETCH(QString, activity);
    QFETCH(QTime, from);
    QFETCH(QTime, to);
    QFETCH(QTime, pause);
    QFETCH(bool, sameTime);
    QFETCH(bool, night);
    QFETCH(int, programText);
    BookingInput input;
    input.place = place;
    input.activity = activity;
    input.from = from;
    input.to = to;
    input.pause = pause;
    input.date = QDate(2024, 3, 5);
    input.sameTimeAllowed = sameTime;
    input.nightWork = night;
    QCOMPARE(BookingRules::programTextOf(BookingRules::check(input)), programText);
}

void TestBookingRules::clashConditions_data()
{
    QTest::addColumn<QTime>("from");
    QTest::addColumn<QTime>("to");
    QTest::addColumn<bool>("clash"); // against a row from 08:00 to 12:00
    QTest::newRow("touching after") << t("12:00") << t("16:00") << false;
    QTest::newRow("touching before") << t("06:00") << t("08:00") << false;
    QTest::newRow("equal bounds") << t("08:00") << t("12:00") << true;
    QTest::newRow("end inside") << t("07:00") << t("10:00") << true;
    QTest::newRow("start inside") << t("10:00") << t("13:00") << true;
    QTest::newRow("inside, same start") << t("08:00") << t("10:00") << true;
    QTest::newRow("around") << t("07:00") << t("13:00") << true;
    QTest::newRow("well after") << t("13:00") << t("14:00") << false;
    // Times of day as they stand: a night shift is not stretched past midnight.
    QTest::newRow("night shift ending before the row") << t("22:00") << t("07:00") << false;
    QTest::newRow("night shift, end inside") << t("23:00") << t("10:00") << true;
}

void TestBookingRules::clashConditions()
{
    QFETCH(QTime, from);
    QFETCH(QTime, to);
    QFETCH(bool, clash);
    QCOMPARE(BookingRules::clashes(BookingRules::secondsOf(from), BookingRules::secondsOf(to),
                                   BookingRules::secondsOf(t("08:00")), BookingRules::secondsOf(t("12:00"))),
             clash);
}

void TestBookingRules::breakSums_data()
{
    QTest::addColumn<QList<BreakEntry::Pair>>("pairs");
    QTest::addColumn<QTime>("total");
    QTest::newRow("all empty") << QList<BreakEntry::Pair>(5) << t("00:00");
    QTest::newRow("two breaks") << QList<BreakEntry::Pair>{{t("10:00"), t("10:15")}, {t("12:00"), t("12:45")}} << t("01:00");
    QTest::newRow("reversed pair counts negative")
        << QList<BreakEntry::Pair>{{t("12:30"), t("12:00")}, {t("13:00"), t("14:00")}} << t("00:30");
    QTest::newRow("negative total loses its sign") << QList<BreakEntry::Pair>{{t("12:45"), t("12:00")}} << t("00:45");
}

void TestBookingRules::breakSums()
{
    QFETCH(QList<BreakEntry::Pair>, pairs);
    QFETCH(QTime, total);
    QCOMPARE(BreakEntry::total(pairs), total);
}

void TestBookingRules::breakList_data()
{
    QTest::addColumn<QList<BreakEntry::Pair>>("pairs");
    QTest::addColumn<QString>("list");
    QTest::newRow("none") << QList<BreakEntry::Pair>(5) << QString();
    QTest::newRow("two, rest empty")
        << QList<BreakEntry::Pair>{{t("09:00"), t("09:15")}, {}, {t("12:00"), t("12:30")}, {}, {}}
        << QStringLiteral("Pausen: 09:00-09:15; 12:00-12:30");
    QTest::newRow("reversed pair is listed") << QList<BreakEntry::Pair>{{t("12:30"), t("12:00")}}
                                             << QStringLiteral("Pausen: 12:30-12:00");
    QList<BreakEntry::Pair> five;
    for (int k = 0; k < 5; ++k)
        five.append({QTime(8 + k, 0), QTime(8 + k, 15)});
    QTest::newRow("five rows") << five
                               << QStringLiteral("Pausen: 08:00-08:15; 09:00-09:15; 10:00-10:15; 11:00-11:15; 12:00-12:15");
}

void TestBookingRules::breakList()
{
    QFETCH(QList<BreakEntry::Pair>, pairs);
    QFETCH(QString, list);
    const QString built = BreakEntry::list(pairs, QStringLiteral("Pausen:"));
    QCOMPARE(built, list);
    if (QLatin1String(QTest::currentDataTag()) == QLatin1String("five rows"))
        QCOMPARE(built.size(), 71);
}

void TestBookingRules::generatedPresets()
{
    QTemporaryDir dir;
    FixedClock clock;
    DbfTable table(clock);
    const QString path = dir.filePath(QStringLiteral("arbeitszeit.dbf"));
    QVERIFY(table.create(path, WorkTimeTables::fieldDefinitions(&ProgramTexts::german)));
    QVERIFY(table.open(path));
    QCOMPARE(PresetTexts::generated(table, WorkTimeTables::Ort), QStringList());
    for (const QString &place : {QStringLiteral("Halle 2"), QStringLiteral("Büro"), QStringLiteral("Halle 2"),
                                 QStringLiteral("halle 2"), QString(), QStringLiteral("Gelöscht")}) {
        DbfRecord record = table.newRecord();
        record.setText(WorkTimeTables::Ort, place);
        record.setText(WorkTimeTables::Taetigkeit, place.left(4));
        QVERIFY(table.append(record));
    }
    QVERIFY(table.markDeleted(6));
    QCOMPARE(PresetTexts::generated(table, WorkTimeTables::Ort),
             (QStringList{QStringLiteral("Halle 2"), QStringLiteral("Büro"), QStringLiteral("halle 2"), QString()}));
    // Both lists of the record entry from one pass: each as on its own.
    const QList<QStringList> both = PresetTexts::generated(table, {WorkTimeTables::Taetigkeit, WorkTimeTables::Ort});
    QCOMPARE(both.size(), 2);
    QCOMPARE(both.at(0), PresetTexts::generated(table, WorkTimeTables::Taetigkeit));
    QCOMPARE(both.at(1), PresetTexts::generated(table, WorkTimeTables::Ort));
}

void TestBookingRules::fixedPresets_data()
{
    QTest::addColumn<QString>("memo");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty memo") << QString() << QStringList();
    QTest::newRow("empty line kept") << QStringLiteral("A\r\n\r\nB") << QStringList{QStringLiteral("A"), QString(), QStringLiteral("B")};
    QTest::newRow("final line break") << QStringLiteral("A\r\nB\r\n") << QStringList{QStringLiteral("A"), QStringLiteral("B")};
    QTest::newRow("one line") << QStringLiteral("Werkstatt") << QStringList{QStringLiteral("Werkstatt")};
}

void TestBookingRules::fixedPresets()
{
    QFETCH(QString, memo);
    QFETCH(QStringList, lines);
    QCOMPARE(PresetTexts::fixedLines(memo), lines);
}

void TestBookingRules::recordListFilter_data()
{
    QTest::addColumn<QString>("employee");
    QTest::addColumn<QString>("date");
    QTest::addColumn<bool>("onlyMonth");
    QTest::addColumn<bool>("shown");
    const QString anna = QStringLiteral("Anna");
    QTest::newRow("own row") << anna << QStringLiteral("01.01.2020") << false << true;
    QTest::newRow("other case") << QStringLiteral("anna") << QStringLiteral("01.01.2020") << false << false;
    QTest::newRow("this month") << anna << QStringLiteral("27.02.2025") << true << true;
    QTest::newRow("same month last year") << anna << QStringLiteral("03.02.2024") << true << false;
    QTest::newRow("last month") << anna << QStringLiteral("31.01.2025") << true << false;
    QTest::newRow("no date, month on") << anna << QStringLiteral("irgendwann") << true << true;
    QTest::newRow("no date, month off") << anna << QStringLiteral("irgendwann") << false << true;
}

void TestBookingRules::recordListFilter()
{
    QFETCH(QString, employee);
    QFETCH(QString, date);
    QFETCH(bool, onlyMonth);
    QFETCH(bool, shown);
    QTemporaryDir dir;
    FixedClock clock;
    DbfTable table(clock);
    const QString path = dir.filePath(QStringLiteral("arbeitszeit.dbf"));
    QVERIFY(table.create(path, WorkTimeTables::fieldDefinitions(&ProgramTexts::german)));
    QVERIFY(table.open(path));
    DbfRecord record = table.newRecord();
    record.setText(WorkTimeTables::Arbeiter, employee);
    record.setText(WorkTimeTables::Datum, date);
    QCOMPARE(Dbf1FilterRecord(record, QStringLiteral("Anna"), onlyMonth, QDate(2025, 2, 3)), shown);
}

QTEST_GUILESS_MAIN(TestBookingRules)
#include "tst_bookingrules.moc"

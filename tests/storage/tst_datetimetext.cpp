#include <QtTest>

#include "storage/DateTimeText.h"

class TestDateTimeText : public QObject
{
    Q_OBJECT

private slots:
    void dates_data();
    void dates();
    void times_data();
    void times();
};

void TestDateTimeText::dates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("expected"); // invalid: does not parse
    QTest::newRow("stored form") << QStringLiteral("01.02.2024") << QDate(2024, 2, 1);
    QTest::newRow("one-digit day and month") << QStringLiteral("1.2.2024") << QDate(2024, 2, 1);
    QTest::newRow("two-digit year") << QStringLiteral("01.02.24") << QDate();
    QTest::newRow("three-digit day") << QStringLiteral("001.02.2024") << QDate();
    QTest::newRow("ISO") << QStringLiteral("2024-02-01") << QDate();
    QTest::newRow("no such day") << QStringLiteral("30.02.2024") << QDate();
    QTest::newRow("leading blank") << QStringLiteral(" 01.02.2024") << QDate();
    QTest::newRow("trailing text") << QStringLiteral("01.02.2024x") << QDate();
    QTest::newRow("empty") << QString() << QDate();
    QTest::newRow("leap day") << QStringLiteral("29.02.2024") << QDate(2024, 2, 29);
    QTest::newRow("leap day of a century") << QStringLiteral("29.02.2000") << QDate(2000, 2, 29);
    QTest::newRow("no leap day in 1900") << QStringLiteral("29.02.1900") << QDate();
    QTest::newRow("no leap day in 2023") << QStringLiteral("29.02.2023") << QDate();
    QTest::newRow("31st of a short month") << QStringLiteral("31.04.2024") << QDate();
    QTest::newRow("day 0") << QStringLiteral("00.01.2024") << QDate();
    QTest::newRow("month 0") << QStringLiteral("01.00.2024") << QDate();
    QTest::newRow("month 13") << QStringLiteral("01.13.2024") << QDate();
    QTest::newRow("year 0") << QStringLiteral("01.01.0000") << QDate();
    QTest::newRow("year 1") << QStringLiteral("01.01.0001") << QDate(1, 1, 1);
    QTest::newRow("last day") << QStringLiteral("31.12.9999") << QDate(9999, 12, 31);
    QTest::newRow("letter of the upper half") << QStringLiteral("01.0ä.2024") << QDate();
}

void TestDateTimeText::dates()
{
    QFETCH(QString, text);
    QFETCH(QDate, expected);
    const auto parsed = DateTimeText::parseDate(text);
    QCOMPARE(parsed.has_value(), expected.isValid());
    // Scans compare dates as numbers: the same dates, in the same order.
    const auto number = DateTimeText::parseDateNumber(text);
    QCOMPARE(number.has_value(), expected.isValid());
    const QByteArray bytes = text.toLatin1();
    QCOMPARE(DateTimeText::parseDateNumber(QLatin1String(bytes)), number);
    if (number) {
        QCOMPARE(*number, DateTimeText::dateNumber(expected));
        QVERIFY(*number > DateTimeText::dateNumber(expected.addDays(-1)));
        QVERIFY(*number < DateTimeText::dateNumber(expected.addDays(1)) || expected == QDate(9999, 12, 31));
    }
    if (parsed) {
        QCOMPARE(*parsed, expected);
        QCOMPARE(DateTimeText::formatDate(*parsed), QStringLiteral("%1.%2.%3")
                                                        .arg(expected.day(), 2, 10, QLatin1Char('0'))
                                                        .arg(expected.month(), 2, 10, QLatin1Char('0'))
                                                        .arg(expected.year(), 4, 10, QLatin1Char('0')));
    }
}

void TestDateTimeText::times_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QTime>("expected");
    QTest::newRow("stored form") << QStringLiteral("07:05") << QTime(7, 5);
    QTest::newRow("one-digit hour") << QStringLiteral("7:05") << QTime(7, 5);
    QTest::newRow("with seconds") << QStringLiteral("07:05:30") << QTime(7, 5, 30);
    QTest::newRow("one-digit minute") << QStringLiteral("7:5") << QTime();
    QTest::newRow("hour 24") << QStringLiteral("24:00") << QTime();
    QTest::newRow("one-digit seconds") << QStringLiteral("07:05:3") << QTime();
    QTest::newRow("am/pm") << QStringLiteral("7:05 PM") << QTime();
    QTest::newRow("empty") << QString() << QTime();
    QTest::newRow("last minute") << QStringLiteral("23:59:59") << QTime(23, 59, 59);
    QTest::newRow("minute 60") << QStringLiteral("07:60") << QTime();
    QTest::newRow("second 60") << QStringLiteral("07:05:60") << QTime();
    QTest::newRow("midnight") << QStringLiteral("0:00") << QTime(0, 0);
}

void TestDateTimeText::times()
{
    QFETCH(QString, text);
    QFETCH(QTime, expected);
    const auto parsed = DateTimeText::parseTime(text);
    QCOMPARE(parsed.has_value(), expected.isValid());
    if (parsed)
        QCOMPARE(*parsed, expected);
    const auto seconds = DateTimeText::parseSecondsOfDay(text);
    QCOMPARE(seconds.has_value(), expected.isValid());
    const QByteArray bytes = text.toLatin1();
    QCOMPARE(DateTimeText::parseSecondsOfDay(QLatin1String(bytes)), seconds);
    if (seconds)
        QCOMPARE(*seconds, expected.msecsSinceStartOfDay() / 1000);
}

QTEST_GUILESS_MAIN(TestDateTimeText)
#include "tst_datetimetext.moc"

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
}

void TestDateTimeText::dates()
{
    QFETCH(QString, text);
    QFETCH(QDate, expected);
    const auto parsed = DateTimeText::parseDate(text);
    QCOMPARE(parsed.has_value(), expected.isValid());
    if (parsed) {
        QCOMPARE(*parsed, expected);
        QCOMPARE(DateTimeText::formatDate(*parsed), QStringLiteral("%1.%2.%3")
                                                        .arg(expected.day(), 2, 10, QLatin1Char('0'))
                                                        .arg(expected.month(), 2, 10, QLatin1Char('0'))
                                                        .arg(expected.year()));
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
}

void TestDateTimeText::times()
{
    QFETCH(QString, text);
    QFETCH(QTime, expected);
    const auto parsed = DateTimeText::parseTime(text);
    QCOMPARE(parsed.has_value(), expected.isValid());
    if (parsed)
        QCOMPARE(*parsed, expected);
}

QTEST_GUILESS_MAIN(TestDateTimeText)
#include "tst_datetimetext.moc"

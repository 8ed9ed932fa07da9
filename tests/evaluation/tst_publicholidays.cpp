#include <QtTest>

#include "evaluation/PublicHolidays.h"

// The holiday table against years checked by hand against the states' laws.
class TestPublicHolidays : public QObject
{
    Q_OBJECT

private slots:
    void wholeYear_data();
    void wholeYear();
    void oneDay_data();
    void oneDay();
    void easterSunday_data();
    void easterSunday();
};

namespace {

QString datesOf(const QList<Holiday> &days)
{
    QStringList dates;
    for (const Holiday &day : days)
        dates << day.date.toString(QStringLiteral("dd.MM"));
    return dates.join(QLatin1Char(' '));
}

} // namespace

void TestPublicHolidays::wholeYear_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("year");
    QTest::addColumn<QString>("dates");
    // 2025: Easter Sunday 20.04, Buß- und Bettag 19.11.
    QTest::newRow("2025 no state") << "" << 2025 << "01.01 18.04 21.04 01.05 29.05 09.06 03.10 25.12 26.12";
    QTest::newRow("2025 BW") << "BW" << 2025 << "01.01 06.01 18.04 21.04 01.05 29.05 09.06 19.06 03.10 01.11 25.12 26.12";
    QTest::newRow("2025 BY") << "BY" << 2025 << "01.01 06.01 18.04 21.04 01.05 29.05 09.06 19.06 03.10 01.11 25.12 26.12";
    QTest::newRow("2025 BE") << "BE" << 2025 << "01.01 08.03 18.04 21.04 01.05 08.05 29.05 09.06 03.10 25.12 26.12";
    QTest::newRow("2025 BB") << "BB" << 2025 << "01.01 18.04 20.04 21.04 01.05 29.05 08.06 09.06 03.10 31.10 25.12 26.12";
    QTest::newRow("2025 HB") << "HB" << 2025 << "01.01 18.04 21.04 01.05 29.05 09.06 03.10 31.10 25.12 26.12";
    QTest::newRow("2025 HH") << "HH" << 2025 << "01.01 18.04 21.04 01.05 29.05 09.06 03.10 31.10 25.12 26.12";
    QTest::newRow("2025 HE") << "HE" << 2025 << "01.01 18.04 20.04 21.04 01.05 29.05 08.06 09.06 19.06 03.10 25.12 26.12";
    QTest::newRow("2025 MV") << "MV" << 2025 << "01.01 08.03 18.04 21.04 01.05 29.05 09.06 03.10 31.10 25.12 26.12";
    QTest::newRow("2025 NI") << "NI" << 2025 << "01.01 18.04 21.04 01.05 29.05 09.06 03.10 31.10 25.12 26.12";
    QTest::newRow("2025 NW") << "NW" << 2025 << "01.01 18.04 21.04 01.05 29.05 09.06 19.06 03.10 01.11 25.12 26.12";
    QTest::newRow("2025 RP") << "RP" << 2025 << "01.01 18.04 21.04 01.05 29.05 09.06 19.06 03.10 01.11 25.12 26.12";
    QTest::newRow("2025 SL") << "SL" << 2025 << "01.01 18.04 21.04 01.05 29.05 09.06 19.06 15.08 03.10 01.11 25.12 26.12";
    QTest::newRow("2025 SN") << "SN" << 2025 << "01.01 18.04 21.04 01.05 29.05 09.06 03.10 31.10 19.11 25.12 26.12";
    QTest::newRow("2025 ST") << "ST" << 2025 << "01.01 06.01 18.04 21.04 01.05 29.05 09.06 03.10 31.10 25.12 26.12";
    QTest::newRow("2025 SH") << "SH" << 2025 << "01.01 18.04 21.04 01.05 29.05 09.06 03.10 31.10 25.12 26.12";
    QTest::newRow("2025 TH") << "TH" << 2025 << "01.01 18.04 21.04 01.05 29.05 09.06 20.09 03.10 31.10 25.12 26.12";
    // 2020: Easter 12.04; Berlin's one-time Tag der Befreiung.
    QTest::newRow("2020 BE") << "BE" << 2020 << "01.01 08.03 10.04 13.04 01.05 08.05 21.05 01.06 03.10 25.12 26.12";
    // 2008: Easter 23.03, so Christi Himmelfahrt falls on 1 May: both are listed.
    QTest::newRow("2008 NW") << "NW" << 2008 << "01.01 21.03 24.03 01.05 01.05 12.05 22.05 03.10 01.11 25.12 26.12";
    // 2017: Reformationstag once everywhere; Easter 16.04.
    QTest::newRow("2017 HB") << "HB" << 2017 << "01.01 14.04 17.04 01.05 25.05 05.06 03.10 31.10 25.12 26.12";
    QTest::newRow("2016 HB") << "HB" << 2016 << "01.01 25.03 28.03 01.05 05.05 16.05 03.10 25.12 26.12";
    // 2026: Easter 05.04; 22.11 is a Sunday, so Buß- und Bettag is 18.11.
    QTest::newRow("2026 SN") << "SN" << 2026 << "01.01 03.04 06.04 01.05 14.05 25.05 03.10 31.10 18.11 25.12 26.12";
    // 1994: Buß- und Bettag still a day off everywhere (16.11); Easter 03.04.
    QTest::newRow("1994 BY") << "BY" << 1994 << "01.01 06.01 01.04 04.04 01.05 12.05 23.05 02.06 03.10 01.11 16.11 25.12 26.12";
}

void TestPublicHolidays::wholeYear()
{
    QFETCH(QString, state);
    QFETCH(int, year);
    QFETCH(QString, dates);
    QCOMPARE(datesOf(PublicHolidays::holidays(year, state)), dates);
}

void TestPublicHolidays::oneDay_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("name"); // empty: no holiday there
    QTest::newRow("Frauentag Berlin 2018") << "BE" << QDate(2018, 3, 8) << "";
    QTest::newRow("Frauentag Berlin 2019") << "BE" << QDate(2019, 3, 8) << "Internationaler Frauentag";
    QTest::newRow("Frauentag MV 2022") << "MV" << QDate(2022, 3, 8) << "";
    QTest::newRow("Frauentag MV 2023") << "MV" << QDate(2023, 3, 8) << "Internationaler Frauentag";
    QTest::newRow("Befreiung Berlin 2021") << "BE" << QDate(2021, 5, 8) << "";
    QTest::newRow("Befreiung Berlin 2025") << "BE" << QDate(2025, 5, 8) << "Tag der Befreiung";
    QTest::newRow("Befreiung Brandenburg 2025") << "BB" << QDate(2025, 5, 8) << "";
    QTest::newRow("Weltkindertag TH 2018") << "TH" << QDate(2018, 9, 20) << "";
    QTest::newRow("Weltkindertag TH 2019") << "TH" << QDate(2019, 9, 20) << "Weltkindertag";
    QTest::newRow("Reformationstag NI 2018") << "NI" << QDate(2018, 10, 31) << "Reformationstag";
    QTest::newRow("Reformationstag BY 2017") << "BY" << QDate(2017, 10, 31) << "Reformationstag";
    QTest::newRow("Reformationstag BY 2018") << "BY" << QDate(2018, 10, 31) << "";
    QTest::newRow("Reformationstag SN 2016") << "SN" << QDate(2016, 10, 31) << "Reformationstag";
    QTest::newRow("Mariä Himmelfahrt BY") << "BY" << QDate(2025, 8, 15) << "";
    QTest::newRow("Mariä Himmelfahrt SL") << "SL" << QDate(2025, 8, 15) << "Mariä Himmelfahrt";
    QTest::newRow("Buß- und Bettag SN 2023") << "SN" << QDate(2023, 11, 22) << "Buß- und Bettag";
    QTest::newRow("Buß- und Bettag SN 2024") << "SN" << QDate(2024, 11, 20) << "Buß- und Bettag";
    QTest::newRow("Buß- und Bettag SN 2028") << "SN" << QDate(2028, 11, 22) << "Buß- und Bettag";
    QTest::newRow("Buß- und Bettag BY 1995") << "BY" << QDate(1995, 11, 22) << "";
    QTest::newRow("Fronleichnam HE 2024") << "HE" << QDate(2024, 5, 30) << "Fronleichnam";
    QTest::newRow("Pfingstsonntag BB 2024") << "BB" << QDate(2024, 5, 19) << "Pfingstsonntag";
    QTest::newRow("Einheit 1989") << "BW" << QDate(1989, 10, 3) << "";
    QTest::newRow("Weihnachten") << "HH" << QDate(2024, 12, 25) << "1. Weihnachtstag";
}

void TestPublicHolidays::oneDay()
{
    QFETCH(QString, state);
    QFETCH(QDate, date);
    QFETCH(QString, name);
    QString found;
    for (const Holiday &day : PublicHolidays::holidays(date.year(), state)) {
        if (day.date == date)
            found = day.name;
    }
    QCOMPARE(found, name);
}

void TestPublicHolidays::easterSunday_data()
{
    QTest::addColumn<QDate>("easter");
    for (const QDate date : {QDate(2000, 4, 23), QDate(2008, 3, 23), QDate(2011, 4, 24), QDate(2016, 3, 27),
                             QDate(2019, 4, 21), QDate(2024, 3, 31), QDate(2025, 4, 20), QDate(2038, 4, 25),
                             QDate(2285, 3, 22)})
        QTest::newRow(qPrintable(date.toString(Qt::ISODate))) << date;
}

void TestPublicHolidays::easterSunday()
{
    QFETCH(QDate, easter);
    QCOMPARE(PublicHolidays::easterSunday(easter.year()), easter);
}

QTEST_GUILESS_MAIN(TestPublicHolidays)
#include "tst_publicholidays.moc"

#include <QtTest>

#include "evaluation/WorkingTimeAccount.h"
#include "storage/AccountText.h"
#include "storage/DateTimeText.h"

// The working-time account over months worked out by hand. Targets, absences
// and bookings are written compactly, "|" between entries:
//   targets   "VALID-FROM MO DI MI DO FR SA SO VACATION-DAYS OPENING"
//   absences  "FROM TO KIND [half]"
//   bookings  "DATE H:MM"
//   months    "MM.YYYY target worked credit difference balance taken remaining"
class TestWorkingTimeAccount : public QObject
{
    Q_OBJECT

private slots:
    void months_data();
    void months();
    void text_data();
    void text();
};

namespace {

QDate dateOf(const QString &text)
{
    return DateTimeText::parseDate(text).value_or(QDate());
}

AccountData dataOf(const QString &targets, const QString &absences, const QString &state, const QString &firmDays)
{
    AccountData data;
    data.state = state;
    for (const QString &row : targets.split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
        const QStringList f = row.split(QLatin1Char(' '));
        TargetWeek week{QStringLiteral("Anna"), dateOf(f.at(0)), {}, 0, 0};
        for (int day = 0; day < 7; ++day)
            week.minutes[size_t(day)] = AccountText::parseMinutes(f.at(1 + day)).value_or(-1);
        week.vacationDays = AccountText::parseDays(f.at(8)).value_or(-1);
        week.openingBalance = AccountText::parseMinutes(f.at(9), true).value_or(-1);
        data.targets << week;
    }
    for (const QString &row : absences.split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
        const QStringList f = row.split(QLatin1Char(' '));
        data.absences << Absence{QStringLiteral("Anna"), dateOf(f.at(0)), dateOf(f.at(1)),
                                 AccountText::kindNamed(f.at(2)).value_or(AbsenceKind::Vacation), f.size() > 3};
    }
    for (const QString &row : firmDays.split(QLatin1Char('|'), Qt::SkipEmptyParts))
        data.firmDays << FirmDay{dateOf(row.left(10)), row.mid(11)};
    return data;
}

QString monthLine(const WorkingTimeAccount::Month &m)
{
    const auto time = [](qint64 seconds) { return AccountText::formatMinutes(WorkingTimeAccount::minutes(seconds)); };
    return QStringList{m.month.toString(QStringLiteral("MM.yyyy")), time(m.target), time(m.worked), time(m.credit),
                       time(m.difference()), time(m.balance), AccountText::formatDays(m.vacationTaken),
                       AccountText::formatDays(m.vacationRemaining)}
        .join(QLatin1Char(' '));
}

} // namespace

void TestWorkingTimeAccount::months_data()
{
    QTest::addColumn<QString>("targets");
    QTest::addColumn<QString>("absences");
    QTest::addColumn<QString>("bookings");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("firmDays");
    QTest::addColumn<QString>("period");
    QTest::addColumn<QString>("today");
    QTest::addColumn<QString>("months");
    QTest::addColumn<QString>("missing");

    // March 2025: 3-14 ten days of 8:00, from 17 March eleven days of 4:00:
    // 124:00. Worked 21:00, a half day of vacation credits 4:00.
    QTest::newRow("contract change mid-month, half day, negative balance")
        << "01.03.2025 8:00 8:00 8:00 8:00 8:00 0:00 0:00 30 -2:00|17.03.2025 4:00 4:00 4:00 4:00 4:00 0:00 0:00 30 0:00"
        << "05.03.2025 05.03.2025 vacation half"
        << "03.03.2025 8:00|04.03.2025 8:00|17.03.2025 5:00" << "" << "" << "01.03.2025 31.03.2025" << "11.03.2025"
        << "03.2025 124:00 21:00 4:00 -99:00 -101:00 0,5 29,5" << "06.03.2025 07.03.2025 10.03.2025";

    // May 2025 in Bavaria: 1 and 29 May are holidays (Thursdays). Fridays
    // 6:00, Mon-Thu 8:00: 150:00, less 16:00 of unpaid leave on 12/13 May.
    // Sick 28-30 May credits Wednesday's 8:00 and Friday's 6:00, not the
    // holiday between. Every other day booked as owed, 5 May 1:30 more.
    const QString bavarianMay = QStringLiteral(
        "02.05.2025 6:00|05.05.2025 9:30|06.05.2025 8:00|07.05.2025 8:00|08.05.2025 8:00|09.05.2025 6:00|"
        "14.05.2025 8:00|15.05.2025 8:00|16.05.2025 6:00|19.05.2025 8:00|20.05.2025 8:00|21.05.2025 8:00|"
        "22.05.2025 8:00|23.05.2025 6:00|26.05.2025 8:00|27.05.2025 8:00");
    const QString mayTargets = QStringLiteral("01.05.2025 8:00 8:00 8:00 8:00 6:00 0:00 0:00 28 0:00");
    const QString mayAbsences = QStringLiteral("28.05.2025 30.05.2025 sick|12.05.2025 13.05.2025 unpaid");
    QTest::newRow("sickness on a holiday, unpaid leave")
        << mayTargets << mayAbsences << bavarianMay << "BY" << "" << "01.05.2025 31.05.2025" << "01.06.2025"
        << "05.2025 134:00 121:30 14:00 1:30 1:30 0 28" << "";
    QTest::newRow("a day not booked")
        << mayTargets << mayAbsences << QString(bavarianMay).remove(QStringLiteral("06.05.2025 8:00|")) << "BY" << ""
        << "01.05.2025 31.05.2025" << "10.05.2025" << "05.2025 134:00 113:30 14:00 -6:30 -6:30 0 28" << "06.05.2025";

    // Mondays and Tuesdays of 8:00. December 2024: ten such days, one of
    // vacation; 3 days for December, 24 for 2025: 2 carried over. March:
    // nine days, 1,5 of them vacation taken from the carry-over; its last
    // 0,5 lapses on 1 April. April: eight days (Easter Monday).
    const QString partTime = QStringLiteral("01.12.2024 8:00 8:00 0:00 0:00 0:00 0:00 0:00 3 0:00|"
                                            "01.01.2025 8:00 8:00 0:00 0:00 0:00 0:00 0:00 24 0:00");
    QTest::newRow("year end, carry-over")
        << partTime << "30.12.2024 30.12.2024 vacation" << "" << "" << "" << "01.12.2024 31.01.2025" << "01.12.2024"
        << "12.2024 80:00 0:00 8:00 -72:00 -72:00 1 2|01.2025 64:00 0:00 0:00 -64:00 -136:00 0 26" << "";
    QTest::newRow("carry-over used first, the rest lapsing on 1 April")
        << partTime
        << "30.12.2024 30.12.2024 vacation|03.03.2025 03.03.2025 vacation|04.03.2025 04.03.2025 vacation half|"
           "07.04.2025 07.04.2025 vacation"
        << "" << "" << "" << "01.03.2025 30.04.2025" << "01.03.2025"
        << "03.2025 72:00 0:00 12:00 -60:00 -260:00 1,5 24,5|04.2025 64:00 0:00 8:00 -56:00 -316:00 1 23" << "";
    QTest::newRow("carry-over not used lapses")
        << partTime << "30.12.2024 30.12.2024 vacation|07.04.2025 07.04.2025 vacation" << "" << "" << ""
        << "01.03.2025 30.04.2025" << "01.03.2025"
        << "03.2025 72:00 0:00 0:00 -72:00 -272:00 0 26|04.2025 64:00 0:00 8:00 -56:00 -328:00 1 23" << "";

    // 1 May a holiday, 2 May the firm's own day; the period ends on 9 May.
    QTest::newRow("firm day, period ending mid-month")
        << "01.05.2025 8:00 8:00 8:00 8:00 8:00 0:00 0:00 30 0:00" << "02.05.2025 02.05.2025 sick"
        << "05.05.2025 8:00|06.05.2025 8:00|07.05.2025 8:00|08.05.2025 8:00|09.05.2025 7:00|12.05.2025 8:00" << ""
        << "02.05.2025 Brückentag" << "01.05.2025 09.05.2025" << "10.05.2025"
        << "05.2025 40:00 39:00 0:00 -1:00 -1:00 0 30" << "";
    QTest::newRow("before the first row no target")
        << "15.05.2025 8:00 8:00 8:00 8:00 8:00 0:00 0:00 30 1:15" << "" << "14.05.2025 8:00" << "" << ""
        << "01.05.2025 16.05.2025" << "17.05.2025" << "05.2025 16:00 0:00 0:00 -16:00 -14:45 0 30"
        << "15.05.2025 16.05.2025";
}

void TestWorkingTimeAccount::months()
{
    QFETCH(QString, targets);
    QFETCH(QString, absences);
    QFETCH(QString, bookings);
    QFETCH(QString, state);
    QFETCH(QString, firmDays);
    QFETCH(QString, period);
    QFETCH(QString, today);
    QFETCH(QString, months);
    QFETCH(QString, missing);
    WorkingTimeAccount account(dataOf(targets, absences, state, firmDays), dateOf(period.left(10)), dateOf(period.mid(11)));
    for (const QString &booking : bookings.split(QLatin1Char('|'), Qt::SkipEmptyParts))
        account.addBooking(QStringLiteral("Anna"), dateOf(booking.left(10)),
                           AccountText::parseMinutes(booking.mid(11)).value_or(0) * 60);
    // Another employee's bookings change nothing.
    account.addBooking(QStringLiteral("Bert"), dateOf(period.left(10)), 3600);

    QStringList lines;
    for (const WorkingTimeAccount::Month &month : account.months())
        lines << monthLine(month);
    QCOMPARE(lines.join(QLatin1Char('|')), months);
    QStringList days;
    for (const WorkingTimeAccount::MissingDay &day : account.missingDays(dateOf(today)))
        days << DateTimeText::formatDate(day.date);
    QCOMPARE(days.join(QLatin1Char(' ')), missing);
}

void TestWorkingTimeAccount::text_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("minutes"); // as formatted again; empty: refused
    QTest::addColumn<bool>("signedValue");
    QTest::newRow("H:MM") << "8:00" << "8:00" << false;
    QTest::newRow("HH:MM") << "08:05" << "8:05" << false;
    QTest::newRow("long") << "1234:59" << "1234:59" << false;
    QTest::newRow("negative") << "-0:30" << "-0:30" << true;
    QTest::newRow("negative unsigned") << "-0:30" << "" << false;
    QTest::newRow("60 minutes") << "1:60" << "" << false;
    QTest::newRow("no colon") << "800" << "" << false;
    QTest::newRow("one minute digit") << "8:0" << "" << false;
    QTest::newRow("blank") << " 8:00" << "" << false;
}

void TestWorkingTimeAccount::text()
{
    QFETCH(QString, text);
    QFETCH(QString, minutes);
    QFETCH(bool, signedValue);
    const auto parsed = AccountText::parseMinutes(text, signedValue);
    QCOMPARE(parsed ? AccountText::formatMinutes(*parsed) : QString(), minutes);
    QCOMPARE(AccountText::formatDays(3), QStringLiteral("3"));
    QCOMPARE(AccountText::formatDays(5.5), QStringLiteral("5,5"));
    QCOMPARE(AccountText::formatDays(-0.5), QStringLiteral("-0,5"));
    QCOMPARE(AccountText::parseDays(QStringLiteral("27,5")), std::optional<double>(27.5));
    QCOMPARE(AccountText::parseDays(QStringLiteral("27,25")), std::nullopt);
}

QTEST_GUILESS_MAIN(TestWorkingTimeAccount)
#include "tst_workingtimeaccount.moc"

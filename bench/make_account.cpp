// Writes a Database directory for the working-time account's benchmark:
//   make_account DIR ROWS [EMPLOYEES]
// a work-time table of ROWS bookings spread over the working days of 2025
// among EMPLOYEES employees (50 by default), and for each a target week, a
// fortnight of vacation and a few sick days in the account's tables.
#include <cstdio>

#include <QCoreApplication>

#include "BenchTables.h"
#include "base/Clock.h"
#include "storage/AccountTables.h"
#include "storage/DbfRecord.h"
#include "storage/WorkTimeTables.h"

namespace {

int s_employees = 50;
// The working days (Monday to Friday) of 2025, as DD.MM.YYYY.
QStringList s_days;

QString employeeName(int i)
{
    return QStringLiteral("Mitarbeiter %1, Jürgen").arg(i + 1, 2, 10, QLatin1Char('0'));
}

// Bookings employee after employee for each day in turn, as a firm books
// them: a few per employee and day.
void fillBooking(DbfRecord &record, quint32 i)
{
    BenchTables::fillRecord(record, i);
    const quint32 perDay = quint32(s_employees) * 4;
    record.setText(WorkTimeTables::Datum, s_days.at(qsizetype((i / perDay) % quint32(s_days.size()))));
    record.setText(WorkTimeTables::Arbeiter, employeeName(int(i / 4 % quint32(s_employees))));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fputs("usage: make_account DIR ROWS [EMPLOYEES]\n", stderr);
        return 2;
    }
    const QString directory = QString::fromLocal8Bit(argv[1]) + QLatin1Char('/');
    const quint32 rows = QString::fromLocal8Bit(argv[2]).toUInt();
    if (argc > 3)
        s_employees = QString::fromLocal8Bit(argv[3]).toInt();
    for (QDate day(2025, 1, 1); day.year() == 2025; day = day.addDays(1)) {
        if (day.dayOfWeek() <= 5)
            s_days << day.toString(QStringLiteral("dd.MM.yyyy"));
    }
    SystemClock clock;
    if (!BenchTables::writeWorkTimeTable(directory + QLatin1String(WorkTimeTables::TableFileName), rows, clock,
                                         &fillBooking)) {
        std::fputs("make_account: cannot write the table\n", stderr);
        return 1;
    }
    AccountTables tables(clock);
    tables.setDirectory(directory);
    bool written = tables.setState(QStringLiteral("NW"));
    for (int i = 0; i < s_employees && written; ++i) {
        const TargetWeek week{employeeName(i), QDate(2025, 1, 1), {480, 480, 480, 480, 360, 0, 0}, 30, -90};
        const QDate vacation = QDate(2025, 7, 1).addDays(i);
        written = tables.setTarget(week)
            && tables.addAbsence({employeeName(i), vacation, vacation.addDays(13), AbsenceKind::Vacation, false})
            && tables.addAbsence({employeeName(i), QDate(2025, 3, 3), QDate(2025, 3, 5), AbsenceKind::Sick, false});
    }
    if (!written) {
        std::fprintf(stderr, "make_account: %s\n", qPrintable(tables.errorString()));
        return 1;
    }
    return 0;
}

#include "AccountGlance.h"

#include "AccountReport.h"
#include "WorkingTimeAccount.h"
#include "storage/AccountText.h"
#include "storage/RecordTable.h"
#include "translation/UiText.h"
#include "translation/translateunit.h"

namespace AccountGlance {

QString dayKey(int dayOfWeek)
{
    static const char *const keys[7] = {"Mo", "Di", "Mi", "Do", "Fr", "Sa", "So"};
    return QLatin1String(keys[(dayOfWeek + 6) % 7]);
}

QStringList lines(const AccountData &data, RecordTable &bookings, const QString &employee, QDate today,
                  QString *error)
{
    // The employee alone: the pass over the records skips everyone else's.
    AccountData own;
    own.state = data.state;
    own.firmDays = data.firmDays;
    for (const TargetWeek &row : data.targets) {
        if (row.employee == employee)
            own.targets << row;
    }
    for (const Absence &absence : data.absences) {
        if (absence.employee == employee)
            own.absences << absence;
    }
    if (own.targets.isEmpty())
        return {};
    const QDate yesterday = today.addDays(-1);
    WorkingTimeAccount account(own, today.addDays(-MissingDaysBack), yesterday);
    if (!AccountReport::readBookings(bookings, account, yesterday)) {
        *error = bookings.errorString();
        return {};
    }
    const QList<WorkingTimeAccount::Month> months = account.months(employee);
    if (months.isEmpty())
        return {}; // the rows begin today or later
    const WorkingTimeAccount::Month &last = months.last();
    QStringList shown{UiText(QStringLiteral("Saldo bis gestern: %1, Resturlaub: %2 Tage"))
                          .arg(AccountText::formatMinutes(WorkingTimeAccount::minutes(last.balance)),
                               AccountText::formatDays(last.vacationRemaining))};
    QStringList days;
    for (const WorkingTimeAccount::MissingDay &day : account.missingDays(today, employee))
        days << TranslateText(dayKey(day.date.dayOfWeek())) + QChar(0x00A0) // a line breaks between days only
                    + day.date.toString(QStringLiteral("dd.MM."));
    if (!days.isEmpty())
        shown << UiText(QStringLiteral("Fehlende Buchungen: %1")).arg(days.join(QStringLiteral(", ")));
    return shown;
}

} // namespace AccountGlance

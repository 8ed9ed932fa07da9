#include "AccountReport.h"

#include <algorithm>

#include "WorkingTimeAccount.h"
#include "BookedWork.h"
#include "storage/AccountText.h"
#include "storage/DateTimeText.h"
#include "storage/RecordTable.h"
#include "storage/WorkTimeTables.h"
#include "translation/translateunit.h"

namespace {

QString time(qint64 seconds)
{
    return AccountText::formatMinutes(WorkingTimeAccount::minutes(seconds));
}

} // namespace

bool AccountReport::readBookings(RecordTable &table, WorkingTimeAccount &account, QDate to)
{
    const int last = DateTimeText::dateNumber(to);
    QString employee;
    return table.refresh() && table.scan([&](const DbfRecord &record) {
        const QByteArrayView datum = record.rawText(WorkTimeTables::Datum);
        const auto number = DateTimeText::parseDateNumber(QLatin1String(datum.data(), datum.size()));
        if (!number || *number > last)
            return true;
        record.text(WorkTimeTables::Arbeiter, employee);
        if (account.hasTarget(employee))
            account.addBooking(employee, QDate(*number / 10000, *number / 100 % 100, *number % 100),
                               BookedWork::seconds(record));
        return true;
    });
}

AccountReport::AccountReport(Kind kind, const WorkingTimeAccount &account, QDate from, QDate to, QDate today,
                             const std::optional<QString> &employee)
{
    const QString period = DateTimeText::formatDate(from) + QStringLiteral(" - ") + DateTimeText::formatDate(to);
    if (kind == Kind::Missing) {
        title = TranslateText(QStringLiteral("Fehlende Buchungen")) + QLatin1Char(' ') + period;
        columnTitles = {TranslateText(QStringLiteral("Mitarbeiter")), TranslateText(QStringLiteral("Datum"))};
        for (const WorkingTimeAccount::MissingDay &day : account.missingDays(today, employee))
            rows.append({day.employee, DateTimeText::formatDate(day.date)});
        return;
    }
    title = TranslateText(QStringLiteral("Arbeitszeitkonto")) + QLatin1Char(' ') + period;
    for (const char *column : {"Mitarbeiter", "Monat", "Soll", "Ist", "Angerechnete Abwesenheit", "Differenz",
                               "Saldo am Monatsende", "Urlaubstage genommen", "Resturlaub am Monatsende"})
        columnTitles << TranslateText(QString::fromUtf8(column));
    for (const WorkingTimeAccount::Month &month : account.months(employee))
        rows.append({month.employee, month.month.toString(QStringLiteral("MM.yyyy")), time(month.target),
                     time(month.worked), time(month.credit), time(month.difference()), time(month.balance),
                     AccountText::formatDays(month.vacationTaken), AccountText::formatDays(month.vacationRemaining)});
}

QStringList AccountReport::textLines() const
{
    constexpr qsizetype LeftAligned = 2;
    QList<qsizetype> widths;
    for (const QString &cell : columnTitles)
        widths << cell.size();
    for (const QStringList &row : rows) {
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row.at(i).size());
    }
    QStringList lines{title, QString()};
    const auto line = [&](const QStringList &cells) {
        QString text;
        for (qsizetype i = 0; i < cells.size(); ++i) {
            if (i > 0)
                text += QStringLiteral("  ");
            text += i < LeftAligned ? cells.at(i).leftJustified(widths[i]) : cells.at(i).rightJustified(widths[i]);
        }
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        lines << text;
    };
    line(columnTitles);
    for (const QStringList &row : rows)
        line(row);
    return lines;
}

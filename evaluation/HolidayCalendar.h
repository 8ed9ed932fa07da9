#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include "PublicHolidays.h"
#include "storage/AccountData.h"

// The firm's days off: the public holidays of its federal state and the
// firm's own days, which count the same.
class HolidayCalendar
{
public:
    HolidayCalendar() = default;
    HolidayCalendar(QString state, QList<FirmDay> firmDays);

    QString state() const { return m_state; }
    // The state's holidays and the firm's days of `year`, in date order
    // (the state's first where both fall on one date).
    QList<Holiday> holidays(int year) const;
    bool isHoliday(QDate date) const;

private:
    QString m_state;
    QList<FirmDay> m_firmDays;
    // Julian days of the years asked for so far: the account asks for
    // every day of its period.
    mutable QHash<int, QSet<qint64>> m_years;
};

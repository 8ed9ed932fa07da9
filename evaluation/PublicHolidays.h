#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

// One day off by law or by the firm: its date and its German name (the
// dictionary's key; a firm day's name is the administrator's own text).
struct Holiday
{
    QDate date;
    QString name;
    bool firmDay = false;
};

// The public holidays of the German federal states, from one rule table:
// the nationwide days, the movable feasts counted from Easter Sunday, each
// state's own days with the years they hold, and the days that held once.
// Days that hold only in some municipalities are left to the firm's own days.
class PublicHolidays
{
public:
    // BW BY BE BB HB HH HE MV NI NW RP SL SN ST SH TH.
    static const QStringList &stateCodes();
    static bool isStateCode(const QString &code);

    // The holidays of `state` in `year`, in date order (days on the same
    // date in the order of the rule table). An empty state: the nationwide
    // days only.
    static QList<Holiday> holidays(int year, const QString &state);

    // Easter Sunday of the Gregorian calendar.
    static QDate easterSunday(int year);
    // Buß- und Bettag: the Wednesday before 23 November.
    static QDate repentanceDay(int year);
};

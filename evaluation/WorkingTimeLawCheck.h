#pragma once

#include <functional>
#include <map>
#include <optional>
#include <vector>

#include <QDate>
#include <QHash>
#include <QLocale>
#include <QString>
#include <QStringList>

#include "WorkingDayTally.h"
#include "WorkingTimeRules.h"

class RecordTable;

// "Arbeitszeitgesetz prüfen": the sixth evaluation. One pass over the
// work-time table keeps, per employee and date of the period, only what the
// rules need (WorkingDayTally), and per employee the last working day before
// the period; then the report is written line by line to a sink, ordered by
// employee, date and rule, without ever holding its lines.
class WorkingTimeLawCheck
{
public:
    using LineSink = std::function<void(const QString &)>;
    using RowSink = std::function<void(const QStringList &)>;

    struct Options
    {
        std::optional<QString> employee; // the `Arbeiter` text; none: every employee
        QDate from;              // both bounds inclusive
        QDate to;
        bool hoursOnly = false;  // "Nur Stundenanzahl abfragen, nicht von bis": no real times
        QLocale locale;          // the order of the employees
        // Asked now and then with the share of the work done (0 to 1); false
        // stops the check.
        std::function<bool(double)> keepGoing;
        // Whether a date is a public holiday or a day off of the firm; none:
        // no holidays are checked.
        std::function<bool(QDate)> isHoliday;
    };

    // How the report speaks: the numbered program texts and the dictionary.
    struct Texts
    {
        std::function<QString(int)> programText;
        std::function<QString(const QString &)> translate;
    };

    // The first entry of the employee choice, German (its dictionary key).
    static QString allEmployeesText();
    // Why a period whose start lies after its end is refused, German (its dictionary key).
    static QString reversedPeriodText();

    WorkingTimeLawCheck(Options options, Texts texts, WorkingTimeRules rules = WorkingTimeRules::germanLaw());
    // The rules checked point into the object's own rule table.
    WorkingTimeLawCheck(const WorkingTimeLawCheck &) = delete;
    WorkingTimeLawCheck &operator=(const WorkingTimeLawCheck &) = delete;

    // The pass over the table; false when keepGoing stopped it, or when a
    // record could not be read (errorString() then says why).
    bool read(RecordTable &table);
    QString errorString() const { return m_errorString; }

    // The result window's text: title, period, heading, one line per
    // violation, totals.
    void writeReport(const LineSink &sink) const;
    // The heading row, then one row per violation: date, employee, paragraph
    // without its blank, found, limit, explanation.
    void writeCsv(const RowSink &sink) const;

    int checkedDays() const;

private:
    struct LastDay
    {
        qint64 day = 0;   // Julian day
        int latestEnd = 0;
    };
    struct Employee
    {
        QString name;
        std::map<qint64, WorkingDayTally> days; // by Julian day, inside the period
        std::optional<LastDay> before;           // the last working day before the period
        std::optional<WorkingDayTally> eve;      // the day just before the period: its night work
    };
    struct Violation
    {
        QDate date;
        const QString *employee;
        size_t rule; // its place among the rules checked
        WorkingTimeFinding finding;
    };
    struct Widths
    {
        int date = 0;
        int employee = 0;
        int paragraph = 0;
        int found = 0;
        int limit = 0;
    };

    void addBooking(const QString &employee, qint64 day, int start, int end, int pause);
    QStringList checkedParagraphs() const;
    QString readingLine() const;
    Employee &employeeNamed(const QString &name);
    std::vector<const Employee *> sortedEmployees() const;
    void forEachViolation(const std::function<void(const Violation &)> &visit) const;
    WorkingDayFacts factsOf(qint64 day, const WorkingDayTally &tally, const std::optional<LastDay> &previous,
                            const WorkingDayTally *dayBefore) const;
    std::optional<WorkingDayFacts> nightWorkAfter(qint64 day, const WorkingDayTally &tally) const;
    void checkDay(const WorkingDayFacts &facts, const QString &employee,
                  const std::function<void(const Violation &)> &visit) const;

    QString title() const;
    Widths measure() const;
    QString line(const QStringList &cells, const Widths &widths) const;
    void writeTotals(const LineSink &sink, const std::vector<int> &counts) const;

    Options m_options;
    Texts m_texts;
    WorkingTimeRules m_rules;
    std::vector<const WorkingTimeRule *> m_checked;
    QStringList m_titles;       // the columns, in the current language
    QStringList m_explanations; // per rule checked, in the current language
    std::vector<Employee> m_employees;
    QHash<QString, int> m_employeeIndex;
    int m_lastEmployee = -1; // bookings come in runs of one employee
    QString m_errorString;
};

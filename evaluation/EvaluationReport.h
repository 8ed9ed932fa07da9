#pragma once

#include <functional>
#include <optional>

#include <QDate>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include "ReportSink.h"
#include "storage/UserListData.h"

class RecordTable;

// The five evaluations of the work-time table: one builder for all, so that
// the windows and tagwerk-cli write the same lines.
namespace EvaluationReport {

enum class Kind { Employee, Place, Activity, Period, PeriodByPlace };

struct Options
{
    Kind kind = Kind::Employee;
    QString choice;           // the employee, place or activity; unused for the periods
    QDate from;               // both bounds inclusive
    QDate to;
    bool showBreaks = false;  // "Pausenzeit in Auswertung aufführen"
    QLocale locale;           // the decimal separator of the totals
    bool withValues = false;  // build() also collects Report::listedValues (for CSV)
    // Asked now and then with the share of the work done (0 to 1); false
    // stops the report, which then comes back marked as cancelled.
    std::function<bool(double)> keepGoing;
};

// A whole report in memory, for small reports and tests; the windows and
// tagwerk-cli write to a sink instead.
struct Report
{
    QStringList lines;               // what the result window shows
    QStringList columnTitles;        // the columns of the listed records
    QList<QStringList> listedValues; // per listed record, its column values unpadded (withValues)
    bool cancelled = false;           // also when it failed
    QString error;                    // why the table could not be read; empty unless it failed
};

using ProgramTextFunction = std::function<QString(int)>;

bool hasChoiceList(Kind kind);
// Distinct values in order of first appearance (exact comparison). For
// employees with `hideDeleted`, only names that are still in the user list.
// With `readOk`, it tells whether the table could be read to its end (the
// table's errorString() says why not); a list from part of it is no list.
QStringList choiceList(RecordTable &table, Kind kind, bool hideDeleted, const QList<UserRow> &users,
                       bool *readOk = nullptr);
// The program text shown when the choice list is empty (30, 32 or 33).
int emptyChoiceProgramText(Kind kind);
// The first entry of choiceList() and whether the list holds a text, each
// found by reading only as far as the entry's first appearance.
std::optional<QString> firstChoice(RecordTable &table, Kind kind, bool hideDeleted, const QList<UserRow> &users,
                                   bool *readOk = nullptr);
bool isChoice(RecordTable &table, Kind kind, const QString &text, bool hideDeleted, const QList<UserRow> &users,
              bool *readOk = nullptr);

// Failed: a record could not be read (the table's errorString() says why);
// the sink has had part of the report, which must not pass for the whole.
enum class Outcome { Complete, Cancelled, Failed };

// Makes the report and hands it to the sink line by line as it goes: the
// heading, then, after a pass that measures the columns, the column header,
// the listed records and the totals. When Options::keepGoing stops it, the
// sink has had only part of the report, and the outcome says so.
Outcome write(RecordTable &table, const Options &options, const ProgramTextFunction &programText, ReportSink &sink);

// write() into memory.
Report build(RecordTable &table, const Options &options, const ProgramTextFunction &programText);

// A duration in days as H:MM, rounded to the nearest whole minute.
QString OutZeit(double geszeit);

// The listed records as CSV: a header row of the column titles, then one row
// per record; semicolons, UTF-8 with a byte-order mark, CR LF line ends.
QByteArray toCsv(const Report &report);

} // namespace EvaluationReport

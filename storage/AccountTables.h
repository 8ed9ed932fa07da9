#pragma once

#include <functional>

#include <QList>
#include <QString>

#include "AccountData.h"
#include "DbfField.h"

class Clock;
class DbfRecord;
class DbfTable;

// The working-time account's tables beside the work-time table, dBase IV
// files that other dBase tools read as they read "arbeitszeit.dbf": every
// field is text (dates DD.MM.YYYY, durations H:MM, days with a decimal
// comma) but the half-day mark, a logical field.
//   sollzeit.dbf     ARBEITER C45, GUELTIGAB C10, MO DI MI DO FR SA SO C5,
//                    URLAUB C5, SALDO C8 (the opening balance, may be negative)
//   abwesenheit.dbf  ARBEITER C45, VON C10, BIS C10, ART C12, HALBTAG L
//   feiertag.dbf     DATUM C10, NAME C45 (the firm's own days off)
//   bundesland.dbf   LAND C2 (one record: the firm's federal state)
// A missing table reads as empty; it is made on the first change.
class AccountTables
{
public:
    static constexpr const char *TargetFileName = "sollzeit.dbf";
    static constexpr const char *AbsenceFileName = "abwesenheit.dbf";
    static constexpr const char *FirmDayFileName = "feiertag.dbf";
    static constexpr const char *StateFileName = "bundesland.dbf";

    // ART: the kinds of absence as stored.
    static QString storedKind(AbsenceKind kind);

    explicit AccountTables(const Clock &clock);

    // The directory of the work-time table, with its trailing separator.
    // None (the records are on a database server, which keeps no account
    // yet): every read and change fails, saying so, and no file is touched.
    void setDirectory(const QString &directory) { m_directory = directory; }
    QString directory() const { return m_directory; }

    // Everything the four tables hold. A row that cannot be read as what it
    // should hold (a date that is no date) is reported, not skipped: false,
    // with errorString() naming the file and the record.
    bool read(AccountData &data);

    // Each change reads the table anew under its lock. The target row of the
    // same employee and valid-from date is replaced, as is the firm day of
    // the same date.
    bool setTarget(const TargetWeek &row);
    bool addAbsence(const Absence &absence);
    // Removes the absences of the employee with exactly these dates.
    bool removeAbsence(const QString &employee, QDate from, QDate to);
    bool setState(const QString &state);
    bool setFirmDay(const FirmDay &day);
    bool removeFirmDay(QDate date);

    QString errorString() const { return m_errorString; }

private:
    using Match = std::function<bool(const DbfRecord &)>;
    using Fill = std::function<void(DbfRecord &)>;

    QString pathOf(const char *fileName) const { return m_directory + QLatin1String(fileName); }
    // Marks every live record that matches deleted, then appends one filled
    // by `fill` (none when it is empty).
    bool change(const char *fileName, const QList<DbfFieldDef> &fields, const Match &match, const Fill &fill);
    // Visits every live record of the table; a missing table has none.
    bool forEachRecord(const char *fileName, int fieldCount, const std::function<bool(const DbfRecord &)> &visit);
    bool fail(const QString &reason);
    bool noDirectory();

    const Clock &m_clock;
    QString m_directory;
    QString m_errorString;
};

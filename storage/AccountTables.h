#pragma once

#include <functional>
#include <optional>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "AccountData.h"
#include "DbfField.h"
#include "DbfRecord.h"

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
// Each change writes one record where it can (a row replaced in place, one
// appended, one marked deleted), so that a crash leaves the table as it was
// or as it was to be; only rows that another tool doubled take more writes.
class AccountTables
{
public:
    // One change of one table as it is about to be written: every record it
    // writes (`before` empty for an append, `after` empty for a deletion),
    // and the table's live records before and after it, in record order.
    struct TableChange
    {
        struct Row
        {
            quint32 recordNumber = 0;
            std::optional<DbfRecord> before;
            std::optional<DbfRecord> after;
        };
        QString fileName; // e.g. "sollzeit.dbf"
        QList<DbfField> fields;
        unsigned char languageDriver = 0;
        QStringList keyFields; // the fields that name the row: told even when unchanged
        QList<Row> rows;
        QList<QByteArray> liveBefore;
        QList<QByteArray> liveAfter;
    };

    // Written to before the tables (a change history): every change is
    // begun, described and ended through it. What is checked and written
    // between accountChangeBegins() and accountChangeEnds() (they nest) is
    // one step for every instance; a refusal stops the change, and a change
    // described but then not written is told with accountChangeNotMade().
    class Journal
    {
    public:
        virtual ~Journal() = default;
        virtual bool accountChangeBegins(QString &refusal) = 0;
        virtual void accountChangeEnds() = 0;
        virtual bool accountTableChanging(const TableChange &change, QString &refusal) = 0;
        virtual void accountChangeNotMade() = 0;
    };

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

    // Without a journal the tables are written unrecorded (tests, tools).
    void setJournal(Journal *journal) { m_journal = journal; }
    Journal *journal() const { return m_journal; }

private:
    using Match = std::function<bool(const DbfRecord &)>;
    using Fill = std::function<void(DbfRecord &)>;

    QString pathOf(const char *fileName) const { return m_directory + QLatin1String(fileName); }
    // Replaces the first live record that matches with one filled by `fill`
    // and marks the other matches deleted; appends the filled record when
    // none matches; with no `fill`, marks every match deleted.
    bool change(const char *fileName, const QList<DbfFieldDef> &fields, const QStringList &keyFields,
                const Match &match, const Fill &fill);
    bool write(DbfTable &table, const TableChange &change);
    // Visits every live record of the table; a missing table has none.
    bool forEachRecord(const char *fileName, int fieldCount, const std::function<bool(const DbfRecord &)> &visit);
    bool fail(const QString &reason);
    bool noDirectory();

    const Clock &m_clock;
    Journal *m_journal = nullptr;
    QString m_directory;
    QString m_errorString;
};

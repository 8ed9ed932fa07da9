#pragma once

#include <functional>
#include <memory>
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
// The store decides where the tables are kept (setPlace()): the files of the
// Database directory, or tables of the same records on a database server;
// what is read and written, and the history's entries, are the same.
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
    // The end of the outermost step keeps what was written, or says why it
    // could not (false with `error`: then nothing of the step is kept).
    class Journal
    {
    public:
        virtual ~Journal() = default;
        virtual bool accountChangeBegins(QString &refusal) = 0;
        virtual bool accountChangeEnds(QString &error) = 0;
        virtual bool accountTableChanging(const TableChange &change, QString &refusal) = 0;
        virtual void accountChangeNotMade() = 0;
        // Whether the last step was refused only because another PC stored
        // first while it ran: the same change, checks and all, may be run
        // again.
        virtual bool accountChangeOvertaken() const { return false; }
    };

    // One table of the account where the store keeps it, in the layout and
    // with the record numbers of its dBase file. Records are numbered from
    // 1; rows are the live records in record order.
    class Table
    {
    public:
        virtual ~Table() = default;
        // Where it is, for messages (the file's path).
        virtual QString name() const = 0;
        // Opens to read; a table never written is no error: `exists` false,
        // and no rows.
        virtual bool openToRead(bool &exists) = 0;
        // Opens to change, making the table with `fields` when it is
        // missing, and reads it anew while every other writer waits (until
        // this object is gone).
        virtual bool openToChange(const QList<DbfFieldDef> &fields) = 0;
        virtual const QList<DbfField> &fields() const = 0;
        virtual unsigned char languageDriver() const = 0;
        virtual int rowCount() const = 0;
        virtual bool readRow(int row, DbfRecord &out) = 0;
        virtual quint32 recordCount() const = 0;
        virtual DbfRecord newRecord() const = 0;
        virtual bool append(DbfRecord &record) = 0;
        virtual bool update(DbfRecord &record) = 0;
        virtual bool markDeleted(quint32 recordNumber) = 0;
        virtual QString errorString() const = 0;
    };
    // Hands out the table of a file name (e.g. "sollzeit.dbf").
    using Place = std::function<std::unique_ptr<Table>(const char *fileName)>;

    static constexpr const char *TargetFileName = "sollzeit.dbf";
    static constexpr const char *AbsenceFileName = "abwesenheit.dbf";
    static constexpr const char *FirmDayFileName = "feiertag.dbf";
    static constexpr const char *StateFileName = "bundesland.dbf";

    // ART: the kinds of absence as stored.
    static QString storedKind(AbsenceKind kind);

    explicit AccountTables(const Clock &clock);

    // The directory of the work-time table, with its trailing separator:
    // the tables are its files. Neither a directory nor a place: every read
    // and change fails, saying so, and no file is touched.
    void setDirectory(const QString &directory);
    QString directory() const { return m_directory; }
    // Where a store other than the folder keeps the tables.
    void setPlace(Place place) { m_place = std::move(place); }

    // Everything the four tables hold. A row that cannot be read as what it
    // should hold (a date that is no date) is reported, not skipped: false,
    // with errorString() naming the file and the record.
    bool read(AccountData &data);

    // Each change reads the table anew under its lock. The target row of the
    // same employee and valid-from date is replaced, as is the firm day of
    // the same date.
    bool setTarget(const TargetWeek &row);
    // Removes the employee's target rows of exactly this valid-from date.
    bool removeTarget(const QString &employee, QDate validFrom);
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

    bool changeInStep(const char *fileName, const QList<DbfFieldDef> &fields, const QStringList &keyFields,
                      const Match &match, const Fill &fill);
    // Replaces the first live record that matches with one filled by `fill`
    // and marks the other matches deleted; appends the filled record when
    // none matches; with no `fill`, marks every match deleted.
    bool change(const char *fileName, const QList<DbfFieldDef> &fields, const QStringList &keyFields,
                const Match &match, const Fill &fill);
    bool write(Table &table, const TableChange &change);
    // Visits every live record of the table; a missing table has none.
    bool forEachRecord(const char *fileName, int fieldCount, const std::function<bool(const DbfRecord &)> &visit);
    bool fail(const QString &reason);
    bool noDirectory();

    const Clock &m_clock;
    Journal *m_journal = nullptr;
    QString m_directory;
    Place m_place;
    QString m_errorString;
};

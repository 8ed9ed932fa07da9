#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include "storage/DbfField.h"

class DbfRecord;

// One entry of the change history "protokoll.dbf", and the layout of that
// table. The table is a plain dBase IV table, so other tools read it; its
// fields, in file order:
//
//   ZEIT       C 19   date and time, yyyy-MM-dd HH:mm:ss
//   WER        C 45   the employee logged in, or "Administrator"
//   RECHNER    C 64   the computer's host name
//   AKTION     C 20   Beginn, Neu, Geändert, Gelöscht, Abschluss, Wiedereröffnung,
//                     Abgebrochen, Neubeginn; for a change of a working-time
//                     account table: Sollzeit, Abwesenheit, Feiertag, Bundesland
//   SATZ       C 10   the record number (for Beginn: the records then present;
//                     for an account table: the record it wrote first)
//   AENDERUNG1 C 254  the changes, "FIELD: old -> new; ...", continued in
//   ..AENDERUNG4      the next field when longer than one field
//   VORHER     C 64   SHA-256 (hex) of the record's bytes before the change
//   NACHHER    C 64   SHA-256 (hex) of the record's bytes after it; for
//                     Beginn, of the list of record digests taken then
//   KETTE      C 64   SHA-256 (hex) over the previous entry's KETTE and the
//                     bytes of this entry's other fields
// An account table's entry holds in VORHER and NACHHER the tableDigest() of
// the table before and after the change, and in the change text each record
// it writes, "FIELD: old -> new", its key fields (employee, dates) always.
struct ChangeLogEntry
{
    // Abgebrochen (Cancelled) closes an entry whose change never reached the
    // table (a crash or a full disk between the two writes); Neubeginn
    // (Restart) follows the Beginn of a history the administrator started
    // again after the old one was lost.
    // TargetTable ... StateTable: a change of one of the working-time
    // account's tables (sollzeit.dbf, abwesenheit.dbf, feiertag.dbf,
    // bundesland.dbf).
    enum class Action { Start, New, Changed, Deleted, PeriodClosed, PeriodReopened, Cancelled, Restart, TargetTable,
                        AbsenceTable, FirmDayTable, StateTable, Unknown };
    enum Field { Zeit = 0, Wer, Rechner, Aktion, Satz, Aenderung1, Aenderung2, Aenderung3, Aenderung4, Vorher,
                 Nachher, Kette, FieldCount };

    static constexpr const char *FileName = "protokoll.dbf";
    static constexpr int ChangeFieldCount = 4;
    static constexpr int ChangeFieldWidth = 254;
    static constexpr int DigestHexLength = 64;
    // The separator of old and new text inside the table: the table's code
    // page (Windows-1252) has no arrow. Shown as " → ".
    static constexpr const char *StoredArrow = " -> ";
    static constexpr const char *ShownArrow = " \u2192 ";

    static QList<DbfFieldDef> fieldDefinitions();
    // The bytes of a log's header and descriptors, as a new log has them.
    static int headerLength();
    static int recordLength();
    // Why a file with this header (its first headerLength() bytes, or all
    // of it when shorter) and length is not a change history Tagwerk may
    // read: the exact field names, types and widths, the record length and
    // the language byte. Empty when it is one.
    static QString layoutProblem(const QByteArray &header, qint64 fileLength);
    // Why its record count is not one to append to: the header's count must
    // be the length's, or one less (an append cut off before its header
    // write), and nothing but the end mark may follow the last entry.
    static QString countProblem(const QByteArray &header, qint64 fileLength);
    // Both for the file at `path` (the count only `withCount`), reading
    // only its header and last byte; anything but a plain file is refused.
    static QString layoutProblemOf(const QString &path, bool withCount = true);

    static QString actionCode(Action action);
    static Action actionOf(const QString &code);
    // The action in the user's language.
    static QString actionText(Action action);
    // The account table an action changes ("sollzeit.dbf", ...), empty for
    // the other actions; and the action of a change of that table.
    static QString accountFileName(Action action);
    static Action accountAction(const QString &fileName);
    static bool isAccountChange(Action action) { return !accountFileName(action).isEmpty(); }

    // SHA-256 (hex) of an account table's content: its language byte, then
    // each field's name, a NUL, its type letter and its width as one byte,
    // then the bytes of each live record (deletion flag included) in record
    // order. Empty when no record is live (or there is no table): such a
    // table holds nothing, whatever its layout. Deleted records and their
    // numbers do not count, so a table packed by another tool keeps it.
    static QByteArray tableDigest(const QList<DbfField> &fields, unsigned char languageDriver,
                                  const QList<QByteArray> &liveRecords);

    // Reads the fields of a log record; `record` must have the log's layout.
    static ChangeLogEntry fromRecord(const DbfRecord &record);
    // Fills every field but KETTE.
    void fillRecord(DbfRecord &record) const;
    // The bytes the chain hash covers besides the previous hash: every field
    // before KETTE, as stored.
    static QByteArray chainedBytes(const DbfRecord &record);
    static QByteArray chainHash(const QByteArray &previousHash, const DbfRecord &record);

    // SHA-256 of a work-time record's bytes (deletion flag included), hex.
    static QByteArray recordDigest(const QByteArray &recordBytes);

    // The date a closing or reopening entry set ("CLOSED_UNTIL: old -> new");
    // invalid for "nothing closed".
    QDate closedUntil() const;

    // The changes as shown: "FIELD: old → new; ...", the escapes of the
    // stored text kept, so that no value can pass for a separator.
    QString shownChanges() const;

    // A field's text as it goes into the change text: a backslash, ";" and
    // ">" get a backslash before them, so that a value holding "; " or
    // " -> " cannot pass for another item. Entries written before this
    // rule hold such values unescaped; they read as before.
    static QString escapedValue(const QString &text);
    // "FIELD: old -> new", the texts escaped.
    static QString fieldChange(const QString &name, const QString &oldText, const QString &newText);
    // The entry of a change of a work-time record whose table has `fields`:
    // New (`before` null), Deleted (`after` null) or Changed, with the record
    // number, the digests before and after, and the fields that changed. Who,
    // where and when are the caller's to set.
    static ChangeLogEntry forChange(const QList<DbfField> &fields, const DbfRecord *before, const DbfRecord *after);

    struct FieldChange
    {
        QString field;
        QString oldText; // unescaped
        QString newText;
    };
    // The items of a stored change text, in order.
    static QList<FieldChange> parseChanges(const QString &stored);

    QDateTime time;
    QString who;
    QString host;
    Action action = Action::Unknown;
    quint32 recordNumber = 0;
    QString changes;      // as stored, with StoredArrow
    QByteArray before;    // hex, may be empty
    QByteArray after;     // hex, may be empty
    QByteArray chain;     // hex
    bool deletedFlag = false;
    // The changes as a reader shows them, each field named by its heading in
    // the user's language; empty: shownChanges().
    QString headedChanges;
};

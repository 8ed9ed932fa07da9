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
//   AKTION     C 20   Beginn, Neu, Geändert, Gelöscht, Abschluss, Wiedereröffnung
//   SATZ       C 10   the record number (for Beginn: the records then present)
//   AENDERUNG1 C 254  the changes, "FIELD: old -> new; ...", continued in
//   ..AENDERUNG4      the next field when longer than one field
//   VORHER     C 64   SHA-256 (hex) of the record's bytes before the change
//   NACHHER    C 64   SHA-256 (hex) of the record's bytes after it; for
//                     Beginn, of the list of record digests taken then
//   KETTE      C 64   SHA-256 (hex) over the previous entry's KETTE and the
//                     bytes of this entry's other fields
struct ChangeLogEntry
{
    enum class Action { Start, New, Changed, Deleted, PeriodClosed, PeriodReopened, Unknown };
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
    static QString actionCode(Action action);
    static Action actionOf(const QString &code);
    // The action in the user's language.
    static QString actionText(Action action);

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

    // The changes as shown: "FIELD: old → new; ...".
    QString shownChanges() const;

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

#pragma once

#include <QByteArray>
#include <QString>

class ServerConnection;

// The tables of the server store, named after the files of the Database
// directory, in the database's default schema:
//   arbeitszeit      the work-time records; `satz` is the record number, a
//                    deletion marks the row (`geloescht`), so that the
//                    numbers stay those of the dBase file; the twelve fields
//                    as text (dates and times exactly as the file holds
//                    them), the logical ones as boolean
//   protokoll        the change history, one row per entry, in `nr` order
//   benutzer, optionen, abschluss, protokollbeginn
//                    the bytes of "benutzer.dat", "options.dat",
//                    "abschluss.dat" and "protokollbeginn.dat"
//   tabellenkopf     the dBase header of "arbeitszeit.dbf" (field names and
//                    code page), so that an export writes the same layout,
//                    and of each account table once it was written
//   sollzeit, abwesenheit, feiertag, bundesland
//                    the working-time account's tables, one row per record
//                    of the dBase file: `satz`, its bytes in `inhalt`
//                    (ServerAccountTable)
//   tagwerk_schema   the schema's version
// The history takes new rows only: a trigger refuses every UPDATE, DELETE
// and TRUNCATE of "protokoll" and "protokollbeginn", whoever asks, and the
// working role is granted no more than INSERT on them.
class ServerSchema
{
public:
    // 2: the working-time account's tables.
    static constexpr int Version = 2;
    static constexpr const char *AccountTables[] = {"sollzeit", "abwesenheit", "feiertag", "bundesland"};

    // The tables that keep a small file's bytes, and the file's name in a
    // Database directory.
    struct FileTable
    {
        const char *table;
        const char *fileName;
    };
    static constexpr FileTable FileTables[] = {{"benutzer", "benutzer.dat"},
                                               {"optionen", "options.dat"},
                                               {"abschluss", "abschluss.dat"},
                                               {"protokollbeginn", "protokollbeginn.dat"}};
    static constexpr const char *HistoryStartTable = "protokollbeginn";
    static constexpr const char *ClashConstraint = "arbeitszeit_keine_ueberschneidung";

    // Creates what is missing and upgrades an older schema; running it again
    // changes nothing. `tableHeader` is the dBase header a new store starts
    // with (none: no header is added); `workingRole`, when given, is granted
    // what the PCs need, as is every role that holds the PCs' rights already
    // (an upgrade grants them the new tables). False with `error` set; then
    // nothing was changed.
    static bool create(ServerConnection &connection, const QByteArray &tableHeader, const QString &workingRole,
                       QString *error);
    // The version of the schema on the server: 0 when there is none, -1 (with
    // `error`) when it cannot be read.
    static int version(ServerConnection &connection, QString *error);
    // Says that the tables are of an older version and "init" upgrades them.
    static QString upgradeNeeded(ServerConnection &connection);
};

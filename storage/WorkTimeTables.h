#pragma once

#include <functional>

#include <QList>
#include <QString>

#include "DbfTable.h"

class Clock;
class Reporter;

// The work-time table "arbeitszeit.dbf" (Dbf1) and the scratch table
// "temp.dbf" (Dbf2) of the Database directory: their twelve fields, their
// creation on first use, and the upgrade of a table with fewer fields.
class WorkTimeTables
{
public:
    // Field positions of a Work-time record: every part of the program reads
    // and writes fields by position, never by name.
    enum Field {
        Datum = 0,
        Arbeiter,
        Ort,
        Taetigkeit,
        ZeitVon,
        ZeitBis,
        Bemerkungen,
        Auswaerts,
        Pause,
        Doppelt,
        DatumEintrag,
        ZeitEintrag,
        FieldCount
    };

    static constexpr const char *TableFileName = "arbeitszeit.dbf";
    static constexpr const char *ScratchFileName = "temp.dbf";
    static constexpr const char *BackupFileName = "arbeitszeit0.dbf";

    using ProgramTextFunction = std::function<QString(int)>;

    // The twelve fields, named by the numbered program texts in the language
    // current at this moment.
    static QList<DbfFieldDef> fieldDefinitions(const ProgramTextFunction &programText);

    // The heading of field `field` wherever records are shown (grids, the
    // change history), by position and whole, in the language of the moment:
    // the stored names are upper case, cut to ten characters and in whatever
    // language created the table. Empty for a field beyond today's layout.
    static QString heading(int field, const ProgramTextFunction &programText);

    WorkTimeTables(const Clock &clock, Reporter &reporter, ProgramTextFunction programText);

    // Both tables live in this directory, given with its trailing separator.
    void setDirectory(const QString &directory) { m_directory = directory; }
    QString directory() const { return m_directory; }
    QString tablePath() const;

    // Opens Dbf1, creating it when missing and upgrading it when it has fewer
    // fields than today's layout. An existing table that cannot be opened is
    // left untouched: the reason is reported and Dbf1 stays closed.
    bool CreateandopenTables();
    // Opens Dbf1 only to read it: nothing is created, upgraded or written. A
    // missing table, and one of an older layout (which only the program
    // upgrades), are reported and leave Dbf1 closed.
    bool openForReading();
    // Says that the Database directory holds no table, naming the directory.
    QString missingTableMessage() const;
    // Copies the live rows of the open, older Dbf1 into a table of today's
    // layout and puts that in its place, keeping the old file as backup.
    // If any step fails, the old table stays where it was, unchanged, and
    // Dbf1 stays closed: nothing may read it as a Work-time record.
    bool Feldhinzufgen1Click();

    DbfTable Dbf1;
    DbfTable Dbf2;

private:
    bool failUpgrade(const QString &reason);

    Reporter &m_reporter;
    ProgramTextFunction m_programText;
    QString m_directory;
};

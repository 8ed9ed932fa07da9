// The work-time table as the program meets it: any bytes as
// "arbeitszeit.dbf". Opens it and reads every field of every row; then takes
// the start-up path (create, open, upgrade, the clash index); on a table that
// opened, changes one row and appends one, and checks that a fresh open reads
// back exactly what was written.
#include "FuzzSupport.h"

#include <QDir>

#include "recording/ClashIndex.h"
#include "storage/DbfTable.h"
#include "storage/WorkTimeTables.h"
#include "translation/ProgramTexts.h"

namespace {

void walkEveryField(const QString &path)
{
    DbfTable table(FuzzSupport::clock());
    if (!table.open(path, DbfTable::OpenMode::ReadOnly))
        return;
    DbfRecord record;
    QString text;
    for (int row = 0; row < table.rowCount(); ++row) {
        if (!table.readRow(row, record))
            return;
        for (int pos = 0; pos < table.fieldCount(); ++pos) {
            record.text(pos, text);
            if (table.fields().at(pos).type == DbfFieldType::Logical)
                (void)record.logical(pos);
            (void)record.date(pos);
        }
    }
}

void fillRecord(DbfRecord &record)
{
    record.setText(WorkTimeTables::Datum, QStringLiteral("05.03.2024"));
    record.setText(WorkTimeTables::Arbeiter, QStringLiteral("Fuzz Employee"));
    record.setText(WorkTimeTables::Ort, QStringLiteral("Bonn"));
    record.setText(WorkTimeTables::Taetigkeit, QStringLiteral("Testing"));
    record.setText(WorkTimeTables::ZeitVon, QStringLiteral("08:00"));
    record.setText(WorkTimeTables::ZeitBis, QStringLiteral("12:00"));
    record.setText(WorkTimeTables::Bemerkungen, QStringLiteral("appended"));
    record.setLogical(WorkTimeTables::Auswaerts, true);
    record.setText(WorkTimeTables::Pause, QStringLiteral("00:30"));
    record.setLogical(WorkTimeTables::Doppelt, false);
    record.setText(WorkTimeTables::DatumEintrag, QStringLiteral("15.03.2024"));
    record.setText(WorkTimeTables::ZeitEintrag, QStringLiteral("09:30"));
}

void checkSameFields(const DbfRecord &read, const DbfRecord &written, int fields)
{
    for (int pos = 0; pos < fields; ++pos)
        FUZZ_CHECK(read.text(pos) == written.text(pos));
}

// The start-up path when an upgrade cannot create its scratch table: a
// table that did not open as a Work-time table must not be used.
void startWithoutRoomForUpgrade(const QString &directory)
{
    const QString scratch = directory + QLatin1String(WorkTimeTables::ScratchFileName);
    FUZZ_CHECK(QDir().mkdir(scratch));
    {
        WorkTimeTables tables(FuzzSupport::clock(), FuzzSupport::reporter(), &ProgramTexts::german);
        tables.setDirectory(directory);
        ClashIndex index(tables.Dbf1);
        const bool opened = tables.CreateandopenTables();
        index.rebuild();
        FUZZ_CHECK(opened == tables.Dbf1.isOpen());
        FUZZ_CHECK(!opened || tables.Dbf1.fieldCount() >= WorkTimeTables::FieldCount);
        (void)index.findClash(QStringLiteral("Fuzz Employee"), QDate(2024, 3, 5), 8 * 3600, 12 * 3600);
    }
    FUZZ_CHECK(QDir().rmdir(scratch));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString directory = FuzzSupport::freshDirectory();
    const QString path = directory + QLatin1String(WorkTimeTables::TableFileName);
    if (!FuzzSupport::writeFile(path, data, size))
        return 0;
    walkEveryField(path);
    startWithoutRoomForUpgrade(directory);

    WorkTimeTables tables(FuzzSupport::clock(), FuzzSupport::reporter(), &ProgramTexts::german);
    tables.setDirectory(directory);
    ClashIndex index(tables.Dbf1);
    const bool opened = tables.CreateandopenTables();
    index.rebuild();
    DbfTable &table = tables.Dbf1;
    // A table that did not open as a Work-time table is not used at all.
    FUZZ_CHECK(opened == table.isOpen());
    if (!opened)
        return 0;
    FUZZ_CHECK(table.fieldCount() >= WorkTimeTables::FieldCount);
    (void)index.findClash(QStringLiteral("Fuzz Employee"), QDate(2024, 3, 5), 8 * 3600, 12 * 3600);

    // The table is the input's own copy: change its first row, append one.
    DbfRecord changed;
    bool haveChanged = false;
    if (table.rowCount() > 0 && table.readRow(0, changed)) {
        changed.setText(WorkTimeTables::Bemerkungen, QStringLiteral("changed"));
        haveChanged = table.update(changed);
    }
    DbfRecord appended = table.newRecord();
    fillRecord(appended);
    const bool haveAppended = table.append(appended);
    (void)index.findClash(QStringLiteral("Fuzz Employee"), QDate(2024, 3, 5), 9 * 3600, 10 * 3600);
    const int rows = table.rowCount();
    const int fields = table.fieldCount();
    table.close();

    DbfTable again(FuzzSupport::clock());
    FUZZ_CHECK(again.open(path));
    FUZZ_CHECK(again.rowCount() == rows);
    DbfRecord read;
    if (haveChanged) {
        FUZZ_CHECK(again.readRecord(changed.recordNumber(), read));
        checkSameFields(read, changed, fields);
    }
    if (haveAppended) {
        FUZZ_CHECK(again.readRecord(appended.recordNumber(), read));
        checkSameFields(read, appended, fields);
    }
    return 0;
}

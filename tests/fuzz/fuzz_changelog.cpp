// The change history as verify and history meet it: any bytes as
// "protokoll.dbf" beside a small work-time table. Reads every entry as the
// history does (all of them, and those after the first entry's hash), runs
// the verifier, and checks that neither wrote a byte, that both saw the same
// entries, and that a change text made from any entry's texts reads back
// as those texts.
#include "FuzzSupport.h"

#include <QFile>

#include "recording/ChangeLog.h"
#include "recording/ChangeLogHistory.h"
#include "recording/ChangeLogVerifier.h"
#include "storage/DbfTable.h"
#include "storage/WorkTimeTables.h"
#include "translation/ProgramTexts.h"

namespace {

// Two bookings, written the same way for every input.
bool writeTable(const QString &path)
{
    DbfTable table(FuzzSupport::clock());
    if (!table.create(path, WorkTimeTables::fieldDefinitions(&ProgramTexts::german)) || !table.open(path))
        return false;
    for (const char *place : {"Bonn", "Köln"}) {
        DbfRecord record = table.newRecord();
        record.setText(WorkTimeTables::Datum, QStringLiteral("05.03.2024"));
        record.setText(WorkTimeTables::Arbeiter, QStringLiteral("Fuzz Employee"));
        record.setText(WorkTimeTables::Ort, QString::fromUtf8(place));
        if (!table.append(record))
            return false;
    }
    return true;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The escapes of a change text give back exactly what went in.
void checkEscapes(const ChangeLogEntry &entry)
{
    const QString text = ChangeLogEntry::fieldChange(QStringLiteral("FIELD"), entry.who, entry.host);
    const QList<ChangeLogEntry::FieldChange> items = ChangeLogEntry::parseChanges(text);
    FUZZ_CHECK(items.size() == 1);
    FUZZ_CHECK(items.first().field == QLatin1String("FIELD"));
    FUZZ_CHECK(items.first().oldText == entry.who);
    FUZZ_CHECK(items.first().newText == entry.host);
    (void)entry.shownChanges();
    (void)ChangeLogEntry::parseChanges(entry.changes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString directory = FuzzSupport::freshDirectory();
    const QString logPath = directory + QLatin1String(ChangeLogEntry::FileName);
    const QString tablePath = directory + QLatin1String(WorkTimeTables::TableFileName);
    if (!writeTable(tablePath) || !FuzzSupport::writeFile(logPath, data, size))
        return 0;
    const QByteArray before = fileBytes(logPath);

    ChangeLogHistory history(directory);
    QList<ChangeLogEntry> entries;
    const bool read = history.read({}, [&](const ChangeLogEntry &entry) {
        checkEscapes(entry);
        entries.append(entry);
    });
    if (read && !entries.isEmpty() && !entries.first().chain.isEmpty()) {
        ChangeLogHistory::Filter after;
        after.afterHash = entries.first().chain;
        int later = 0;
        if (history.read(after, [&](const ChangeLogEntry &) { ++later; }))
            FUZZ_CHECK(later < entries.size());
    }

    DbfTable table(FuzzSupport::clock());
    FUZZ_CHECK(table.open(tablePath, DbfTable::OpenMode::ReadOnly));
    ChangeLogVerifier verifier(table, directory);
    const bool clean = verifier.run();
    FUZZ_CHECK(clean == verifier.findings().isEmpty());
    for (const ChangeLogVerifier::Finding &finding : verifier.findings())
        FUZZ_CHECK(!finding.text().isEmpty());
    if (read && verifier.entryCount() > 0)
        FUZZ_CHECK(verifier.entryCount() == quint32(entries.size()));
    FUZZ_CHECK(fileBytes(logPath) == before);
    return 0;
}

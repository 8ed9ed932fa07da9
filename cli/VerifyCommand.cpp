#include "VerifyCommand.h"

#include "CliCommand.h"
#include "base/Clock.h"
#include "recording/ChangeLogVerifier.h"
#include "storage/DbfTable.h"
#include "translation/UiText.h"

int runVerify(const QString &databaseDirectory, const QString &tablePath, CliOutput &out)
{
    SystemClock clock;
    DbfTable table(clock);
    // Read only: a check never creates, upgrades or repairs anything.
    if (!table.open(tablePath, DbfTable::OpenMode::ReadOnly)) {
        printError(table.errorString());
        return CliExit::Usage;
    }
    ChangeLogVerifier verifier(table, databaseDirectory);
    const bool clean = verifier.run();
    if (!clean && !verifier.readError().isEmpty()) {
        printError(verifier.readError());
        return CliExit::Usage;
    }
    for (const ChangeLogVerifier::Finding &note : verifier.notes())
        out.writeLine(note.text());
    if (!clean) {
        for (const ChangeLogVerifier::Finding &finding : verifier.findings())
            out.writeLine(finding.text());
        return CliExit::Refused;
    }
    out.writeLine(UiText(QStringLiteral("Einträge: %1")).arg(verifier.entryCount()));
    out.writeLine(UiText(QStringLiteral("Prüfsumme des Änderungsprotokolls: %1")).arg(QString::fromLatin1(verifier.lastHash())));
    return CliExit::Ok;
}

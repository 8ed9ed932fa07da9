#include "WorkTimeTables.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "base/Reporter.h"
#include "translation/UiText.h"

namespace {

struct FieldSpec
{
    int programText;
    DbfFieldType type;
    int width;
};

// Order, types and widths of the Work-time record.
const FieldSpec s_fields[WorkTimeTables::FieldCount] = {
    {36, DbfFieldType::Character, 10},  // Datum
    {44, DbfFieldType::Character, 45},  // Arbeiter
    {37, DbfFieldType::Character, 45},  // Ort
    {38, DbfFieldType::Character, 45},  // Tätigkeit
    {45, DbfFieldType::Character, 5},   // Zeit von
    {46, DbfFieldType::Character, 5},   // Zeit bis
    {42, DbfFieldType::Character, 100}, // Bemerkungen
    {47, DbfFieldType::Logical, 1},     // Auswaerts
    {35, DbfFieldType::Character, 5},   // Pause
    {48, DbfFieldType::Logical, 1},     // Doppelt
    {50, DbfFieldType::Character, 10},  // Datum Eintrag
    {51, DbfFieldType::Character, 5},   // Zeit Eintrag
};

bool replaceFile(const QString &from, const QString &to, QString *why)
{
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(from.toStdWString()), std::filesystem::path(to.toStdWString()), error);
    if (error && why)
        *why = QString::fromLocal8Bit(error.message().c_str());
    return !error;
}

} // namespace

QList<DbfFieldDef> WorkTimeTables::fieldDefinitions(const ProgramTextFunction &programText)
{
    QList<DbfFieldDef> defs;
    for (const FieldSpec &field : s_fields)
        defs.append({programText(field.programText), field.type, field.width});
    return defs;
}

QString WorkTimeTables::heading(int field, const ProgramTextFunction &programText)
{
    if (field < 0 || field >= FieldCount)
        return {};
    // The stored name "Auswaerts" avoids the umlaut a dBase name cannot
    // hold; a heading can, and the reports already spell it so.
    constexpr int AuswaertsHeading = 26;
    return programText(field == Auswaerts ? AuswaertsHeading : s_fields[field].programText);
}

WorkTimeTables::WorkTimeTables(const Clock &clock, Reporter &reporter, ProgramTextFunction programText)
    : Dbf1(clock)
    , Dbf2(clock)
    , m_reporter(reporter)
    , m_programText(std::move(programText))
{
}

QString WorkTimeTables::tablePath() const
{
    return m_directory + QLatin1String(TableFileName);
}

bool WorkTimeTables::CreateandopenTables()
{
    const QList<DbfFieldDef> defs = fieldDefinitions(m_programText);
    const QString path = tablePath();
    if (!Dbf1.open(path)) {
        if (Dbf1.status() != DbfTable::Status::NotFound) {
            m_reporter.error(Dbf1.errorString());
            return false;
        }
        if (!Dbf1.create(path, defs, DbfTable::CreateMode::OnlyIfMissing) || !Dbf1.open(path)) {
            m_reporter.error(Dbf1.errorString());
            return false;
        }
    }
    if (Dbf1.fieldCount() < defs.size())
        return Feldhinzufgen1Click();
    return true;
}

bool WorkTimeTables::openForReading()
{
    if (!Dbf1.open(tablePath(), DbfTable::OpenMode::ReadOnly)) {
        m_reporter.error(Dbf1.status() == DbfTable::Status::NotFound ? missingTableMessage() : Dbf1.errorString());
        return false;
    }
    if (Dbf1.fieldCount() < FieldCount) {
        // Its records lack fields every reader expects; upgrading it is a
        // write, which a command that only reads must not do.
        Dbf1.close();
        m_reporter.error(UiText(QStringLiteral("Die Tabelle \"%1\" hat noch das Format einer älteren Version. Starten Sie "
                                               "Tagwerk einmal, dann wird sie auf das neue Format umgestellt."))
                             .arg(QDir::toNativeSeparators(tablePath())));
        return false;
    }
    return true;
}

QString WorkTimeTables::missingTableMessage() const
{
    return UiText(QStringLiteral("Im Datenbankverzeichnis \"%1\" gibt es keine Tabelle \"%2\"."))
        .arg(QDir::toNativeSeparators(m_directory), QLatin1String(TableFileName));
}

bool WorkTimeTables::failUpgrade(const QString &reason)
{
    Dbf2.close();
    QFile::remove(m_directory + QLatin1String(ScratchFileName));
    // The old table has fewer fields than every reader of a Work-time record
    // expects, so it must not stay open as if it were one: the program goes
    // on without a table, as for a damaged one, and its bytes stay as they are.
    Dbf1.close();
    m_reporter.error(UiText(QStringLiteral("Die Tabelle \"%1\" konnte nicht auf das neue Format umgestellt werden: %2\n"
                                           "Die bisherige Tabelle bleibt unverändert."))
                         .arg(QDir::toNativeSeparators(tablePath()), reason));
    return false;
}

bool WorkTimeTables::Feldhinzufgen1Click()
{
    const QList<DbfFieldDef> defs = fieldDefinitions(m_programText);
    // The new file takes the old one's place: an instance that has the old
    // one open would go on writing to a file nobody reads (on Windows the
    // replacing would fail). So only with the table to ourselves.
    if (!Dbf1.takeForItself())
        return failUpgrade(Dbf1.errorString());
    // Another instance may have put the new table in place while this one
    // opened the old file.
    if (Dbf1.isReplaced()) {
        if (!Dbf1.open(tablePath())) {
            m_reporter.error(Dbf1.errorString());
            return false;
        }
        return Dbf1.fieldCount() >= defs.size() || Feldhinzufgen1Click();
    }
    const QString scratch = m_directory + QLatin1String(ScratchFileName);
    if (!Dbf2.create(scratch, defs) || !Dbf2.open(scratch))
        return failUpgrade(Dbf2.errorString());

    // Copied by position and as text: an older table holds a leading part of
    // today's layout, and logical values survive as "True"/"False".
    const int copied = std::min(Dbf1.fieldCount(), int(defs.size()));
    DbfRecord oldRow;
    for (int row = 0; row < Dbf1.rowCount(); ++row) {
        if (!Dbf1.readRow(row, oldRow))
            return failUpgrade(Dbf1.errorString());
        DbfRecord newRow = Dbf2.newRecord();
        for (int pos = 0; pos < copied; ++pos)
            newRow.setText(pos, oldRow.text(pos));
        if (!Dbf2.append(newRow))
            return failUpgrade(Dbf2.errorString());
    }
    Dbf2.close();
#ifdef Q_OS_WIN
    // Windows replaces no file that is open. The moment without our lock is
    // safe there: a file another instance opens meanwhile is not replaced.
    Dbf1.close();
#endif

    // The old table is kept as backup, unless an older backup is there
    // already, which then stays. Copying instead of renaming means there is
    // never a moment without "arbeitszeit.dbf".
    const QString table = tablePath();
    const QString backup = m_directory + QLatin1String(BackupFileName);
    if (!QFileInfo::exists(backup)) {
        QFile original(table);
        if (!original.copy(backup))
            return failUpgrade(original.errorString());
    }
    QString why;
    if (!replaceFile(scratch, table, &why))
        return failUpgrade(why);
    // Held until the new file is in place: an instance that opened the old
    // one meanwhile sees it replaced and opens the new one.
    Dbf1.close();
    if (!Dbf1.open(table)) {
        m_reporter.error(Dbf1.errorString());
        return false;
    }
    return true;
}

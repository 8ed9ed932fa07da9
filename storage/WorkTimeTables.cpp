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
    Dbf1.close();

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
    if (!Dbf1.open(table)) {
        m_reporter.error(Dbf1.errorString());
        return false;
    }
    return true;
}

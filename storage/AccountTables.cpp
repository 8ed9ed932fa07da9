#include "AccountTables.h"

#include <QFileInfo>

#include "AccountText.h"
#include "DateTimeText.h"
#include "DbfFormat.h"
#include "DbfTable.h"
#include "translation/UiText.h"

namespace {

namespace Target {
enum Field { Arbeiter, GueltigAb, Montag, Urlaub = Montag + 7, Saldo };
}
namespace Away {
enum Field { Arbeiter, Von, Bis, Art, Halbtag };
}
namespace Firm {
enum Field { Datum, Name };
}

constexpr int EmployeeWidth = 45; // as the work-time table's Arbeiter
constexpr int DateWidth = 10;
constexpr int TimeWidth = 5;

QList<DbfFieldDef> targetFields()
{
    QList<DbfFieldDef> fields = {{QStringLiteral("ARBEITER"), DbfFieldType::Character, EmployeeWidth},
                                 {QStringLiteral("GUELTIGAB"), DbfFieldType::Character, DateWidth}};
    for (const char *day : {"MO", "DI", "MI", "DO", "FR", "SA", "SO"})
        fields.append({QLatin1String(day), DbfFieldType::Character, TimeWidth});
    fields.append({QStringLiteral("URLAUB"), DbfFieldType::Character, 5});
    fields.append({QStringLiteral("SALDO"), DbfFieldType::Character, 8});
    return fields;
}

QList<DbfFieldDef> absenceFields()
{
    return {{QStringLiteral("ARBEITER"), DbfFieldType::Character, EmployeeWidth},
            {QStringLiteral("VON"), DbfFieldType::Character, DateWidth},
            {QStringLiteral("BIS"), DbfFieldType::Character, DateWidth},
            {QStringLiteral("ART"), DbfFieldType::Character, 12},
            {QStringLiteral("HALBTAG"), DbfFieldType::Logical, 1}};
}

QStringList absenceKeys()
{
    return {QStringLiteral("ARBEITER"), QStringLiteral("VON"), QStringLiteral("BIS")};
}

QList<DbfFieldDef> firmDayFields()
{
    return {{QStringLiteral("DATUM"), DbfFieldType::Character, DateWidth},
            {QStringLiteral("NAME"), DbfFieldType::Character, 45}};
}

QList<DbfFieldDef> stateFields()
{
    return {{QStringLiteral("LAND"), DbfFieldType::Character, 2}};
}

QStringList targetKeys()
{
    return {QStringLiteral("ARBEITER"), QStringLiteral("GUELTIGAB")};
}

// A table of the account as a file of the Database directory, written
// under its header lock.
class FileTable : public AccountTables::Table
{
public:
    FileTable(const Clock &clock, const QString &path)
        : m_table(clock)
        , m_path(path)
    {
    }
    ~FileTable() override
    {
        if (m_locked)
            m_table.unlockHeader();
    }
    QString name() const override { return m_path; }
    bool openToRead(bool &exists) override
    {
        exists = QFileInfo::exists(m_path);
        return !exists || m_table.open(m_path, DbfTable::OpenMode::ReadOnly);
    }
    bool openToChange(const QList<DbfFieldDef> &fields) override
    {
        if (!m_table.create(m_path, fields, DbfTable::CreateMode::OnlyIfMissing) || !m_table.open(m_path))
            return false;
        // Reading and writing are one step for every other instance.
        m_locked = m_table.lockHeader();
        return m_locked && m_table.reload();
    }
    const QList<DbfField> &fields() const override { return m_table.fields(); }
    unsigned char languageDriver() const override { return m_table.languageDriver(); }
    int rowCount() const override { return m_table.rowCount(); }
    bool readRow(int row, DbfRecord &out) override { return m_table.readRow(row, out); }
    quint32 recordCount() const override { return m_table.recordCount(); }
    DbfRecord newRecord() const override { return m_table.newRecord(); }
    bool append(DbfRecord &record) override { return m_table.append(record); }
    bool update(DbfRecord &record) override { return m_table.update(record); }
    bool markDeleted(quint32 recordNumber) override { return m_table.markDeleted(recordNumber); }
    QString errorString() const override { return m_table.errorString(); }

private:
    DbfTable m_table;
    QString m_path;
    bool m_locked = false;
};

} // namespace

QString AccountTables::storedKind(AbsenceKind kind)
{
    switch (kind) {
    case AbsenceKind::Vacation: return QStringLiteral("Urlaub");
    case AbsenceKind::Sick: return QStringLiteral("Krankheit");
    case AbsenceKind::Leave: return QStringLiteral("Freistellung");
    case AbsenceKind::Unpaid: return QStringLiteral("Unbezahlt");
    }
    return {};
}

AccountTables::AccountTables(const Clock &clock)
    : m_clock(clock)
{
}

void AccountTables::setDirectory(const QString &directory)
{
    m_directory = directory;
    if (directory.isEmpty()) {
        m_place = nullptr;
        return;
    }
    const Clock *clock = &m_clock;
    m_place = [clock, directory](const char *fileName) -> std::unique_ptr<Table> {
        return std::make_unique<FileTable>(*clock, directory + QLatin1String(fileName));
    };
}

bool AccountTables::fail(const QString &reason)
{
    m_errorString = reason;
    return false;
}

bool AccountTables::noDirectory()
{
    if (m_place)
        return false;
    fail(UiText(QStringLiteral("Das Arbeitszeitkonto wird bisher nur im Datenbankverzeichnis geführt, "
                               "nicht auf einem Datenbankserver.")));
    return true;
}

bool AccountTables::forEachRecord(const char *fileName, int fieldCount,
                                  const std::function<bool(const DbfRecord &)> &visit)
{
    const std::unique_ptr<Table> table = m_place(fileName);
    const QString path = table->name();
    bool exists = false;
    if (!table->openToRead(exists))
        return fail(table->errorString());
    if (!exists)
        return true;
    // Fields are read by position: a table that another tool cut short is
    // no table of ours.
    if (table->fields().size() < fieldCount)
        return fail(UiText(QStringLiteral("Die Tabelle \"%1\" hat nicht die Felder, die Tagwerk erwartet.")).arg(path));
    DbfRecord record;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (!table->readRow(row, record))
            return fail(table->errorString());
        if (!visit(record))
            return fail(UiText(QStringLiteral("Der Datensatz %1 der Tabelle \"%2\" kann nicht gelesen werden."))
                            .arg(record.recordNumber())
                            .arg(path));
    }
    return true;
}

bool AccountTables::read(AccountData &data)
{
    data = AccountData();
    m_errorString.clear();
    if (noDirectory())
        return false;
    const bool targets = forEachRecord(TargetFileName, int(targetFields().size()), [&](const DbfRecord &record) {
        TargetWeek row;
        row.employee = record.text(Target::Arbeiter);
        const auto from = DateTimeText::parseDate(record.text(Target::GueltigAb));
        const auto days = AccountText::parseDays(record.text(Target::Urlaub));
        const auto opening = AccountText::parseMinutes(record.text(Target::Saldo).trimmed(), true);
        if (!from || !days || !opening)
            return false;
        row.validFrom = *from;
        row.vacationDays = *days;
        row.openingBalance = *opening;
        for (int day = 0; day < 7; ++day) {
            const auto minutes = AccountText::parseMinutes(record.text(Target::Montag + day).trimmed());
            if (!minutes)
                return false;
            row.minutes[size_t(day)] = *minutes;
        }
        data.targets.append(row);
        return true;
    });
    const bool absences = targets && forEachRecord(AbsenceFileName, int(absenceFields().size()), [&](const DbfRecord &record) {
        Absence absence;
        absence.employee = record.text(Away::Arbeiter);
        const auto from = DateTimeText::parseDate(record.text(Away::Von));
        const auto to = DateTimeText::parseDate(record.text(Away::Bis));
        std::optional<AbsenceKind> kind;
        for (const AbsenceKind each : {AbsenceKind::Vacation, AbsenceKind::Sick, AbsenceKind::Leave, AbsenceKind::Unpaid}) {
            if (record.text(Away::Art) == storedKind(each))
                kind = each;
        }
        if (!from || !to || !kind)
            return false;
        absence.from = *from;
        absence.to = *to;
        absence.kind = *kind;
        absence.halfDay = record.logical(Away::Halbtag).value_or(false);
        data.absences.append(absence);
        return true;
    });
    const bool firmDays = absences && forEachRecord(FirmDayFileName, int(firmDayFields().size()), [&](const DbfRecord &record) {
        const auto date = DateTimeText::parseDate(record.text(Firm::Datum));
        if (!date)
            return false;
        data.firmDays.append({*date, record.text(Firm::Name)});
        return true;
    });
    return firmDays && forEachRecord(StateFileName, int(stateFields().size()), [&](const DbfRecord &record) {
        data.state = record.text(0);
        return true;
    });
}

bool AccountTables::change(const char *fileName, const QList<DbfFieldDef> &fields, const QStringList &keyFields,
                           const Match &match, const Fill &fill)
{
    m_errorString.clear();
    if (noDirectory())
        return false;
    // The journal's step comes first: it takes the lock that every instance
    // takes before any other, and a change it cannot record does not even
    // make its table.
    QString refusal;
    if (m_journal && !m_journal->accountChangeBegins(refusal))
        return fail(refusal);
    const bool changed = changeInStep(fileName, fields, keyFields, match, fill);
    if (m_journal && !m_journal->accountChangeEnds(refusal) && changed)
        return fail(refusal);
    return changed;
}

bool AccountTables::changeInStep(const char *fileName, const QList<DbfFieldDef> &fields, const QStringList &keyFields,
                                 const Match &match, const Fill &fill)
{
    const std::unique_ptr<Table> held = m_place(fileName);
    Table &table = *held;
    if (!table.openToChange(fields))
        return fail(table.errorString());
    TableChange change;
    change.fileName = QLatin1String(fileName);
    change.fields = table.fields();
    change.languageDriver = table.languageDriver();
    change.keyFields = keyFields;
    bool replaced = false;
    DbfRecord record;
    for (int row = 0; row < table.rowCount(); ++row) {
        if (!table.readRow(row, record))
            return fail(table.errorString());
        change.liveBefore.append(record.bytes());
        if (!match(record)) {
            change.liveAfter.append(record.bytes());
            continue;
        }
        TableChange::Row written{record.recordNumber(), record, std::nullopt};
        if (fill && !replaced) {
            DbfRecord after = record;
            fill(after);
            change.liveAfter.append(after.bytes());
            written.after = after;
            replaced = true;
        }
        change.rows.append(written);
    }
    if (fill && !replaced) {
        DbfRecord added = table.newRecord();
        fill(added);
        QByteArray bytes = added.bytes();
        bytes[0] = DbfFormat::LiveFlag;
        change.liveAfter.append(bytes);
        // Under the lock the append takes the number after the file's last.
        change.rows.append({table.recordCount() + 1, std::nullopt, added});
    }
    if (change.rows.isEmpty())
        return true;
    QString refusal;
    if (m_journal && !m_journal->accountTableChanging(change, refusal))
        return fail(refusal);
    return write(table, change);
}

bool AccountTables::write(Table &table, const TableChange &change)
{
    for (const TableChange::Row &row : change.rows) {
        bool written = false;
        if (!row.after) {
            written = table.markDeleted(row.recordNumber);
        } else {
            DbfRecord record = *row.after;
            written = row.before ? table.update(record) : table.append(record);
        }
        if (!written) {
            const QString why = table.errorString();
            if (m_journal)
                m_journal->accountChangeNotMade();
            return fail(why);
        }
    }
    return true;
}

bool AccountTables::setTarget(const TargetWeek &row)
{
    const QString validFrom = DateTimeText::formatDate(row.validFrom);
    return change(
        TargetFileName, targetFields(), targetKeys(),
        [&](const DbfRecord &record) {
            return record.text(Target::Arbeiter) == row.employee && record.text(Target::GueltigAb) == validFrom;
        },
        [&](DbfRecord &record) {
            record.setText(Target::Arbeiter, row.employee);
            record.setText(Target::GueltigAb, validFrom);
            for (int day = 0; day < 7; ++day)
                record.setText(Target::Montag + day, AccountText::formatMinutes(row.minutes[size_t(day)]));
            record.setText(Target::Urlaub, AccountText::formatDays(row.vacationDays));
            record.setText(Target::Saldo, AccountText::formatMinutes(row.openingBalance));
        });
}

bool AccountTables::removeTarget(const QString &employee, QDate validFrom)
{
    const QString validFromText = DateTimeText::formatDate(validFrom);
    return change(
        TargetFileName, targetFields(), targetKeys(),
        [&](const DbfRecord &record) {
            return record.text(Target::Arbeiter) == employee && record.text(Target::GueltigAb) == validFromText;
        },
        {});
}

bool AccountTables::addAbsence(const Absence &absence)
{
    return change(
        AbsenceFileName, absenceFields(), absenceKeys(), [](const DbfRecord &) { return false; },
        [&](DbfRecord &record) {
            record.setText(Away::Arbeiter, absence.employee);
            record.setText(Away::Von, DateTimeText::formatDate(absence.from));
            record.setText(Away::Bis, DateTimeText::formatDate(absence.to));
            record.setText(Away::Art, storedKind(absence.kind));
            record.setLogical(Away::Halbtag, absence.halfDay);
        });
}

bool AccountTables::removeAbsence(const QString &employee, QDate from, QDate to)
{
    const QString fromText = DateTimeText::formatDate(from);
    const QString toText = DateTimeText::formatDate(to);
    return change(
        AbsenceFileName, absenceFields(), absenceKeys(),
        [&](const DbfRecord &record) {
            return record.text(Away::Arbeiter) == employee && record.text(Away::Von) == fromText
                && record.text(Away::Bis) == toText;
        },
        {});
}

bool AccountTables::setState(const QString &state)
{
    return change(
        StateFileName, stateFields(), {QStringLiteral("LAND")}, [](const DbfRecord &) { return true; },
        [&](DbfRecord &record) { record.setText(0, state); });
}

bool AccountTables::setFirmDay(const FirmDay &day)
{
    const QString date = DateTimeText::formatDate(day.date);
    return change(
        FirmDayFileName, firmDayFields(), {QStringLiteral("DATUM")},
        [&](const DbfRecord &record) { return record.text(Firm::Datum) == date; },
        [&](DbfRecord &record) {
            record.setText(Firm::Datum, date);
            record.setText(Firm::Name, day.name);
        });
}

bool AccountTables::removeFirmDay(QDate date)
{
    const QString text = DateTimeText::formatDate(date);
    return change(
        FirmDayFileName, firmDayFields(), {QStringLiteral("DATUM")},
        [&](const DbfRecord &record) { return record.text(Firm::Datum) == text; }, {});
}

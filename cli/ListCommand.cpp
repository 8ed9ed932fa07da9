#include "ListCommand.h"

#include "CliCommand.h"
#include "recording/RecordListFilter.h"
#include "storage/DbfTable.h"
#include "storage/WorkTimeTables.h"


int runList(DbfTable &table, const ListOptions &options, CliOutput &out)
{
    const int fields = std::min(table.fieldCount(), int(WorkTimeTables::FieldCount));
    DbfRecord record;
    QString field;
    QString line;
    table.refresh();
    for (int row = 0; row < table.rowCount(); ++row) {
        if (!table.readRow(row, record)) {
            printError(table.errorString());
            return CliExit::Usage;
        }
        if (options.employee) {
            record.text(WorkTimeTables::Arbeiter, field);
            if (field != *options.employee)
                continue;
        }
        if (options.currentMonth
            && !Dbf1FilterRecord(record, record.text(WorkTimeTables::Arbeiter), true, options.today))
            continue;
        line.clear();
        for (int pos = 0; pos < fields; ++pos) {
            if (pos > 0)
                line += QLatin1Char('\t');
            if (table.fields().at(pos).type == DbfFieldType::Logical) {
                const auto value = record.logical(pos);
                if (value)
                    line += *value ? QLatin1Char('T') : QLatin1Char('F');
            } else {
                record.text(pos, field);
                appendEscapedField(line, field);
            }
        }
        out.writeLine(line);
    }
    return CliExit::Ok;
}

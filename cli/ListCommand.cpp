#include "ListCommand.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "CliCommand.h"
#include "recording/RecordListFilter.h"
#include "storage/CodePage.h"
#include "storage/RecordTable.h"
#include "storage/WorkTimeTables.h"

namespace {

// Whether the text holds a backslash, TAB, CR or LF. The lower half of every
// code page is ASCII, so these bytes are the characters themselves, in the
// field as in its UTF-8. Eight bytes are looked at a time: fields are long.
bool needsEscape(QByteArrayView text)
{
    constexpr quint64 Ones = 0x0101010101010101ull;
    constexpr quint64 HighBits = 0x8080808080808080ull;
    const auto hasByteBelow = [](quint64 word, quint64 limit) { return (word - Ones * limit) & ~word & HighBits; };
    const auto hasZeroByte = [](quint64 word) { return (word - Ones) & ~word & HighBits; };
    qsizetype i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        quint64 word;
        std::memcpy(&word, text.data() + i, 8);
        if (hasByteBelow(word, 0x20) || hasZeroByte(word ^ (Ones * '\\')))
            return true;
    }
    return std::any_of(text.begin() + i, text.end(),
                       [](char c) { return c == '\\' || c == '\t' || c == '\r' || c == '\n'; });
}

// Writes a backslash, TAB, CR or LF as \\, \t, \r or \n, so that the line
// stays one record of TAB-separated fields.
char *writeEscaped(QByteArrayView text, char *out)
{
    for (const char c : text) {
        const char escape = c == '\\' ? '\\' : c == '\t' ? 't' : c == '\r' ? 'r' : c == '\n' ? 'n' : 0;
        if (escape) {
            *out++ = '\\';
            *out++ = escape;
        } else {
            *out++ = c;
        }
    }
    return out;
}

// Writes a character field's text as UTF-8, straight from the record's
// bytes: a listing of a million records should cost little more than
// reading them. `out` has room for three bytes per byte of the field.
char *writeField(const DbfRecord &record, int pos, char *out)
{
    const QByteArrayView raw = record.rawText(pos);
    if (!needsEscape(raw))
        return record.codePage().toUtf8(raw.data(), raw.size(), out);
    // An escaped ASCII byte takes two bytes, any other at most three.
    QByteArray utf8(raw.size() * CodePage::Utf8BytesPerByte, Qt::Uninitialized);
    const char *end = record.codePage().toUtf8(raw.data(), raw.size(), utf8.data());
    return writeEscaped(QByteArrayView(utf8.constData(), end), out);
}

} // namespace

int runList(RecordTable &table, const ListOptions &options, CliOutput &out)
{
    const int fields = std::min(table.fieldCount(), int(WorkTimeTables::FieldCount));
    std::vector<bool> isLogical;
    qsizetype longestLine = fields;
    for (int pos = 0; pos < fields; ++pos) {
        isLogical.push_back(table.fields().at(pos).type == DbfFieldType::Logical);
        longestLine += table.fields().at(pos).width * CodePage::Utf8BytesPerByte;
    }
    QString field;
    QByteArray line(longestLine, Qt::Uninitialized);
    const bool read = table.refresh() && table.scan([&](const DbfRecord &record) {
        if (options.employee) {
            record.text(WorkTimeTables::Arbeiter, field);
            if (field != *options.employee)
                return true;
        }
        if (options.currentMonth
            && !Dbf1FilterRecord(record, record.text(WorkTimeTables::Arbeiter), true, options.today))
            return true;
        char *end = line.data();
        for (int pos = 0; pos < fields; ++pos) {
            if (pos > 0)
                *end++ = '\t';
            if (isLogical[size_t(pos)]) {
                if (const auto value = record.logical(pos))
                    *end++ = *value ? 'T' : 'F';
            } else {
                end = writeField(record, pos, end);
            }
        }
        out.writeUtf8Line(QByteArrayView(line.constData(), end));
        return true;
    });
    if (!read) {
        printError(table.errorString());
        return CliExit::Usage;
    }
    return CliExit::Ok;
}

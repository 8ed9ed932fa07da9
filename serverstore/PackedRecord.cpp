#include "PackedRecord.h"

#include <QStringList>

#include "storage/DbfRecord.h"
#include "storage/WorkTimeTables.h"

namespace {

bool isLogical(int pos)
{
    return pos == WorkTimeTables::Auswaerts || pos == WorkTimeTables::Doppelt;
}

// Reads a decimal number up to `end`, moving `at` past the end mark.
bool readNumber(QStringView text, qsizetype &at, QChar end, qsizetype &number)
{
    number = 0;
    const qsizetype start = at;
    while (at < text.size() && text[at] >= QLatin1Char('0') && text[at] <= QLatin1Char('9') && at - start < 10)
        number = number * 10 + (text[at++].unicode() - '0');
    if (at == start || at >= text.size() || text[at] != end)
        return false;
    ++at;
    return true;
}

// The UTF-16 units of the text from `at` that `bytes` bytes of UTF-8 make.
qsizetype unitsOf(QStringView text, qsizetype at, qsizetype bytes)
{
    qsizetype units = 0;
    while (bytes > 0 && at + units < text.size()) {
        const char16_t c = text[at + units].unicode();
        if (QChar::isHighSurrogate(c)) {
            bytes -= 4;
            units += 2;
            continue;
        }
        bytes -= c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
        ++units;
    }
    return units;
}

} // namespace

QString PackedRecord::expression(const char *columns)
{
    const QStringList names = QString::fromLatin1(columns).split(QStringLiteral(", "));
    QStringList lengths;
    QStringList logicals;
    QStringList texts;
    for (int pos = 0; pos < names.size(); ++pos) {
        if (isLogical(pos)) {
            logicals << QStringLiteral("CASE WHEN %1 THEN 'T' WHEN NOT %1 THEN 'F' ELSE '?' END").arg(names[pos]);
        } else {
            lengths << QStringLiteral("chr(octet_length(%1) + %2)").arg(names[pos]).arg(LengthBase);
            texts << names[pos];
        }
    }
    return QStringLiteral("concat(satz, ';', %1, %2, %3)")
        .arg(lengths.join(QStringLiteral(", ")), logicals.join(QStringLiteral(", ")), texts.join(QStringLiteral(", ")));
}

bool PackedRecord::read(QStringView packed, DbfRecord &record)
{
    qsizetype at = 0;
    qsizetype number = 0;
    if (!readNumber(packed, at, QLatin1Char(';'), number))
        return false;
    record.setRecordNumber(quint32(number));
    record.setDeleted(false);
    qsizetype lengths[WorkTimeTables::FieldCount] = {};
    qsizetype bytes = 0;
    for (int pos = 0; pos < WorkTimeTables::FieldCount; ++pos) {
        if (isLogical(pos))
            continue;
        if (at >= packed.size() || packed[at].unicode() < LengthBase)
            return false;
        lengths[pos] = packed[at++].unicode() - LengthBase;
        bytes += lengths[pos];
    }
    for (int pos = 0; pos < WorkTimeTables::FieldCount; ++pos) {
        if (!isLogical(pos))
            continue;
        if (at >= packed.size())
            return false;
        const QChar mark = packed[at++];
        record.setLogical(pos, mark == QLatin1Char('?') ? std::nullopt : std::optional<bool>(mark == QLatin1Char('T')));
    }
    // Texts of ASCII alone have a UTF-16 unit for each byte.
    const bool unitPerByte = packed.size() - at == bytes;
    for (int pos = 0; pos < WorkTimeTables::FieldCount; ++pos) {
        if (isLogical(pos))
            continue;
        const qsizetype units = unitPerByte ? lengths[pos] : unitsOf(packed, at, lengths[pos]);
        record.setText(pos, packed.mid(at, units));
        at += units;
    }
    record.clearChanged();
    return at == packed.size();
}

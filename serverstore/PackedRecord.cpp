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

// Moves past `characters` code points: a character beyond the BMP is two
// UTF-16 units but one character to the server.
qsizetype unitsOf(QStringView text, qsizetype at, qsizetype characters)
{
    qsizetype units = 0;
    while (characters-- > 0 && at + units < text.size())
        units += text[at + units].isHighSurrogate() ? 2 : 1;
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
            lengths << QStringLiteral("coalesce(length(%1), 0)").arg(names[pos]);
            texts << names[pos];
        }
    }
    return QStringLiteral("concat(satz, ',', %1, ';', %2, %3)")
        .arg(lengths.join(QStringLiteral(", ',', ")), logicals.join(QStringLiteral(", ")), texts.join(QStringLiteral(", ")));
}

bool PackedRecord::read(QStringView packed, DbfRecord &record)
{
    qsizetype at = 0;
    qsizetype number = 0;
    if (!readNumber(packed, at, QLatin1Char(','), number))
        return false;
    record.setRecordNumber(quint32(number));
    record.setDeleted(false);
    qsizetype lengths[WorkTimeTables::FieldCount] = {};
    int textFields = 0;
    for (int pos = 0; pos < WorkTimeTables::FieldCount; ++pos) {
        if (isLogical(pos))
            continue;
        const QChar end = ++textFields == WorkTimeTables::FieldCount - 2 ? QLatin1Char(';') : QLatin1Char(',');
        if (!readNumber(packed, at, end, lengths[pos]))
            return false;
    }
    for (int pos = 0; pos < WorkTimeTables::FieldCount; ++pos) {
        if (!isLogical(pos))
            continue;
        if (at >= packed.size())
            return false;
        const QChar mark = packed[at++];
        record.setLogical(pos, mark == QLatin1Char('?') ? std::nullopt : std::optional<bool>(mark == QLatin1Char('T')));
    }
    qsizetype characters = 0;
    for (const qsizetype length : lengths)
        characters += length;
    // Without a character beyond the BMP, characters are UTF-16 units.
    const bool unitPerCharacter = packed.size() - at == characters;
    for (int pos = 0; pos < WorkTimeTables::FieldCount; ++pos) {
        if (isLogical(pos))
            continue;
        const qsizetype units = unitPerCharacter ? lengths[pos] : unitsOf(packed, at, lengths[pos]);
        record.setText(pos, packed.mid(at, units));
        at += units;
    }
    record.clearChanged();
    return at == packed.size();
}

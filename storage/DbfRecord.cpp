#include "DbfRecord.h"

#include <algorithm>
#include <cstring>

#include "CodePage.h"
#include "DateTimeText.h"

namespace {
constexpr char Blank = ' ';
constexpr char DeletedFlag = '*';

// Long fields are mostly padding: the blanks are skipped eight at a time.
qsizetype lengthWithoutTrailingBlanks(const char *data, qsizetype length)
{
    constexpr quint64 EightBlanks = 0x2020202020202020ull;
    while (length >= 8) {
        quint64 word;
        std::memcpy(&word, data + length - 8, 8);
        if (word != EightBlanks)
            break;
        length -= 8;
    }
    while (length > 0 && data[length - 1] == Blank)
        --length;
    return length;
}

} // namespace

DbfRecord::DbfRecord(std::shared_ptr<const DbfLayout> layout)
    : m_layout(std::move(layout))
    , m_bytes(m_layout->recordLength, Blank)
{
}

DbfRecord::DbfRecord(std::shared_ptr<const DbfLayout> layout, const QByteArray &bytes)
    : DbfRecord(std::move(layout))
{
    if (bytes.size() == m_bytes.size())
        m_bytes = bytes;
}

int DbfRecord::fieldCount() const
{
    return m_layout ? int(m_layout->fields.size()) : 0;
}

bool DbfRecord::isDeleted() const
{
    return !m_bytes.isEmpty() && m_bytes.at(0) == DeletedFlag;
}

void DbfRecord::setDeleted(bool deleted)
{
    if (!m_bytes.isEmpty())
        m_bytes[0] = deleted ? DeletedFlag : Blank;
}

QString DbfRecord::text(int pos) const
{
    QString out;
    text(pos, out);
    return out;
}

void DbfRecord::text(int pos, QString &out) const
{
    const DbfField &f = field(pos);
    if (f.type == DbfFieldType::Logical) {
        // Written into out's own storage: assigning a literal would make the
        // next text() on the same string allocate.
        const auto value = logical(pos);
        const QLatin1String word = !value ? QLatin1String() : *value ? QLatin1String("True") : QLatin1String("False");
        CodePage::windows1252().decode(word.data(), word.size(), out);
        return;
    }
    const char *data = fieldData(pos);
    m_layout->codePage->decode(data, lengthWithoutTrailingBlanks(data, f.width), out);
}

qsizetype DbfRecord::textLength(int pos) const
{
    return lengthWithoutTrailingBlanks(fieldData(pos), field(pos).width);
}

QByteArrayView DbfRecord::rawText(int pos) const
{
    const char *data = fieldData(pos);
    return QByteArrayView(data, lengthWithoutTrailingBlanks(data, field(pos).width));
}

char *DbfRecord::textAsUtf8(int pos, char *out) const
{
    const QByteArrayView raw = rawText(pos);
    return m_layout->codePage->toUtf8(raw.data(), raw.size(), out);
}

int DbfRecord::fieldWidth(int pos) const
{
    return field(pos).width;
}

const CodePage &DbfRecord::codePage() const
{
    return *m_layout->codePage;
}

std::optional<bool> DbfRecord::logical(int pos) const
{
    const char c = *fieldData(pos);
    if (c == Blank)
        return std::nullopt;
    return c == 'T' || c == 't';
}

std::optional<QDate> DbfRecord::date(int pos) const
{
    return DateTimeText::parseDate(text(pos));
}

void DbfRecord::setText(int pos, QStringView value)
{
    const DbfField &f = field(pos);
    if (f.type == DbfFieldType::Logical) {
        if (value.isEmpty())
            setLogical(pos, std::nullopt);
        else
            setLogical(pos, value == QLatin1String("True") || value == QLatin1String("T")
                                || value == QLatin1String("t") || value == QLatin1String("Y")
                                || value == QLatin1String("y"));
        return;
    }
    char *data = fieldData(pos);
    const CodePage *gate = m_layout->gateThroughAnsi ? &CodePage::windows1252() : nullptr;
    const qsizetype written = m_layout->codePage->encode(value, data, f.width, gate);
    std::memset(data + written, Blank, size_t(f.width - written));
    m_changed.set(size_t(pos));
}

void DbfRecord::setRawText(int pos, QByteArrayView bytes)
{
    const qsizetype width = field(pos).width;
    const qsizetype length = std::min(bytes.size(), width);
    char *data = fieldData(pos);
    std::memcpy(data, bytes.data(), size_t(length));
    std::memset(data + length, Blank, size_t(width - length));
    m_changed.set(size_t(pos));
}

void DbfRecord::setLogical(int pos, std::optional<bool> value)
{
    *fieldData(pos) = value ? (*value ? 'T' : 'F') : Blank;
    m_changed.set(size_t(pos));
}

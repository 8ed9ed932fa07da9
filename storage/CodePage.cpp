#include "CodePage.h"

#include <bit>
#include <cstring>
#include <map>
#include <mutex>

#include <QtEndian>

#include "CodePageTables.h"

namespace {

const char16_t *upperHalfOf(int number)
{
    for (int i = 0; i < CodePageTables::allCount; ++i) {
        if (CodePageTables::all[i].codePage == number)
            return CodePageTables::all[i].table;
    }
    return nullptr;
}

struct LanguageDriver
{
    quint8 id;
    int codePage;
};

// The dBase language-driver IDs in common use and the code pages they name.
const LanguageDriver s_drivers[] = {
    {0x01, 437},   {0x02, 850},   {0x03, 1252},  {0x04, 10000}, {0x08, 865},   {0x09, 437},
    {0x0A, 850},   {0x0B, 437},   {0x0D, 437},   {0x0E, 850},   {0x0F, 437},   {0x10, 850},
    {0x11, 437},   {0x12, 850},   {0x14, 850},   {0x15, 437},   {0x16, 850},   {0x17, 865},
    {0x18, 437},   {0x19, 437},   {0x1A, 850},   {0x1B, 437},   {0x1C, 863},   {0x1D, 850},
    {0x1F, 852},   {0x22, 852},   {0x23, 852},   {0x24, 860},   {0x25, 850},   {0x26, 866},
    {0x37, 850},   {0x40, 852},   {0x50, 874},   {0x57, 1252},  {0x58, 1252},  {0x59, 1252},
    {0x64, 852},   {0x65, 866},   {0x66, 865},   {0x67, 861},   {0x6A, 737},   {0x6B, 857},
    {0x6C, 863},   {0x7C, 874},   {0x7D, 1255},  {0x7E, 1256},  {0x86, 737},   {0x87, 852},
    {0x88, 857},   {0x96, 10007}, {0x97, 10029}, {0x98, 10006}, {0xC8, 1250},  {0xC9, 1251},
    {0xCA, 1254},  {0xCB, 1253},  {0xCC, 1257},
};

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

} // namespace

CodePage::Utf8Sequence CodePage::utf8SequenceOf(char16_t c)
{
    // Every character of a code page lies in the basic plane and is no
    // surrogate, so one to three bytes hold it.
    if (c < 0x80)
        return {{char(c), 0, 0}, 1};
    if (c < 0x800)
        return {{char(0xC0 | (c >> 6)), char(0x80 | (c & 0x3F)), 0}, 2};
    return {{char(0xE0 | (c >> 12)), char(0x80 | ((c >> 6) & 0x3F)), char(0x80 | (c & 0x3F))}, 3};
}

CodePage::CodePage(int number, const char16_t *upperHalf)
    : m_number(number)
    , m_fromUnicode(new qint16[65536])
{
    for (int b = 0; b < 128; ++b)
        m_toUnicode[b] = char16_t(b);
    for (int b = 128; b < 256; ++b)
        m_toUnicode[b] = upperHalf[b - 128];
    for (int b = 0; b < 256; ++b)
        m_toUtf8[b] = utf8SequenceOf(m_toUnicode[b]);
    std::fill_n(m_fromUnicode.get(), 65536, qint16(-1));
    // Walk backwards so that, were a character listed twice, its lower byte wins.
    for (int b = 255; b >= 0; --b)
        m_fromUnicode[m_toUnicode[b]] = qint16(b);
}

const CodePage &CodePage::windows1252()
{
    static const CodePage page(1252, upperHalfOf(1252));
    return page;
}

const CodePage &CodePage::byNumber(int number)
{
    if (number == 1252 || !upperHalfOf(number))
        return windows1252();
    static std::mutex mutex;
    static std::map<int, std::unique_ptr<CodePage>> pages;
    std::lock_guard<std::mutex> guard(mutex);
    auto &page = pages[number];
    if (!page)
        page = std::make_unique<CodePage>(number, upperHalfOf(number));
    return *page;
}

int CodePage::numberForLanguageDriver(quint8 id)
{
    for (const LanguageDriver &driver : s_drivers) {
        if (driver.id == id)
            return upperHalfOf(driver.codePage) ? driver.codePage : 0;
    }
    return 0;
}

QString CodePage::decode(const char *bytes, qsizetype length) const
{
    QString out;
    decode(bytes, length, out);
    return out;
}

void CodePage::decode(const char *bytes, qsizetype length, QString &out) const
{
    if (out.size() != length) // resize() is out of line; fixed-width fields rarely change size
        out.resize(length);
    char16_t *dst = reinterpret_cast<char16_t *>(out.data());
    const uchar *src = reinterpret_cast<const uchar *>(bytes);
    // Most text of a table is ASCII: runs of eight ASCII bytes are widened
    // without the table, which the compiler turns into vector code.
    constexpr quint64 HighBits = 0x8080808080808080ull;
    qsizetype i = 0;
    for (; i + 8 <= length; i += 8) {
        quint64 word;
        std::memcpy(&word, src + i, 8);
        if (word & HighBits) {
            for (int k = 0; k < 8; ++k)
                dst[i + k] = m_toUnicode[src[i + k]];
        } else {
            for (int k = 0; k < 8; ++k)
                dst[i + k] = char16_t(src[i + k]);
        }
    }
    for (; i < length; ++i)
        dst[i] = m_toUnicode[src[i]];
}

char *CodePage::toUtf8(const char *bytes, qsizetype length, char *out) const
{
    // Most fields are ASCII throughout: one look at their bytes, one copy.
    constexpr quint64 HighBits = 0x8080808080808080ull;
    const uchar *src = reinterpret_cast<const uchar *>(bytes);
    quint64 high = 0;
    qsizetype i = 0;
    for (; i + 8 <= length; i += 8) {
        quint64 word;
        std::memcpy(&word, src + i, 8);
        high |= word;
    }
    for (; i < length; ++i)
        high |= src[i];
    if (!(high & HighBits)) { // the tail bytes were folded into the lowest byte
        if (length > 0)
            std::memcpy(out, bytes, size_t(length));
        return out + length;
    }
    // Else the ASCII bytes before each other one are copied eight at a time
    // (there is room: three bytes for every byte still to come).
    i = 0;
    while (i < length) {
        if (i + 8 <= length) {
            const quint64 word = qFromLittleEndian<quint64>(src + i);
            std::memcpy(out, src + i, 8);
            const quint64 high = word & HighBits;
            const int ascii = high ? std::countr_zero(high) / 8 : 8;
            out += ascii;
            i += ascii;
            if (ascii == 8)
                continue;
        }
        const Utf8Sequence &sequence = m_toUtf8[src[i++]];
        std::memcpy(out, sequence.bytes, Utf8BytesPerByte);
        out += sequence.length;
    }
    return out;
}

int CodePage::byteFor(char16_t c) const
{
    return m_fromUnicode[c];
}

bool CodePage::hasChar(char16_t c) const
{
    return byteFor(c) >= 0;
}

qsizetype CodePage::encode(QStringView text, char *out, qsizetype capacity, const CodePage *gate) const
{
    qsizetype written = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n && written < capacity; ++i) {
        const char16_t c = text[i].unicode();
        if (isHighSurrogate(c) && i + 1 < n && isLowSurrogate(text[i + 1].unicode())) {
            out[written++] = Replacement;
            ++i;
            continue;
        }
        const int byte = (gate && !gate->hasChar(c)) ? -1 : byteFor(c);
        out[written++] = byte >= 0 ? char(byte) : Replacement;
    }
    return written;
}

QByteArray CodePage::encode(QStringView text) const
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    bytes.truncate(encode(text, bytes.data(), bytes.size()));
    return bytes;
}

bool CodePage::canEncode(QStringView text) const
{
    for (QChar c : text) {
        if (!hasChar(c.unicode()))
            return false;
    }
    return true;
}

QString CodePage::toUpper(QStringView text) const
{
    QString upper = text.toString();
    for (QChar &c : upper) {
        const QChar capital = c.toUpper();
        if (capital != c && hasChar(capital.unicode()))
            c = capital;
    }
    return upper;
}

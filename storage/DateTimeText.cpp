#include "DateTimeText.h"

namespace DateTimeText {

namespace {

// Reads a run of min..max ASCII digits at `pos`, advancing it.
std::optional<int> readNumber(QStringView text, qsizetype &pos, int minDigits, int maxDigits)
{
    int value = 0;
    int digits = 0;
    while (pos < text.size() && digits < maxDigits) {
        const char16_t c = text[pos].unicode();
        if (c < u'0' || c > u'9')
            break;
        value = value * 10 + (c - u'0');
        ++digits;
        ++pos;
    }
    if (digits < minDigits)
        return std::nullopt;
    return value;
}

bool readChar(QStringView text, qsizetype &pos, char16_t expected)
{
    if (pos >= text.size() || text[pos].unicode() != expected)
        return false;
    ++pos;
    return true;
}

} // namespace

std::optional<QDate> parseDate(QStringView text)
{
    qsizetype pos = 0;
    const auto day = readNumber(text, pos, 1, 2);
    if (!day || !readChar(text, pos, u'.'))
        return std::nullopt;
    const auto month = readNumber(text, pos, 1, 2);
    if (!month || !readChar(text, pos, u'.'))
        return std::nullopt;
    const auto year = readNumber(text, pos, 4, 4);
    if (!year || pos != text.size())
        return std::nullopt;
    const QDate date(*year, *month, *day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

std::optional<QTime> parseTime(QStringView text)
{
    qsizetype pos = 0;
    const auto hours = readNumber(text, pos, 1, 2);
    if (!hours || !readChar(text, pos, u':'))
        return std::nullopt;
    const auto minutes = readNumber(text, pos, 2, 2);
    if (!minutes)
        return std::nullopt;
    int seconds = 0;
    if (pos < text.size()) {
        if (!readChar(text, pos, u':'))
            return std::nullopt;
        const auto s = readNumber(text, pos, 2, 2);
        if (!s || pos != text.size())
            return std::nullopt;
        seconds = *s;
    }
    const QTime time(*hours, *minutes, seconds);
    if (!time.isValid())
        return std::nullopt;
    return time;
}

QString formatDate(QDate date)
{
    return date.toString(QStringLiteral("dd.MM.yyyy"));
}

QString formatTime(QTime time)
{
    return time.toString(QStringLiteral("HH:mm"));
}

} // namespace DateTimeText

#include "DateTimeText.h"

namespace DateTimeText {

namespace {

// The forms are read the same from text and from a table's bytes (whose
// lower half is ASCII in every code page): `Text` is QStringView or
// QLatin1String.
template <typename Text>
char16_t unitAt(Text text, qsizetype pos)
{
    return char16_t(text[pos].unicode());
}

// Reads a run of min..max ASCII digits at `pos`, advancing it.
template <typename Text>
std::optional<int> readNumber(Text text, qsizetype &pos, int minDigits, int maxDigits)
{
    int value = 0;
    int digits = 0;
    while (pos < text.size() && digits < maxDigits) {
        const char16_t c = unitAt(text, pos);
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

template <typename Text>
bool readChar(Text text, qsizetype &pos, char16_t expected)
{
    if (pos >= text.size() || unitAt(text, pos) != expected)
        return false;
    ++pos;
    return true;
}

} // namespace

namespace {

struct DateParts
{
    int year, month, day;
};

// The calendar QDate keeps: the proleptic Gregorian one, without a year 0.
bool isValidDate(const DateParts &date)
{
    static constexpr int DaysIn[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (date.year == 0 || date.month < 1 || date.month > 12 || date.day < 1)
        return false;
    const bool leap = date.year % 4 == 0 && (date.year % 100 != 0 || date.year % 400 == 0);
    return date.day <= DaysIn[date.month - 1] + (date.month == 2 && leap ? 1 : 0);
}

template <typename Text>
std::optional<DateParts> readDate(Text text)
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
    const DateParts date{*year, *month, *day};
    if (!isValidDate(date))
        return std::nullopt;
    return date;
}

struct TimeParts
{
    int hours, minutes, seconds;
};

template <typename Text>
std::optional<TimeParts> readTime(Text text)
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
    if (*hours > 23 || *minutes > 59 || seconds > 59)
        return std::nullopt;
    return TimeParts{*hours, *minutes, seconds};
}

} // namespace

std::optional<QDate> parseDate(QStringView text)
{
    const auto date = readDate(text);
    if (!date)
        return std::nullopt;
    return QDate(date->year, date->month, date->day);
}

std::optional<QTime> parseTime(QStringView text)
{
    const auto time = readTime(text);
    if (!time)
        return std::nullopt;
    return QTime(time->hours, time->minutes, time->seconds);
}

namespace {

template <typename Text>
std::optional<int> dateNumberOf(Text text)
{
    const auto date = readDate(text);
    if (!date)
        return std::nullopt;
    return date->year * 10000 + date->month * 100 + date->day;
}

template <typename Text>
std::optional<int> secondsOfDayOf(Text text)
{
    const auto time = readTime(text);
    if (!time)
        return std::nullopt;
    return time->hours * 3600 + time->minutes * 60 + time->seconds;
}

} // namespace

std::optional<int> parseDateNumber(QStringView text)
{
    return dateNumberOf(text);
}

std::optional<int> parseDateNumber(QLatin1String bytes)
{
    return dateNumberOf(bytes);
}

int dateNumber(QDate date)
{
    return date.year() * 10000 + date.month() * 100 + date.day();
}

std::optional<int> parseSecondsOfDay(QStringView text)
{
    return secondsOfDayOf(text);
}

std::optional<int> parseSecondsOfDay(QLatin1String bytes)
{
    return secondsOfDayOf(bytes);
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

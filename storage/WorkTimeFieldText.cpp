#include "WorkTimeFieldText.h"

#include "DateTimeText.h"
#include "WorkTimeTables.h"
#include "translation/UiText.h"

namespace WorkTimeFieldText {

namespace {

bool isDateField(int field)
{
    return field == WorkTimeTables::Datum || field == WorkTimeTables::DatumEintrag;
}

bool isTimeField(int field)
{
    return field == WorkTimeTables::ZeitVon || field == WorkTimeTables::ZeitBis || field == WorkTimeTables::Pause
        || field == WorkTimeTables::ZeitEintrag;
}

bool isTimeSeparator(QChar c)
{
    return c == u':' || c == u'.' || c == u',' || c == u' ';
}

} // namespace

Verdict check(int field, const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return Verdict::Ok;
    if (isDateField(field))
        return DateTimeText::parseDate(trimmed) ? Verdict::Ok : Verdict::NotADate;
    if (isTimeField(field))
        return typedTime(trimmed) ? Verdict::Ok : Verdict::NotATime;
    return Verdict::Ok;
}

QString normalized(int field, const QString &text)
{
    if (isTimeField(field)) {
        const auto time = typedTime(text.trimmed());
        return time ? DateTimeText::formatTime(*time) : text.trimmed();
    }
    return isDateField(field) ? text.trimmed() : text;
}

std::optional<QTime> typedTime(QStringView text)
{
    int hour = 0;
    int minute = 0;
    int hourDigits = 0;
    int minuteDigits = 0;
    bool inMinutes = false;
    bool separated = false;
    bool complete = false;
    for (const QChar c : text) {
        if (complete)
            return std::nullopt;
        if (isTimeSeparator(c)) {
            // Ends a short hour ("7:30"), or follows one that ended by itself ("07:30").
            if (separated || minuteDigits > 0 || hourDigits == 0)
                return std::nullopt;
            separated = true;
            inMinutes = true;
            continue;
        }
        if (!c.isDigit() || c.unicode() > u'9')
            return std::nullopt;
        const int digit = c.unicode() - u'0';
        if (!inMinutes && hourDigits == 1 && hour * 10 + digit > 23)
            inMinutes = true; // "25" is no hour: the 5 begins the minutes
        if (!inMinutes) {
            hour = hour * 10 + digit;
            inMinutes = ++hourDigits == 2 || digit > 2;
            continue;
        }
        if (hourDigits == 0)
            return std::nullopt;
        minute = minute * 10 + digit;
        complete = ++minuteDigits == 2 || digit > 5;
    }
    if (hourDigits == 0)
        return std::nullopt;
    return QTime(hour, minute);
}

QString message(Verdict verdict, const QString &text)
{
    switch (verdict) {
    case Verdict::Ok:
        return {};
    case Verdict::NotADate:
        return UiText(QStringLiteral("\"%1\" ist kein gültiges Datum. Geben Sie ein Datum wie 31.12.2025 ein oder lassen Sie das Feld leer."))
            .arg(text);
    case Verdict::NotATime:
        return UiText(QStringLiteral("\"%1\" ist keine gültige Uhrzeit. Geben Sie eine Uhrzeit wie 7:30 oder 17:45 ein oder lassen Sie das Feld leer."))
            .arg(text);
    }
    return {};
}

} // namespace WorkTimeFieldText

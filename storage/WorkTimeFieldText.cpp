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

// The time fields hold five characters: seconds would be cut off silently.
constexpr int TimeWidth = 5;

} // namespace

Verdict check(int field, const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return Verdict::Ok;
    if (isDateField(field))
        return DateTimeText::parseDate(trimmed) ? Verdict::Ok : Verdict::NotADate;
    if (isTimeField(field))
        return trimmed.size() <= TimeWidth && DateTimeText::parseTime(trimmed) ? Verdict::Ok : Verdict::NotATime;
    return Verdict::Ok;
}

QString normalized(int field, const QString &text)
{
    return isDateField(field) || isTimeField(field) ? text.trimmed() : text;
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

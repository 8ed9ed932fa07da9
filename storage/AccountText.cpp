#include "AccountText.h"

#include <cmath>

namespace AccountText {

QString formatMinutes(qint64 minutes)
{
    const qint64 absolute = minutes < 0 ? -minutes : minutes;
    return (minutes < 0 ? QStringLiteral("-") : QString()) + QString::number(absolute / 60) + QLatin1Char(':')
        + QStringLiteral("%1").arg(absolute % 60, 2, 10, QLatin1Char('0'));
}

std::optional<int> parseMinutes(const QString &text, bool signedValue)
{
    QStringView rest(text);
    const bool negative = signedValue && rest.startsWith(QLatin1Char('-'));
    if (negative)
        rest = rest.mid(1);
    const qsizetype colon = rest.indexOf(QLatin1Char(':'));
    if (colon < 1 || colon > 4 || rest.size() - colon != 3)
        return std::nullopt;
    for (qsizetype i = 0; i < rest.size(); ++i) {
        if (i != colon && !rest.at(i).isDigit())
            return std::nullopt;
    }
    const int hours = rest.left(colon).toInt();
    const int minutes = rest.mid(colon + 1).toInt();
    if (minutes > 59)
        return std::nullopt;
    const int total = hours * 60 + minutes;
    return negative ? -total : total;
}

QString formatDays(double days)
{
    const double halves = std::round(days * 2.0);
    const qint64 whole = qint64(halves) / 2;
    const bool half = qint64(halves) % 2 != 0;
    if (!half)
        return QString::number(whole);
    // -0,5 has no whole part to carry its sign.
    const QString sign = halves < 0 && whole == 0 ? QStringLiteral("-") : QString();
    return sign + QString::number(whole) + QStringLiteral(",5");
}

std::optional<double> parseDays(const QString &text)
{
    QString number = text.trimmed();
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double days = number.toDouble(&ok);
    if (!ok || days < 0 || days > 366 || std::fmod(days * 2.0, 1.0) != 0.0)
        return std::nullopt;
    return days;
}

QString kindName(AbsenceKind kind)
{
    switch (kind) {
    case AbsenceKind::Vacation: return QStringLiteral("vacation");
    case AbsenceKind::Sick: return QStringLiteral("sick");
    case AbsenceKind::Leave: return QStringLiteral("leave");
    case AbsenceKind::Unpaid: return QStringLiteral("unpaid");
    }
    return {};
}

std::optional<AbsenceKind> kindNamed(const QString &name)
{
    for (const AbsenceKind kind : {AbsenceKind::Vacation, AbsenceKind::Sick, AbsenceKind::Leave, AbsenceKind::Unpaid}) {
        if (name == kindName(kind))
            return kind;
    }
    return std::nullopt;
}

QString kindTitle(AbsenceKind kind)
{
    switch (kind) {
    case AbsenceKind::Vacation: return QStringLiteral("Urlaub");
    case AbsenceKind::Sick: return QStringLiteral("Krankheit");
    case AbsenceKind::Leave: return QStringLiteral("Sonstige bezahlte Freistellung");
    case AbsenceKind::Unpaid: return QStringLiteral("Unbezahlter Urlaub");
    }
    return {};
}

} // namespace AccountText

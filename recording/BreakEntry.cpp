#include "BreakEntry.h"

#include <cstdlib>

#include "storage/DateTimeText.h"

namespace BreakEntry {

QTime total(const QList<Pair> &pairs)
{
    qint64 milliseconds = 0;
    for (const Pair &pair : pairs)
        milliseconds += pair.to.msecsSinceStartOfDay() - pair.from.msecsSinceStartOfDay();
    constexpr qint64 Day = 24LL * 60 * 60 * 1000;
    return QTime::fromMSecsSinceStartOfDay(int(std::llabs(milliseconds) % Day));
}

QString list(const QList<Pair> &pairs, const QString &heading)
{
    QString text;
    for (const Pair &pair : pairs) {
        if (pair.from == pair.to)
            continue;
        text += text.isEmpty() ? heading : QStringLiteral(";");
        text += QLatin1Char(' ') + DateTimeText::formatTime(pair.from) + QLatin1Char('-')
                + DateTimeText::formatTime(pair.to);
    }
    return text;
}

} // namespace BreakEntry

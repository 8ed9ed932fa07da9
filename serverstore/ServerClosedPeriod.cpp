#include "ServerClosedPeriod.h"

#include <QBuffer>

#include "storage/ClosingDateFile.h"
#include "storage/DateTimeText.h"
#include "storage/DbfRecord.h"
#include "storage/WorkTimeTables.h"
#include "translation/UiText.h"

namespace {

QString closedPrefix(QDate until)
{
    return UiText(QStringLiteral("Die Buchungen bis einschließlich %1 sind abgeschlossen.")).arg(DateTimeText::formatDate(until));
}

// A text that is no date belongs to no period.
bool isClosed(const ClosedPeriod::State &state, const QString &dateText)
{
    const auto date = DateTimeText::parseDate(dateText.trimmed());
    return date && *date <= state.until;
}

} // namespace

ServerClosedPeriod::ServerClosedPeriod(const std::optional<QByteArray> &file, const QString &where)
{
    if (!file)
        return;
    QByteArray bytes = *file;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    std::optional<QDate> until;
    if (ClosingDateFile::read(&buffer, until) != ClosingDateFile::LoadResult::Loaded) {
        m_state.kind = ClosedPeriod::State::Unknown;
        m_state.problem = ClosingDateFile::damagedMessage(where);
        return;
    }
    if (until) {
        m_state.kind = ClosedPeriod::State::Closed;
        m_state.until = *until;
    }
}

QString ServerClosedPeriod::bookingRefusal(QDate date) const
{
    if (m_state.kind == ClosedPeriod::State::Unknown)
        return m_state.problem;
    if (m_state.kind == ClosedPeriod::State::Open || date > m_state.until)
        return {};
    return closedPrefix(m_state.until) + QLatin1Char(' ')
        + UiText(QStringLiteral("Für den %1 kann nicht mehr gebucht werden.")).arg(DateTimeText::formatDate(date));
}

QString ServerClosedPeriod::writeRefusal(const DbfRecord *before, const DbfRecord *after) const
{
    if (m_state.kind == ClosedPeriod::State::Unknown)
        return m_state.problem;
    if (m_state.kind == ClosedPeriod::State::Open)
        return {};
    const QString storedDate = before ? before->text(WorkTimeTables::Datum) : QString();
    const QString newDate = after ? after->text(WorkTimeTables::Datum) : QString();
    if (isClosed(m_state, storedDate)) {
        const QString text = !after ? QStringLiteral("Dieser Datensatz vom %1 kann nicht mehr gelöscht werden.")
                                    : QStringLiteral("Dieser Datensatz vom %1 kann nicht mehr geändert werden.");
        return closedPrefix(m_state.until) + QLatin1Char(' ') + UiText(text).arg(storedDate.trimmed());
    }
    if (isClosed(m_state, newDate))
        return closedPrefix(m_state.until) + QLatin1Char(' ')
            + UiText(QStringLiteral("Ein Datensatz kann nicht auf den %1 datiert werden.")).arg(newDate.trimmed());
    return {};
}

#include "ClosedPeriod.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>

#include "storage/ClosingDateFile.h"
#include "storage/DateTimeText.h"
#include "storage/DbfRecord.h"
#include "storage/UserListData.h"
#include "storage/WorkTimeTables.h"
#include "translation/UiText.h"
#include "translation/korvald.h"
#include "translation/translateunit.h"

namespace {

QString closedPrefix(QDate until)
{
    return UiText(QStringLiteral("Die Buchungen bis einschließlich %1 sind abgeschlossen.")).arg(DateTimeText::formatDate(until));
}

// A row's date, when its text is one; a text that is no date belongs to no
// period, as the evaluations and the clash search read it.
std::optional<QDate> dateOf(const QString &text)
{
    return DateTimeText::parseDate(text.trimmed());
}

bool isClosed(const ClosedPeriod::State &state, const QString &dateText)
{
    const auto date = dateOf(dateText);
    return date && *date <= state.until;
}

} // namespace

ClosedPeriod::ClosedPeriod(std::function<QString()> databaseDirectory)
    : m_databaseDirectory(std::move(databaseDirectory))
{
}

QString ClosedPeriod::filePath() const
{
    if (m_bytes.load)
        return m_bytes.name;
    return m_databaseDirectory() + QLatin1String(ClosingDateFile::FileName);
}

ClosingDateFile::LoadResult ClosedPeriod::load(std::optional<QDate> &until, bool &exists, QString &readError) const
{
    if (!m_bytes.load) {
        const QString path = filePath();
        const ClosingDateFile::LoadResult result = ClosingDateFile::load(path, until);
        exists = result != ClosingDateFile::LoadResult::Missing || QFileInfo::exists(path);
        return result;
    }
    bool readFailed = false;
    const std::optional<QByteArray> bytes = m_bytes.load(readFailed);
    exists = bytes.has_value() || readFailed;
    if (readFailed) {
        if (m_bytes.readError)
            readError = m_bytes.readError();
        return ClosingDateFile::LoadResult::Damaged;
    }
    if (!bytes)
        return ClosingDateFile::LoadResult::Missing;
    QBuffer buffer;
    buffer.setData(*bytes);
    buffer.open(QIODevice::ReadOnly);
    return ClosingDateFile::read(&buffer, until);
}

bool ClosedPeriod::save(std::optional<QDate> until, QString &error) const
{
    if (!m_bytes.load)
        return ClosingDateFile::save(filePath(), until, error);
    if (!m_bytes.save) {
        error = UiText(QStringLiteral("Das Abschlussdatum kann hier nicht geändert werden."));
        return false;
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    try {
        ClosingDateFile::write(&buffer, until);
    } catch (const KorvaldIoError &failure) {
        error = QString::fromLatin1(failure.what());
        return false;
    }
    return m_bytes.save(buffer.data(), error);
}

ClosedPeriod::State ClosedPeriod::read() const
{
    State state;
    const QString path = filePath();
    std::optional<QDate> until;
    bool exists = false;
    QString readError;
    switch (load(until, exists, readError)) {
    case ClosingDateFile::LoadResult::Missing:
        break;
    case ClosingDateFile::LoadResult::Loaded:
        if (until) {
            state.kind = State::Closed;
            state.until = *until;
        }
        break;
    case ClosingDateFile::LoadResult::Damaged:
        state.kind = State::Unknown;
        state.problem = readError.isEmpty() ? ClosingDateFile::damagedMessage(path) : readError;
        return state;
    }
    if (!m_recorded)
        return state;
    const Recorded recorded = m_recorded();
    const bool fileExists = state.kind == State::Closed || exists;
    const bool agrees = recorded.any ? fileExists && state.until == recorded.until : state.kind == State::Open;
    if (recorded.known && !agrees) {
        state.kind = State::Unknown;
        state.until = QDate();
        state.problem = ClosingDateFile::disagreeingMessage(path);
    }
    return state;
}

QString ClosedPeriod::bookingRefusal(QDate date) const
{
    const State state = read();
    if (state.kind == State::Unknown)
        return state.problem;
    if (state.kind == State::Open || date > state.until)
        return {};
    return closedPrefix(state.until) + QLatin1Char(' ')
        + UiText(QStringLiteral("Für den %1 kann nicht mehr gebucht werden.")).arg(DateTimeText::formatDate(date));
}

QString ClosedPeriod::writeRefusal(const DbfRecord *before, const DbfRecord *after) const
{
    const State state = read();
    const QString storedDate = before ? before->text(WorkTimeTables::Datum) : QString();
    const QString newDate = after ? after->text(WorkTimeTables::Datum) : QString();
    return refusalFor(state, storedDate, newDate, !after);
}

QString ClosedPeriod::refusalFor(const State &state, const QString &storedDate, const QString &newDate,
                                 bool deleting) const
{
    if (state.kind == State::Unknown)
        return state.problem;
    if (state.kind == State::Open)
        return {};
    if (isClosed(state, storedDate)) {
        const QString text = deleting ? QStringLiteral("Dieser Datensatz vom %1 kann nicht mehr gelöscht werden.")
                                      : QStringLiteral("Dieser Datensatz vom %1 kann nicht mehr geändert werden.");
        return closedPrefix(state.until) + QLatin1Char(' ') + UiText(text).arg(storedDate.trimmed());
    }
    if (isClosed(state, newDate)) {
        return closedPrefix(state.until) + QLatin1Char(' ')
            + UiText(QStringLiteral("Ein Datensatz kann nicht auf den %1 datiert werden.")).arg(newDate.trimmed());
    }
    return {};
}

ClosedPeriod::Change ClosedPeriod::closeUntil(std::optional<QDate> until, const QString &adminPassword,
                                              const UserListData &users, QDate today, const RecordFirst &recordFirst)
{
    Change change;
    if (!users.acceptsAdminPassword(adminPassword)) {
        change.result = Change::WrongPassword;
        change.message = ProgramText(19); // the administrator login's own words
        return change;
    }
    if (until && *until > today) {
        change.result = Change::InFuture;
        change.message = UiText(QStringLiteral("Buchungen können höchstens bis heute (%1) abgeschlossen werden."))
                             .arg(DateTimeText::formatDate(today));
        return change;
    }
    change.before = read();
    change.after = until;
    State now;
    now.kind = until ? State::Closed : State::Open;
    now.until = until.value_or(QDate());
    change.message = describe(now);
    const bool same = change.before.kind == now.kind && change.before.until == now.until;
    if (same) {
        change.result = Change::Unchanged;
        return change;
    }
    if (recordFirst) {
        const QString refusal = recordFirst(change.before, until);
        if (!refusal.isEmpty()) {
            change.result = Change::WriteFailed;
            change.message = refusal;
            return change;
        }
    }
    QString error;
    if (!save(until, error)) {
        // The history already says the new date: it is told the way back,
        // else file and history disagree and everything stays refused.
        if (recordFirst && change.before.kind != State::Unknown)
            recordFirst(now, change.before.kind == State::Closed ? std::optional<QDate>(change.before.until) : std::nullopt);
        change.result = Change::WriteFailed;
        change.message = UiText(QStringLiteral("Das Abschlussdatum konnte nicht in \"%1\" gespeichert werden: %2"))
                             .arg(QDir::toNativeSeparators(filePath()), error);
        return change;
    }
    change.result = Change::Done;
    return change;
}

QString ClosedPeriod::describe(const State &state)
{
    switch (state.kind) {
    case State::Open:
        return UiText(QStringLiteral("Es sind keine Buchungen abgeschlossen."));
    case State::Closed:
        return closedPrefix(state.until);
    case State::Unknown:
        return state.problem;
    }
    return {};
}

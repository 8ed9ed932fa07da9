#include "AccountChanges.h"

#include <algorithm>
#include <functional>

#include <QRandomGenerator>
#include <QThread>

#include "store/ClosedPeriod.h"
#include "storage/AccountTables.h"
#include "storage/DateTimeText.h"
#include "storage/UserListData.h"
#include "translation/UiText.h"
#include "translation/translateunit.h"

namespace {

// Holds the journal's step (the work-time table's lock, the server's
// transaction) from the checks to the write, so that no other PC closes a
// period or adds an absence in between.
class Step
{
public:
    explicit Step(const AccountTables &tables)
        : m_journal(tables.journal())
    {
        m_begun = !m_journal || m_journal->accountChangeBegins(m_refusal);
    }
    ~Step()
    {
        QString ignored;
        end(ignored);
    }
    Step(const Step &) = delete;
    Step &operator=(const Step &) = delete;
    bool begun() const { return m_begun; }
    QString refusal() const { return m_refusal; }
    // Keeps what the step wrote; false with `error` when it could not.
    bool end(QString &error)
    {
        if (!m_journal || !m_begun)
            return true;
        m_begun = false;
        return m_journal->accountChangeEnds(error);
    }

private:
    AccountTables::Journal *m_journal;
    bool m_begun = false;
    QString m_refusal;
};

QString targetClosed()
{
    return UiText(QStringLiteral("Eine Sollzeit ab dem %1 kann nicht mehr gesetzt oder geändert werden."));
}

QString firmDayClosed()
{
    return UiText(QStringLiteral("Ein Tag der Firma am %1 kann nicht mehr eingetragen oder entfernt werden."));
}

} // namespace

AccountChanges::AccountChanges(AccountTables &tables, const ClosedPeriod &closedPeriod, const UserListData &users)
    : m_tables(tables)
    , m_closedPeriod(closedPeriod)
    , m_users(users)
{
}

AccountChanges::Result AccountChanges::passwordRefusal(const QString &adminPassword) const
{
    if (m_users.acceptsAdminPassword(adminPassword))
        return {};
    return {Result::WrongPassword, ProgramText(19)}; // the administrator login's own words
}

// An absence whose first day is closed has days in the closed period.
AccountChanges::Result AccountChanges::closedRefusal(QDate from) const
{
    const QString refusal = m_closedPeriod.bookingRefusal(from);
    if (refusal.isEmpty())
        return {};
    return {Result::Refused, refusal};
}

AccountChanges::Result AccountChanges::closedRefusal(QDate date, const QString &what) const
{
    const ClosedPeriod::State state = m_closedPeriod.read();
    if (state.kind == ClosedPeriod::State::Unknown)
        return {Result::Refused, state.problem};
    if (state.kind == ClosedPeriod::State::Open || date > state.until)
        return {};
    return {Result::Refused,
            ClosedPeriod::describe(state) + QLatin1Char(' ') + what.arg(DateTimeText::formatDate(date))};
}

AccountChanges::Result AccountChanges::inStep(const std::function<Result()> &checkAndWrite)
{
    // Where another PC stored first while the step ran, nothing of it was
    // kept: it runs again on what is stored now, after a moment that grows
    // with each try, so that PCs that keep meeting fall out of step.
    constexpr int MaxAttempts = 20;
    for (int attempt = 1;; ++attempt) {
        const Result result = stepOnce(checkAndWrite);
        const AccountTables::Journal *journal = m_tables.journal();
        if (result.kind != Result::Failed || !journal || !journal->accountChangeOvertaken() || attempt == MaxAttempts)
            return result;
        QThread::msleep(QRandomGenerator::global()->bounded(2u * quint32(attempt) + 1));
    }
}

AccountChanges::Result AccountChanges::stepOnce(const std::function<Result()> &checkAndWrite)
{
    Step step(m_tables);
    if (!step.begun())
        return {Result::Failed, step.refusal()};
    Result result = checkAndWrite();
    QString error;
    if (!step.end(error) && result.done())
        return {Result::Failed, error};
    return result;
}

AccountChanges::Result AccountChanges::written(bool ok) const
{
    if (ok)
        return {};
    return {Result::Failed, m_tables.errorString()};
}

AccountChanges::Result AccountChanges::setTarget(const TargetWeek &row, const QString &adminPassword)
{
    if (const Result refused = passwordRefusal(adminPassword); !refused.done())
        return refused;
    return inStep([&]() -> Result {
        if (const Result refused = closedRefusal(row.validFrom, targetClosed()); !refused.done())
            return refused;
        return written(m_tables.setTarget(row));
    });
}

AccountChanges::Result AccountChanges::removeTarget(const QString &employee, QDate validFrom,
                                                    const QString &adminPassword)
{
    if (const Result refused = passwordRefusal(adminPassword); !refused.done())
        return refused;
    return inStep([&]() -> Result {
        if (const Result refused = closedRefusal(validFrom, targetClosed()); !refused.done())
            return refused;
        AccountData data;
        if (!m_tables.read(data))
            return {Result::Failed, m_tables.errorString()};
        const bool found = std::any_of(data.targets.cbegin(), data.targets.cend(), [&](const TargetWeek &row) {
            return row.employee == employee && row.validFrom == validFrom;
        });
        if (!found)
            return {Result::Refused, UiText(QStringLiteral("%1 hat keine Sollzeit ab dem %2."))
                                         .arg(employee, DateTimeText::formatDate(validFrom))};
        return written(m_tables.removeTarget(employee, validFrom));
    });
}

AccountChanges::Result AccountChanges::addAbsence(const Absence &absence, const QString &adminPassword)
{
    if (const Result refused = passwordRefusal(adminPassword); !refused.done())
        return refused;
    if (absence.to < absence.from)
        return {Result::Refused, UiText(QStringLiteral("Die Abwesenheit endet vor ihrem Beginn."))};
    return inStep([&]() -> Result {
        if (const Result refused = closedRefusal(absence.from); !refused.done())
            return refused;
        AccountData data;
        if (!m_tables.read(data))
            return {Result::Failed, m_tables.errorString()};
        for (const Absence &other : std::as_const(data.absences)) {
            if (other.employee == absence.employee && other.from <= absence.to && absence.from <= other.to)
                return {Result::Refused, UiText(QStringLiteral("%1 ist vom %2 bis %3 schon abwesend."))
                                             .arg(other.employee, DateTimeText::formatDate(other.from),
                                                  DateTimeText::formatDate(other.to))};
        }
        return written(m_tables.addAbsence(absence));
    });
}

AccountChanges::Result AccountChanges::removeAbsence(const QString &employee, QDate from, QDate to,
                                                     const QString &adminPassword)
{
    if (const Result refused = passwordRefusal(adminPassword); !refused.done())
        return refused;
    return inStep([&]() -> Result {
        if (const Result refused = closedRefusal(from); !refused.done())
            return refused;
        AccountData data;
        if (!m_tables.read(data))
            return {Result::Failed, m_tables.errorString()};
        const bool found = std::any_of(data.absences.cbegin(), data.absences.cend(), [&](const Absence &absence) {
            return absence.employee == employee && absence.from == from && absence.to == to;
        });
        if (!found)
            return {Result::Refused, UiText(QStringLiteral("%1 hat keine Abwesenheit vom %2 bis %3."))
                                         .arg(employee, DateTimeText::formatDate(from), DateTimeText::formatDate(to))};
        return written(m_tables.removeAbsence(employee, from, to));
    });
}

AccountChanges::Result AccountChanges::setState(const QString &state, const QString &adminPassword)
{
    if (const Result refused = passwordRefusal(adminPassword); !refused.done())
        return refused;
    return inStep([&]() -> Result {
        return written(m_tables.setState(state));
    });
}

AccountChanges::Result AccountChanges::setFirmDay(const FirmDay &day, const QString &adminPassword)
{
    if (const Result refused = passwordRefusal(adminPassword); !refused.done())
        return refused;
    return inStep([&]() -> Result {
        if (const Result refused = closedRefusal(day.date, firmDayClosed()); !refused.done())
            return refused;
        return written(m_tables.setFirmDay(day));
    });
}

AccountChanges::Result AccountChanges::removeFirmDay(QDate date, const QString &adminPassword)
{
    if (const Result refused = passwordRefusal(adminPassword); !refused.done())
        return refused;
    return inStep([&]() -> Result {
        if (const Result refused = closedRefusal(date, firmDayClosed()); !refused.done())
            return refused;
        AccountData data;
        if (!m_tables.read(data))
            return {Result::Failed, m_tables.errorString()};
        const bool found = std::any_of(data.firmDays.cbegin(), data.firmDays.cend(),
                                       [&](const FirmDay &day) { return day.date == date; });
        if (!found)
            return {Result::Refused, UiText(QStringLiteral("Der %1 ist kein Tag der Firma.")).arg(DateTimeText::formatDate(date))};
        return written(m_tables.removeFirmDay(date));
    });
}

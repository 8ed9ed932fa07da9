#pragma once

#include <optional>

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

class RecordTable;
class WorkingTimeAccount;

// The working-time account's two reports, "Arbeitszeitkonto" (per employee
// and month) and "Fehlende Buchungen" (per employee and day), as a title,
// column titles and rows of cells in the user's language: the result window
// and tagwerk-cli show the same rows, as text, CSV or print.
class AccountReport
{
public:
    enum class Kind { Account, Missing };

    QString title;
    QStringList columnTitles;
    QList<QStringList> rows;

    // The bookings up to `to` into the account, in one pass over the
    // records in file order. False when a record could not be read (the
    // table's errorString() says why): an account missing bookings is wrong.
    static bool readBookings(RecordTable &table, WorkingTimeAccount &account, QDate to);

    // The rows of `employee`, or of everyone with a target. Missing days are
    // those before `today`.
    AccountReport(Kind kind, const WorkingTimeAccount &account, QDate from, QDate to, QDate today,
                  const std::optional<QString> &employee = std::nullopt);

    // The title, an empty line, and the columns padded to their widest cell
    // (the first two, employee and month or date, to the left).
    QStringList textLines() const;
};

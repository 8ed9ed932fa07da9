#pragma once

#include <optional>

#include <QByteArray>
#include <QDate>
#include <QString>

#include "recording/ClosedPeriod.h"

class DbfRecord;

// The closed period as the server keeps it: the bytes of "abschluss.dat" in
// the table "abschluss", read in the transaction of each change. It refuses
// with the words of the folder's closed period; a closing and its history
// entry are written in one transaction, so they cannot disagree.
class ServerClosedPeriod
{
public:
    // `file`: the row's bytes, nothing when there is none; `where` names the
    // server in the message for bytes that cannot be read.
    ServerClosedPeriod(const std::optional<QByteArray> &file, const QString &where);

    const ClosedPeriod::State &state() const { return m_state; }
    QString bookingRefusal(QDate date) const;
    QString writeRefusal(const DbfRecord *before, const DbfRecord *after) const;

private:
    ClosedPeriod::State m_state;
};

#include "OpenTableStore.h"

#include <QDir>

#include "FolderStore.h"
#include "storage/DbfTable.h"
#include "translation/UiText.h"

OpenTableStore::OpenTableStore(DbfTable &table, ClashIndex &index, ClosedPeriod *closedPeriod)
    : m_table(table)
    , m_index(index)
    , m_closedPeriod(closedPeriod)
    , m_nothingClosed([] { return QString(); })
{
    // Nothing is closed without a closed period: its file is never read.
    m_nothingClosed.setBytes({[](bool &) { return std::optional<QByteArray>(); },
                              [](const QByteArray &, QString &) { return false; }, QString()});
}

QString OpenTableStore::location() const
{
    return QDir::toNativeSeparators(m_table.fileName());
}

RecordTable &OpenTableStore::bookings()
{
    return m_table;
}

WorkTimeStore::Appended OpenTableStore::appendBooking(DbfRecord &record, const std::optional<Span> &span,
                                                      bool storeIfClash)
{
    return FolderStore::appendUnderLock(m_table, m_index, m_closedPeriod, record, span, storeIfClash);
}

bool OpenTableStore::unsupported()
{
    m_errorString = UiText(QStringLiteral("Das ist mit einer einzelnen Tabelle nicht möglich."));
    return false;
}

std::optional<QByteArray> OpenTableStore::readSmallFile(SmallFile, bool &readFailed)
{
    readFailed = !unsupported();
    return std::nullopt;
}

bool OpenTableStore::writeSmallFile(SmallFile, const QByteArray &)
{
    return unsupported();
}

ClosedPeriod &OpenTableStore::closedPeriod()
{
    return m_closedPeriod ? *m_closedPeriod : m_nothingClosed;
}

ClosedPeriod::Change OpenTableStore::closePeriod(std::optional<QDate> until, const QString &adminPassword,
                                                 const UserListData &users, QDate today)
{
    return closedPeriod().closeUntil(until, adminPassword, users, today);
}

bool OpenTableStore::exportTo(const QString &)
{
    return unsupported();
}

#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <QHash>

#include "storage/RecordTable.h"
#include "recording/ChangeLogEntry.h"
#include "store/ClosedPeriod.h"
#include "store/WorkTimeStore.h"

class Clock;
class QSqlQuery;
class ScanSpool;
class ServerConnection;

// The work-time records in the server's table "arbeitszeit", in the layout
// of the dBase table (its header kept in "tabellenkopf"), so that a record
// read from the server has the bytes it would have in the file. Rows are
// the live record numbers, fetched as runs of consecutive numbers; records are read
// in pages of keys (satz BETWEEN first AND last of the page), and a scan is
// a forward-only query on a connection of its own, in record order.
//
// Every change is two round trips: one statement reads what the change
// rests on (closed period, last history entry, clash search), one enters
// the history entry and makes the change together; see ServerTable.cpp.
class ServerTable : public RecordTable
{
public:
    static constexpr int PageSize = 256;
    // The columns of a record, in the order of the fields, after satz and
    // geloescht.
    static const char *const Columns;

    ServerTable(ServerConnection &connection, const Clock &clock);
    ~ServerTable() override;

    // Reads the layout and the list of live records. False with
    // errorString() when the server cannot be read.
    bool open();
    void close();
    const QByteArray &header() const { return m_header; }
    void setAuthor(const QString &who) { m_who = who; }
    void setHost(const QString &host) { m_host = host; }

    // The booking step of the store (see WorkTimeStore::appendBooking);
    // `checkClosed` false for an append that no closed period refuses.
    WorkTimeStore::Appended appendChecked(DbfRecord &record, const std::optional<WorkTimeStore::Span> &span,
                                          bool storeIfClash, bool checkClosed);
    // The closing entry and the closing file's row, in one transaction.
    bool writeClosing(const QDate &oldDate, const QDate &newDate, const QByteArray &closingFile);
    // Writes the history's start entry and start list when the history is
    // empty; a start list without history is refused.
    bool startHistory();

    // Fills `record` (of this layout) from a query's satz, geloescht and
    // Columns, from column `first` on.
    void readInto(const QSqlQuery &query, int first, DbfRecord &record) const;
    // "(satz, geloescht, …, geprueft)" for an INSERT of `record`.
    static QString valuesOf(const DbfRecord &record, bool deleted, bool checked);

    bool isOpen() const override { return m_layout != nullptr; }
    bool isReadOnly() const override { return false; }
    Status status() const override { return m_status; }
    QString errorString() const override { return m_error; }
    const QList<DbfField> &fields() const override;
    DbfRecord newRecord() const override;
    int rowCount() const override { return int(rows().size()); }
    quint32 recordNumberAt(int row) const override { return rows()[size_t(row)]; }
    int rowOfRecord(quint32 recordNumber) const override;
    bool readRow(int row, DbfRecord &out) override;
    bool readRecord(quint32 recordNumber, DbfRecord &out) override;
    bool scan(const RecordVisitor &visit) override;
    void expectRepeatedScans() override;
    bool distinctTexts(const QList<int> &fields, QList<QStringList> &texts) override;
    bool append(DbfRecord &record) override;
    bool update(DbfRecord &record) override;
    bool markDeleted(quint32 recordNumber) override;
    bool setFilter(RowFilter filter) override;
    void setFilterField(std::optional<FilterField> only) override { m_filterField = std::move(only); }
    bool setFiltered(bool on) override;
    bool isFiltered() const override { return m_filtered; }
    bool passesFilter(const DbfRecord &record) const override { return !m_filtered || !m_filter || m_filter(record); }
    void dropRow(int row) override;
    bool refresh() override;
    bool reload() override;

private:
    // What the first round trip of a change reads.
    struct State
    {
        std::optional<QByteArray> closing;
        ClosedPeriod::Recorded recordedClosing; // the history's last closing
        qint64 lastEntry = 0;
        QByteArray lastHash;
        quint32 lastRecord = 0;
        std::optional<quint32> extra; // the clash search's record
        std::optional<DbfRecord> row; // the record a change is about
    };
    enum class Written { Done, Overtaken, Failed };
    // How often a change reads again after other PCs wrote first.
    static constexpr int MaxAttempts = 50;

    const std::vector<quint32> &rows() const { return m_filtered ? m_filteredRows : m_live; }
    bool fail(Status status, const QString &reason);
    bool failFromServer();
    std::optional<State> readState(const QString &extraColumn, quint32 recordNumber);
    Written write(const QString &statement);
    QString withEntry(const State &state, ChangeLogEntry &entry, const QString &change) const;
    ClosedPeriod closedPeriod(const State &state) const;
    QString overtakenTooOften() const;
    bool change(quint32 recordNumber, DbfRecord *changed);
    bool readPage(quint32 recordNumber);
    bool stream(const RecordVisitor &visit, ScanSpool *spool, bool &complete);
    bool failedStream(const QSqlQuery &query);
    bool readLiveByDeleted(std::vector<quint32> &live, quint32 &seen);
    bool readLiveRuns(std::vector<quint32> &live);
    bool rebuildFilteredRows();
    bool readCandidates(const FilterField &only, std::vector<quint32> &filtered);
    QString keptCharacters(int field) const;
    void forget(quint32 recordNumber);

    ServerConnection &m_connection;
    const Clock &m_clock;
    std::shared_ptr<const DbfLayout> m_layout;
    QByteArray m_header;
    Status m_status = Status::NotOpen;
    QString m_error;
    QString m_who;
    QString m_host;

    std::vector<quint32> m_live;
    std::vector<quint32> m_filteredRows;
    quint32 m_seen = 0; // the highest record number the last refresh found
    // The records of the last scan, when a second one was announced.
    std::unique_ptr<ScanSpool> m_spool;
    bool m_spoolNextScan = false;
    RowFilter m_filter;
    std::optional<FilterField> m_filterField;
    bool m_filtered = false;
    QHash<quint32, DbfRecord> m_page;
    quint32 m_overtaken = 0; // writes that found another PC's first, in a row
};

#pragma once

#include <QByteArray>
#include <QTemporaryFile>

class DbfRecord;

// The records of one scan kept in a temporary file, for a report's second
// pass: reading them back is many times faster than a second stream from
// the server, and both passes then see the very same records even when
// another PC changes one in between. Each record is its number and, per
// field, the field's bytes without trailing blanks (a third of the record
// on a usual table), so that reading back needs no conversion.
class ScanSpool
{
public:
    // False when the temporary file cannot be made; the scan then goes
    // without a spool.
    bool begin();
    // False once the file cannot be written (a full disk): the spool is
    // then of no use and the next scan reads from the server again.
    bool append(const DbfRecord &record);
    // The scan reached its end: the spool holds every record of it.
    bool finish();
    bool isComplete() const { return m_complete; }

    // Reads the records back in order; false when a read failed.
    template <typename Visit>
    bool replay(DbfRecord &record, Visit visit);

private:
    bool flush();
    bool refill(qsizetype needed);
    bool next(DbfRecord &record, bool &atEnd);

    QTemporaryFile m_file;
    QByteArray m_buffer;
    qsizetype m_read = 0;
    bool m_failed = false;
    bool m_complete = false;
};

template <typename Visit>
bool ScanSpool::replay(DbfRecord &record, Visit visit)
{
    if (!m_complete || !m_file.seek(0))
        return false;
    m_buffer.clear();
    m_read = 0;
    bool atEnd = false;
    while (next(record, atEnd)) {
        if (atEnd || !visit(record))
            return true;
    }
    return false;
}

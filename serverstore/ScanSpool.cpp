#include "ScanSpool.h"

#include <cstring>

#include "storage/DbfRecord.h"

namespace {

constexpr qsizetype BlockSize = 1 << 20;
constexpr qsizetype MaxFieldLength = 255; // a length is one byte

} // namespace

bool ScanSpool::begin()
{
    m_complete = false;
    m_failed = !m_file.open() || !m_file.resize(0);
    m_buffer.clear();
    return !m_failed;
}

bool ScanSpool::append(const DbfRecord &record)
{
    if (m_failed)
        return false;
    const quint32 number = record.recordNumber();
    m_buffer.append(reinterpret_cast<const char *>(&number), sizeof number);
    for (int pos = 0; pos < record.fieldCount(); ++pos) {
        const QByteArrayView raw = record.rawText(pos);
        if (raw.size() > MaxFieldLength) {
            m_failed = true;
            return false;
        }
        m_buffer.append(char(raw.size()));
        m_buffer.append(raw);
    }
    return m_buffer.size() < BlockSize || flush();
}

bool ScanSpool::flush()
{
    if (m_file.write(m_buffer) != m_buffer.size())
        m_failed = true;
    m_buffer.clear();
    return !m_failed;
}

bool ScanSpool::finish()
{
    m_complete = !m_failed && flush() && m_file.flush();
    m_buffer.clear();
    return m_complete;
}

// Keeps the unread rest and reads on until `needed` bytes are there or the
// file ends.
bool ScanSpool::refill(qsizetype needed)
{
    if (m_buffer.size() - m_read >= needed)
        return true;
    m_buffer.remove(0, m_read);
    m_read = 0;
    const QByteArray more = m_file.read(std::max(BlockSize, needed));
    m_buffer.append(more);
    return m_buffer.size() >= needed;
}

bool ScanSpool::next(DbfRecord &record, bool &atEnd)
{
    atEnd = false;
    quint32 number = 0;
    if (!refill(qsizetype(sizeof number))) {
        atEnd = m_buffer.size() == m_read && m_file.atEnd();
        return atEnd;
    }
    std::memcpy(&number, m_buffer.constData() + m_read, sizeof number);
    m_read += sizeof number;
    record.setRecordNumber(number);
    record.setDeleted(false);
    for (int pos = 0; pos < record.fieldCount(); ++pos) {
        if (!refill(1))
            return false;
        const qsizetype length = quint8(m_buffer.at(m_read++));
        if (!refill(length))
            return false;
        record.setRawText(pos, QByteArrayView(m_buffer.constData() + m_read, length));
        m_read += length;
    }
    record.clearChanged();
    return true;
}

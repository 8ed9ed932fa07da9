#include "ReportTextWriter.h"

#include <cstring>

#include <QIODevice>

namespace {
// Large enough that writes are few, small enough to stay in the cache.
constexpr qsizetype BlockBytes = 64 * 1024;
} // namespace

ReportTextWriter::ReportTextWriter(QIODevice *device)
    : m_device(device)
{
    m_buffer.reserve(BlockBytes + 4096);
}

void ReportTextWriter::writeLine(const QString &line)
{
    // Encoded straight into the block: no byte array per line.
    const qsizetype used = m_buffer.size();
    m_buffer.resize(used + m_encoder.requiredSpace(line.size()) + 1);
    char *end = m_encoder.appendToBuffer(m_buffer.data() + used, line);
    *end++ = '\n';
    m_buffer.resize(end - m_buffer.constData());
    if (m_buffer.size() >= BlockBytes)
        flush();
}

void ReportTextWriter::writeUtf8Line(QByteArrayView line)
{
    const qsizetype used = m_buffer.size();
    m_buffer.resize(used + line.size() + 1);
    char *end = m_buffer.data() + used;
    if (!line.isEmpty()) // an empty view may hold no pointer at all
        std::memcpy(end, line.data(), size_t(line.size()));
    end[line.size()] = '\n';
    if (m_buffer.size() >= BlockBytes)
        flush();
}

void ReportTextWriter::flush()
{
    if (m_errorString.isEmpty() && !m_buffer.isEmpty() && m_device->write(m_buffer) != m_buffer.size())
        m_errorString = m_device->errorString();
    m_buffer.resize(0);
}

bool ReportTextWriter::finish()
{
    flush();
    return m_errorString.isEmpty();
}

#include "ReportLineStore.h"

#include <QStringEncoder>

void ReportLineStore::clear()
{
    m_blocks = {};
    m_count = 0;
    m_longest = 0;
}

void ReportLineStore::startBlockIfFull()
{
    if (m_count % LinesPerBlock != 0)
        return;
    // The last block is done: let go of what it reserved beyond its lines.
    if (!m_blocks.empty())
        m_blocks.back().bytes.squeeze();
    m_blocks.emplace_back();
    m_blocks.back().ends.reserve(LinesPerBlock);
}

void ReportLineStore::append(QStringView line)
{
    startBlockIfFull();
    Block &block = m_blocks.back();
    QStringEncoder encoder(QStringEncoder::Utf8);
    const qsizetype used = block.bytes.size();
    block.bytes.resize(used + encoder.requiredSpace(line.size()));
    const char *end = encoder.appendToBuffer(block.bytes.data() + used, line);
    block.bytes.resize(end - block.bytes.constData());
    block.ends.push_back(quint32(block.bytes.size()));
    m_longest = std::max(m_longest, line.size());
    ++m_count;
}

void ReportLineStore::appendUtf8(QByteArrayView line)
{
    startBlockIfFull();
    Block &block = m_blocks.back();
    block.bytes.append(line);
    block.ends.push_back(quint32(block.bytes.size()));
    // UTF-16 code units: one for each sequence's first byte, and a second
    // for a four-byte sequence, whose character needs a surrogate pair.
    qsizetype units = 0;
    for (const char c : line) {
        const uchar byte = uchar(c);
        units += (byte & 0xC0) != 0x80;
        units += byte >= 0xF0;
    }
    m_longest = std::max(m_longest, units);
    ++m_count;
}

QString ReportLineStore::line(qsizetype index) const
{
    if (index < 0 || index >= m_count)
        return QString();
    const Block &block = m_blocks[size_t(index / LinesPerBlock)];
    const size_t inBlock = size_t(index % LinesPerBlock);
    const quint32 begin = inBlock == 0 ? 0 : block.ends[inBlock - 1];
    return QString::fromUtf8(block.bytes.constData() + begin, block.ends[inBlock] - begin);
}

#include "ReportLineStore.h"

#include <QStringEncoder>

void ReportLineStore::clear()
{
    m_blocks = {};
    m_count = 0;
    m_longest = 0;
}

void ReportLineStore::append(QStringView line)
{
    if (m_count % LinesPerBlock == 0) {
        // The last block is done: let go of what it reserved beyond its lines.
        if (!m_blocks.empty())
            m_blocks.back().bytes.squeeze();
        m_blocks.emplace_back();
        m_blocks.back().ends.reserve(LinesPerBlock);
    }
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

QString ReportLineStore::line(qsizetype index) const
{
    if (index < 0 || index >= m_count)
        return QString();
    const Block &block = m_blocks[size_t(index / LinesPerBlock)];
    const size_t inBlock = size_t(index % LinesPerBlock);
    const quint32 begin = inBlock == 0 ? 0 : block.ends[inBlock - 1];
    return QString::fromUtf8(block.bytes.constData() + begin, block.ends[inBlock] - begin);
}

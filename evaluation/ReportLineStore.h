#pragma once

#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

// Many lines of text held compactly: UTF-8 in blocks of a few thousand
// lines, so that a report of a million lines takes about its size in bytes
// and growing it never copies what is already stored.
class ReportLineStore
{
public:
    void clear();
    void append(QStringView line);
    // A line already in UTF-8, stored as it is.
    void appendUtf8(QByteArrayView line);

    qsizetype size() const { return m_count; }
    QString line(qsizetype index) const;
    // The longest line, in UTF-16 code units (as QString::size() counts).
    qsizetype longestLine() const { return m_longest; }

private:
    void startBlockIfFull();

    static constexpr qsizetype LinesPerBlock = 4096;

    struct Block
    {
        QByteArray bytes;
        std::vector<quint32> ends; // where each line's bytes end
    };

    std::vector<Block> m_blocks;
    qsizetype m_count = 0;
    qsizetype m_longest = 0;
};

#include "ReportPageWriter.h"

#include <algorithm>

#include <QFontMetrics>
#include <QPageLayout>
#include <QPagedPaintDevice>

#include "ReportPainter.h"

ReportPageWriter::ReportPageWriter(QPagedPaintDevice *device, const QFont &font, const QString &footer)
    : m_device(device)
    , m_font(font)
    , m_footer(footer)
{
}

bool ReportPageWriter::begin()
{
    m_device->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
    if (!m_painter.begin(m_device))
        return false;
    m_page = ReportPainter::printableRect(QSize(m_device->width(), m_device->height()), m_device->logicalDpiX(),
                                          m_device->logicalDpiY());
    m_painter.setFont(QFont(m_font, m_device));
    const QFontMetrics metrics = m_painter.fontMetrics();
    m_lineHeight = std::max(1, metrics.lineSpacing());
    m_ascent = metrics.ascent();
    // A PDF reader boxes text by the font's own ascent and descent, which
    // can reach a little beyond the metrics' line: a small inset keeps even
    // those boxes inside the margins.
    m_page.adjust(0, m_lineHeight / 8, 0, -m_lineHeight / 8);
    // The page number takes the last line of the rectangle, a blank line above it.
    // A footer takes the line above it, and a blank line above that.
    m_textBottom = m_page.bottom() + 1 - (m_footer.isEmpty() ? 2 : 3) * m_lineHeight;
    const int advance = std::max(1, metrics.horizontalAdvance(QLatin1Char('M')));
    m_columns = std::max(ContinuationIndent + 8, m_page.width() / advance);
    m_y = m_page.top();
    return true;
}

bool ReportPageWriter::fits(QStringView text) const
{
    return m_painter.fontMetrics().horizontalAdvance(text.toString()) <= m_page.width();
}

void ReportPageWriter::setListingHeadings(const QString &first, const QString &remarks)
{
    m_firstHeading = first;
    m_remarksHeading = remarks;
}

void ReportPageWriter::noteColumnHeader(const QString &line)
{
    if (m_remarksHeading.isEmpty() || m_firstHeading.isEmpty() || !line.startsWith(m_firstHeading))
        return;
    // The header pads the remarks heading on the right to its column width.
    qsizetype end = line.size();
    while (end > 0 && line.at(end - 1) == QLatin1Char(' '))
        --end;
    const qsizetype start = end - m_remarksHeading.size();
    if (start > 0 && line.at(start - 1) == QLatin1Char(' ')
        && QStringView(line).mid(start, m_remarksHeading.size()) == m_remarksHeading)
        m_remarksColumn = start;
}

// Under the remarks column once the text up to it is printed, where that
// leaves room enough; else the small indent.
int ReportPageWriter::continuationIndent(qsizetype consumed) const
{
    if (m_remarksColumn > 0 && consumed >= m_remarksColumn && m_columns - m_remarksColumn >= MinimumRemarksRoom)
        return int(m_remarksColumn);
    return ContinuationIndent;
}

void ReportPageWriter::writeLine(const QString &line)
{
    noteColumnHeader(line);
    for (const QString &piece : wrapped(line))
        printLine(piece);
}

QStringList ReportPageWriter::wrapped(const QString &line) const
{
    if (line.size() <= m_columns && fits(line))
        return {line};
    QStringList pieces;
    QStringView rest(line);
    QString indent;
    while (!rest.isEmpty()) {
        const qsizetype room = m_columns - indent.size();
        qsizetype cut = rest.size();
        if (cut > room || !fits(indent + rest.toString())) {
            cut = std::min(cut, room);
            // The last blank that leaves the piece short enough; the text
            // before it is not all blanks (those would print nothing).
            const qsizetype blank = rest.left(cut + 1).lastIndexOf(QLatin1Char(' '));
            if (blank > 0 && !rest.left(blank).trimmed().isEmpty())
                cut = blank;
            while (cut > 1 && !fits(indent + rest.left(cut).toString()))
                --cut;
        }
        QStringView piece = rest.left(cut);
        while (piece.endsWith(QLatin1Char(' ')))
            piece.chop(1);
        pieces << indent + piece.toString();
        rest = rest.mid(cut);
        while (rest.startsWith(QLatin1Char(' ')))
            rest = rest.mid(1);
        // The indent is chosen once, by where the first piece ended.
        if (indent.isEmpty())
            indent = QString(continuationIndent(line.size() - rest.size()), QLatin1Char(' '));
    }
    return pieces;
}

void ReportPageWriter::printLine(const QString &text)
{
    if (m_y + m_lineHeight > m_textBottom && m_y > m_page.top())
        newPage();
    m_painter.drawText(QPoint(m_page.left(), m_y + m_ascent), text);
    m_y += m_lineHeight;
}

// On a page too narrow for the footer, its font shrinks until it fits: the
// checksum is only worth anything whole.
void ReportPageWriter::drawFooter()
{
    if (m_footer.isEmpty())
        return;
    const QRect foot(m_page.left(), m_page.bottom() + 1 - 2 * m_lineHeight, m_page.width(), m_lineHeight);
    const int needed = m_painter.fontMetrics().horizontalAdvance(m_footer);
    if (needed <= m_page.width()) {
        m_painter.drawText(foot, Qt::AlignLeft | Qt::AlignTop, m_footer);
        return;
    }
    const QFont normal = m_painter.font();
    QFont smaller = normal;
    smaller.setPointSizeF(normal.pointSizeF() * m_page.width() / needed * 0.95);
    m_painter.setFont(smaller);
    m_painter.drawText(foot, Qt::AlignLeft | Qt::AlignTop, m_footer);
    m_painter.setFont(normal);
}

void ReportPageWriter::drawPageNumber()
{
    drawFooter();
    const QRect foot(m_page.left(), m_page.bottom() + 1 - m_lineHeight, m_page.width(), m_lineHeight);
    m_painter.drawText(foot, Qt::AlignHCenter | Qt::AlignTop, QString::number(m_pageNumber));
}

void ReportPageWriter::newPage()
{
    drawPageNumber();
    m_device->newPage();
    ++m_pageNumber;
    m_y = m_page.top();
}

bool ReportPageWriter::finish()
{
    if (!m_painter.isActive())
        return false;
    drawPageNumber();
    return m_painter.end();
}

#pragma once

#include <QFont>
#include <QPainter>
#include <QRect>

#include "evaluation/ReportSink.h"

class QPagedPaintDevice;

// Lays a report's lines out on the pages of a printer or PDF as they come, so
// that no page but the current one is held: inside a margin of half an inch
// on every side (half the device's resolution), in the report's fixed-pitch
// font. A line too long for the page is wrapped at a blank (within a word
// only where a single word is wider than the page), its continuation lines
// indented a little, so that every character stays inside the printable
// rectangle. Pages break between lines; each page's number is centred at its
// foot, and a footer text (the change history's checksum), when given, stands
// on the line above it.
class ReportPageWriter : public ReportSink
{
public:
    static constexpr int ContinuationIndent = 4; // characters

    explicit ReportPageWriter(QPagedPaintDevice *device, const QFont &font, const QString &footer = {});

    // Sets the device's own margins to zero (the half-inch margins are ours)
    // and starts painting; false when the device cannot be painted on.
    bool begin();
    void writeLine(const QString &line) override;
    // Numbers the last page and ends painting; false when painting failed.
    bool finish();

    // Characters of the report font that fit on one printed line.
    int columns() const { return m_columns; }

private:
    void printLine(const QString &text);
    void newPage();
    void drawPageNumber();
    void drawFooter();
    bool fits(QStringView text) const;

    QPagedPaintDevice *m_device;
    QFont m_font;
    QString m_footer;
    QPainter m_painter;
    QRect m_page;
    int m_textBottom = 0;
    int m_lineHeight = 1;
    int m_ascent = 0;
    int m_columns = 1;
    int m_y = 0;
    int m_pageNumber = 1;
};

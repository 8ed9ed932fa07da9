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
// only where a single word is wider than the page), so that every character
// stays inside the printable rectangle. The continuation of a listed record
// stands under its remarks column (the last of the listing, where the long
// texts are), so that the columns before it stay clear; other continuation
// lines are indented a little. Pages break between lines; each page's number is centred at its
// foot, and a footer text (the change history's checksum), when given, stands
// on the line above it.
class ReportPageWriter : public ReportSink
{
public:
    static constexpr int ContinuationIndent = 4; // characters
    // A remarks column that leaves fewer characters than this on a line is
    // too far right to continue under: the text would run down in a sliver.
    // (The period report on A4 landscape leaves about 14.)
    static constexpr int MinimumRemarksRoom = 10;

    explicit ReportPageWriter(QPagedPaintDevice *device, const QFont &font, const QString &footer = {});

    // Sets the device's own margins to zero (the half-inch margins are ours)
    // and starts painting; false when the device cannot be painted on.
    bool begin();
    // The headings of a listing's first and its remarks column. A line that
    // starts with the first and ends in the remarks heading after a blank is
    // the listing's column header line: the lines after it continue under
    // the remarks heading's column where they wrap past its start.
    void setListingHeadings(const QString &first, const QString &remarks);
    void writeLine(const QString &line) override;
    // The printed lines `line` takes, continuation indents included (after
    // begin(), which measures the page; a column header line among the lines
    // written so far sets the remarks column).
    QStringList wrapped(const QString &line) const;
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
    void noteColumnHeader(const QString &line);
    int continuationIndent(qsizetype consumed) const;

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
    QString m_firstHeading;
    QString m_remarksHeading;
    qsizetype m_remarksColumn = -1; // none seen yet
};

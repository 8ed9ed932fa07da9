#pragma once

#include <functional>

#include <QFont>
#include <QRect>
#include <QStringList>

class QPagedPaintDevice;
class QPdfWriter;
class ReportSink;

// Prints a report the way the result window prints it: landscape, a margin of
// half an inch on every side (half the device's resolution), the report's
// fixed-pitch font, long lines wrapped, a page number at the foot of each page
// (ReportPageWriter lays the pages out). The same code prints and writes PDF.
namespace ReportPainter {

// "Courier New", 9 points, or the system's fixed-pitch font where that is missing.
QFont reportFont();

// The printable rectangle of a page of the given size, in device pixels.
QRect printableRect(const QSize &pagePixels, int dpiX, int dpiY);

// Paints the lines on `device`, which the caller has set up (page size,
// orientation, document title); false when painting could not begin.
bool paint(QPagedPaintDevice *device, const QStringList &lines, const QFont &font = reportFont(),
           const QString &footer = {});

// Sets a PDF writer up for a report: A4 landscape, the given document title.
void setUpPdf(QPdfWriter &writer, const QString &title);

// Writes a PDF of the lines: A4 landscape, the given document title.
// `footer` stands at the foot of every page (the change history's checksum).
bool writePdf(const QString &path, const QStringList &lines, const QString &title, const QString &footer = {});

// Writes a PDF of whatever `produce` hands to the sink it is given, page by
// page as it comes; false when the file could not be written, or when
// `produce` returns false. `listingHeadings`, the headings of a listing's
// first and remarks column, let wrapped records continue under the remarks
// (ReportPageWriter::setListingHeadings).
bool writePdf(const QString &path, const QString &title, const std::function<bool(ReportSink &)> &produce,
              const QString &footer = {}, const QStringList &listingHeadings = {});

} // namespace ReportPainter

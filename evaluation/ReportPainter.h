#pragma once

#include <QFont>
#include <QRect>
#include <QStringList>

class QPagedPaintDevice;

// Lays a report's lines out on pages, the way the result window prints them:
// landscape, a margin of half an inch on every side (half the device's
// resolution), the report's fixed-pitch font, no header or footer, a new page
// where the printable rectangle is full. The same code prints and writes PDF.
namespace ReportPainter {

// "Courier New", 9 points, or the system's fixed-pitch font where that is missing.
QFont reportFont();

// The printable rectangle of a page of the given size, in device pixels.
QRect printableRect(const QSize &pagePixels, int dpiX, int dpiY);

// Paints the lines on `device`, which the caller has set up (page size,
// orientation, document title); false when painting could not begin.
bool paint(QPagedPaintDevice *device, const QStringList &lines, const QFont &font = reportFont());

// Writes a PDF of the lines: A4 landscape, the given document title.
bool writePdf(const QString &path, const QStringList &lines, const QString &title);

} // namespace ReportPainter

#include "ReportPainter.h"

#include <QFontInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

namespace ReportPainter {

QFont reportFont()
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(9);
    return font;
}

QRect printableRect(const QSize &pagePixels, int dpiX, int dpiY)
{
    const int mx = dpiX / 2;
    const int my = dpiY / 2;
    return QRect(QPoint(mx, my), QPoint(pagePixels.width() - mx - 1, pagePixels.height() - my - 1));
}

bool paint(QPagedPaintDevice *device, const QStringList &lines, const QFont &font)
{
    // The device's own margins are zero: the half-inch margins are ours.
    device->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
    QPainter painter;
    if (!painter.begin(device))
        return false;
    const QRect page = printableRect(QSize(device->width(), device->height()), device->logicalDpiX(),
                                     device->logicalDpiY());
    painter.setFont(QFont(font, device));
    const QFontMetrics metrics = painter.fontMetrics();
    const int lineHeight = std::max(1, metrics.lineSpacing());
    int y = page.top();
    for (const QString &line : lines) {
        if (y + lineHeight > page.bottom() + 1 && y > page.top()) {
            device->newPage();
            y = page.top();
        }
        painter.drawText(QPoint(page.left(), y + metrics.ascent()), line);
        y += lineHeight;
    }
    return painter.end();
}

bool writePdf(const QString &path, const QStringList &lines, const QString &title)
{
    QPdfWriter writer(path);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("Tagwerk"));
    writer.setResolution(300);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF()));
    return paint(&writer, lines);
}

} // namespace ReportPainter

#include "ReportPainter.h"

#include <QPageLayout>
#include <QPdfWriter>

#include "ReportPageWriter.h"

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

bool paint(QPagedPaintDevice *device, const QStringList &lines, const QFont &font, const QString &footer)
{
    ReportPageWriter pages(device, font, footer);
    if (!pages.begin())
        return false;
    for (const QString &line : lines)
        pages.writeLine(line);
    return pages.finish();
}

void setUpPdf(QPdfWriter &writer, const QString &title)
{
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("Tagwerk"));
    writer.setResolution(300);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF()));
}

bool writePdf(const QString &path, const QStringList &lines, const QString &title, const QString &footer)
{
    return writePdf(
        path, title,
        [&lines](ReportSink &sink) {
            for (const QString &line : lines)
                sink.writeLine(line);
            return true;
        },
        footer);
}

bool writePdf(const QString &path, const QString &title, const std::function<bool(ReportSink &)> &produce,
              const QString &footer, const QStringList &listingHeadings)
{
    QPdfWriter writer(path);
    setUpPdf(writer, title);
    ReportPageWriter pages(&writer, reportFont(), footer);
    if (listingHeadings.size() == 2)
        pages.setListingHeadings(listingHeadings.first(), listingHeadings.last());
    if (!pages.begin())
        return false;
    const bool produced = produce(pages);
    return pages.finish() && produced;
}

} // namespace ReportPainter

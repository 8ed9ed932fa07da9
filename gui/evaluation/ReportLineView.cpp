#include "ReportLineView.h"

#include <algorithm>

#include <QPainter>
#include <QScrollBar>

#include "evaluation/ReportLineStore.h"

ReportLineView::ReportLineView(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
}

void ReportLineView::setStore(const ReportLineStore *store)
{
    m_store = store;
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    updateScrollBars();
    viewport()->update();
}

int ReportLineView::topLine() const
{
    return verticalScrollBar()->value();
}

int ReportLineView::lineHeight() const
{
    return std::max(1, fontMetrics().lineSpacing());
}

int ReportLineView::visibleLines() const
{
    return std::max(1, viewport()->height() / lineHeight());
}

void ReportLineView::updateScrollBars()
{
    const qsizetype lines = m_store ? m_store->size() : 0;
    const int pageLines = visibleLines();
    // The vertical bar counts lines, the horizontal one pixels.
    verticalScrollBar()->setRange(0, int(std::max<qsizetype>(0, lines - pageLines)));
    verticalScrollBar()->setPageStep(pageLines);
    verticalScrollBar()->setSingleStep(1);
    const int charWidth = fontMetrics().horizontalAdvance(QLatin1Char('M'));
    const qsizetype textWidth = (m_store ? m_store->longestLine() + 1 : 0) * charWidth;
    horizontalScrollBar()->setRange(0, int(std::max<qsizetype>(0, textWidth - viewport()->width())));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(charWidth);
}

void ReportLineView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void ReportLineView::paintEvent(QPaintEvent *)
{
    if (!m_store)
        return;
    QPainter painter(viewport());
    painter.setFont(font());
    const int height = lineHeight();
    const int ascent = fontMetrics().ascent();
    const int x = 4 - horizontalScrollBar()->value();
    const qsizetype first = topLine();
    const qsizetype last = std::min<qsizetype>(m_store->size(), first + visibleLines() + 1);
    for (qsizetype index = first; index < last; ++index)
        painter.drawText(x, int(index - first) * height + ascent, m_store->line(index));
}

#pragma once

#include <QAbstractScrollArea>

class ReportLineStore;

// Shows the lines of a store, unwrapped, with both scroll bars: only the
// lines in sight are decoded and painted, so a report of a million lines
// opens as fast as one of ten. It only shows; editing needs a text editor.
class ReportLineView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit ReportLineView(QWidget *parent = nullptr);

    // The store must outlive the view or be set anew; call again after the
    // store has changed.
    void setStore(const ReportLineStore *store);
    // The first line in sight.
    int topLine() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void updateScrollBars();
    int lineHeight() const;
    int visibleLines() const;

    const ReportLineStore *m_store = nullptr;
};

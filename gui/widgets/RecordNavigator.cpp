#include "RecordNavigator.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>

#include "DataGrid.h"
#include "WorkTimeTableModel.h"
#include "base/Reporter.h"
#include "translation/translateunit.h"

namespace {

struct ButtonSpec
{
    const char *objectName;
    const char16_t *symbol;
    const char16_t *hint; // German, translated like every text
};

const ButtonSpec s_buttons[RecordNavigator::ButtonCount] = {
    {"FirstButton", u"|◀", u"Erster Datensatz"},
    {"PriorButton", u"◀", u"Vorheriger Datensatz"},
    {"NextButton", u"▶", u"Nächster Datensatz"},
    {"LastButton", u"▶|", u"Letzter Datensatz"},
    {"InsertButton", u"+", u"Datensatz einfügen"},
    {"DeleteButton", u"−", u"Datensatz löschen"},
    {"EditButton", u"▲", u"Datensatz bearbeiten"},
    {"PostButton", u"✓", u"Änderungen speichern"},
    {"CancelButton", u"✗", u"Änderungen verwerfen"},
    {"RefreshButton", u"↻", u"Daten neu einlesen"},
};

QIcon symbolIcon(const QString &symbol)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    QFont font = painter.font();
    font.setPixelSize(20);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(0x3a, 0x5a, 0x40));
    painter.drawText(pixmap.rect(), Qt::AlignCenter, symbol);
    return QIcon(pixmap);
}

} // namespace

RecordNavigator::RecordNavigator(Reporter &reporter, QWidget *parent)
    : QWidget(parent)
    , m_reporter(reporter)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < ButtonCount; ++i) {
        auto *button = new QToolButton(this);
        button->setObjectName(QLatin1String(s_buttons[i].objectName));
        // A drawn symbol rather than a text: the dictionary has no business with it.
        button->setIcon(symbolIcon(QString::fromUtf16(s_buttons[i].symbol)));
        button->setToolTip(QString::fromUtf16(s_buttons[i].hint));
        button->setMinimumWidth(28);
        m_buttons[i] = button;
        layout->addWidget(button);
        connect(button, &QToolButton::clicked, this, [this, i] { click(Button(i)); });
    }
}

void RecordNavigator::setView(DataGrid *view, WorkTimeTableModel *model)
{
    m_view = view;
    m_model = model;
    view->setReporter(&m_reporter);
    connect(model, &QAbstractItemModel::modelReset, this, &RecordNavigator::updateButtons);
    connect(model, &QAbstractItemModel::rowsInserted, this, &RecordNavigator::updateButtons);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &RecordNavigator::updateButtons);
    // Rows that cannot be read show empty: the user is told, not left to guess.
    connect(model, &WorkTimeTableModel::readFailed, this, [this](const QString &reason) { m_reporter.error(reason); });
    connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { postLeftRow(current.row()); });
    updateButtons();
}

void RecordNavigator::postLeftRow(int newRow)
{
    if (m_model->hasPendingEdit() && newRow != m_model->pendingRow() && !m_model->post())
        m_reporter.error(m_model->lastError());
}

int RecordNavigator::currentRow() const
{
    return m_view && m_view->currentIndex().isValid() ? m_view->currentIndex().row() : -1;
}

void RecordNavigator::goToRow(int row)
{
    if (!m_view || row < 0 || row >= m_model->rowCount())
        return;
    const int column = std::max(0, m_view->currentIndex().column());
    m_view->setCurrentIndex(m_model->index(row, column));
    m_view->scrollTo(m_view->currentIndex());
}

bool RecordNavigator::postEdit()
{
    if (!m_view || !m_model)
        return true;
    if (!m_view->commitEdit())
        return false;
    if (m_model->post())
        return true;
    m_reporter.error(m_model->lastError());
    return false;
}

void RecordNavigator::click(Button which)
{
    if (!m_view || !m_model)
        return;
    // Every button but "discard" leaves the cell being edited: its text must
    // be accepted first.
    if (which != Cancel && !m_view->commitEdit())
        return;
    const int row = currentRow();
    const int rows = m_model->rowCount();
    switch (which) {
    case First: goToRow(0); break;
    case Prior: goToRow(row - 1); break;
    case Next: goToRow(row + 1); break;
    case Last: goToRow(rows - 1); break;
    case Insert: goToRow(m_model->insertNewRow()); break;
    case Delete:
        // A row that may not go is not offered for deletion first.
        if (const QString why = row >= 0 ? m_model->deletionRefusal(row) : QString(); !why.isEmpty()) {
            m_reporter.error(why);
            break;
        }
        if (row >= 0
            && m_reporter.question(TranslateText(QStringLiteral("Datensatz löschen?")), QString(), Reporter::Buttons::YesNo)
                   == Reporter::Answer::Yes) {
            if (!m_model->deleteRow(row))
                m_reporter.error(m_model->lastError());
            goToRow(std::min(row, m_model->rowCount() - 1));
        }
        break;
    case Edit:
        if (row >= 0)
            m_model->beginEdit(row);
        break;
    case Post: postEdit(); break;
    case Cancel: m_model->cancel(); break;
    case Refresh: {
        m_model->reread();
        goToRow(std::min(row, m_model->rowCount() - 1));
        break;
    }
    case ButtonCount: break;
    }
}

void RecordNavigator::updateButtons()
{
    const bool editable = m_model && !m_model->isReadOnly();
    for (Button b : {Insert, Delete, Edit, Post, Cancel})
        m_buttons[b]->setEnabled(editable);
}

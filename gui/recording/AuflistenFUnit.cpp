#include "AuflistenFUnit.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

#include "recording/RecordListFilter.h"
#include "session/AppContext.h"
#include "base/Clock.h"
#include "base/Reporter.h"
#include "base/WindowSettingsStore.h"
#include "gui/widgets/DataGrid.h"
#include "gui/widgets/RecordNavigator.h"
#include "gui/widgets/WorkTimeTableModel.h"
#include "storage/WorkTimeTables.h"

namespace {
const QString ClassName = QStringLiteral("TDatenAuflistenForm");
}

TDatenAuflistenForm::TDatenAuflistenForm(AppContext &context, QWidget *parent)
    : SettingsForm(context.settings(), ClassName, parent)
    , m_context(context)
    , m_model(new WorkTimeTableModel(context.store().bookings(), this))
{
    setWindowTitle(QStringLiteral("Daten auflisten"));
    setSizeGripEnabled(true);
    resize(549, 400);

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    DBNavigator1 = new RecordNavigator(context.reporter(), Panel1);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    BitBtn1 = new QPushButton(QStringLiteral("Zurück..."), Panel1);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setAutoDefault(false);
    OnlyCurrentMonth = new QCheckBox(QStringLiteral("Nur aktueller Monat"), Panel1);
    OnlyCurrentMonth->setObjectName(QStringLiteral("OnlyCurrentMonth"));
    auto *panel = new QHBoxLayout(Panel1);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->addWidget(DBNavigator1);
    panel->addWidget(OnlyCurrentMonth);
    panel->addStretch(1);
    panel->addWidget(BitBtn1);

    DBGrid1 = new DataGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setModel(m_model);
    DBGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    DBGrid1->horizontalHeader()->setDefaultSectionSize(110);
    // Rows of the closed period stay as they are, and no row moves into it.
    m_model->setWriteGuard([&context](const DbfRecord *before, const DbfRecord *after) {
        return context.closedPeriod().writeRefusal(before, after);
    });
    DBNavigator1->setView(DBGrid1, m_model);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Panel1);
    layout->addWidget(DBGrid1, 1);

    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(OnlyCurrentMonth, &QCheckBox::toggled, this, [this] {
        if (isVisible())
            OnlyCurrentMonthClick();
    });
}

void TDatenAuflistenForm::applyFilter()
{
    RecordTable &table = m_context.store().bookings();
    const QString employee = m_context.arbeiter;
    const bool onlyMonth = OnlyCurrentMonth->isChecked();
    const QDate today = m_context.clock().now().date();
    m_model->setReadOnly(!m_context.userList().employeesMayCorrect);
    // Each of refresh(), setFilter() and setFiltered() reads the whole table
    // again while a filter is on (seconds on a large table, on a server the
    // more): off first, the table is read once, by setFiltered() below.
    table.setFiltered(false);
    bool read = table.refresh();
    table.setFilterField(RecordTable::FilterField{WorkTimeTables::Arbeiter, employee});
    read = table.setFilter([employee, onlyMonth, today](const DbfRecord &record) {
        return Dbf1FilterRecord(record, employee, onlyMonth, today);
    }) && read;
    read = table.setFiltered(true) && read;
    m_model->reset();
    // The list then holds no rows rather than some: say why.
    if (!read)
        m_context.reporter().error(table.errorString());
}

void TDatenAuflistenForm::showList()
{
    restoreSettings(); // the month switch decides what is shown at once
    applyFilter();
    exec();
    // Everyone else sees every row of the table again, and may write to it.
    RecordTable &table = m_context.store().bookings();
    table.setFiltered(false);
    table.setFilterField(std::nullopt);
    table.setFilter({});
    m_model->setReadOnly(false);
    m_model->reset();
}

void TDatenAuflistenForm::OnlyCurrentMonthClick()
{
    if (!m_model->post())
        m_model->cancel();
    applyFilter();
}

void TDatenAuflistenForm::done(int result)
{
    // A cell whose text was refused keeps the window open on it.
    if (!DBGrid1->commitEdit())
        return;
    if (!m_model->post())
        m_model->cancel();
    SettingsForm::done(result);
}

void TDatenAuflistenForm::restoreControls(WindowSettingsStore &store)
{
    if (const auto checked = store.checked(ClassName, QStringLiteral("OnlyCurrentMonth"))) {
        const QSignalBlocker quiet(OnlyCurrentMonth);
        OnlyCurrentMonth->setChecked(*checked);
    }
}

void TDatenAuflistenForm::saveControls(WindowSettingsStore &store)
{
    store.setChecked(ClassName, QStringLiteral("OnlyCurrentMonth"), OnlyCurrentMonth->isChecked());
}

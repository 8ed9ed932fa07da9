#include "AenderungsprotokollFUnit.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "session/AppContext.h"
#include "base/Clock.h"
#include "base/Reporter.h"
#include "gui/evaluation/AuswertungFUnit.h"
#include "gui/widgets/DateEdit.h"
#include "recording/ChangeLogHistory.h"
#include "storage/DateTimeText.h"
#include "translation/UiText.h"

namespace {
const QString ClassName = QStringLiteral("TAenderungsprotokollForm");
}

TAenderungsprotokollForm::TAenderungsprotokollForm(AppContext &context, QWidget *parent)
    : SettingsForm(context.settings(), ClassName, parent)
    , m_context(context)
    , EmployeeLabel(new QLabel(QStringLiteral("Mitarbeiter:"), this))
    , EmployeeEdit(new QLineEdit(this))
    , PeriodCheck(new QCheckBox(QStringLiteral("Zeitraum:"), this))
    , FromEdit(new DateEdit(this))
    , ToEdit(new DateEdit(this))
    , RecordLabel(new QLabel(QStringLiteral("Datensatz:"), this))
    , RecordEdit(new QLineEdit(this))
    , ShowBtn(new QPushButton(QStringLiteral("Anzeigen"), this))
    , EntryList(new QTreeWidget(this))
    , HashLabel(new QLabel(this))
    , DruckenBtn(new QPushButton(QStringLiteral("Drucken"), this))
    , PdfBtn(new QPushButton(QStringLiteral("PDF..."), this))
    , CsvBtn(new QPushButton(QStringLiteral("CSV..."), this))
    , RestartBtn(new QPushButton(QStringLiteral("Neu beginnen..."), this))
    , CloseBtn(new QPushButton(QStringLiteral("Schließen"), this))
{
    setWindowTitle(QStringLiteral("Änderungsprotokoll"));
    EmployeeLabel->setObjectName(QStringLiteral("EmployeeLabel"));
    EmployeeEdit->setObjectName(QStringLiteral("EmployeeEdit"));
    PeriodCheck->setObjectName(QStringLiteral("PeriodCheck"));
    FromEdit->setObjectName(QStringLiteral("FromEdit"));
    ToEdit->setObjectName(QStringLiteral("ToEdit"));
    RecordLabel->setObjectName(QStringLiteral("RecordLabel"));
    RecordEdit->setObjectName(QStringLiteral("RecordEdit"));
    ShowBtn->setObjectName(QStringLiteral("ShowBtn"));
    EntryList->setObjectName(QStringLiteral("EntryList"));
    HashLabel->setObjectName(QStringLiteral("HashLabel"));
    DruckenBtn->setObjectName(QStringLiteral("DruckenBtn"));
    PdfBtn->setObjectName(QStringLiteral("PdfBtn"));
    CsvBtn->setObjectName(QStringLiteral("CsvBtn"));
    RestartBtn->setObjectName(QStringLiteral("RestartBtn"));
    CloseBtn->setObjectName(QStringLiteral("CloseBtn"));

    EmployeeLabel->setBuddy(EmployeeEdit);
    RecordLabel->setBuddy(RecordEdit);
    RecordEdit->setValidator(new QIntValidator(0, 999999999, RecordEdit));
    for (QDateEdit *edit : {FromEdit, ToEdit}) {
        edit->setCalendarPopup(true);
        edit->setDate(context.clock().now().date());
        edit->setEnabled(false);
    }
    EntryList->setRootIsDecorated(false);
    EntryList->setUniformRowHeights(true);
    EntryList->setAlternatingRowColors(true);
    EntryList->setHeaderLabels(ChangeLogHistory::germanColumnTitles());
    HashLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ShowBtn->setDefault(true);

    auto *filters = new QGridLayout;
    filters->addWidget(EmployeeLabel, 0, 0);
    filters->addWidget(EmployeeEdit, 0, 1, 1, 3);
    filters->addWidget(PeriodCheck, 1, 0);
    filters->addWidget(FromEdit, 1, 1);
    filters->addWidget(ToEdit, 1, 2);
    filters->addWidget(RecordLabel, 2, 0);
    filters->addWidget(RecordEdit, 2, 1);
    filters->addWidget(ShowBtn, 2, 3, Qt::AlignRight);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(DruckenBtn);
    buttons->addWidget(PdfBtn);
    buttons->addWidget(CsvBtn);
    buttons->addStretch(1);
    buttons->addWidget(RestartBtn);
    buttons->addWidget(CloseBtn);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(EntryList, 1);
    layout->addWidget(HashLabel);
    layout->addLayout(buttons);
    resize(900, 500);

    connect(PeriodCheck, &QCheckBox::toggled, FromEdit, &QWidget::setEnabled);
    connect(PeriodCheck, &QCheckBox::toggled, ToEdit, &QWidget::setEnabled);
    connect(ShowBtn, &QPushButton::clicked, this, &TAenderungsprotokollForm::ShowBtnClick);
    connect(DruckenBtn, &QPushButton::clicked, this, &TAenderungsprotokollForm::DruckenBtnClick);
    connect(PdfBtn, &QPushButton::clicked, this, &TAenderungsprotokollForm::PdfBtnClick);
    connect(CsvBtn, &QPushButton::clicked, this, &TAenderungsprotokollForm::CsvBtnClick);
    connect(RestartBtn, &QPushButton::clicked, this, &TAenderungsprotokollForm::RestartBtnClick);
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::accept);
}

void TAenderungsprotokollForm::showEvent(QShowEvent *event)
{
    SettingsForm::showEvent(event);
    ShowBtnClick();
}

void TAenderungsprotokollForm::ShowBtnClick()
{
    ChangeLogHistory::Filter filter;
    filter.employee = EmployeeEdit->text().trimmed();
    if (PeriodCheck->isChecked()) {
        filter.from = FromEdit->date();
        filter.to = ToEdit->date();
    }
    if (!RecordEdit->text().isEmpty())
        filter.recordNumber = RecordEdit->text().toUInt();
    // A printout of part of the history says which part: without it, a page
    // of one employee's entries reads as the whole history.
    m_filterLines.clear();
    if (!filter.employee.isEmpty())
        m_filterLines << UiText(QStringLiteral("Nur die Einträge von: %1")).arg(filter.employee);
    if (filter.from.isValid() && filter.to.isValid())
        m_filterLines << UiText(QStringLiteral("Nur die Einträge vom %1 bis %2"))
                             .arg(DateTimeText::formatDate(filter.from), DateTimeText::formatDate(filter.to));
    if (filter.recordNumber)
        m_filterLines << UiText(QStringLiteral("Nur die Einträge zu Datensatz %1")).arg(*filter.recordNumber);
    m_entries.clear();
    const QString directory = m_context.historyDirectory(false);
    ChangeLogHistory history(directory);
    if (!directory.isEmpty() && !history.read(filter, [this](const ChangeLogEntry &entry) { m_entries.prepend(entry); }))
        m_context.reporter().error(history.errorString());

    EntryList->clear();
    QList<QTreeWidgetItem *> items;
    items.reserve(m_entries.size());
    for (const ChangeLogEntry &entry : std::as_const(m_entries))
        items.append(new QTreeWidgetItem(ChangeLogHistory::columns(entry)));
    EntryList->addTopLevelItems(items);
    // Every column fits its texts but the changes, which may run to a
    // thousand characters and would push the checksum out of sight.
    constexpr int ChangesColumn = 5;
    for (int column = 0; column < EntryList->columnCount(); ++column) {
        if (column != ChangesColumn)
            EntryList->resizeColumnToContents(column);
    }
    HashLabel->setText(UiText(QStringLiteral("Prüfsumme des Änderungsprotokolls: %1"))
                           .arg(QString::fromLatin1(m_context.historyChecksum())));
    // Only a history that is missing or damaged is started again.
    RestartBtn->setEnabled(m_context.historyMayRestart());
}

void TAenderungsprotokollForm::RestartBtnClick()
{
    bool ok = false;
    const QString password = QInputDialog::getText(this, UiText(QStringLiteral("Änderungsprotokoll neu beginnen")),
                                                   UiText(QStringLiteral("Admin Passwort:")), QLineEdit::Password,
                                                   QString(), &ok);
    if (ok)
        restartHistory(password);
}

bool TAenderungsprotokollForm::restartHistory(const QString &adminPassword)
{
    const AppContext::Restart restart = m_context.restartHistory(adminPassword);
    if (restart.done)
        m_context.reporter().information(restart.message);
    else
        m_context.reporter().error(restart.message);
    ShowBtnClick();
    return restart.done;
}

TAuswertenForm &TAenderungsprotokollForm::reportWindow()
{
    if (!m_report) {
        m_report = new TAuswertenForm(m_context, this);
        m_report->hide();
    }
    return *m_report;
}

// The entries shown, as report lines (for printing and PDF) and as listed
// records (for CSV).
void TAenderungsprotokollForm::fillReportWindow()
{
    TAuswertenForm &report = reportWindow();
    report.beginReport();
    report.writeLine(UiText(QStringLiteral("Änderungsprotokoll")));
    for (const QString &line : std::as_const(m_filterLines))
        report.writeLine(line);
    report.writeLine(QString());
    const QStringList titles = ChangeLogHistory::columnTitles();
    report.writeColumnTitles(titles);
    for (const ChangeLogEntry &entry : std::as_const(m_entries)) {
        const QStringList columns = ChangeLogHistory::columns(entry);
        // Time, who, computer, action, record, checksum; the changes below.
        report.writeLine((columns.mid(0, 5) << columns.at(6)).join(QStringLiteral("  ")));
        if (!columns.at(5).isEmpty())
            report.writeLine(QStringLiteral("    ") + columns.at(5));
        report.writeRecord(columns);
    }
    report.endReport();
}

void TAenderungsprotokollForm::DruckenBtnClick()
{
    fillReportWindow();
    reportWindow().DruckenBtnClick();
}

void TAenderungsprotokollForm::PdfBtnClick()
{
    fillReportWindow();
    reportWindow().PdfBtnClick();
}

void TAenderungsprotokollForm::CsvBtnClick()
{
    fillReportWindow();
    reportWindow().CsvBtnClick();
}

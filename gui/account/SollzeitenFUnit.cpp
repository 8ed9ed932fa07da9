#include "SollzeitenFUnit.h"

#include <algorithm>

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTextCharFormat>
#include <QVBoxLayout>

#include "base/Clock.h"
#include "base/Reporter.h"
#include "evaluation/AccountGlance.h"
#include "evaluation/PublicHolidays.h"
#include "session/AppContext.h"
#include "storage/AccountTables.h"
#include "storage/AccountText.h"
#include "storage/DateTimeText.h"
#include "translation/UiText.h"
#include "translation/translateunit.h"
#include "gui/widgets/DateEdit.h"

namespace {

const QString ClassName = QStringLiteral("TSollzeitenForm");
const AbsenceKind Kinds[] = {AbsenceKind::Vacation, AbsenceKind::Sick, AbsenceKind::Leave, AbsenceKind::Unpaid};

template <typename Widget>
Widget *named(Widget *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel *makeLabel(QWidget *parent, const char *name, const char16_t *text, QWidget *buddy)
{
    auto *label = named(new QLabel(QString::fromUtf16(text), parent), name);
    label->setBuddy(buddy);
    return label;
}

QDateEdit *makeDate(QWidget *parent, const char *name)
{
    auto *edit = named(new DateEdit(parent), name);
    edit->setCalendarPopup(true);
    return edit;
}

QPushButton *makeButton(QWidget *parent, const char *name, const char16_t *text)
{
    auto *button = named(new QPushButton(QString::fromUtf16(text), parent), name);
    button->setAutoDefault(false);
    return button;
}

// A read-only list whose rows are picked whole; its headings are German
// keys, translated with the window.
QTableWidget *makeGrid(QWidget *parent, const char *name, const QStringList &headings)
{
    auto *grid = named(new QTableWidget(0, int(headings.size()), parent), name);
    grid->setHorizontalHeaderLabels(headings);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setStretchLastSection(true);
    return grid;
}

void setRow(QTableWidget *grid, int row, const QStringList &cells)
{
    for (int column = 0; column < cells.size(); ++column)
        grid->setItem(row, column, new QTableWidgetItem(cells.at(column)));
}

} // namespace

TSollzeitenForm::TSollzeitenForm(AppContext &context, QWidget *parent)
    : SettingsForm(context.settings(), ClassName, parent)
    , m_context(context)
{
    setWindowTitle(QStringLiteral("Sollzeiten und Abwesenheiten"));
    setSizeGripEnabled(true);
    EmployeeEd = named(new QComboBox(this), "EmployeeEd");
    EmployeeEd->setEditable(true);
    EmployeeEd->setInsertPolicy(QComboBox::NoInsert);
    EmployeeEd->setMinimumContentsLength(24);
    EmployeeEd->lineEdit()->setMaxLength(45); // ARBEITER C45, as in the work-time table
    EmployeeLabel = makeLabel(this, "EmployeeLabel", u"Mitarbeiter:", EmployeeEd);
    CloseBtn = makeButton(this, "CloseBtn", u"Schließen");

    auto *top = new QHBoxLayout;
    top->addWidget(EmployeeLabel);
    top->addWidget(EmployeeEd);
    top->addStretch(1);
    auto *lower = new QHBoxLayout;
    lower->addWidget(buildAbsences(), 3);
    lower->addWidget(buildFirm(), 2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(CloseBtn);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buildTargets());
    layout->addLayout(lower, 1);
    layout->addLayout(buttons);

    connect(EmployeeEd, &QComboBox::currentTextChanged, this, &TSollzeitenForm::showEmployee);
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::accept);
}

QWidget *TSollzeitenForm::buildTargets()
{
    auto *group = named(new QGroupBox(QStringLiteral("Sollzeiten"), this), "TargetGroup");
    QStringList headings{QStringLiteral("Gültig ab")};
    for (int day = 1; day <= 7; ++day)
        headings << AccountGlance::dayKey(day);
    headings << QStringLiteral("Urlaubstage") << QStringLiteral("Anfangssaldo");
    TargetGrid = makeGrid(group, "TargetGrid", headings);
    TargetGrid->setMinimumHeight(110);
    ValidFromEd = makeDate(group, "ValidFromEd");
    ValidFromLabel = makeLabel(group, "ValidFromLabel", u"Gültig ab:", ValidFromEd);
    VacationEd = named(new QLineEdit(group), "VacationEd");
    VacationLabel = makeLabel(group, "VacationLabel", u"Urlaubstage im Jahr:", VacationEd);
    BalanceEd = named(new QLineEdit(group), "BalanceEd");
    BalanceLabel = makeLabel(group, "BalanceLabel", u"Anfangssaldo:", BalanceEd);
    TargetBtn = makeButton(group, "TargetBtn", u"Sollzeit speichern");
    RemoveTargetBtn = makeButton(group, "RemoveTargetBtn", u"Sollzeit löschen");

    auto *week = new QGridLayout;
    week->addWidget(ValidFromLabel, 1, 0);
    week->addWidget(ValidFromEd, 1, 1);
    for (int day = 0; day < 7; ++day) {
        const QByteArray name = "WeekEd" + QByteArray::number(day);
        WeekEd[day] = named(new QLineEdit(group), name.constData());
        WeekEd[day]->setMaxLength(5);
        WeekEd[day]->setPlaceholderText(QStringLiteral("0:00"));
        DayLabels[day] = named(new QLabel(AccountGlance::dayKey(day + 1), group),
                               ("DayLabel" + QByteArray::number(day)).constData());
        DayLabels[day]->setBuddy(WeekEd[day]);
        week->addWidget(DayLabels[day], 0, day + 2);
        week->addWidget(WeekEd[day], 1, day + 2);
    }
    week->addWidget(VacationLabel, 0, 9);
    week->addWidget(VacationEd, 1, 9);
    week->addWidget(BalanceLabel, 0, 10);
    week->addWidget(BalanceEd, 1, 10);
    week->addWidget(TargetBtn, 1, 11);
    week->addWidget(RemoveTargetBtn, 1, 12);

    auto *layout = new QVBoxLayout(group);
    layout->addWidget(TargetGrid);
    layout->addLayout(week);
    connect(TargetGrid, &QTableWidget::currentCellChanged, this, [this](int row) { takeTargetRow(row); });
    connect(TargetBtn, &QPushButton::clicked, this, &TSollzeitenForm::TargetBtnClick);
    connect(RemoveTargetBtn, &QPushButton::clicked, this, &TSollzeitenForm::RemoveTargetBtnClick);
    return group;
}

QWidget *TSollzeitenForm::buildAbsences()
{
    auto *group = named(new QGroupBox(QStringLiteral("Abwesenheiten"), this), "AbsenceGroup");
    AbsenceGrid = makeGrid(group, "AbsenceGrid",
                           {QStringLiteral("Erster Tag"), QStringLiteral("Letzter Tag"), QStringLiteral("Art"),
                            QStringLiteral("Halber Tag")});
    FromEd = makeDate(group, "FromEd");
    FromLabel = makeLabel(group, "FromLabel", u"Erster Tag:", FromEd);
    ToEd = makeDate(group, "ToEd");
    ToLabel = makeLabel(group, "ToLabel", u"Letzter Tag:", ToEd);
    KindEd = named(new QComboBox(group), "KindEd");
    for (AbsenceKind kind : Kinds)
        KindEd->addItem(AccountText::kindTitle(kind));
    KindLabel = makeLabel(group, "KindLabel", u"Art:", KindEd);
    HalfDayCheck = named(new QCheckBox(QStringLiteral("Halber Tag"), group), "HalfDayCheck");
    AddAbsenceBtn = makeButton(group, "AddAbsenceBtn", u"Abwesenheit eintragen");
    RemoveAbsenceBtn = makeButton(group, "RemoveAbsenceBtn", u"Abwesenheit entfernen");

    auto *fields = new QGridLayout;
    fields->addWidget(FromLabel, 0, 0);
    fields->addWidget(FromEd, 0, 1);
    fields->addWidget(ToLabel, 1, 0);
    fields->addWidget(ToEd, 1, 1);
    fields->addWidget(KindLabel, 2, 0);
    fields->addWidget(KindEd, 2, 1);
    fields->addWidget(HalfDayCheck, 3, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(AddAbsenceBtn);
    buttons->addWidget(RemoveAbsenceBtn);
    buttons->addStretch(1);
    auto *right = new QVBoxLayout;
    right->addWidget(AbsenceGrid, 1);
    right->addLayout(fields);
    right->addLayout(buttons);
    m_absenceLayout = new QHBoxLayout(group);
    m_absenceLayout->addLayout(right, 1);

    connect(AbsenceGrid, &QTableWidget::currentCellChanged, this, [this](int row) { takeAbsenceRow(row); });
    connect(AddAbsenceBtn, &QPushButton::clicked, this, &TSollzeitenForm::AddAbsenceBtnClick);
    connect(RemoveAbsenceBtn, &QPushButton::clicked, this, &TSollzeitenForm::RemoveAbsenceBtnClick);
    return group;
}

QWidget *TSollzeitenForm::buildFirm()
{
    auto *group = named(new QGroupBox(QStringLiteral("Feiertage der Firma"), this), "FirmGroup");
    StateEd = named(new QComboBox(group), "StateEd"); // filled when shown: the codes need no translation
    StateLabel = makeLabel(group, "StateLabel", u"Bundesland:", StateEd);
    StateBtn = makeButton(group, "StateBtn", u"Bundesland speichern");
    FirmDayGrid = makeGrid(group, "FirmDayGrid", {QStringLiteral("Datum"), QStringLiteral("Name")});
    FirmDayEd = makeDate(group, "FirmDayEd");
    FirmDayLabel = makeLabel(group, "FirmDayLabel", u"Datum:", FirmDayEd);
    FirmDayNameEd = named(new QLineEdit(group), "FirmDayNameEd");
    FirmDayNameEd->setMaxLength(45); // NAME C45
    FirmDayNameLabel = makeLabel(group, "FirmDayNameLabel", u"Name:", FirmDayNameEd);
    FirmDayBtn = makeButton(group, "FirmDayBtn", u"Tag speichern");
    RemoveFirmDayBtn = makeButton(group, "RemoveFirmDayBtn", u"Tag entfernen");

    auto *state = new QHBoxLayout;
    state->addWidget(StateLabel);
    state->addWidget(StateEd);
    state->addWidget(StateBtn);
    state->addStretch(1);
    auto *fields = new QGridLayout;
    fields->addWidget(FirmDayLabel, 0, 0);
    fields->addWidget(FirmDayEd, 0, 1);
    fields->addWidget(FirmDayNameLabel, 1, 0);
    fields->addWidget(FirmDayNameEd, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(FirmDayBtn);
    buttons->addWidget(RemoveFirmDayBtn);
    buttons->addStretch(1);
    auto *layout = new QVBoxLayout(group);
    layout->addLayout(state);
    layout->addWidget(FirmDayGrid, 1);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    connect(FirmDayGrid, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (row < 0 || row >= m_data.firmDays.size())
            return;
        FirmDayEd->setDate(m_data.firmDays.at(row).date);
        FirmDayNameEd->setText(m_data.firmDays.at(row).name);
    });
    connect(StateBtn, &QPushButton::clicked, this, &TSollzeitenForm::StateBtnClick);
    connect(FirmDayBtn, &QPushButton::clicked, this, &TSollzeitenForm::FirmDayBtnClick);
    connect(RemoveFirmDayBtn, &QPushButton::clicked, this, &TSollzeitenForm::RemoveFirmDayBtnClick);
    return group;
}

// Made at the first showing: its month and year buttons are Qt's, named in
// the language's own month names, and no texts of the program's for the
// dictionary to translate at start-up.
void TSollzeitenForm::addCalendar()
{
    Calendar = named(new QCalendarWidget(this), "Calendar");
    Calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    Calendar->setFirstDayOfWeek(Qt::Monday);
    m_absenceLayout->insertWidget(0, Calendar, 0, Qt::AlignTop);
    connect(Calendar, &QCalendarWidget::clicked, this, &TSollzeitenForm::CalendarClick);
}

void TSollzeitenForm::showEvent(QShowEvent *event)
{
    if (!Calendar)
        addCalendar();
    const QDate today = m_context.clock().now().date();
    for (QDateEdit *edit : {ValidFromEd, FromEd, ToEd, FirmDayEd})
        edit->setDate(today);
    Calendar->setSelectedDate(today);
    m_rangeOpen = false;
    if (StateEd->count() == 0) {
        StateEd->addItem(UiText(QStringLiteral("(keines)")));
        StateEd->addItems(PublicHolidays::stateCodes());
    }
    // The employees of the user list, and those who have a target row but
    // are no longer in it.
    QStringList names;
    for (const UserRow &user : std::as_const(m_context.userList().users))
        names << user.employeeName;
    reload();
    for (const TargetWeek &row : std::as_const(m_data.targets))
        names << row.employee;
    names.removeAll(QString());
    names.sort();
    names.removeDuplicates();
    const QString chosen = employee();
    {
        const QSignalBlocker blocker(EmployeeEd);
        EmployeeEd->clear();
        EmployeeEd->addItems(names);
        EmployeeEd->setCurrentIndex(chosen.isEmpty() ? 0 : EmployeeEd->findText(chosen));
        if (EmployeeEd->currentIndex() < 0)
            EmployeeEd->setEditText(chosen);
    }
    showEmployee();
    SettingsForm::showEvent(event);
    EmployeeEd->setFocus();
}

void TSollzeitenForm::reload()
{
    AccountTables tables = m_context.accountTables();
    AccountData data;
    if (!tables.read(data))
        m_context.reporter().error(tables.errorString()); // what could be read is shown
    m_data = data;
    std::sort(m_data.targets.begin(), m_data.targets.end(),
              [](const TargetWeek &a, const TargetWeek &b) { return a.validFrom < b.validFrom; });
    std::sort(m_data.absences.begin(), m_data.absences.end(),
              [](const Absence &a, const Absence &b) { return a.from < b.from; });
    std::sort(m_data.firmDays.begin(), m_data.firmDays.end(),
              [](const FirmDay &a, const FirmDay &b) { return a.date < b.date; });
    showFirm();
}

QString TSollzeitenForm::employee() const
{
    return EmployeeEd->currentText().trimmed();
}

void TSollzeitenForm::showEmployee()
{
    const QString name = employee();
    TargetGrid->setRowCount(0);
    for (const TargetWeek &row : std::as_const(m_data.targets)) {
        if (row.employee != name)
            continue;
        QStringList cells{DateTimeText::formatDate(row.validFrom)};
        for (int minutes : row.minutes)
            cells << AccountText::formatMinutes(minutes);
        cells << AccountText::formatDays(row.vacationDays) << AccountText::formatMinutes(row.openingBalance);
        TargetGrid->insertRow(TargetGrid->rowCount());
        setRow(TargetGrid, TargetGrid->rowCount() - 1, cells);
    }
    AbsenceGrid->setRowCount(0);
    for (const Absence &absence : std::as_const(m_data.absences)) {
        if (absence.employee != name)
            continue;
        AbsenceGrid->insertRow(AbsenceGrid->rowCount());
        setRow(AbsenceGrid, AbsenceGrid->rowCount() - 1,
               {DateTimeText::formatDate(absence.from), DateTimeText::formatDate(absence.to),
                TranslateText(AccountText::kindTitle(absence.kind)),
                absence.halfDay ? TranslateText(QStringLiteral("Ja")) : QString()});
    }
    TargetGrid->resizeColumnsToContents();
    AbsenceGrid->resizeColumnsToContents();
    // The newest row is the one a contract change starts from.
    if (TargetGrid->rowCount() > 0)
        takeTargetRow(TargetGrid->rowCount() - 1);
    markCalendar();
}

void TSollzeitenForm::showFirm()
{
    StateEd->setCurrentIndex(std::max(0, StateEd->findText(m_data.state)));
    FirmDayGrid->setRowCount(int(m_data.firmDays.size()));
    for (int row = 0; row < m_data.firmDays.size(); ++row)
        setRow(FirmDayGrid, row, {DateTimeText::formatDate(m_data.firmDays.at(row).date), m_data.firmDays.at(row).name});
    FirmDayGrid->resizeColumnsToContents();
}

// The employee's absent days stand out in the calendar.
void TSollzeitenForm::markCalendar()
{
    if (!Calendar)
        return;
    Calendar->setDateTextFormat(QDate(), QTextCharFormat());
    QTextCharFormat absent;
    absent.setBackground(palette().highlight().color().lighter(160));
    absent.setFontWeight(QFont::Bold);
    for (const Absence &absence : std::as_const(m_data.absences)) {
        if (absence.employee != employee())
            continue;
        for (QDate day = absence.from; day <= absence.to; day = day.addDays(1))
            Calendar->setDateTextFormat(day, absent);
    }
}

void TSollzeitenForm::takeTargetRow(int row)
{
    if (row < 0 || row >= TargetGrid->rowCount())
        return;
    if (const auto date = DateTimeText::parseDate(TargetGrid->item(row, 0)->text()))
        ValidFromEd->setDate(*date);
    for (int day = 0; day < 7; ++day)
        WeekEd[day]->setText(TargetGrid->item(row, day + 1)->text());
    VacationEd->setText(TargetGrid->item(row, 8)->text());
    BalanceEd->setText(TargetGrid->item(row, 9)->text());
}

void TSollzeitenForm::takeAbsenceRow(int row)
{
    if (row < 0 || row >= AbsenceGrid->rowCount())
        return;
    int index = -1;
    for (const Absence &absence : std::as_const(m_data.absences)) {
        if (absence.employee == employee() && ++index == row) {
            FromEd->setDate(absence.from);
            ToEd->setDate(absence.to);
            KindEd->setCurrentIndex(int(std::find(std::begin(Kinds), std::end(Kinds), absence.kind) - std::begin(Kinds)));
            HalfDayCheck->setChecked(absence.halfDay);
            if (Calendar)
                Calendar->setSelectedDate(absence.from);
            return;
        }
    }
}

void TSollzeitenForm::CalendarClick(QDate date)
{
    if (!m_rangeOpen) {
        FromEd->setDate(date);
        ToEd->setDate(date);
    } else {
        const QDate first = FromEd->date();
        FromEd->setDate(std::min(first, date));
        ToEd->setDate(std::max(first, date));
    }
    m_rangeOpen = !m_rangeOpen;
}

bool TSollzeitenForm::refuse(const QString &message, QWidget *field)
{
    m_context.reporter().error(message);
    if (field)
        field->setFocus();
    return false;
}

bool TSollzeitenForm::change(const std::function<AccountChanges::Result(AccountChanges &)> &make)
{
    AccountTables tables = m_context.accountTables();
    AccountChanges changes(tables, m_context.closedPeriod(), m_context.userList());
    const AccountChanges::Result result = make(changes);
    if (!result.done())
        return refuse(result.message, nullptr);
    reload();
    showEmployee();
    return true;
}

void TSollzeitenForm::TargetBtnClick()
{
    TargetWeek row;
    row.employee = employee();
    if (row.employee.isEmpty())
        return void(refuse(UiText(QStringLiteral("Bitte einen Mitarbeiter wählen.")), EmployeeEd));
    row.validFrom = ValidFromEd->date();
    for (int day = 0; day < 7; ++day) {
        const QString typed = WeekEd[day]->text().trimmed();
        const auto minutes = typed.isEmpty() ? std::optional<int>(0) : AccountText::parseMinutes(typed);
        if (!minutes)
            return void(refuse(UiText(QStringLiteral("Die Sollzeit wird als H:MM eingegeben, z. B. 8:00.")), WeekEd[day]));
        row.minutes[day] = *minutes;
    }
    const QString days = VacationEd->text().trimmed();
    const auto vacation = days.isEmpty() ? std::optional<double>(0) : AccountText::parseDays(days);
    if (!vacation)
        return void(refuse(UiText(QStringLiteral("Die Urlaubstage werden als ganze oder halbe Tage eingegeben, z. B. 30 oder 12,5.")),
                           VacationEd));
    row.vacationDays = *vacation;
    const QString balance = BalanceEd->text().trimmed();
    const auto opening = balance.isEmpty() ? std::optional<int>(0) : AccountText::parseMinutes(balance, true);
    if (!opening)
        return void(refuse(UiText(QStringLiteral("Der Anfangssaldo wird als H:MM eingegeben, negativ mit \"-\" davor.")),
                           BalanceEd));
    row.openingBalance = *opening;
    change([&](AccountChanges &changes) { return changes.setTarget(row, m_adminPassword); });
}

void TSollzeitenForm::AddAbsenceBtnClick()
{
    Absence absence;
    absence.employee = employee();
    if (absence.employee.isEmpty())
        return void(refuse(UiText(QStringLiteral("Bitte einen Mitarbeiter wählen.")), EmployeeEd));
    absence.from = FromEd->date();
    absence.to = ToEd->date();
    absence.kind = Kinds[std::clamp(KindEd->currentIndex(), 0, 3)];
    absence.halfDay = HalfDayCheck->isChecked();
    change([&](AccountChanges &changes) { return changes.addAbsence(absence, m_adminPassword); });
}

void TSollzeitenForm::RemoveTargetBtnClick()
{
    const QString name = employee();
    const QDate validFrom = ValidFromEd->date();
    change([&](AccountChanges &changes) { return changes.removeTarget(name, validFrom, m_adminPassword); });
}

void TSollzeitenForm::RemoveAbsenceBtnClick()
{
    const QString name = employee();
    const QDate from = FromEd->date();
    const QDate to = ToEd->date();
    change([&](AccountChanges &changes) { return changes.removeAbsence(name, from, to, m_adminPassword); });
}

void TSollzeitenForm::StateBtnClick()
{
    const QString state = StateEd->currentIndex() > 0 ? StateEd->currentText() : QString();
    change([&](AccountChanges &changes) { return changes.setState(state, m_adminPassword); });
}

void TSollzeitenForm::FirmDayBtnClick()
{
    const FirmDay day{FirmDayEd->date(), FirmDayNameEd->text().trimmed()};
    if (day.name.isEmpty())
        return void(refuse(UiText(QStringLiteral("Bitte einen Namen für den Tag eingeben.")), FirmDayNameEd));
    change([&](AccountChanges &changes) { return changes.setFirmDay(day, m_adminPassword); });
}

void TSollzeitenForm::RemoveFirmDayBtnClick()
{
    const QDate date = FirmDayEd->date();
    change([&](AccountChanges &changes) { return changes.removeFirmDay(date, m_adminPassword); });
}

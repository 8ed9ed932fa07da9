#include "ErfassenFUnit.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>

#include "AuflistenFUnit.h"
#include "evaluation/AccountGlance.h"
#include "recording/BookingService.h"
#include "PauseFUnit.h"
#include "recording/PresetTexts.h"
#include "session/AppContext.h"
#include "gui/app/ApplicationForms.h"
#include "base/Clock.h"
#include "base/Reporter.h"
#include "base/WindowSettingsStore.h"
#include "storage/DateTimeText.h"
#include "storage/WorkTimeTables.h"
#include "translation/UiText.h"
#include "translation/translateunit.h"
#include "gui/widgets/DateEdit.h"
#include "gui/widgets/TimeEdit.h"

namespace {

const QString ClassName = QStringLiteral("TErfassenForm");

QComboBox *makeChoice(QWidget *parent, const char *name)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMaxVisibleItems(20);
    return box;
}

QTimeEdit *makeTime(QWidget *parent, const char *name)
{
    auto *picker = new TimeEdit(parent);
    picker->setObjectName(QLatin1String(name));
    return picker;
}

// What a field of the work-time table holds: an input takes no more, so
// nothing is cut when the record is stored.
int fieldWidth(WorkTimeTables::Field field)
{
    return WorkTimeTables::fieldDefinitions([](int) { return QString(); }).at(field).width;
}

QLabel *makeLabel(QWidget *parent, const char *name, const char16_t *text, QWidget *buddy)
{
    auto *label = new QLabel(QString::fromUtf16(text), parent);
    label->setObjectName(QLatin1String(name));
    label->setBuddy(buddy);
    return label;
}

// Names the booking in the way, so that the person can tell a true double
// from a slip of the date or time; the general question when it can't be read.
QString clashQuestion(RecordTable &table, quint32 clashRecord)
{
    DbfRecord other;
    if (clashRecord == 0 || !table.readRecord(clashRecord, other))
        return ProgramText(14);
    return TranslateText(QStringLiteral("Die Buchung überschneidet sich mit der Buchung vom %1, %2–%3, %4. Trotzdem buchen?"))
        .arg(other.text(WorkTimeTables::Datum), other.text(WorkTimeTables::ZeitVon), other.text(WorkTimeTables::ZeitBis),
             other.text(WorkTimeTables::Ort));
}

} // namespace

TErfassenForm::TErfassenForm(AppContext &context, ApplicationForms &forms)
    : SettingsForm(context.settings(), ClassName)
    , m_context(context)
    , m_forms(forms)
{
    setWindowTitle(QStringLiteral("Arbeitszeit erfassen"));
    Orted = makeChoice(this, "Orted");
    TatEd = makeChoice(this, "TatEd");
    DateTimePicker1 = makeTime(this, "DateTimePicker1");
    DateTimePicker2 = makeTime(this, "DateTimePicker2");
    DateTimePicker4 = makeTime(this, "DateTimePicker4");
    DateTimePicker3 = new DateEdit(this);
    DateTimePicker3->setObjectName(QStringLiteral("DateTimePicker3"));
    DateTimePicker3->setCalendarPopup(true);
    BemEd = new QLineEdit(this);
    BemEd->setObjectName(QStringLiteral("BemEd"));
    Label4 = makeLabel(this, "Label4", u"Ort/Baustelle/Kunde:", Orted);
    Label5 = makeLabel(this, "Label5", u"Tätigkeit:", TatEd);
    Label1 = makeLabel(this, "Label1", u"Zeit von:", DateTimePicker1);
    Label2 = makeLabel(this, "Label2", u"Zeit bis:", DateTimePicker2);
    Label7 = makeLabel(this, "Label7", u"Stunden:", DateTimePicker2);
    Label6 = makeLabel(this, "Label6", u"Pausenzeit:", DateTimePicker4);
    Label3 = makeLabel(this, "Label3", u"Datum:", DateTimePicker3);
    BemLabel = makeLabel(this, "BemEdLabel", u"Bemerkungen:", BemEd);
    Label7->hide();
    AuswertsCheck = new QCheckBox(QStringLiteral("Auswärtsübernachtung"), this);
    AuswertsCheck->setObjectName(QStringLiteral("AuswertsCheck"));
    ErfassenBtn = new QPushButton(QStringLiteral("Okay, erfassen"), this);
    ErfassenBtn->setObjectName(QStringLiteral("ErfassenBtn"));
    ErfassenBtn->setDefault(true);
    EditBtn = new QPushButton(QStringLiteral("Daten auflisten"), this);
    EditBtn->setObjectName(QStringLiteral("EditBtn"));
    AusloggenBtn = new QPushButton(QStringLiteral("Ausloggen"), this);
    AusloggenBtn->setObjectName(QStringLiteral("AusloggenBtn"));
    PauseBtn = new QPushButton(QStringLiteral("Pausenzeiten von-bis eingeben"), this);
    PauseBtn->setObjectName(QStringLiteral("PauseBtn"));
    SameTimeCheck = new QCheckBox(QStringLiteral("Anfangszeit und Endzeit darf gleich sein"), this);
    SameTimeCheck->setObjectName(QStringLiteral("SameTimeCheck"));
    NachtArbeitCheck = new QCheckBox(QStringLiteral("Endzeit darf kleiner als Anfangszeit sein (Nachtarbeit)"), this);
    NachtArbeitCheck->setObjectName(QStringLiteral("NachtArbeitCheck"));
    for (QPushButton *button : {EditBtn, AusloggenBtn, PauseBtn})
        button->setAutoDefault(false);
    StatusLabel = new QLabel(this);
    StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
    AccountLabel = new QLabel(this);
    AccountLabel->setObjectName(QStringLiteral("AccountLabel"));
    AccountLabel->setWordWrap(true);
    AccountLabel->hide();
    Orted->lineEdit()->setMaxLength(fieldWidth(WorkTimeTables::Ort));
    TatEd->lineEdit()->setMaxLength(fieldWidth(WorkTimeTables::Taetigkeit));
    BemEd->setMaxLength(fieldWidth(WorkTimeTables::Bemerkungen));
    // The break list may make the remark longer than the field; it may then
    // only shrink, and is not stored until it fits.
    connect(BemEd, &QLineEdit::textChanged, this, [this](const QString &text) {
        const int limit = std::max<int>(fieldWidth(WorkTimeTables::Bemerkungen), text.size());
        if (limit == BemEd->maxLength())
            return;
        // A new limit puts the cursor at the end; the employee keeps editing where he was.
        const int cursor = BemEd->cursorPosition();
        BemEd->setMaxLength(limit);
        BemEd->setCursorPosition(cursor);
    });

    auto *layout = new QGridLayout(this);
    int row = 0;
    layout->addWidget(Label4, row, 0);
    layout->addWidget(Orted, row++, 1, 1, 2);
    layout->addWidget(Label5, row, 0);
    layout->addWidget(TatEd, row++, 1, 1, 2);
    layout->addWidget(Label1, row, 0);
    layout->addWidget(DateTimePicker1, row++, 1);
    layout->addWidget(Label2, row, 0);
    layout->addWidget(Label7, row, 0);
    layout->addWidget(DateTimePicker2, row++, 1);
    layout->addWidget(Label6, row, 0);
    layout->addWidget(DateTimePicker4, row, 1);
    layout->addWidget(PauseBtn, row++, 2);
    layout->addWidget(Label3, row, 0);
    layout->addWidget(DateTimePicker3, row++, 1);
    layout->addWidget(BemLabel, row, 0);
    layout->addWidget(BemEd, row++, 1, 1, 2);
    layout->addWidget(AuswertsCheck, row++, 1, 1, 2);
    layout->addWidget(SameTimeCheck, row++, 0, 1, 3);
    layout->addWidget(NachtArbeitCheck, row++, 0, 1, 3);
    layout->addWidget(StatusLabel, row++, 0, 1, 3);
    layout->addWidget(AccountLabel, row++, 0, 1, 3);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(ErfassenBtn);
    buttons->addWidget(EditBtn);
    buttons->addStretch(1);
    buttons->addWidget(AusloggenBtn);
    layout->addLayout(buttons, row, 0, 1, 3);
    layout->setRowStretch(row - 3, 1);
    setFixedSize(DesignedSize);

    // Tab order as the window was designed.
    const QList<QWidget *> order = {Orted, TatEd, DateTimePicker1, DateTimePicker2, DateTimePicker4, DateTimePicker3,
                                    BemEd, AuswertsCheck, ErfassenBtn, EditBtn, AusloggenBtn, PauseBtn,
                                    SameTimeCheck, NachtArbeitCheck};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));

    connect(ErfassenBtn, &QPushButton::clicked, this, &TErfassenForm::ErfassenBtnClick);
    connect(PauseBtn, &QPushButton::clicked, this, &TErfassenForm::PauseBtnClick);
    connect(EditBtn, &QPushButton::clicked, this, &TErfassenForm::EditBtnClick);
    connect(AusloggenBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TErfassenForm::fillList(QComboBox *list, const QStringList &texts)
{
    list->clear();
    list->addItems(texts);
    list->setCurrentIndex(-1);
    list->setEditText(QString());
}

void TErfassenForm::fillLists()
{
    const UserListData &data = m_context.userList();
    // The generated lists come from one pass over the table for both.
    QList<int> fields;
    if (!data.activitiesFixed)
        fields.append(WorkTimeTables::Taetigkeit);
    if (!data.placesFixed)
        fields.append(WorkTimeTables::Ort);
    bool readOk = true;
    const QList<QStringList> generated = fields.isEmpty()
        ? QList<QStringList>()
        : PresetTexts::generated(m_context.store().bookings(), fields, &readOk);
    // The lists stay empty rather than short; the user learns why.
    if (!readOk)
        m_context.reporter().error(m_context.store().bookings().errorString());
    fillList(TatEd, data.activitiesFixed ? PresetTexts::fixedLines(data.activityTexts) : generated.constFirst());
    fillList(Orted, data.placesFixed ? PresetTexts::fixedLines(data.placeTexts) : generated.constLast());
}

void TErfassenForm::prepare()
{
    DateTimePicker3->setDate(m_context.clock().now().date());
    fillLists();
    DateTimePicker1->setTime(QTime(0, 0));
    // The next booking of the same employee starts from the last one; another
    // employee's break and overnight stay are none of his, and would be
    // stored for him unnoticed.
    if (m_context.arbeiter != m_employee) {
        DateTimePicker4->setTime(QTime(0, 0));
        AuswertsCheck->setChecked(false);
        m_employee = m_context.arbeiter;
    }
    StatusLabel->clear();
    const bool hoursOnly = m_context.onlyHours;
    DateTimePicker1->setVisible(!hoursOnly);
    Label1->setVisible(!hoursOnly);
    Label2->setVisible(!hoursOnly);
    Label7->setVisible(hoursOnly);
    showAccount();
}

void TErfassenForm::showAccount()
{
    AccountData data;
    AccountTables tables = m_context.accountTables();
    QString error;
    QStringList lines;
    if (!tables.read(data))
        error = tables.errorString();
    else
        lines = AccountGlance::lines(data, m_context.store().bookings(), m_context.arbeiter,
                                     m_context.clock().now().date(), &error);
    // The account is a help beside the booking: a table it cannot read is
    // named in the line, the booking goes on.
    AccountLabel->setText(error.isEmpty() ? lines.join(QLatin1Char('\n')) : error);
    AccountLabel->setVisible(!AccountLabel->text().isEmpty());
}

void TErfassenForm::showEvent(QShowEvent *event)
{
    // The size the window was designed with, or more where its translated
    // texts need it.
    setFixedSize(DesignedSize.expandedTo(layout()->sizeHint()));
    SettingsForm::showEvent(event);
    Orted->setFocus();
}

void TErfassenForm::focusFor(int programText)
{
    switch (programText) {
    case 9: Orted->setFocus(); break;
    case 10: TatEd->setFocus(); break;
    case 11:
    case 12:
        if (DateTimePicker1->isVisible())
            DateTimePicker1->setFocus();
        break;
    case 13: DateTimePicker4->setFocus(); break;
    default: break;
    }
}

bool TErfassenForm::remarkFits()
{
    const int width = fieldWidth(WorkTimeTables::Bemerkungen);
    if (BemEd->text().size() <= width)
        return true;
    m_context.reporter().error(UiText(QStringLiteral("Die Bemerkung ist %1 Zeichen lang, gespeichert werden höchstens %2. "
                                                     "Bitte kürzen Sie die Bemerkung."))
                                   .arg(BemEd->text().size())
                                   .arg(width));
    BemEd->setFocus();
    return false;
}

void TErfassenForm::showStored(const BookingInput &input, bool doubled)
{
    // The date too: it is kept for the next booking, and a booking on a day
    // other than the one meant is seen at once.
    const QString hhmm = QStringLiteral("HH:mm");
    const QString date = DateTimeText::formatDate(input.date);
    QString text = m_context.onlyHours
        ? UiText(QStringLiteral("Gespeichert: %1, %2 Stunden %3")).arg(date, input.to.toString(hhmm), input.place)
        : UiText(QStringLiteral("Gespeichert: %1, %2–%3 %4")).arg(date, input.from.toString(hhmm), input.to.toString(hhmm), input.place);
    if (doubled)
        text += QLatin1Char(' ') + UiText(QStringLiteral("(doppelte Buchung)"));
    StatusLabel->setText(text);
}

void TErfassenForm::ErfassenBtnClick()
{
    StatusLabel->clear();
    if (!remarkFits())
        return;
    BookingInput input;
    input.place = Orted->currentText();
    input.activity = TatEd->currentText();
    input.from = DateTimePicker1->time();
    input.to = DateTimePicker2->time();
    input.pause = DateTimePicker4->time();
    input.date = DateTimePicker3->date();
    input.remark = BemEd->text();
    input.away = AuswertsCheck->isChecked();
    input.sameTimeAllowed = SameTimeCheck->isChecked();
    input.nightWork = NachtArbeitCheck->isChecked();
    input.hoursOnly = m_context.onlyHours;

    Reporter &reporter = m_context.reporter();
    BookingService service(m_context.store(), m_context.clock());
    const BookingService::Outcome outcome = service.book(input, m_context.arbeiter, [&](quint32 clashRecord) {
        return reporter.question(clashQuestion(m_context.store().bookings(), clashRecord), ProgramText(15),
                                 Reporter::Buttons::YesNoCancel)
            == Reporter::Answer::Yes;
    });
    switch (outcome.kind) {
    case BookingService::Outcome::CheckFailed: {
        const int text = BookingRules::programTextOf(outcome.check);
        reporter.error(ProgramText(text));
        focusFor(text);
        return;
    }
    case BookingService::Outcome::NotConfirmed:
        return;
    case BookingService::Outcome::WriteFailed:
    case BookingService::Outcome::Locked:
        reporter.error(outcome.error);
        return;
    case BookingService::Outcome::Closed:
        reporter.error(outcome.error);
        DateTimePicker3->setFocus();
        return;
    case BookingService::Outcome::Stored:
        break;
    }
    showStored(input, outcome.doubled);
    showAccount(); // a missing day may just have been booked
    Orted->setEditText(QString());
    TatEd->setEditText(QString());
    BemEd->clear();
    Orted->setFocus();
}

void TErfassenForm::PauseBtnClick()
{
    TPausenForm *breaks = m_forms.PausenForm;
    breaks->clearPairs();
    if (breaks->exec() != QDialog::Accepted)
        return;
    const QList<BreakEntry::Pair> pairs = breaks->pairs();
    DateTimePicker4->setTime(BreakEntry::total(pairs));
    if (breaks->PauseBemerkCheck->isChecked()) {
        BemEd->setMaxLength(32767);
        BemEd->setText(BemEd->text() + BreakEntry::list(pairs, ProgramText(16)));
        // Said now, while the remark can still be shortened; the booking
        // refuses it until then rather than store it cut.
        remarkFits();
    }
}

void TErfassenForm::EditBtnClick()
{
    m_forms.DatenAuflistenForm->showList();
}

void TErfassenForm::restoreControls(WindowSettingsStore &store)
{
    if (const auto checked = store.checked(ClassName, QStringLiteral("SameTimeCheck")))
        SameTimeCheck->setChecked(*checked);
    if (const auto checked = store.checked(ClassName, QStringLiteral("NachtArbeitCheck")))
        NachtArbeitCheck->setChecked(*checked);
}

void TErfassenForm::saveControls(WindowSettingsStore &store)
{
    store.setChecked(ClassName, QStringLiteral("SameTimeCheck"), SameTimeCheck->isChecked());
    store.setChecked(ClassName, QStringLiteral("NachtArbeitCheck"), NachtArbeitCheck->isChecked());
}

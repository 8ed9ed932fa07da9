#include "MitArbeiterAussuchenFUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "session/AppContext.h"
#include "base/Clock.h"
#include "base/Reporter.h"
#include "evaluation/WorkingTimeLawCheck.h"
#include "gui/widgets/DateEdit.h"
#include "translation/UiText.h"
#include "translation/translateunit.h"

namespace {
const char16_t *const ChoiceTitle = u"Mitarbeiter/Ort/Tätigkeit auswählen";
const char16_t *const PeriodTitle = u"Zeitraum auswählen";

QDateEdit *makeDate(QWidget *parent, const char *name, QDate today)
{
    // Typed digits fill day, month and year wherever a click landed, as in
    // the booking window: a period typed is the period evaluated.
    auto *picker = new DateEdit(parent);
    picker->setDate(today);
    picker->setObjectName(QLatin1String(name));
    picker->setCalendarPopup(true);
    return picker;
}
} // namespace

TMitarbeiterAussuchenForm::TMitarbeiterAussuchenForm(AppContext &context, QWidget *parent)
    : SettingsForm(context.settings(), QStringLiteral("TMitarbeiterAussuchenForm"), parent)
    , m_context(context)
{
    setWindowTitle(QString::fromUtf16(ChoiceTitle));
    const QDate today = context.clock().now().date();
    Label4 = new QLabel(QStringLiteral("Mitarbeiter/Ort/Tätigkeit:"), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    ArbeiterEd = new QComboBox(this);
    ArbeiterEd->setObjectName(QStringLiteral("ArbeiterEd"));
    ArbeiterEd->setMinimumWidth(401);
    Label3 = new QLabel(QStringLiteral("Datum von:"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    DateTimePicker1 = makeDate(this, "DateTimePicker1", today);
    Label1 = new QLabel(QStringLiteral("Datum bis:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    DateTimePicker2 = makeDate(this, "DateTimePicker2", today);
    HoursOnlyCheck = new QCheckBox(QStringLiteral("Buchungen als Stundenanzahl lesen (00:00 bis Stunden)"), this);
    HoursOnlyCheck->setObjectName(QStringLiteral("HoursOnlyCheck"));
    HoursOnlyCheck->setVisible(false);
    OkayBtn = new QPushButton(QStringLiteral("Ok"), this);
    OkayBtn->setObjectName(QStringLiteral("OkayBtn"));
    OkayBtn->setDefault(true);
    AbbrechenBtn = new QPushButton(QStringLiteral("Abbrechen"), this);
    AbbrechenBtn->setObjectName(QStringLiteral("AbbrechenBtn"));
    AbbrechenBtn->setAutoDefault(false);
    Label4->setBuddy(ArbeiterEd);
    Label3->setBuddy(DateTimePicker1);
    Label1->setBuddy(DateTimePicker2);
    QFont large = font();
    large.setPointSize(12);
    for (QWidget *w : std::initializer_list<QWidget *>{Label4, ArbeiterEd, Label3, DateTimePicker1, Label1, DateTimePicker2})
        w->setFont(large);

    auto *bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameShape(QFrame::HLine);
    auto *layout = new QGridLayout(this);
    layout->addWidget(Label4, 0, 0, 1, 2);
    layout->addWidget(ArbeiterEd, 1, 0, 1, 2);
    layout->addWidget(Label3, 2, 0);
    layout->addWidget(DateTimePicker1, 3, 0);
    layout->addWidget(Label1, 2, 1);
    layout->addWidget(DateTimePicker2, 3, 1);
    layout->addWidget(HoursOnlyCheck, 4, 0, 1, 2);
    layout->addWidget(bevel, 5, 0, 1, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OkayBtn);
    buttons->addWidget(AbbrechenBtn);
    layout->addLayout(buttons, 6, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(OkayBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(AbbrechenBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TMitarbeiterAussuchenForm::setPeriodOnly(bool periodOnly)
{
    ArbeiterEd->setVisible(!periodOnly);
    Label4->setVisible(!periodOnly);
    // Looked up now: the title changes after the window was translated.
    setWindowTitle(TranslateText(QString::fromUtf16(periodOnly ? PeriodTitle : ChoiceTitle)));
}

void TMitarbeiterAussuchenForm::setForLawCheck(bool on, bool hoursOnly)
{
    m_forLawCheck = on;
    HoursOnlyCheck->setVisible(on);
    HoursOnlyCheck->setChecked(on && hoursOnly);
}

// The evaluations take a reversed period as it is and list nothing; the law
// check would report a clean record for it, so it is sent back.
void TMitarbeiterAussuchenForm::accept()
{
    if (m_forLawCheck && DateTimePicker1->date() > DateTimePicker2->date()) {
        m_context.reporter().error(UiText(WorkingTimeLawCheck::reversedPeriodText()));
        DateTimePicker1->setFocus();
        return;
    }
    SettingsForm::accept();
}

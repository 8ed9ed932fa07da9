#include "AbschlussFUnit.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "session/AppContext.h"
#include "base/Clock.h"
#include "base/Reporter.h"
#include "store/ClosedPeriod.h"
#include "storage/DateTimeText.h"
#include "storage/WorkTimeFieldText.h"

namespace {
const QString ClassName = QStringLiteral("TAbschlussForm");
}

TAbschlussForm::TAbschlussForm(AppContext &context, QWidget *parent)
    : SettingsForm(context.settings(), ClassName, parent)
    , m_context(context)
    , Label1(new QLabel(this))
    , Label2(new QLabel(QStringLiteral("Buchungen abschließen bis einschließlich:"), this))
    , Edit1(new QLineEdit(this))
    , Label3(new QLabel(QStringLiteral("Leer lassen, um alle Buchungen wieder freizugeben."), this))
    , Label4(new QLabel(QStringLiteral("Admin Passwort:"), this))
    , Edit2(new QLineEdit(this))
    , BitBtnXP1(new QPushButton(QStringLiteral("OK"), this))
    , BitBtnXP2(new QPushButton(QStringLiteral("Abbrechen"), this))
{
    setWindowTitle(QStringLiteral("Buchungen abschließen bis..."));
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2->setObjectName(QStringLiteral("Label2"));
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Label3->setObjectName(QStringLiteral("Label3"));
    Label4->setObjectName(QStringLiteral("Label4"));
    Edit2->setObjectName(QStringLiteral("Edit2"));
    BitBtnXP1->setObjectName(QStringLiteral("BitBtnXP1"));
    BitBtnXP2->setObjectName(QStringLiteral("BitBtnXP2"));
    Label1->setWordWrap(true);
    Edit1->setMaxLength(10); // DD.MM.YYYY
    Edit2->setEchoMode(QLineEdit::Password);
    Label2->setBuddy(Edit1);
    Label4->setBuddy(Edit2);
    BitBtnXP1->setDefault(true);
    BitBtnXP2->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtnXP1);
    buttons->addWidget(BitBtnXP2);
    auto *layout = new QGridLayout(this);
    layout->addWidget(Label1, 0, 0, 1, 2);
    layout->addWidget(Label2, 1, 0);
    layout->addWidget(Edit1, 1, 1);
    layout->addWidget(Label3, 2, 0, 1, 2);
    layout->addWidget(Label4, 3, 0);
    layout->addWidget(Edit2, 3, 1);
    layout->addLayout(buttons, 4, 0, 1, 2);
    layout->setColumnMinimumWidth(1, 120);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(BitBtnXP1, &QPushButton::clicked, this, &TAbschlussForm::BitBtnXP1Click);
    connect(BitBtnXP2, &QPushButton::clicked, this, &QDialog::reject);
}

void TAbschlussForm::showEvent(QShowEvent *event)
{
    SettingsForm::showEvent(event);
    // What is closed now, as the file says at this moment.
    const ClosedPeriod::State state = m_context.closedPeriod().read();
    Label1->setText(ClosedPeriod::describe(state));
    Edit1->setText(state.kind == ClosedPeriod::State::Closed ? DateTimeText::formatDate(state.until) : QString());
    Edit2->clear();
    Edit1->setFocus();
    Edit1->selectAll();
}

void TAbschlussForm::BitBtnXP1Click()
{
    Reporter &reporter = m_context.reporter();
    const QString typed = Edit1->text().trimmed();
    std::optional<QDate> until;
    if (!typed.isEmpty()) {
        until = DateTimeText::parseDate(typed);
        if (!until) {
            reporter.error(WorkTimeFieldText::message(WorkTimeFieldText::Verdict::NotADate, typed));
            Edit1->setFocus();
            Edit1->selectAll();
            return;
        }
    }
    const ClosedPeriod::Change change =
        m_context.closePeriod(until, Edit2->text());
    switch (change.result) {
    case ClosedPeriod::Change::WrongPassword:
        reporter.error(change.message);
        Edit2->clear();
        Edit2->setFocus();
        return;
    case ClosedPeriod::Change::InFuture:
        reporter.error(change.message);
        Edit1->setFocus();
        Edit1->selectAll();
        return;
    case ClosedPeriod::Change::WriteFailed:
        reporter.error(change.message);
        return;
    case ClosedPeriod::Change::Done:
    case ClosedPeriod::Change::Unchanged:
        reporter.information(change.message);
        accept();
        return;
    }
}

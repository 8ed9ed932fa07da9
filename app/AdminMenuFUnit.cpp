#include "AdminMenuFUnit.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "AppContext.h"
#include "base/Reporter.h"
#include "base/WindowSettingsStore.h"
#include "translation/translateunit.h"

namespace {
const QString ClassName = QStringLiteral("TAdminForm");
}

TAdminForm::TAdminForm(AppContext &context, QWidget *parent)
    : SettingsForm(context.settings(), ClassName, parent)
    , m_context(context)
    , Label1(new QLabel(QStringLiteral("Admin Passwort festlegen:"), this))
    , Edit1(new QLineEdit(this))
    , Label2(new QLabel(QStringLiteral("Admin Passwort wiederholen:"), this))
    , Edit2(new QLineEdit(this))
    , CheckBox1(new QCheckBox(QStringLiteral("Mitarbeiter können Ihre Daten nachträglich bearbeiten"), this))
    , CheckOnlyhoursCheck(new QCheckBox(QStringLiteral("Nur Stundenanzahl abfragen, nicht von bis"), this))
    , BitBtnXP1(new QPushButton(QStringLiteral("OK"), this))
{
    setWindowTitle(QStringLiteral("Admin Menü"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Label2->setObjectName(QStringLiteral("Label2"));
    Edit2->setObjectName(QStringLiteral("Edit2"));
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckOnlyhoursCheck->setObjectName(QStringLiteral("CheckOnlyhoursCheck"));
    BitBtnXP1->setObjectName(QStringLiteral("BitBtnXP1"));
    Edit1->setEchoMode(QLineEdit::Password);
    Edit2->setEchoMode(QLineEdit::Password);
    Label1->setBuddy(Edit1);
    Label2->setBuddy(Edit2);
    BitBtnXP1->setDefault(true);

    auto *layout = new QGridLayout(this);
    layout->addWidget(Label1, 0, 0);
    layout->addWidget(Edit1, 0, 1);
    layout->addWidget(Label2, 1, 0);
    layout->addWidget(Edit2, 1, 1);
    layout->addWidget(CheckBox1, 2, 0, 1, 2);
    layout->addWidget(CheckOnlyhoursCheck, 3, 0, 1, 2);
    layout->addWidget(BitBtnXP1, 4, 1, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(BitBtnXP1, &QPushButton::clicked, this, &TAdminForm::BitBtnXP1Click);
}

void TAdminForm::BitBtnXP1Click()
{
    if (Edit1->text() != Edit2->text()) {
        m_context.reporter().error(ProgramText(5));
        return;
    }
    accept();
}

void TAdminForm::showValues()
{
    const UserListData &data = m_context.userList();
    Edit1->setText(data.adminPassword);
    Edit2->setText(data.adminPasswordRepeat);
    CheckBox1->setChecked(data.employeesMayCorrect);
    CheckOnlyhoursCheck->setChecked(m_context.onlyHours);
}

void TAdminForm::takeValues()
{
    UserListData &data = m_context.userList();
    data.adminPassword = Edit1->text();
    data.adminPasswordRepeat = Edit2->text();
    data.employeesMayCorrect = CheckBox1->isChecked();
    m_context.onlyHours = CheckOnlyhoursCheck->isChecked();
}

void TAdminForm::restoreControls(WindowSettingsStore &store)
{
    UserListData &data = m_context.userList();
    if (const auto text = store.text(ClassName, QStringLiteral("Edit1")))
        data.adminPassword = *text;
    if (const auto text = store.text(ClassName, QStringLiteral("Edit2")))
        data.adminPasswordRepeat = *text;
    if (const auto checked = store.checked(ClassName, QStringLiteral("CheckOnlyhoursCheck")))
        m_context.onlyHours = *checked;
    showValues();
}

void TAdminForm::saveControls(WindowSettingsStore &store)
{
    const UserListData &data = m_context.userList();
    store.setText(ClassName, QStringLiteral("Edit1"), data.adminPassword);
    store.setText(ClassName, QStringLiteral("Edit2"), data.adminPasswordRepeat);
    store.setChecked(ClassName, QStringLiteral("CheckOnlyhoursCheck"), m_context.onlyHours);
}

void TAdminForm::showEvent(QShowEvent *event)
{
    SettingsForm::showEvent(event);
    Edit1->setFocus();
}

void TAdminForm::done(int result)
{
    // Closing by the close box skips the comparison: the fields are kept as
    // they are, and saved like after OK.
    takeValues();
    SettingsForm::done(result);
}

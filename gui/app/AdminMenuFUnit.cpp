#include "AdminMenuFUnit.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "session/AppContext.h"
#include "base/Reporter.h"
#include "base/WindowSettingsStore.h"
#include "storage/UserListStore.h"
#include "translation/UiText.h"
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
    , CheckBox1(new QCheckBox(QStringLiteral("Mitarbeiter können ihre Daten nachträglich bearbeiten"), this))
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
    // The password comes from "benutzer.dat" alone, which every PC shares:
    // this user's copy may be older, and reading it back here would bring a
    // password changed elsewhere back to life at the next save.
    if (const auto checked = store.checked(ClassName, QStringLiteral("CheckOnlyhoursCheck")))
        m_context.onlyHours = *checked;
    showValues();
}

void TAdminForm::saveControls(WindowSettingsStore &store)
{
    // The copy is kept as typed: a password may begin or end with a blank.
    const UserListData &data = m_context.userList();
    store.setValue(ClassName, QStringLiteral("Edit1_Text"), data.adminPassword);
    store.setValue(ClassName, QStringLiteral("Edit2_Text"), data.adminPasswordRepeat);
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
    // they are, and saved like after OK. What the file cannot hold keeps the
    // window open either way, or the saved password would no longer match.
    if (!storable())
        return;
    takeValues();
    SettingsForm::done(result);
}

bool TAdminForm::storable()
{
    // "benutzer.dat" holds the password in Windows-1252 and its repetition
    // shifted by four; a character either cannot hold is stored as '?'.
    const struct {
        QLineEdit *edit;
        bool storable;
    } fields[] = {{Edit1, UserListStore::canStoreName(Edit1->text())},
                  {Edit2, UserListStore::canStorePassword(Edit2->text())}};
    for (const auto &field : fields) {
        if (!field.storable) {
            m_context.reporter().error(
                UiText(QStringLiteral("Dieser Text enthält Zeichen, die in der Benutzerdatei nicht gespeichert werden können. "
                                      "Bitte verwenden Sie andere Zeichen.")));
            field.edit->setFocus();
            return false;
        }
    }
    return true;
}

void TAdminForm::keyPressEvent(QKeyEvent *event)
{
    // The window has no cancel button, so Esc has nothing to do; it must not
    // close it past the comparison of the two passwords.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    SettingsForm::keyPressEvent(event);
}

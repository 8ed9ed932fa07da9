#include "BenutzerBearbeitenFUnit.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "translation/translateunit.h"
#include "session/AppContext.h"
#include "base/Reporter.h"
#include "storage/UserListStore.h"
#include "storage/WorkTimeTables.h"
#include "translation/UiText.h"

namespace {
QLineEdit *makeEdit(QWidget *parent, const char *name)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    return edit;
}
} // namespace

TBenutzerBearbeitenForm::TBenutzerBearbeitenForm(AppContext &context, QWidget *parent)
    : SettingsForm(context.settings(), QStringLiteral("TBenutzerBearbeitenForm"), parent)
    , m_context(context)
    , LabeledEdit1Label(new QLabel(QStringLiteral("Mitarbeiter:"), this))
    , LabeledEdit1(makeEdit(this, "LabeledEdit1"))
    , LabeledEdit2Label(new QLabel(QStringLiteral("Benutzername:"), this))
    , LabeledEdit2(makeEdit(this, "LabeledEdit2"))
    , LabeledEdit3Label(new QLabel(QStringLiteral("Passwort:"), this))
    , LabeledEdit3(makeEdit(this, "LabeledEdit3"))
    , BitBtn4(new QPushButton(QStringLiteral("OK"), this))
    , BitBtn5(new QPushButton(QStringLiteral("Abbrechen"), this))
{
    setWindowTitle(QStringLiteral("Benutzer bearbeiten"));
    BitBtn4->setObjectName(QStringLiteral("BitBtn4"));
    BitBtn5->setObjectName(QStringLiteral("BitBtn5"));
    BitBtn4->setDefault(true);
    LabeledEdit1Label->setBuddy(LabeledEdit1);
    LabeledEdit2Label->setBuddy(LabeledEdit2);
    LabeledEdit3Label->setBuddy(LabeledEdit3);

    auto *layout = new QGridLayout(this);
    layout->addWidget(LabeledEdit1Label, 0, 0, 1, 2);
    layout->addWidget(LabeledEdit1, 1, 0, 1, 2);
    layout->addWidget(LabeledEdit2Label, 2, 0, 1, 2);
    layout->addWidget(LabeledEdit2, 3, 0, 1, 2);
    layout->addWidget(LabeledEdit3Label, 4, 0, 1, 2);
    layout->addWidget(LabeledEdit3, 5, 0, 1, 2);
    layout->addWidget(BitBtn4, 6, 0);
    layout->addWidget(BitBtn5, 6, 1);
    layout->setColumnMinimumWidth(0, 150);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(BitBtn4, &QPushButton::clicked, this, &TBenutzerBearbeitenForm::BitBtn4Click);
    connect(BitBtn5, &QPushButton::clicked, this, &QDialog::reject);
}

void TBenutzerBearbeitenForm::setUser(const UserRow &user, bool isNew)
{
    // Looked up now: the title changes after the window was translated.
    setWindowTitle(TranslateText(isNew ? QStringLiteral("Neuer Benutzer") : QStringLiteral("Benutzer bearbeiten")));
    LabeledEdit1->setText(user.employeeName);
    LabeledEdit2->setText(user.userName);
    LabeledEdit3->setText(user.password);
}

UserRow TBenutzerBearbeitenForm::user() const
{
    return {LabeledEdit1->text(), LabeledEdit2->text(), LabeledEdit3->text()};
}

void TBenutzerBearbeitenForm::BitBtn4Click()
{
    // The user file holds names in Windows-1252 and passwords shifted by
    // four; what it cannot hold is refused here rather than stored as '?'.
    const struct {
        QLineEdit *edit;
        bool storable;
    } fields[] = {{LabeledEdit1, UserListStore::canStoreName(LabeledEdit1->text())},
                  {LabeledEdit2, UserListStore::canStoreName(LabeledEdit2->text())},
                  {LabeledEdit3, UserListStore::canStorePassword(LabeledEdit3->text())}};
    for (const auto &field : fields) {
        if (!field.storable) {
            m_context.reporter().error(
                UiText(QStringLiteral("Dieser Text enthält Zeichen, die in der Benutzerdatei nicht gespeichert werden können. "
                                      "Bitte verwenden Sie andere Zeichen.")));
            field.edit->setFocus();
            return;
        }
    }
    if (!employeeNameFits())
        return;
    accept();
}

bool TBenutzerBearbeitenForm::employeeNameFits()
{
    // Bookings carry the employee name in a 45-character field whose
    // trailing blanks the table drops: a longer name, or one ending in a
    // blank, would never meet its own bookings again.
    const QString name = LabeledEdit1->text();
    QString problem;
    if (name.size() > WorkTimeTables::fieldDefinitions([](int) { return QString(); }).at(WorkTimeTables::Arbeiter).width)
        problem = UiText(QStringLiteral("Der Name des Mitarbeiters darf höchstens 45 Zeichen lang sein."));
    else if (name.endsWith(QLatin1Char(' ')))
        problem = UiText(QStringLiteral("Der Name des Mitarbeiters darf nicht mit einem Leerzeichen enden."));
    if (problem.isEmpty())
        return true;
    m_context.reporter().error(problem);
    LabeledEdit1->setFocus();
    return false;
}

void TBenutzerBearbeitenForm::showEvent(QShowEvent *event)
{
    SettingsForm::showEvent(event);
    LabeledEdit1->setFocus();
}

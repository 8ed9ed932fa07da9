#include "BenutzerVerwaltenFUnit.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "BenutzerBearbeitenFUnit.h"
#include "session/AppContext.h"
#include "gui/app/ApplicationForms.h"
#include "base/Reporter.h"
#include "translation/translateunit.h"

TBenutzerVerwaltenForm::TBenutzerVerwaltenForm(AppContext &context, ApplicationForms &forms)
    : SettingsForm(context.settings(), QStringLiteral("TBenutzerVerwaltenForm"))
    , m_context(context)
    , m_forms(forms)
{
    setWindowTitle(QStringLiteral("Benutzer verwalten"));
    ListView1 = new QTreeWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setRootIsDecorated(false);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setHeaderLabels({QStringLiteral("Name des Mitarbeiters"), QStringLiteral("Benutzername"), QStringLiteral("Passwort")});
    ListView1->setColumnWidth(0, 150);
    ListView1->setMinimumSize(460, 260);

    auto makeButton = [this](const char *name, const QString &caption) {
        auto *button = new QPushButton(caption, this);
        button->setObjectName(QLatin1String(name));
        button->setAutoDefault(false);
        return button;
    };
    NeuerBenutzerBtn = makeButton("NeuerBenutzerBtn", QStringLiteral("Neuer Benutzer..."));
    BenutzerBearbeitenBtn = makeButton("BenutzerBearbeitenBtn", QStringLiteral("Benutzer bearbeiten..."));
    BenutzerLoeschenBtn = makeButton("BenutzerLoeschenBtn", QStringLiteral("Benutzer löschen"));
    BitBtn4 = makeButton("BitBtn4", QStringLiteral("OK"));
    BitBtn5 = makeButton("BitBtn5", QStringLiteral("Abbrechen"));
    BitBtn4->setDefault(true);

    auto *layout = new QGridLayout(this);
    layout->addWidget(ListView1, 0, 0, 4, 1);
    layout->addWidget(NeuerBenutzerBtn, 0, 1);
    layout->addWidget(BenutzerBearbeitenBtn, 1, 1);
    layout->addWidget(BenutzerLoeschenBtn, 2, 1);
    auto *closing = new QHBoxLayout;
    closing->addStretch(1);
    closing->addWidget(BitBtn4);
    closing->addWidget(BitBtn5);
    layout->addLayout(closing, 4, 0, 1, 2);

    connect(NeuerBenutzerBtn, &QPushButton::clicked, this, &TBenutzerVerwaltenForm::NeuerBenutzerBtnClick);
    connect(BenutzerBearbeitenBtn, &QPushButton::clicked, this, &TBenutzerVerwaltenForm::BenutzerBearbeitenBtnClick);
    connect(BenutzerLoeschenBtn, &QPushButton::clicked, this, &TBenutzerVerwaltenForm::BenutzerLoeschenBtnClick);
    // OK, Cancel and the close box all simply close: the list is edited in place.
    connect(BitBtn4, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn5, &QPushButton::clicked, this, &QDialog::reject);
    connect(ListView1, &QTreeWidget::itemSelectionChanged, this, &TBenutzerVerwaltenForm::ListView1SelectItem);
}

void TBenutzerVerwaltenForm::showEvent(QShowEvent *event)
{
    SettingsForm::showEvent(event);
    fillList();
}

void TBenutzerVerwaltenForm::fillList()
{
    const QSignalBlocker quiet(ListView1);
    ListView1->clear();
    for (const UserRow &user : std::as_const(m_context.userList().users))
        new QTreeWidgetItem(ListView1, {user.employeeName, user.userName, user.password});
}

int TBenutzerVerwaltenForm::selectedRow() const
{
    const QList<QTreeWidgetItem *> selected = ListView1->selectedItems();
    return selected.isEmpty() ? -1 : ListView1->indexOfTopLevelItem(selected.first());
}

void TBenutzerVerwaltenForm::ListView1SelectItem()
{
    const bool selected = selectedRow() >= 0;
    BenutzerBearbeitenBtn->setEnabled(selected);
    BenutzerLoeschenBtn->setEnabled(selected);
}

void TBenutzerVerwaltenForm::NeuerBenutzerBtnClick()
{
    TBenutzerBearbeitenForm *edit = m_forms.BenutzerBearbeitenForm;
    edit->setUser({}, true);
    if (edit->exec() != QDialog::Accepted)
        return;
    m_context.userList().users.append(edit->user());
    fillList();
}

void TBenutzerVerwaltenForm::BenutzerBearbeitenBtnClick()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    TBenutzerBearbeitenForm *edit = m_forms.BenutzerBearbeitenForm;
    edit->setUser(m_context.userList().users.at(row));
    if (edit->exec() != QDialog::Accepted)
        return;
    m_context.userList().users[row] = edit->user();
    fillList();
    ListView1->setCurrentItem(ListView1->topLevelItem(row));
}

void TBenutzerVerwaltenForm::BenutzerLoeschenBtnClick()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const QString name = m_context.userList().users.at(row).employeeName;
    if (m_context.reporter().question(ProgramText(7) + QLatin1Char(' ') + name, ProgramText(8),
                                      Reporter::Buttons::YesNoCancel)
        != Reporter::Answer::Yes)
        return;
    m_context.userList().users.removeAt(row);
    fillList();
}

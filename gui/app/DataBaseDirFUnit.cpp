#include "DataBaseDirFUnit.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "session/AppContext.h"
#include "gui/widgets/DirectoryEdit.h"

TSetDataBaseForm::TSetDataBaseForm(AppContext &context, QWidget *parent)
    : SettingsForm(context.settings(), QString::fromLatin1(ProgramDirectories::DialogClass), parent)
    , m_context(context)
    , RadioButton1(new QRadioButton(QStringLiteral("Vorgegebenes Verzeichnis verwenden:"), this))
    , Edit1(new QLineEdit(this))
    , RadioButton2(new QRadioButton(QStringLiteral("Folgendes Verzeichnis verwenden:"), this))
    , DirectoryEdit1(new DirectoryEdit(this))
    , RadioButton3(new QRadioButton(QStringLiteral("Programmverzeichnis benutzen"), this))
    , BitBtn1(new QPushButton(QStringLiteral("OK"), this))
{
    setWindowTitle(QStringLiteral("Datenbankverzeichnis festlegen..."));
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    Edit1->setObjectName(QStringLiteral("Edit1"));
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    DirectoryEdit1->setObjectName(QStringLiteral("DirectoryEdit1"));
    RadioButton3->setObjectName(QStringLiteral("RadioButton3"));
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    Edit1->setReadOnly(true);
    RadioButton1->setChecked(true);
    BitBtn1->setDefault(true);

    auto *layout = new QGridLayout(this);
    layout->addWidget(RadioButton1, 0, 0);
    layout->addWidget(Edit1, 1, 0);
    layout->addWidget(RadioButton2, 2, 0);
    layout->addWidget(DirectoryEdit1, 3, 0);
    layout->addWidget(RadioButton3, 4, 0);
    layout->addWidget(BitBtn1, 5, 0, Qt::AlignRight);
    layout->setColumnMinimumWidth(0, 420);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

void TSetDataBaseForm::restoreControls(WindowSettingsStore &)
{
    ProgramDirectories &directories = m_context.directories();
    directories.restoreSettings();
    RadioButton1->setChecked(directories.choice() == ProgramDirectories::Choice::DefaultDirectory);
    RadioButton2->setChecked(directories.choice() == ProgramDirectories::Choice::OwnDirectory);
    RadioButton3->setChecked(directories.choice() == ProgramDirectories::Choice::ProgramDirectory);
    DirectoryEdit1->setText(directories.ownDirectory());
}

void TSetDataBaseForm::done(int result)
{
    // Closing the dialog is the user's choice; from then on the directories
    // hold it, and GetProgramDir may still change it (a fallback from an
    // unwritable directory), which the controls must not undo later.
    takeChoice();
    SettingsForm::done(result);
}

void TSetDataBaseForm::takeChoice()
{
    ProgramDirectories &directories = m_context.directories();
    if (RadioButton3->isChecked())
        directories.setChoice(ProgramDirectories::Choice::ProgramDirectory);
    else if (RadioButton2->isChecked())
        directories.setChoice(ProgramDirectories::Choice::OwnDirectory);
    else
        directories.setChoice(ProgramDirectories::Choice::DefaultDirectory);
    directories.setOwnDirectory(DirectoryEdit1->text());
}

void TSetDataBaseForm::saveControls(WindowSettingsStore &)
{
    // What is stored is the choice GetProgramDir works with, not what the
    // radio buttons showed when the dialog was last open.
    m_context.directories().saveSettings();
}

#include "DataBaseDirFUnit.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "session/AppContext.h"
#include "session/ServerChoice.h"
#include "gui/widgets/DirectoryEdit.h"

TSetDataBaseForm::TSetDataBaseForm(AppContext &context, QWidget *parent)
    : SettingsForm(context.settings(), QString::fromLatin1(ProgramDirectories::DialogClass), parent)
    , m_context(context)
    , RadioButton1(new QRadioButton(QStringLiteral("Vorgegebenes Verzeichnis verwenden:"), this))
    , Edit1(new QLineEdit(this))
    , RadioButton2(new QRadioButton(QStringLiteral("Folgendes Verzeichnis verwenden:"), this))
    , DirectoryEdit1(new DirectoryEdit(this))
    , RadioButton3(new QRadioButton(QStringLiteral("Programmverzeichnis benutzen"), this))
    , FolderButton(new QRadioButton(QStringLiteral("Ordner"), this))
    , ServerButton(new QRadioButton(QStringLiteral("Server"), this))
    , ServerHostEdit(new QLineEdit(this))
    , ServerPortEdit(new QSpinBox(this))
    , ServerDatabaseEdit(new QLineEdit(this))
    , ServerUserEdit(new QLineEdit(this))
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

    FolderButton->setObjectName(QStringLiteral("FolderButton"));
    ServerButton->setObjectName(QStringLiteral("ServerButton"));
    ServerHostEdit->setObjectName(QStringLiteral("ServerHostEdit"));
    ServerPortEdit->setObjectName(QStringLiteral("ServerPortEdit"));
    ServerDatabaseEdit->setObjectName(QStringLiteral("ServerDatabaseEdit"));
    ServerUserEdit->setObjectName(QStringLiteral("ServerUserEdit"));
    ServerPortEdit->setRange(1, 65535);
    ServerPortEdit->setValue(ServerChoice::DefaultPort);
    FolderButton->setChecked(true);
    // The store and the folder's three choices are two questions.
    auto *storeChoice = new QButtonGroup(this);
    storeChoice->addButton(FolderButton);
    storeChoice->addButton(ServerButton);

    auto *folderLayout = new QGridLayout;
    folderLayout->addWidget(RadioButton1, 0, 0);
    folderLayout->addWidget(Edit1, 1, 0);
    folderLayout->addWidget(RadioButton2, 2, 0);
    folderLayout->addWidget(DirectoryEdit1, 3, 0);
    folderLayout->addWidget(RadioButton3, 4, 0);
    folderLayout->setContentsMargins(24, 0, 0, 0);
    auto *serverLayout = new QFormLayout;
    serverLayout->addRow(QStringLiteral("Rechner:"), ServerHostEdit);
    serverLayout->addRow(QStringLiteral("Port:"), ServerPortEdit);
    serverLayout->addRow(QStringLiteral("Datenbank:"), ServerDatabaseEdit);
    serverLayout->addRow(QStringLiteral("Benutzer:"), ServerUserEdit);
    serverLayout->setContentsMargins(24, 0, 0, 0);

    auto *layout = new QGridLayout(this);
    layout->addWidget(FolderButton, 0, 0);
    layout->addLayout(folderLayout, 1, 0);
    layout->addWidget(ServerButton, 2, 0);
    layout->addLayout(serverLayout, 3, 0);
    layout->addWidget(BitBtn1, 4, 0, Qt::AlignRight);
    layout->setColumnMinimumWidth(0, 420);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(FolderButton, &QRadioButton::toggled, this, &TSetDataBaseForm::enableChoice);
    enableChoice();
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
    const ServerChoice server = ServerChoice::restore(m_context.settings());
    ServerButton->setChecked(server.useServer);
    FolderButton->setChecked(!server.useServer);
    ServerHostEdit->setText(server.host);
    ServerPortEdit->setValue(server.port);
    ServerDatabaseEdit->setText(server.database);
    ServerUserEdit->setText(server.user);
    enableChoice();
}

void TSetDataBaseForm::enableChoice()
{
    const bool folder = FolderButton->isChecked();
    for (QWidget *control : std::initializer_list<QWidget *>{RadioButton1, Edit1, RadioButton2, DirectoryEdit1, RadioButton3})
        control->setEnabled(folder);
    for (QWidget *control : std::initializer_list<QWidget *>{ServerHostEdit, ServerPortEdit, ServerDatabaseEdit, ServerUserEdit})
        control->setEnabled(!folder);
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
    ServerChoice server;
    server.useServer = ServerButton->isChecked();
    server.host = ServerHostEdit->text();
    server.port = ServerPortEdit->value();
    server.database = ServerDatabaseEdit->text();
    server.user = ServerUserEdit->text();
    server.save(m_context.settings());
}

#include "AdminPassFUnit.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TAdminPassForm::TAdminPassForm(QWidget *parent)
    : QDialog(parent)
    , Label1(new QLabel(QStringLiteral("Admin Passwort:"), this))
    , Edit1(new QLineEdit(this))
    , BitBtnXP1(new QPushButton(QStringLiteral("OK"), this))
    , BitBtnXP2(new QPushButton(QStringLiteral("Abbrechen"), this))
{
    setObjectName(QStringLiteral("TAdminPassForm"));
    setWindowTitle(QStringLiteral("Admin Passwort eingeben"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setEchoMode(QLineEdit::Password);
    Label1->setBuddy(Edit1);
    BitBtnXP1->setObjectName(QStringLiteral("BitBtnXP1"));
    BitBtnXP2->setObjectName(QStringLiteral("BitBtnXP2"));
    BitBtnXP1->setDefault(true);

    auto *layout = new QGridLayout(this);
    layout->addWidget(Label1, 0, 0);
    layout->addWidget(Edit1, 0, 1, 1, 2);
    layout->addWidget(BitBtnXP1, 1, 1);
    layout->addWidget(BitBtnXP2, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(BitBtnXP1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtnXP2, &QPushButton::clicked, this, &QDialog::reject);
}

void TAdminPassForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    Edit1->setFocus();
}

#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The administrator password prompt.
class TAdminPassForm : public QDialog
{
    Q_OBJECT

public:
    explicit TAdminPassForm(QWidget *parent = nullptr);

    QLabel *Label1;
    QLineEdit *Edit1;
    QPushButton *BitBtnXP1; // OK, the default button
    QPushButton *BitBtnXP2; // Abbrechen

protected:
    void showEvent(QShowEvent *event) override;
};

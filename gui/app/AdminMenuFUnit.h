#pragma once

#include "gui/base/SettingsForm.h"

class AppContext;

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "Admin Menü": the administrator password and the two switches for what
// employees may do. Its controls show the run's values and write them back
// when the window closes, whatever closed it.
class TAdminForm : public SettingsForm
{
    Q_OBJECT

    AppContext &m_context;

public:
    explicit TAdminForm(AppContext &context, QWidget *parent = nullptr);

    void BitBtnXP1Click();

    QLabel *Label1;
    QLineEdit *Edit1;
    QLabel *Label2;
    QLineEdit *Edit2;
    QCheckBox *CheckBox1;
    QCheckBox *CheckOnlyhoursCheck;
    QPushButton *BitBtnXP1;

protected:
    void restoreControls(WindowSettingsStore &store) override;
    void saveControls(WindowSettingsStore &store) override;
    void showEvent(QShowEvent *event) override;
    void done(int result) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showValues();
    void takeValues();
    bool storable();
};

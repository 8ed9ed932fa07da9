#pragma once

#include "gui/base/SettingsForm.h"

class AppContext;

class DirectoryEdit;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "Datenbankverzeichnis festlegen...": which of three directories holds the
// tables and data files. It has no logic of its own; the choice is read by
// GetProgramDir and is used by the table from the next start on.
class TSetDataBaseForm : public SettingsForm
{
    Q_OBJECT

    AppContext &m_context;

public:
    explicit TSetDataBaseForm(AppContext &context, QWidget *parent = nullptr);

    QRadioButton *RadioButton1;
    QLineEdit *Edit1;
    QRadioButton *RadioButton2;
    DirectoryEdit *DirectoryEdit1;
    QRadioButton *RadioButton3;
    QPushButton *BitBtn1;

protected:
    void restoreControls(WindowSettingsStore &store) override;
    void saveControls(WindowSettingsStore &store) override;
    void done(int result) override;

private:
    void takeChoice();
};

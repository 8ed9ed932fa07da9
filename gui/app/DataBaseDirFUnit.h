#pragma once

#include "gui/base/SettingsForm.h"

class AppContext;

class DirectoryEdit;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

// "Datenbankverzeichnis festlegen...": a folder (which of three directories
// holds the tables and data files) or a database server (host, port,
// database, user). It has no logic of its own; the choice is read by
// GetProgramDir and the start-up, and is used from the next start on.
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
    QRadioButton *FolderButton;
    QRadioButton *ServerButton;
    QLineEdit *ServerHostEdit;
    QSpinBox *ServerPortEdit;
    QLineEdit *ServerDatabaseEdit;
    QLineEdit *ServerUserEdit;
    QPushButton *BitBtn1;

protected:
    void restoreControls(WindowSettingsStore &store) override;
    void saveControls(WindowSettingsStore &store) override;
    void done(int result) override;

private:
    void takeChoice();
    void enableChoice();
};

#pragma once

#include "gui/base/SettingsForm.h"

class AppContext;

class DataGrid;
class QCheckBox;
class QPushButton;
class RecordNavigator;
class WorkTimeTableModel;

// "Daten auflisten": the logged-in employee's own bookings, optionally only
// those of the current month, read-only unless the administrator lets
// employees correct them.
class TDatenAuflistenForm : public SettingsForm
{
    Q_OBJECT

    AppContext &m_context;

public:
    explicit TDatenAuflistenForm(AppContext &context, QWidget *parent = nullptr);

    // Shows the list modally: the filter and the read-only state exist only
    // while it is open.
    void showList();
    void OnlyCurrentMonthClick();

    QWidget *Panel1;
    RecordNavigator *DBNavigator1;
    QPushButton *BitBtn1;
    QCheckBox *OnlyCurrentMonth;
    DataGrid *DBGrid1;
    WorkTimeTableModel *model() const { return m_model; }

protected:
    void restoreControls(WindowSettingsStore &store) override;
    void saveControls(WindowSettingsStore &store) override;
    void done(int result) override;

private:
    void applyFilter();

    WorkTimeTableModel *m_model;
};

#pragma once

#include <QDialog>

class WindowSettingsStore;

// A window of the program that keeps its placement, and a few of its control
// states, in the settings store under its class name (TAdminForm, ...). The
// settings are read back when the window is shown and written when it closes
// and when it is destroyed.
class SettingsForm : public QDialog
{
    Q_OBJECT

public:
    SettingsForm(WindowSettingsStore &settings, const QString &className, QWidget *parent = nullptr);
    ~SettingsForm() override;

    QString className() const { return m_className; }
    bool wasShown() const { return m_shown; }
    void restoreSettings();
    void saveSettings();

protected:
    // The control states a window keeps; the default keeps none.
    virtual void restoreControls(WindowSettingsStore &) {}
    virtual void saveControls(WindowSettingsStore &) {}

    void showEvent(QShowEvent *event) override;
    void widenHeadings();
    void hideEvent(QHideEvent *event) override;
    void done(int result) override;

private:
    void restorePlacement(WindowSettingsStore &store);
    void savePlacement(WindowSettingsStore &store);

    WindowSettingsStore &m_settings;
    QString m_className;
    bool m_shown = false; // a window never shown keeps the placement it had
};

#pragma once

#include <memory>
#include <optional>

#include <QString>

class QSettings;

// The per-user store in which windows keep their placement and a few control
// states: one group per window class, values named "<component>_<property>",
// every value a string ("True"/"False" for check states). On Windows it is
// the registry key HKEY_CURRENT_USER\Software\<program>; elsewhere a
// settings file of the user's. An absent value leaves its control as it is.
class WindowSettingsStore
{
public:
    // The store of the program whose executable is called `programName`
    // (without extension).
    static std::unique_ptr<WindowSettingsStore> forProgram(const QString &programName);
    // A store in one INI file, for tests and tools.
    explicit WindowSettingsStore(const QString &iniFile);
    ~WindowSettingsStore();

    std::optional<QString> value(const QString &window, const QString &name) const;
    void setValue(const QString &window, const QString &name, const QString &value);

    // `<component>_Checked`, "True" or "False".
    std::optional<bool> checked(const QString &window, const QString &component) const;
    void setChecked(const QString &window, const QString &component, bool checked);
    // `<component>_Text`, stored with surrounding blanks trimmed.
    std::optional<QString> text(const QString &window, const QString &component) const;
    void setText(const QString &window, const QString &component, const QString &text);

    void sync();
    QString location() const;

private:
    explicit WindowSettingsStore(std::unique_ptr<QSettings> settings);
    std::unique_ptr<QSettings> m_settings;
};

#include "WindowSettingsStore.h"

#include <QSettings>

namespace {
QString key(const QString &window, const QString &name)
{
    return window + QLatin1Char('/') + name;
}
} // namespace

std::unique_ptr<WindowSettingsStore> WindowSettingsStore::forProgram(const QString &programName)
{
#ifdef Q_OS_WIN
    auto settings = std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Software\\") + programName,
                                                QSettings::NativeFormat);
#else
    auto settings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Korvald"),
                                                programName);
#endif
    return std::unique_ptr<WindowSettingsStore>(new WindowSettingsStore(std::move(settings)));
}

WindowSettingsStore::WindowSettingsStore(const QString &iniFile)
    : m_settings(std::make_unique<QSettings>(iniFile, QSettings::IniFormat))
{
}

WindowSettingsStore::WindowSettingsStore(std::unique_ptr<QSettings> settings)
    : m_settings(std::move(settings))
{
}

WindowSettingsStore::~WindowSettingsStore() = default;

std::optional<QString> WindowSettingsStore::value(const QString &window, const QString &name) const
{
    const QVariant stored = m_settings->value(key(window, name));
    if (!stored.isValid())
        return std::nullopt;
    return stored.toString();
}

void WindowSettingsStore::setValue(const QString &window, const QString &name, const QString &value)
{
    m_settings->setValue(key(window, name), value);
}

std::optional<bool> WindowSettingsStore::checked(const QString &window, const QString &component) const
{
    const auto stored = value(window, component + QLatin1String("_Checked"));
    if (!stored)
        return std::nullopt;
    return *stored == QLatin1String("True");
}

void WindowSettingsStore::setChecked(const QString &window, const QString &component, bool checked)
{
    setValue(window, component + QLatin1String("_Checked"), checked ? QStringLiteral("True") : QStringLiteral("False"));
}

std::optional<QString> WindowSettingsStore::text(const QString &window, const QString &component) const
{
    return value(window, component + QLatin1String("_Text"));
}

void WindowSettingsStore::setText(const QString &window, const QString &component, const QString &text)
{
    setValue(window, component + QLatin1String("_Text"), text.trimmed());
}

void WindowSettingsStore::sync()
{
    m_settings->sync();
}

QString WindowSettingsStore::location() const
{
    return m_settings->fileName();
}

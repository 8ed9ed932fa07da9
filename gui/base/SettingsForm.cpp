#include "SettingsForm.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QHideEvent>
#include <QScreen>

#include "base/WindowSettingsStore.h"

namespace {

QString screenSuffix(const QWidget *widget)
{
    const QScreen *screen = widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->size() : QSize();
    return QStringLiteral("(%1x%2)").arg(size.width()).arg(size.height());
}

QString rectText(const QRect &r)
{
    return QStringLiteral("%1,%2,%3,%4").arg(r.left()).arg(r.top()).arg(r.left() + r.width()).arg(r.top() + r.height());
}

std::optional<QRect> parseRect(const std::optional<QString> &text)
{
    if (!text)
        return std::nullopt;
    const QStringList parts = text->split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;
    int v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = parts.at(i).trimmed().toInt(&ok);
        if (!ok)
            return std::nullopt;
    }
    if (v[2] <= v[0] || v[3] <= v[1])
        return std::nullopt;
    return QRect(QPoint(v[0], v[1]), QSize(v[2] - v[0], v[3] - v[1]));
}

} // namespace

SettingsForm::SettingsForm(WindowSettingsStore &settings, const QString &className, QWidget *parent)
    : QDialog(parent)
    , m_settings(settings)
    , m_className(className)
{
    setObjectName(className);
}

SettingsForm::~SettingsForm() = default;

void SettingsForm::restoreSettings()
{
    WindowSettingsStore &store = m_settings;
    restorePlacement(store);
    restoreControls(store);
}

void SettingsForm::saveSettings()
{
    WindowSettingsStore &store = m_settings;
    savePlacement(store);
    // A window not shown in this run holds no choice of the user's, only its
    // designed defaults: writing those would reset what an earlier run stored.
    if (m_shown)
        saveControls(store);
    store.sync();
}

void SettingsForm::showEvent(QShowEvent *event)
{
    m_shown = true;
    restoreSettings();
    widenHeadings();
    QDialog::showEvent(event);
}

void SettingsForm::widenHeadings()
{
    // Column headings are translated after the window was built, and are
    // longer in some languages: each column is at least as wide as its heading.
    for (QHeaderView *header : findChildren<QHeaderView *>()) {
        if (header->orientation() != Qt::Horizontal)
            continue;
        for (int section = 0; section < header->count(); ++section) {
            const int needed = header->sectionSizeHint(section);
            if (!header->isSectionHidden(section) && header->sectionSize(section) < needed)
                header->resizeSection(section, needed);
        }
    }
}

void SettingsForm::hideEvent(QHideEvent *event)
{
    // Every showing reads the placement back, so it is stored at every
    // hiding too: a window the user moved shows again where it was, not
    // where it stood when it last closed.
    if (!event->spontaneous())
        savePlacement(m_settings);
    QDialog::hideEvent(event);
}

void SettingsForm::done(int result)
{
    saveSettings();
    QDialog::done(result);
}

void SettingsForm::restorePlacement(WindowSettingsStore &store)
{
    const QString suffix = screenSuffix(this);
    auto rect = parseRect(store.value(m_className, QStringLiteral("NormPos") + suffix));
    if (!rect)
        rect = parseRect(store.value(m_className, QStringLiteral("NormPos")));
    if (rect) {
        // NormPos holds the client area as savePlacement read it, so the
        // client area goes back there. move() would place the frame instead,
        // one title bar higher than the client it was stored from, and the
        // window would creep down by that much at every showing.
        const bool fixedSize = minimumSize() == maximumSize();
        setGeometry(QRect(rect->topLeft(), fixedSize ? size() : rect->size()));
    }
    if (store.value(m_className, QStringLiteral("ShowCmd")) == QLatin1String("3"))
        setWindowState(windowState() | Qt::WindowMaximized);
}

void SettingsForm::savePlacement(WindowSettingsStore &store)
{
    if (!m_shown)
        return;
    const QString suffix = screenSuffix(this);
    const QRect normal = isMaximized() ? normalGeometry() : geometry();
    const QString showCmd = isMaximized() ? QStringLiteral("3") : isMinimized() ? QStringLiteral("2") : QStringLiteral("1");
    store.setValue(m_className, QStringLiteral("FormVersion"), QStringLiteral("0"));
    store.setValue(m_className, QStringLiteral("Flags"), QStringLiteral("0"));
    store.setValue(m_className, QStringLiteral("ShowCmd"), showCmd);
    store.setValue(m_className, QStringLiteral("PixelsPerInch"), QString::number(logicalDpiX()));
    store.setValue(m_className, QStringLiteral("MinMaxPos"), QStringLiteral("-1,-1,-1,-1"));
    store.setValue(m_className, QStringLiteral("MinMaxPos") + suffix, QStringLiteral("-1,-1,-1,-1"));
    store.setValue(m_className, QStringLiteral("NormPos"), rectText(normal));
    store.setValue(m_className, QStringLiteral("NormPos") + suffix, rectText(normal));
    store.setValue(m_className, QStringLiteral("Visible"), isVisible() ? QStringLiteral("True") : QStringLiteral("False"));
}

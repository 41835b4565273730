#include "StatusTrayIcon.h"

#include "AppCoordinator.h"
#include "MenuBarMenu.h"

#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QPalette>
#include <QSystemTrayIcon>

namespace {

// The text colour of the panel that holds the tray. GNOME's top bar (where the
// AppIndicator extension shows tray icons) is dark in the light and the dark style
// alike; elsewhere the panel follows the desktop's colour scheme, which the
// application's palette follows too.
QColor panelTextColor()
{
    const QString desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP").toUpper();
    if (desktop.contains(QLatin1StringView("GNOME")) || desktop.contains(QLatin1StringView("UNITY")))
        return QColor(0xf6, 0xf5, 0xf4);
    return QApplication::palette().color(QPalette::WindowText);
}

} // namespace

QIcon applicationTrayIcon()
{
    QIcon icon = tintedTrayIcon(panelTextColor());
    if (icon.isNull())
        icon = QIcon::fromTheme(QStringLiteral("accessories-dictionary"));
    return icon;
}

StatusTrayIcon::StatusTrayIcon(AppCoordinator& coordinator, QString note, QObject* parent)
    : QObject(parent), m_menu(std::make_unique<MenuBarMenu>(coordinator))
{
    connect(m_menu.get(), &MenuBarMenu::quitRequested, this, &StatusTrayIcon::quitRequested);

    m_icon = std::make_unique<QSystemTrayIcon>(applicationTrayIcon());
    m_icon->setContextMenu(m_menu->menu());
    QString tip = QStringLiteral("VORN Cite");
    if (!note.isEmpty())
        tip += u'\n' + note;
    m_icon->setToolTip(tip);
    connect(m_icon.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    m_menu->menu()->popup(QCursor::pos());
            });
    // A change of the desktop's appearance re-tints the symbol.
    qApp->installEventFilter(this);
}

StatusTrayIcon::~StatusTrayIcon()
{
    qApp->removeEventFilter(this);
}

QMenu* StatusTrayIcon::menu() const
{
    return m_menu->menu();
}

bool StatusTrayIcon::isTrayAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void StatusTrayIcon::show()
{
    if (!isTrayAvailable())
        qWarning("vorn-cite: this desktop shows no tray icon; use Alt+Super+G, the desktop entry's actions "
                 "or vorn-cite --settings");
    // Shown in any case: a tray host that appears later picks it up.
    m_icon->show();
}

bool StatusTrayIcon::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange)
        updateIcon();
    return QObject::eventFilter(watched, event);
}

void StatusTrayIcon::updateIcon()
{
    m_icon->setIcon(applicationTrayIcon());
}

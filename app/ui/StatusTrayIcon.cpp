#include "StatusTrayIcon.h"

#include "AppCoordinator.h"

#include <QFile>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

QIcon applicationTrayIcon()
{
    static const QIcon icon = [] {
        const QString path = QStringLiteral(":/app.vorn.cite/MenuBarIconTemplate.svg");
        QIcon loaded(path);
        if (QFile::exists(path) && !loaded.pixmap(18, 18).isNull()) {
            loaded.setIsMask(true);
            return loaded;
        }
        return QIcon::fromTheme(QStringLiteral("accessories-dictionary"));
    }();
    return icon;
}

StatusTrayIcon::StatusTrayIcon(AppCoordinator& coordinator, QString note, QObject* parent)
    : QObject(parent), m_coordinator(coordinator), m_note(std::move(note)), m_menu(std::make_unique<QMenu>())
{
    AppCoordinator* c = &m_coordinator;
    // After the menu has closed and let go of the keyboard, so that the application in
    // front has its focus (and its selection) back when the capture reads it.
    m_menu->addAction(QStringLiteral("Find Citations"), c,
                      [c] { QMetaObject::invokeMethod(c, &AppCoordinator::captureCitations, Qt::QueuedConnection); });
    m_warning = m_menu->addAction(QString());
    m_warning->setEnabled(false);
    m_shortcutWarning = m_menu->addAction(QString());
    m_shortcutWarning->setEnabled(false);
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("Settings…"), c, [c] { c->showSettings(); });
    m_menu->addAction(QStringLiteral("About VORN Cite"), c, [c] { c->showAbout(); });
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("Quit VORN Cite"), this, [this] { emit quitRequested(); });

    connect(c, &AppCoordinator::accessibilityWarningChanged, this, &StatusTrayIcon::updateWarnings);
    connect(c, &AppCoordinator::shortcutStatusMessageChanged, this, &StatusTrayIcon::updateWarnings);
    updateWarnings();

    m_icon = std::make_unique<QSystemTrayIcon>(applicationTrayIcon());
    m_icon->setContextMenu(m_menu.get());
    QString tip = QStringLiteral("VORN Cite");
    if (!m_note.isEmpty())
        tip += u'\n' + m_note;
    m_icon->setToolTip(tip);
    connect(m_icon.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            m_menu->popup(QCursor::pos());
    });
}

StatusTrayIcon::~StatusTrayIcon() = default;

void StatusTrayIcon::show()
{
    m_icon->show();
}

void StatusTrayIcon::updateWarnings()
{
    const std::optional<QString>& warning = m_coordinator.accessibilityWarning();
    m_warning->setText(warning.value_or(QString()));
    m_warning->setVisible(warning.has_value());
    const std::optional<QString>& shortcut = m_coordinator.shortcutStatusMessage();
    m_shortcutWarning->setText(shortcut.value_or(QString()));
    m_shortcutWarning->setVisible(shortcut.has_value());
}

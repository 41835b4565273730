#include "AccessibilityPermissionManager.h"

#include <QProcess>
#include <QStandardPaths>

AccessibilityPermissionManager::AccessibilityPermissionManager(std::shared_ptr<AccessibilityBusStatus> status,
                                                               std::function<void()> showPrompt)
    : m_status(std::move(status)), m_showPrompt(std::move(showPrompt))
{
}

bool AccessibilityPermissionManager::isTrusted() const
{
    return m_status->isTrusted();
}

bool AccessibilityPermissionManager::checkTrust(bool promptIfNeeded)
{
    const bool trusted = m_status->isTrusted();
    if (promptIfNeeded && !trusted && m_showPrompt)
        m_showPrompt();
    return trusted;
}

bool AccessibilityPermissionManager::grantAccess()
{
    return m_status->setEnabled(true) && m_status->isTrusted();
}

void AccessibilityPermissionManager::openAccessibilitySettings()
{
    // The settings program of the running desktop first, then any that exists.
    struct Program
    {
        const char* desktop;
        QString executable;
        QStringList arguments;
    };
    const Program programs[] = {
        {"GNOME", QStringLiteral("gnome-control-center"), {QStringLiteral("universal-access")}},
        {"KDE", QStringLiteral("systemsettings"), {QStringLiteral("kcm_access")}},
        {"KDE", QStringLiteral("systemsettings5"), {QStringLiteral("kcm_access")}},
        {"XFCE", QStringLiteral("xfce4-accessibility-settings"), {}},
    };
    const QString current = qEnvironmentVariable("XDG_CURRENT_DESKTOP").toUpper();
    for (const bool matchDesktop : {true, false}) {
        for (const Program& program : programs) {
            if (matchDesktop && !current.contains(QLatin1StringView(program.desktop)))
                continue;
            const QString path = QStandardPaths::findExecutable(program.executable);
            if (!path.isEmpty() && QProcess::startDetached(path, program.arguments))
                return;
        }
    }
}

#include "GlobalHotKey.h"

QString GlobalHotKeyError::errorDescription() const
{
    const QString status = QString::number(m_status);
    switch (m_kind) {
    case Kind::couldNotInstallHandler:
        return QStringLiteral("VORN Cite could not install its shortcut handler (error ") + status +
               QStringLiteral(").");
    case Kind::shortcutUnavailable:
        return QStringLiteral("Alt+Super+G is already in use or unavailable (error ") + status +
               QStringLiteral("). Quit VORN Lens or change its shortcut.");
    case Kind::desktopShortcutRequired:
        return QStringLiteral(
            "This desktop does not let VORN Cite take Alt+Super+G. Bind a keyboard shortcut to "
            "\"vorn-cite --find-selection\" in your desktop's keyboard settings.");
    }
    Q_UNREACHABLE();
    return {};
}

#pragma once

#include <QString>

// The per-user settings file that the application and vorn-cite-cli share.
namespace UserSettingsFile {

// $XDG_CONFIG_HOME/app.vorn.cite/settings.ini (XDG's default when unset).
QString path();

// The per-user override of the citation service's base URL; no user interface sets it.
inline const QString serviceURLKey = QStringLiteral("literature.serviceURL");

// The override as written in the file (trimmed), or empty.
QString serviceURL();

} // namespace UserSettingsFile

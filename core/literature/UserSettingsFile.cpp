#include "UserSettingsFile.h"

#include <QSettings>
#include <QStandardPaths>

namespace UserSettingsFile {

QString path()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/app.vorn.cite/settings.ini");
}

QString serviceURL()
{
    const QSettings settings(path(), QSettings::IniFormat);
    return settings.value(serviceURLKey).toString().trimmed();
}

} // namespace UserSettingsFile

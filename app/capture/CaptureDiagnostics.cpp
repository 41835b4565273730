#include "CaptureDiagnostics.h"

#include <QSettings>

const QString CaptureDiagnostics::settingKey = QStringLiteral("diagnostics.captureLoggingEnabled");

QString CaptureDiagnostics::subsystem()
{
    return QStringLiteral("app.vorn.cite");
}

const QLoggingCategory& CaptureDiagnostics::logger()
{
    static const QLoggingCategory category("app.vorn.cite.capture", QtInfoMsg);
    return category;
}

bool CaptureDiagnostics::isEnabled()
{
    // The standard per-user settings store of the application (QSettings with the
    // application's organisation and name), read on first use only.
    static const bool enabled = QSettings().value(settingKey, false).toBool();
    return enabled;
}

void CaptureDiagnostics::write(const QString& line)
{
    qCInfo(logger).noquote() << line;
}

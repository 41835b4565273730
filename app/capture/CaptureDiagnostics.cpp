#include "CaptureDiagnostics.h"

#include "AppSettings.h"

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
    // Read on first use only.
    static const bool enabled =
        AppSettings::readBool(*AppSettings::standardStore(), AppSettings::captureLoggingKey, false);
    return enabled;
}

void CaptureDiagnostics::write(const QString& line)
{
    qCInfo(logger).noquote() << line;
}

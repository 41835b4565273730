#pragma once

#include <QLoggingCategory>
#include <QString>

#include <type_traits>
#include <utility>

// The opt-in log of selection capture. It is off unless the setting
// "diagnostics.captureLoggingEnabled" (AppSettings::captureLoggingKey, in the
// user's settings file) is true when capture first logs; the value is read once
// and kept for the life of the process. Lines go to the category
// "app.vorn.cite.capture" at info level and never contain selected text.
class CaptureDiagnostics final
{
public:
    CaptureDiagnostics() = delete;

    // The application's identifier and the log category under it.
    static QString subsystem();
    static const QLoggingCategory& logger();
    static bool isEnabled();

    // Writes the line that build() returns; build() runs only when logging is on.
    // build must return a QString (not a string-builder expression, whose parts
    // would not outlive it).
    template <typename Builder>
    requires std::is_same_v<std::invoke_result_t<Builder>, QString>
    static void log(Builder&& build)
    {
        if (isEnabled())
            write(std::forward<Builder>(build)());
    }

    // Writes one line unconditionally; log() is the way in.
    static void write(const QString& line);
};

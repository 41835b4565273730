#pragma once

#include "ClipboardCompatibilityCapturer.h"

#include <QDBusConnection>
#include <QObject>

class AppCoordinator;

// What the end-to-end tests read of a running instance, on the session bus at
// /app/vorn/cite/testing (interface app.vorn.cite.Testing). Exported only when the
// environment variable VORN_CITE_TESTING is 1; it reveals no selected text.
class TestingProbe final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "app.vorn.cite.Testing")
    Q_PROPERTY(QString ShortcutReport READ shortcutReport)
    Q_PROPERTY(bool Started READ started)
    Q_PROPERTY(QString ErrorMessage READ errorMessage)

public:
    explicit TestingProbe(const AppCoordinator& coordinator, QObject* parent = nullptr);

    static bool isWanted();
    // Compatibility Capture's limits: the defaults, except that a test may hold a
    // copied value on the clipboard longer (VORN_CITE_TESTING_COPY_SETTLE_MS, with
    // VORN_CITE_TESTING=1) to act while a restore is pending.
    static ClipboardCompatibilityCapturer::Limits captureLimits();
    bool exportOn(QDBusConnection bus);

    // "registered", "unavailable STATUS", or "none" when nothing was attempted.
    [[nodiscard]] QString shortcutReport() const;
    [[nodiscard]] bool started() const;
    // The message of the last failure shown, empty when none shows.
    [[nodiscard]] QString errorMessage() const;

private:
    const AppCoordinator& m_coordinator;
};

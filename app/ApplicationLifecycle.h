#pragma once

#include "AppServices.h"
#include "GlobalHotKey.h"
#include "LifecycleServices.h"
#include "ServicesProvider.h"

#include <memory>

class AppCoordinator;

// Start and stop of the application, and the desktop services the windows reach
// through the coordinator: accessibility trust, the login item, onboarding's end.
// start wires the hand-off, the shortcut and the watch on application switches;
// stop undoes all of it. Main thread only.
class ApplicationLifecycle final
{
    Q_DISABLE_COPY_MOVE(ApplicationLifecycle)

public:
    struct Services
    {
        std::shared_ptr<AccessibilityPermissionManaging> permissionManager;
        std::shared_ptr<GlobalHotKeyProviding> hotKeyManager;
        std::shared_ptr<VORNCiteServicesProviding> servicesProvider;
        std::shared_ptr<LaunchAtLoginManaging> launchAtLoginManager;
        std::shared_ptr<ApplicationActivationObserving> activationObserver;
    };

    // The warning shown while accessibility is lost.
    static const QString accessibilityLostWarning;

    // Services left empty get stand-ins that do nothing (no shortcut, no hand-off,
    // no login item, never trusted).
    ApplicationLifecycle(AppCoordinator& coordinator, Services services);
    ~ApplicationLifecycle();

    void start();
    void stop();
    [[nodiscard]] bool hasStarted() const { return m_hasStarted; }

    void refreshAccessibilityStatus();
    bool completeOnboarding();
    bool requestAccessibilityPermission();
    [[nodiscard]] bool isAccessibilityTrusted() const;
    void openAccessibilitySettings();

    [[nodiscard]] LaunchAtLoginStatus launchAtLoginStatus() const;
    std::expected<void, LaunchAtLoginError> setLaunchAtLoginEnabled(bool enabled);
    void openLoginItemsSettings();

private:
    void registerHotKey();
    static void recordHotKeyOutcome(AppCoordinator& coordinator,
                                    const GlobalHotKeyProviding::Outcome& outcome);

    AppCoordinator& m_coordinator;
    Services m_services;
    bool m_hasStarted = false;
    bool m_isObservingActivations = false;
};

#pragma once

#include "LifecycleServices.h"

#include <QPointer>
#include <QWidget>

class AppCoordinator;
class OnboardingWindow;
class SettingsWindow;

// The application's own windows, each created when first shown and kept: About, the
// settings and the onboarding.
class ApplicationWindows final : public ApplicationWindowsPresenting
{
public:
    // trayAvailable: whether the desktop shows tray icons (the onboarding says how to
    // reach everything when it does not).
    explicit ApplicationWindows(bool trayAvailable = true) : m_trayAvailable(trayAvailable) {}
    ~ApplicationWindows() override;
    // Set once the coordinator exists (it owns this object).
    void setCoordinator(AppCoordinator* coordinator) { m_coordinator = coordinator; }

    void showSettings() override;
    void showOnboarding() override;
    void closeOnboarding() override;
    void showAbout() override;

    [[nodiscard]] SettingsWindow* settingsWindow() const;
    [[nodiscard]] OnboardingWindow* onboardingWindow() const;

private:
    AppCoordinator* m_coordinator = nullptr;
    bool m_trayAvailable;
    QPointer<QWidget> m_settings;
    QPointer<QWidget> m_onboarding;
    QPointer<QWidget> m_about;
};

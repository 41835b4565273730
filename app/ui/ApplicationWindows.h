#pragma once

#include "LifecycleServices.h"

#include <QPointer>
#include <QWidget>

class AppCoordinator;

// The application's own windows, each created when first shown: About, and a small
// settings window (the login item and the status of the shortcut and of
// accessibility) until the full settings arrive.
class ApplicationWindows final : public ApplicationWindowsPresenting
{
public:
    ApplicationWindows() = default;
    // Set once the coordinator exists (it owns this object).
    void setCoordinator(AppCoordinator* coordinator) { m_coordinator = coordinator; }

    void showSettings() override;
    void showOnboarding() override;
    void showAbout() override;

private:
    AppCoordinator* m_coordinator = nullptr;
    QPointer<QWidget> m_settings;
    QPointer<QWidget> m_about;
};

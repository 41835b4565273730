#include "ApplicationWindows.h"

#include "AboutDialog.h"
#include "AppCoordinator.h"
#include "OnboardingWindow.h"
#include "SettingsWindow.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

void bringToFront(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

void centre(QWidget* window)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

} // namespace

ApplicationWindows::~ApplicationWindows()
{
    delete m_settings.data();
    delete m_onboarding.data();
    delete m_about.data();
}

void ApplicationWindows::showSettings()
{
    if (!m_coordinator)
        return;
    if (!m_settings) {
        m_settings = new SettingsWindow(*m_coordinator);
        centre(m_settings);
    }
    bringToFront(m_settings);
}

void ApplicationWindows::showOnboarding()
{
    if (!m_coordinator)
        return;
    if (!m_onboarding)
        m_onboarding =
            new OnboardingWindow(*m_coordinator, OnboardingWindow::Options{.trayAvailable = m_trayAvailable});
    centre(m_onboarding);
    bringToFront(m_onboarding);
}

void ApplicationWindows::closeOnboarding()
{
    if (m_onboarding)
        m_onboarding->close();
}

void ApplicationWindows::showAbout()
{
    if (!m_about) {
        m_about = new AboutDialog();
        if (m_coordinator)
            installSettingsShortcut(*m_about, *m_coordinator);
    }
    bringToFront(m_about);
}

SettingsWindow* ApplicationWindows::settingsWindow() const
{
    return qobject_cast<SettingsWindow*>(m_settings.data());
}

OnboardingWindow* ApplicationWindows::onboardingWindow() const
{
    return qobject_cast<OnboardingWindow*>(m_onboarding.data());
}

#include "ApplicationWindows.h"

#include "AboutDialog.h"
#include "AppCoordinator.h"

#include <QCheckBox>
#include <QLabel>
#include <QVBoxLayout>

namespace {

void bringToFront(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

QWidget* makeSettingsWindow(AppCoordinator& coordinator)
{
    auto* window = new QWidget(nullptr, Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(QStringLiteral("VORN Cite Settings"));
    auto* layout = new QVBoxLayout(window);

    auto* login = new QCheckBox(QStringLiteral("Start VORN Cite at login"), window);
    auto* loginError = new QLabel(window);
    loginError->setWordWrap(true);
    loginError->hide();
    auto* shortcut = new QLabel(window);
    shortcut->setWordWrap(true);
    auto* accessibility = new QLabel(window);
    accessibility->setWordWrap(true);
    layout->addWidget(login);
    layout->addWidget(loginError);
    layout->addWidget(shortcut);
    layout->addWidget(accessibility);
    layout->addStretch();

    AppCoordinator* c = &coordinator;
    const auto render = [c, login, shortcut, accessibility] {
        const LaunchAtLoginStatus status = c->launchAtLoginStatus();
        const QSignalBlocker blocker(login);
        login->setChecked(status == LaunchAtLoginStatus::enabled);
        login->setEnabled(status != LaunchAtLoginStatus::unavailable);
        shortcut->setText(c->shortcutStatusMessage().value_or(QStringLiteral("Shortcut: Alt+Super+G")));
        accessibility->setText(c->accessibilityWarning().value_or(QString()));
        accessibility->setVisible(c->accessibilityWarning().has_value());
    };
    QObject::connect(c, &AppCoordinator::launchAtLoginStatusChanged, window, render);
    QObject::connect(c, &AppCoordinator::shortcutStatusMessageChanged, window, render);
    QObject::connect(c, &AppCoordinator::accessibilityWarningChanged, window, render);
    QObject::connect(login, &QCheckBox::toggled, window, [c, loginError, render](bool on) {
        const auto changed = c->setLaunchAtLoginEnabled(on);
        loginError->setVisible(!changed);
        if (!changed)
            loginError->setText(changed.error().errorDescription());
        render();
    });
    c->refreshLaunchAtLoginStatus();
    render();
    return window;
}

} // namespace

void ApplicationWindows::showSettings()
{
    if (!m_coordinator)
        return;
    if (!m_settings)
        m_settings = makeSettingsWindow(*m_coordinator);
    bringToFront(m_settings);
}

void ApplicationWindows::showOnboarding()
{
    // Until the onboarding window exists, the settings window stands in for it.
    showSettings();
}

void ApplicationWindows::showAbout()
{
    if (!m_about)
        m_about = new AboutDialog();
    bringToFront(m_about);
}

#include "ApplicationLifecycle.h"

#include "AppCoordinator.h"
#include "AutomaticCandidates.h"
#include "SelectionTriggers.h"
#include "capture/CaptureDiagnostics.h"

#include <QPointer>

const QString ApplicationLifecycle::accessibilityLostWarning = QStringLiteral(
    "VORN Cite lost Accessibility access. Re-enable desktop accessibility in your system settings.");

namespace {

class NoPermission final : public AccessibilityPermissionManaging
{
public:
    bool isTrusted() const override { return false; }
    bool checkTrust(bool) override { return false; }
    void openAccessibilitySettings() override {}
};

class NoHotKey final : public GlobalHotKeyProviding
{
public:
    bool isRegistered() const override { return false; }
    GlobalHotKeyRegistrationReport registrationReport() const override { return {}; }
    std::expected<GlobalHotKeyRegistrationReport, GlobalHotKeyError>
    registerHotKey(std::function<void()>) override
    {
        return GlobalHotKeyRegistrationReport{};
    }
    void unregisterHotKey() override {}
};

class NoServices final : public VORNCiteServicesProviding
{
public:
    void install(ServiceSelectionHandler) override {}
    void uninstall() override {}
};

class NoLoginItem final : public LaunchAtLoginManaging
{
public:
    LaunchAtLoginStatus status() const override { return LaunchAtLoginStatus::unavailable; }
    std::expected<void, LaunchAtLoginError> setEnabled(bool) override
    {
        return std::unexpected(LaunchAtLoginError(QStringLiteral("Starting at login is not available.")));
    }
    void openLoginItemsSettings() override {}
};

class NoActivations final : public ApplicationActivationObserving
{
public:
    void observe(std::function<void()>) override {}
    void stopObserving() override {}
};

template <typename T, typename Default>
void orDefault(std::shared_ptr<T>& service)
{
    if (!service)
        service = std::make_shared<Default>();
}

} // namespace

ApplicationLifecycle::ApplicationLifecycle(AppCoordinator& coordinator, Services services)
    : m_coordinator(coordinator), m_services(std::move(services))
{
    orDefault<AccessibilityPermissionManaging, NoPermission>(m_services.permissionManager);
    orDefault<GlobalHotKeyProviding, NoHotKey>(m_services.hotKeyManager);
    orDefault<VORNCiteServicesProviding, NoServices>(m_services.servicesProvider);
    orDefault<LaunchAtLoginManaging, NoLoginItem>(m_services.launchAtLoginManager);
    orDefault<ApplicationActivationObserving, NoActivations>(m_services.activationObserver);
}

ApplicationLifecycle::~ApplicationLifecycle()
{
    if (m_isObservingActivations)
        m_services.activationObserver->stopObserving();
}

void ApplicationLifecycle::start()
{
    if (m_hasStarted)
        return;
    m_hasStarted = true;
    AppCoordinator& c = m_coordinator;
    const QPointer<AppCoordinator> weak(&c);

    m_services.servicesProvider->install([weak](const ServiceSelectionEvent& event) {
        if (weak)
            weak->dispatch(event.selection);
    });
    registerHotKey();
    c.synchronizeAutomaticSelectionMonitor();
    c.refreshCredentialStatus();
    c.assign(c.m_launchAtLoginStatus, m_services.launchAtLoginManager->status(),
             &AppCoordinator::launchAtLoginStatusChanged);

    if (c.settings().hasCompletedOnboarding()) {
        if (!m_services.permissionManager->isTrusted()) {
            CaptureDiagnostics::log(
                [] { return QStringLiteral("start: accessibility not trusted, prompting"); });
            m_services.permissionManager->checkTrust(true);
        }
    } else {
        c.showOnboarding();
    }
    refreshAccessibilityStatus();

    m_services.activationObserver->observe([weak] {
        // Outside the notification's own dispatch.
        QMetaObject::invokeMethod(
            weak.data(),
            [weak] {
                if (weak)
                    weak->refreshAccessibilityStatus();
            },
            Qt::QueuedConnection);
    });
    m_isObservingActivations = true;
}

void ApplicationLifecycle::registerHotKey()
{
    AppCoordinator& c = m_coordinator;
    const QPointer<AppCoordinator> weak(&c);
    m_services.hotKeyManager->setLateOutcomeHandler([weak](const GlobalHotKeyProviding::Outcome& outcome) {
        if (weak)
            recordHotKeyOutcome(*weak, outcome);
    });
    recordHotKeyOutcome(c, m_services.hotKeyManager->registerHotKey([weak] {
        if (weak)
            weak->captureCitations();
    }));
}

void ApplicationLifecycle::recordHotKeyOutcome(AppCoordinator& c,
                                               const GlobalHotKeyProviding::Outcome& outcome)
{
    if (!outcome) {
        // A session that offers no shortcut at all reports it unavailable, so that the
        // settings do not promise Alt+Super+G; the message names the way around.
        const GlobalHotKeyError& error = outcome.error();
        GlobalHotKeyRegistrationReport report;
        if (error.kind() == GlobalHotKeyError::Kind::desktopShortcutRequired)
            report.availability = GlobalHotKeyAvailability::unavailable(error.status());
        c.assign(c.m_shortcutRegistrationReport, report, &AppCoordinator::shortcutRegistrationReportChanged);
        c.assign(c.m_shortcutStatusMessage, std::optional<QString>(error.errorDescription()),
                 &AppCoordinator::shortcutStatusMessageChanged);
        return;
    }
    c.assign(c.m_shortcutRegistrationReport, *outcome, &AppCoordinator::shortcutRegistrationReportChanged);
    std::optional<QString> message;
    if (outcome->availability && !outcome->availability->isRegistered())
        message = GlobalHotKeyError::shortcutUnavailable(outcome->availability->status).errorDescription();
    c.assign(c.m_shortcutStatusMessage, message, &AppCoordinator::shortcutStatusMessageChanged);
}

void ApplicationLifecycle::stop()
{
    AppCoordinator& c = m_coordinator;
    c.invalidateCurrentQuery();
    c.m_triggers->cancelCapture();
    c.cancelArticleFetch();
    c.m_automaticCandidates->stop();
    m_services.hotKeyManager->unregisterHotKey();
    m_services.servicesProvider->uninstall();
    if (m_isObservingActivations) {
        m_services.activationObserver->stopObserving();
        m_isObservingActivations = false;
    }
    c.m_triggers->provider().restorePendingClipboardIfNeeded();
    m_hasStarted = false;
    // Done at once rather than queued: at termination no event loop may run again.
    c.m_vornCache->removeAll();
}

void ApplicationLifecycle::refreshAccessibilityStatus()
{
    AppCoordinator& c = m_coordinator;
    if (!c.settings().hasCompletedOnboarding()) {
        c.assign(c.m_accessibilityWarning, std::optional<QString>(),
                 &AppCoordinator::accessibilityWarningChanged);
        return;
    }
    if (m_services.permissionManager->isTrusted()) {
        if (c.m_accessibilityWarning)
            CaptureDiagnostics::log([] { return QStringLiteral("accessibility: trust restored"); });
        c.assign(c.m_accessibilityWarning, std::optional<QString>(),
                 &AppCoordinator::accessibilityWarningChanged);
        return;
    }
    if (c.m_accessibilityWarning)
        return;
    CaptureDiagnostics::log([] { return QStringLiteral("accessibility: trust lost while running"); });
    c.assign(c.m_accessibilityWarning, std::optional<QString>(accessibilityLostWarning),
             &AppCoordinator::accessibilityWarningChanged);
}

bool ApplicationLifecycle::completeOnboarding()
{
    AppCoordinator& c = m_coordinator;
    c.refreshCredentialStatus();
    if (!m_services.permissionManager->isTrusted() || !c.hasStoredAPIKey())
        return false;
    c.settings().setHasCompletedOnboarding(true);
    c.synchronizeAutomaticSelectionMonitor();
    refreshAccessibilityStatus();
    if (c.m_windows)
        c.m_windows->closeOnboarding();
    return true;
}

bool ApplicationLifecycle::requestAccessibilityPermission()
{
    const bool trusted = m_services.permissionManager->checkTrust(true);
    refreshAccessibilityStatus();
    return trusted;
}

bool ApplicationLifecycle::isAccessibilityTrusted() const
{
    return m_services.permissionManager->isTrusted();
}

void ApplicationLifecycle::openAccessibilitySettings()
{
    m_services.permissionManager->openAccessibilitySettings();
}

LaunchAtLoginStatus ApplicationLifecycle::launchAtLoginStatus() const
{
    return m_services.launchAtLoginManager->status();
}

std::expected<void, LaunchAtLoginError> ApplicationLifecycle::setLaunchAtLoginEnabled(bool enabled)
{
    auto changed = m_services.launchAtLoginManager->setEnabled(enabled);
    if (changed) {
        AppCoordinator& c = m_coordinator;
        c.assign(c.m_launchAtLoginStatus, m_services.launchAtLoginManager->status(),
                 &AppCoordinator::launchAtLoginStatusChanged);
    }
    return changed;
}

void ApplicationLifecycle::openLoginItemsSettings()
{
    m_services.launchAtLoginManager->openLoginItemsSettings();
}

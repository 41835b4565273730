#include "AutomaticCandidates.h"

#include "AppCoordinator.h"
#include "SelectionTriggers.h"

#include <QPointer>

namespace {

class NoMonitor final : public AutomaticSelectionMonitoring
{
public:
    bool isEnabled() const override { return false; }
    void start(Handler, std::function<void()>) override {}
    void stop() override {}
};

class NoBadge final : public SelectionBadgeControlling
{
public:
    void show(const AutomaticSelectionEvent&) override {}
    void dismiss() override {}
};

} // namespace

AutomaticCandidates::AutomaticCandidates(AppCoordinator& coordinator, Services services)
    : m_coordinator(coordinator), m_services(std::move(services)), m_badge(std::make_shared<NoBadge>())
{
    if (!m_services.monitor)
        m_services.monitor = std::make_shared<NoMonitor>();
    if (!m_services.sleeper)
        m_services.sleeper = std::make_shared<TimerSleeper>();
    if (!m_services.frontmostProcessIdentifier)
        m_services.frontmostProcessIdentifier = [] { return std::optional<qint32>(); };
}

AutomaticCandidates::~AutomaticCandidates()
{
    m_services.monitor->stop();
}

void AutomaticCandidates::setBadgeController(std::shared_ptr<SelectionBadgeControlling> badge)
{
    m_badge = badge ? std::move(badge) : std::make_shared<NoBadge>();
}

void AutomaticCandidates::present(const AutomaticSelectionEvent& event)
{
    m_candidate = event.candidate;
    emit m_coordinator.automaticCandidateChanged();
    m_badge->show(event);
    const QPointer<AppCoordinator> weak(&m_coordinator);
    m_expiryTask = m_services.sleeper->sleep(candidateLifetime, [this, weak] {
        if (!weak)
            return;
        // Runs inside the pause's own callback.
        m_expiryTask.release()->deleteLater();
        invalidate();
    });
}

void AutomaticCandidates::invalidate()
{
    m_expiryTask.reset();
    clearCandidate();
    m_badge->dismiss();
}

void AutomaticCandidates::clearCandidate()
{
    if (!m_candidate)
        return;
    m_candidate.reset();
    emit m_coordinator.automaticCandidateChanged();
}

void AutomaticCandidates::withdrawForCapture()
{
    clearCandidate();
    m_badge->dismiss();
}

void AutomaticCandidates::handleAction()
{
    if (!m_candidate)
        return;
    const AutomaticSelectionCandidate candidate = *m_candidate;
    m_expiryTask.reset();
    clearCandidate();
    m_badge->dismiss();
    std::optional<qint32> frontmost;
    if (candidate.provisionalSource())
        frontmost = m_services.frontmostProcessIdentifier();
    m_coordinator.m_triggers->captureAutomaticCandidate(candidate, frontmost);
}

void AutomaticCandidates::synchronizeMonitor()
{
    const AppSettings& settings = m_coordinator.settings();
    if (settings.hasCompletedOnboarding() && settings.automaticSelectionEnabled()) {
        const QPointer<AppCoordinator> weak(&m_coordinator);
        m_services.monitor->start(
            [weak](const AutomaticSelectionEvent& event) {
                if (weak)
                    weak->presentAutomaticCandidate(event);
            },
            [weak] {
                if (weak)
                    weak->invalidateAutomaticCandidate();
            });
        return;
    }
    m_services.monitor->stop();
    invalidate();
}

void AutomaticCandidates::setEnabled(bool enabled)
{
    AppSettings& settings = m_coordinator.settings();
    if (settings.hasCompletedOnboarding()) {
        settings.setAutomaticSelectionEnabled(enabled);
        synchronizeMonitor();
        return;
    }
    // Before onboarding the switch leads there instead.
    if (enabled)
        m_coordinator.showOnboarding();
}

void AutomaticCandidates::stop()
{
    m_expiryTask.reset();
    m_services.monitor->stop();
    clearCandidate();
    m_badge->dismiss();
}

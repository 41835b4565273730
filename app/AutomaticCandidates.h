#pragma once

#include "AppServices.h"
#include "capture/AutomaticSelection.h"
#include "service/Sleeping.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class AppCoordinator;

// The candidate that the selection badge offers: shown on a gesture the monitor
// reports, withdrawn after 8 seconds on the injected sleeper, on the monitor's
// invalidation or when acted upon. A click sends a captured selection only while it
// still holds, and captures a provisional one only while its application is in front.
// The monitor runs while the setting is on and onboarding is complete. Main thread only.
class AutomaticCandidates final
{
    Q_DISABLE_COPY_MOVE(AutomaticCandidates)

public:
    struct Services
    {
        std::shared_ptr<AutomaticSelectionMonitoring> monitor; // default: one that never reports
        std::shared_ptr<Sleeping> sleeper; // default: timers on the event loop
        // The frontmost application's process id; default: none.
        std::function<std::optional<qint32>()> frontmostProcessIdentifier;
    };

    static constexpr std::chrono::seconds candidateLifetime{8};

    AutomaticCandidates(AppCoordinator& coordinator, Services services);
    ~AutomaticCandidates();

    void setBadgeController(std::shared_ptr<SelectionBadgeControlling> badge);

    [[nodiscard]] const std::optional<AutomaticSelectionCandidate>& candidate() const { return m_candidate; }
    [[nodiscard]] const AutomaticSelectionMonitoring& monitor() const { return *m_services.monitor; }

    void present(const AutomaticSelectionEvent& event);
    void invalidate();
    void handleAction();
    void synchronizeMonitor();
    void setEnabled(bool enabled);
    // The shortcut took over: the candidate goes, the expiry timer stays.
    void withdrawForCapture();
    // Shutdown: the monitor stops and the badge goes.
    void stop();

private:
    void clearCandidate();

    AppCoordinator& m_coordinator;
    Services m_services;
    std::shared_ptr<SelectionBadgeControlling> m_badge;
    std::optional<AutomaticSelectionCandidate> m_candidate;
    std::unique_ptr<QObject> m_expiryTask; // destroying it cancels the expiry
};

#pragma once

#include "AutomaticSelection.h"
#include "LifecycleServices.h"
#include "SelectionCapturing.h"
#include "service/Sleeping.h"

#include <QFutureWatcher>
#include <QObject>
#include <QSet>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

// Watches the user's mouse in other applications. A release that looks like a
// selection schedules one capture after the debounce (a newer gesture cancels the
// older capture); the capture reads the accessibility interface only, with the
// shallow search, never the clipboard. A selection read that way is offered as a
// captured candidate; an application that exposes no text gets a provisional
// candidate (its text is captured on the badge's click) when the gesture was
// deliberate, the switch allows it and the application is not one of ours or a
// desktop shell. The next press, scroll, key press (watched for 9 seconds after an
// offer) or application switch invalidates the offer. Main thread only; every
// callback and timer holds the monitor weakly.
class AutomaticSelectionMonitor final : public QObject, public AutomaticSelectionMonitoring
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AutomaticSelectionMonitor)

public:
    struct Environment
    {
        std::shared_ptr<GlobalInputMonitoring> input;
        std::shared_ptr<ApplicationActivationObserving> activations; // optional
        std::shared_ptr<Sleeping> sleeper; // default: timers on the event loop
        std::function<QDateTime()> wallClock; // default: the current UTC time
    };

    static constexpr std::chrono::seconds keyMonitorLifetime{9};

    AutomaticSelectionMonitor(std::shared_ptr<AsyncSystemSelectionCapturing> selectionProvider,
                              std::function<bool()> provisionalBadgeEnabled, int debounceMilliseconds,
                              Environment environment, QObject* parent = nullptr);
    ~AutomaticSelectionMonitor() override;

    [[nodiscard]] bool isEnabled() const override { return m_mouseMonitorInstalled; }
    [[nodiscard]] std::optional<QString> unavailableReason() const override;
    void start(Handler handler, std::function<void()> invalidationHandler) override;
    void stop() override;

    // Desktop-file ids that never get a provisional candidate: this application and
    // the desktop's shells, panels and desktop-icon windows.
    [[nodiscard]] static const QSet<QString>& provisionalBadgeDenylist();
    // Applications from which a capture has succeeded; only grows.
    [[nodiscard]] const QSet<QString>& appsWithAccessibleText() const { return m_appsWithAccessibleText; }
    [[nodiscard]] bool isKeyMonitorInstalled() const { return m_keyMonitorInstalled; }
    [[nodiscard]] bool hasPendingCapture() const { return m_pendingCapture != nullptr; }
    [[nodiscard]] std::chrono::nanoseconds debounce() const { return m_debounce; }

private:
    using CaptureWatcher = QFutureWatcher<AsyncSelectionCaptureResult>;
    struct PendingCapture;

    void receive(const GlobalInputMonitoring::MouseEvent& event);
    void invalidate();
    [[nodiscard]] std::function<void()> queuedInvalidation();
    void scheduleCapture(SystemPoint pointerLocation, const SelectionGesture& gesture);
    void runCapture();
    void captureFinished(CaptureWatcher* watcher);
    // Drops the pending capture; a capture that was cancelled still withdraws the offer.
    void cancelPendingCapture(bool notify);
    void endCancelled();
    bool shouldOfferProvisionalBadge(const SelectionSource& source, const SelectionGesture& gesture);
    void offer(AutomaticSelectionCandidate candidate, SystemPoint pointerLocation);
    void installKeyMonitor();
    void removeKeyMonitor();

    std::shared_ptr<AsyncSystemSelectionCapturing> m_selectionProvider;
    std::function<bool()> m_provisionalBadgeEnabled;
    std::chrono::nanoseconds m_debounce;
    Environment m_environment;

    bool m_mouseMonitorInstalled = false;
    bool m_keyMonitorInstalled = false;
    std::unique_ptr<QObject> m_keyMonitorExpiry;
    bool m_observingActivations = false;
    std::unique_ptr<PendingCapture> m_pendingCapture;
    Handler m_handler;
    std::function<void()> m_invalidationHandler;
    std::optional<SystemPoint> m_mouseDownPoint;
    bool m_observedDrag = false;
    QSet<QString> m_appsWithAccessibleText;
};

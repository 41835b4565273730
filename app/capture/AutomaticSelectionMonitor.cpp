#include "AutomaticSelectionMonitor.h"

#include "CaptureDiagnostics.h"
#include "literature/LiteratureInputValidator.h"

#include <QPointer>

#include <cmath>

size_t qHash(const SystemPoint& value, size_t seed)
{
    return qHashMulti(seed, value.x, value.y);
}

double SelectionGesture::distance() const
{
    return std::hypot(end.x - start.x, end.y - start.y);
}

bool SelectionGesture::isLikelySelection() const
{
    return observedDrag || distance() >= 3 || clickCount > 1 || shiftPressed;
}

bool SelectionGesture::isDeliberateSelection() const
{
    return (observedDrag && distance() >= 8) || clickCount > 1;
}

// The debounced capture of one gesture: first the pause, then the capture's future.
struct AutomaticSelectionMonitor::PendingCapture
{
    SystemPoint pointerLocation;
    SelectionGesture gesture;
    std::unique_ptr<QObject> pause;
    std::unique_ptr<CaptureWatcher> watcher;

    ~PendingCapture()
    {
        // Either may be the sender of the signal being handled.
        if (pause)
            pause.release()->deleteLater();
        if (watcher) {
            watcher->disconnect();
            watcher->cancel();
            watcher.release()->deleteLater();
        }
    }
};

AutomaticSelectionMonitor::AutomaticSelectionMonitor(
    std::shared_ptr<AsyncSystemSelectionCapturing> selectionProvider,
    std::function<bool()> provisionalBadgeEnabled, int debounceMilliseconds, Environment environment,
    QObject* parent)
    : QObject(parent), m_selectionProvider(std::move(selectionProvider)),
      m_provisionalBadgeEnabled(std::move(provisionalBadgeEnabled)),
      m_debounce(std::chrono::milliseconds(debounceMilliseconds)), m_environment(std::move(environment))
{
    Q_ASSERT(m_selectionProvider && m_provisionalBadgeEnabled && m_environment.input);
    if (!m_environment.sleeper)
        m_environment.sleeper = std::make_shared<TimerSleeper>();
    if (!m_environment.wallClock)
        m_environment.wallClock = [] { return QDateTime::currentDateTimeUtc(); };
}

AutomaticSelectionMonitor::~AutomaticSelectionMonitor()
{
    stop();
}

std::optional<QString> AutomaticSelectionMonitor::unavailableReason() const
{
    return m_environment.input->unavailableReason();
}

const QSet<QString>& AutomaticSelectionMonitor::provisionalBadgeDenylist()
{
    static const QSet<QString> denylist{
        CaptureDiagnostics::subsystem(),       QStringLiteral("org.gnome.Shell"),
        QStringLiteral("gnome-shell"),         QStringLiteral("org.kde.plasmashell"),
        QStringLiteral("plasmashell"),         QStringLiteral("xfce4-panel"),
        QStringLiteral("xfdesktop"),           QStringLiteral("nemo-desktop"),
        QStringLiteral("com.rastersoft.ding"),
    };
    return denylist;
}

void AutomaticSelectionMonitor::start(Handler handler, std::function<void()> invalidationHandler)
{
    stop();
    m_handler = std::move(handler);
    m_invalidationHandler = std::move(invalidationHandler);
    const QPointer<AutomaticSelectionMonitor> weak(this);
    m_mouseMonitorInstalled =
        m_environment.input->installMouseMonitor([weak](const GlobalInputMonitoring::MouseEvent& event) {
            // Outside the desktop's own event dispatch.
            QMetaObject::invokeMethod(
                weak.data(),
                [weak, event] {
                    if (weak)
                        weak->receive(event);
                },
                Qt::QueuedConnection);
        });
    CaptureDiagnostics::log([installed = m_mouseMonitorInstalled] {
        return QStringLiteral("monitor: started (mouse monitor installed: %1)")
            .arg(installed ? QStringLiteral("true") : QStringLiteral("false"));
    });
    if (m_environment.activations) {
        m_environment.activations->observe(queuedInvalidation());
        m_observingActivations = true;
    }
}

void AutomaticSelectionMonitor::stop()
{
    cancelPendingCapture(false);
    if (m_mouseMonitorInstalled)
        m_environment.input->removeMouseMonitor();
    m_mouseMonitorInstalled = false;
    removeKeyMonitor();
    if (m_observingActivations)
        m_environment.activations->stopObserving();
    m_observingActivations = false;
    m_handler = nullptr;
    m_invalidationHandler = nullptr;
    m_mouseDownPoint.reset();
    m_observedDrag = false;
}

void AutomaticSelectionMonitor::invalidate()
{
    cancelPendingCapture(false);
    removeKeyMonitor();
    if (const std::function<void()> handler = m_invalidationHandler)
        handler();
}

void AutomaticSelectionMonitor::receive(const GlobalInputMonitoring::MouseEvent& event)
{
    using Type = GlobalInputMonitoring::EventType;
    switch (event.type) {
    case Type::leftMouseDown:
        invalidate();
        m_mouseDownPoint = event.location;
        m_observedDrag = false;
        return;
    case Type::leftMouseDragged:
        m_observedDrag = true;
        return;
    case Type::leftMouseUp: {
        const SelectionGesture gesture{m_mouseDownPoint.value_or(event.location), event.location,
                                       event.clickCount, event.shiftPressed, m_observedDrag};
        m_mouseDownPoint.reset();
        m_observedDrag = false;
        if (!gesture.isLikelySelection())
            return;
        CaptureDiagnostics::log(
            [] { return QStringLiteral("monitor: selection gesture observed, scheduling capture"); });
        scheduleCapture(event.location, gesture);
        return;
    }
    case Type::scrollWheel:
        invalidate();
        return;
    }
}

void AutomaticSelectionMonitor::scheduleCapture(SystemPoint pointerLocation, const SelectionGesture& gesture)
{
    cancelPendingCapture(true);
    auto pending = std::make_unique<PendingCapture>();
    pending->pointerLocation = pointerLocation;
    pending->gesture = gesture;
    const QPointer<AutomaticSelectionMonitor> weak(this);
    PendingCapture* raw = pending.get();
    m_pendingCapture = std::move(pending);
    raw->pause = m_environment.sleeper->sleep(m_debounce, [weak, raw] {
        if (weak && weak->m_pendingCapture.get() == raw)
            weak->runCapture();
    });
}

void AutomaticSelectionMonitor::runCapture()
{
    PendingCapture& pending = *m_pendingCapture;
    // Runs inside the pause's own callback.
    pending.pause.release()->deleteLater();
    const SelectionCaptureOptions options{false, std::nullopt, DescendantSearch::shallow};
    pending.watcher = std::make_unique<CaptureWatcher>();
    CaptureWatcher* watcher = pending.watcher.get();
    connect(watcher, &CaptureWatcher::finished, this, [this, watcher] { captureFinished(watcher); });
    watcher->setFuture(m_selectionProvider->captureSelection(options));
}

void AutomaticSelectionMonitor::captureFinished(CaptureWatcher* watcher)
{
    if (!m_pendingCapture || m_pendingCapture->watcher.get() != watcher)
        return;
    const QFuture<AsyncSelectionCaptureResult> future = watcher->future();
    const bool cancelled = future.isCanceled() || future.resultCount() == 0;
    std::optional<AsyncSelectionCaptureResult> outcome;
    if (!cancelled)
        outcome = future.result();
    const SystemPoint pointerLocation = m_pendingCapture->pointerLocation;
    const SelectionGesture gesture = m_pendingCapture->gesture;
    // The capture has finished: nothing is left to cancel.
    m_pendingCapture->watcher->disconnect();
    m_pendingCapture->watcher.release()->deleteLater();
    m_pendingCapture.reset();
    if (cancelled) {
        endCancelled();
        return;
    }
    AsyncSelectionCaptureResult result = std::move(*outcome);
    if (result && !LiteratureInputValidator::normalize(result->context.selectedText))
        result = std::unexpected(SelectionCaptureFailure(SelectionCaptureError::emptySelection()));
    if (result) {
        if (const std::optional<QString>& bundle = result->context.sourceBundleIdentifier)
            m_appsWithAccessibleText.insert(*bundle);
        offer(AutomaticSelectionCandidate::captured(*result), pointerLocation);
        return;
    }
    const SelectionCaptureFailure& failure = result.error();
    if (const auto* error = std::get_if<SelectionCaptureError>(&failure);
        error && error->kind() == SelectionCaptureError::Kind::selectionUnavailable && error->source() &&
        shouldOfferProvisionalBadge(*error->source(), gesture)) {
        const SelectionSource source = *error->source();
        CaptureDiagnostics::log([&source] {
            return QStringLiteral("monitor: no AX text in %1; offering provisional badge")
                .arg(
                    source.bundleIdentifier.value_or(QStringLiteral("pid %1").arg(source.processIdentifier)));
        });
        offer(AutomaticSelectionCandidate::provisional(source), pointerLocation);
        return;
    }
    CaptureDiagnostics::log([&failure] {
        const auto* error = std::get_if<SelectionCaptureError>(&failure);
        const QString reason = error
                                   ? error->diagnosticCode()
                                   : std::visit([](const auto& e) { return e.errorDescription(); }, failure);
        return QStringLiteral("monitor: capture failed \u2014 %1").arg(reason);
    });
    endCancelled();
}

void AutomaticSelectionMonitor::cancelPendingCapture(bool notify)
{
    if (!m_pendingCapture)
        return;
    m_pendingCapture.reset();
    if (notify)
        endCancelled();
}

void AutomaticSelectionMonitor::endCancelled()
{
    removeKeyMonitor();
    if (const std::function<void()> handler = m_invalidationHandler)
        handler();
}

bool AutomaticSelectionMonitor::shouldOfferProvisionalBadge(const SelectionSource& source,
                                                            const SelectionGesture& gesture)
{
    if (!m_provisionalBadgeEnabled())
        return false;
    if (!gesture.isDeliberateSelection())
        return false;
    if (source.bundleIdentifier && (provisionalBadgeDenylist().contains(*source.bundleIdentifier) ||
                                    m_appsWithAccessibleText.contains(*source.bundleIdentifier)))
        return false;
    if (m_selectionProvider->focusedElementIsItemContainer())
        return false;
    return m_selectionProvider->gestureLandsInContent(gesture.start.toPointF(), gesture.end.toPointF());
}

void AutomaticSelectionMonitor::offer(AutomaticSelectionCandidate candidate, SystemPoint pointerLocation)
{
    installKeyMonitor();
    if (const Handler handler = m_handler)
        handler(AutomaticSelectionEvent{std::move(candidate), pointerLocation, m_environment.wallClock()});
}

void AutomaticSelectionMonitor::installKeyMonitor()
{
    removeKeyMonitor();
    const QPointer<AutomaticSelectionMonitor> weak(this);
    m_keyMonitorInstalled = m_environment.input->installKeyMonitor(queuedInvalidation());
    m_keyMonitorExpiry = m_environment.sleeper->sleep(keyMonitorLifetime, [weak] {
        if (!weak)
            return;
        // Runs inside the pause's own callback; only the key watch ends.
        weak->m_keyMonitorExpiry.release()->deleteLater();
        weak->removeKeyMonitor();
    });
}

std::function<void()> AutomaticSelectionMonitor::queuedInvalidation()
{
    // Called outside the desktop's own event dispatch; invalidates on the next turn of
    // the event loop, unless the monitor is gone by then.
    const QPointer<AutomaticSelectionMonitor> weak(this);
    return [weak] {
        QMetaObject::invokeMethod(
            weak.data(),
            [weak] {
                if (weak)
                    weak->invalidate();
            },
            Qt::QueuedConnection);
    };
}

void AutomaticSelectionMonitor::removeKeyMonitor()
{
    m_keyMonitorExpiry.reset();
    if (m_keyMonitorInstalled)
        m_environment.input->removeKeyMonitor();
    m_keyMonitorInstalled = false;
}

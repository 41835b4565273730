#include "TestingProbe.h"

#include "AppCoordinator.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <chrono>

namespace {

qlonglong monotonicNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

TestingProbe::TestingProbe(AppCoordinator& coordinator, QObject* parent)
    : QObject(parent), m_coordinator(coordinator)
{
    connect(&coordinator, &AppCoordinator::phaseChanged, this, &TestingProbe::phaseChanged);
}

QString TestingProbe::captureMethod() const
{
    const std::optional<SelectionContext>& selection = m_coordinator.selection();
    return selection ? rawValue(selection->captureMethod) : QString();
}

void TestingProbe::watchResultPanel(QWidget& panel)
{
    m_panel = &panel;
    panel.installEventFilter(this);
}

void TestingProbe::phaseChanged()
{
    const ResultPanelPhase phase = m_coordinator.phase();
    if (phase == ResultPanelPhase::loading) {
        m_loadingSince = monotonicNanoseconds();
        m_resultsPaintedAt = 0;
        m_awaitingPaint = false;
    } else if (phase == ResultPanelPhase::completed && m_coordinator.result() &&
               !m_coordinator.result()->references.isEmpty()) {
        m_awaitingPaint = true;
    }
}

bool TestingProbe::eventFilter(QObject* watched, QEvent* event)
{
    // An update request makes the window paint every changed widget and flush it to the
    // X server before control returns to the event loop: the loop's next turn sees the
    // panel painted.
    if (watched == m_panel && event->type() == QEvent::UpdateRequest && m_awaitingPaint) {
        m_awaitingPaint = false;
        QTimer::singleShot(0, this, [this] { m_resultsPaintedAt = monotonicNanoseconds(); });
    }
    return QObject::eventFilter(watched, event);
}

bool TestingProbe::isWanted()
{
    return qEnvironmentVariable("VORN_CITE_TESTING") == u"1";
}

ClipboardCompatibilityCapturer::Limits TestingProbe::captureLimits()
{
    ClipboardCompatibilityCapturer::Limits limits;
    bool ok = false;
    const int settle = qEnvironmentVariableIntValue("VORN_CITE_TESTING_COPY_SETTLE_MS", &ok);
    if (isWanted() && ok && settle > 0 && settle <= 60000) {
        limits.settle = std::chrono::milliseconds(settle);
        limits.extendedTimeout = std::chrono::milliseconds(settle) + std::chrono::seconds(3);
    }
    return limits;
}

bool TestingProbe::exportOn(QDBusConnection bus)
{
    return bus.registerObject(QStringLiteral("/app/vorn/cite/testing"), this,
                              QDBusConnection::ExportAllProperties);
}

QString TestingProbe::shortcutReport() const
{
    const std::optional<GlobalHotKeyAvailability>& availability =
        m_coordinator.shortcutRegistrationReport().availability;
    if (!availability)
        return QStringLiteral("none");
    if (availability->isRegistered())
        return QStringLiteral("registered");
    return QStringLiteral("unavailable ") + QString::number(availability->status);
}

bool TestingProbe::started() const
{
    return m_coordinator.hasStarted();
}

QString TestingProbe::errorMessage() const
{
    return m_coordinator.errorMessage().value_or(QString());
}

bool TestingProbe::badgeOffered() const
{
    return m_coordinator.hasAutomaticCandidate();
}

bool TestingProbe::selectionMonitorEnabled() const
{
    return m_coordinator.automaticSelectionMonitor().isEnabled();
}

QString TestingProbe::phase() const
{
    switch (m_coordinator.phase()) {
    case ResultPanelPhase::idle:
        return QStringLiteral("idle");
    case ResultPanelPhase::loading:
        return QStringLiteral("loading");
    case ResultPanelPhase::completed:
        return QStringLiteral("completed");
    case ResultPanelPhase::failed:
        return QStringLiteral("failed");
    }
    return {};
}

bool TestingProbe::resultPanelVisible() const
{
    return m_coordinator.isResultPanelVisible();
}

bool TestingProbe::automaticSelectionEnabled() const
{
    return m_coordinator.settings().automaticSelectionEnabled();
}

void TestingProbe::setAutomaticSelectionEnabled(bool enabled)
{
    m_coordinator.setAutomaticSelectionEnabled(enabled);
}

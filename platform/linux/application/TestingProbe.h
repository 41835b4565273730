#pragma once

#include "ClipboardCompatibilityCapturer.h"

#include <QDBusConnection>
#include <QObject>

class AppCoordinator;
class QWidget;

// What the end-to-end tests read of a running instance (and the one switch they set),
// on the session bus at /app/vorn/cite/testing (interface app.vorn.cite.Testing).
// Exported only when the environment variable VORN_CITE_TESTING is 1; it reveals no
// selected text. Times are nanoseconds of the monotonic clock (CLOCK_MONOTONIC, shared
// by every process), so that a benchmark can set them against the moment it pressed a key.
class TestingProbe final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "app.vorn.cite.Testing")
    Q_PROPERTY(QString ShortcutReport READ shortcutReport)
    Q_PROPERTY(bool Started READ started)
    Q_PROPERTY(QString ErrorMessage READ errorMessage)
    Q_PROPERTY(QString CaptureMethod READ captureMethod)
    Q_PROPERTY(qlonglong LoadingSince READ loadingSince)
    Q_PROPERTY(qlonglong ResultsPaintedAt READ resultsPaintedAt)
    Q_PROPERTY(bool BadgeOffered READ badgeOffered)
    Q_PROPERTY(bool SelectionMonitorEnabled READ selectionMonitorEnabled)
    // Writing it is the settings' switch "Show automatic selection badge".
    Q_PROPERTY(
        bool AutomaticSelectionEnabled READ automaticSelectionEnabled WRITE setAutomaticSelectionEnabled)
    Q_PROPERTY(QString Phase READ phase)
    Q_PROPERTY(bool ResultPanelVisible READ resultPanelVisible)

public:
    explicit TestingProbe(AppCoordinator& coordinator, QObject* parent = nullptr);

    static bool isWanted();
    // Compatibility Capture's limits: the defaults, except that a test may hold a
    // copied value on the clipboard longer (VORN_CITE_TESTING_COPY_SETTLE_MS, with
    // VORN_CITE_TESTING=1) to act while a restore is pending.
    static ClipboardCompatibilityCapturer::Limits captureLimits();
    bool exportOn(QDBusConnection bus);
    // Watches the result panel's window for its first paint after each result with references.
    void watchResultPanel(QWidget& panel);

    // "registered", "unavailable STATUS", or "none" when nothing was attempted.
    [[nodiscard]] QString shortcutReport() const;
    [[nodiscard]] bool started() const;
    // The message of the last failure shown, empty when none shows.
    [[nodiscard]] QString errorMessage() const;
    // How the current selection was read ("accessibility", "clipboard_compatibility",
    // "service"), empty when there is none.
    [[nodiscard]] QString captureMethod() const;
    // When the latest query started (the selection was captured and sent); 0 before any.
    [[nodiscard]] qlonglong loadingSince() const { return m_loadingSince; }
    // When the result panel had finished painting the latest result with references; 0
    // until it has.
    [[nodiscard]] qlonglong resultsPaintedAt() const { return m_resultsPaintedAt; }
    // Whether the selection badge offers a candidate now.
    [[nodiscard]] bool badgeOffered() const;
    // Whether the selection monitor receives the desktop's mouse events.
    [[nodiscard]] bool selectionMonitorEnabled() const;
    [[nodiscard]] bool automaticSelectionEnabled() const;
    void setAutomaticSelectionEnabled(bool enabled);
    // The result panel's phase: "idle", "loading", "completed" or "failed".
    [[nodiscard]] QString phase() const;
    [[nodiscard]] bool resultPanelVisible() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void phaseChanged();

    AppCoordinator& m_coordinator;
    QWidget* m_panel = nullptr;
    bool m_awaitingPaint = false;
    qlonglong m_loadingSince = 0;
    qlonglong m_resultsPaintedAt = 0;
};

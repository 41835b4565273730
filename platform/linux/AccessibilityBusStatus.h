#pragma once

#include <QDBusConnection>

// The desktop's accessibility switch, on the session bus: whether the
// accessibility bus answers (org.a11y.Bus.GetAddress) and whether
// org.a11y.Status.IsEnabled is on. Never touches ScreenReaderEnabled, which
// would start a screen reader. Main thread only.
class AccessibilityBusStatus final
{
public:
    explicit AccessibilityBusStatus(QDBusConnection sessionBus = QDBusConnection::sessionBus());

    // The address of the accessibility bus, or empty when it does not answer.
    QString busAddress() const;
    bool isEnabled() const;
    bool setEnabled(bool enabled);
    // Both: this process may read other applications.
    bool isTrusted() const { return isEnabled() && !busAddress().isEmpty(); }

    static constexpr int callTimeoutMs = 1000;

private:
    QDBusConnection m_bus;
};

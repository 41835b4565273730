#pragma once

#include "capture/AutomaticSelection.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointF>
#include <QSet>

#include <functional>
#include <memory>
#include <optional>

class QSocketNotifier;
struct xcb_connection_t;

// The desktop's mouse and keys on X11, from XInput 2.2 raw events on a private
// connection (selecting on Qt's own root window would disturb Qt), drained from a
// QSocketNotifier. Raw events carry no position and no modifiers: the pointer and
// Shift are queried at each left press and release. Clicks are counted with Qt's
// double-click interval and drag distance. To cost nothing while the user is not
// selecting, only button events are selected at rest: pointer motion only while the
// left button is down, key presses only while a key monitor is installed. Presses
// on our own windows (the badge, the panels) and key presses while one of them has
// the keyboard are not reported, nor our own Copy keystrokes (SyntheticInput).
// Under Wayland it reports itself unavailable. Main thread only.
class X11InputMonitor final : public QObject, public GlobalInputMonitoring
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(X11InputMonitor)

public:
    explicit X11InputMonitor(QObject* parent = nullptr);
    ~X11InputMonitor() override;

    static const QString waylandReason;
    static const QString noXInputReason;

    [[nodiscard]] std::optional<QString> unavailableReason() const override;
    bool installMouseMonitor(std::function<void(const MouseEvent&)> handler) override;
    void removeMouseMonitor() override;
    bool installKeyMonitor(std::function<void()> handler) override;
    void removeKeyMonitor() override;

    // Wake-ups of the connection so far (for the benchmark).
    [[nodiscard]] quint64 wakeUps() const { return m_wakeUps; }

private:
    bool connectToServer();
    void disconnectFromServer();
    void updateSelection();
    void drain();
    void handleRawEvent(quint16 type, quint32 detail, quint16 sourceId);
    // The pointer in desktop space and the Shift state; absent on one of our windows.
    struct Pointer
    {
        QPointF native;
        SystemPoint desktop;
        bool shift = false;
        bool onOwnWindow = false;
    };
    std::optional<Pointer> queryPointer();

    xcb_connection_t* m_connection = nullptr;
    quint32 m_root = 0;
    quint8 m_opcode = 0;
    QSet<quint16> m_xtestDevices;
    std::unique_ptr<QSocketNotifier> m_notifier;
    quint32 m_selectedMask = 0;

    std::function<void(const MouseEvent&)> m_mouseHandler;
    std::function<void()> m_keyHandler;

    bool m_leftDown = false;
    bool m_pressIgnored = false; // the current press is on one of our windows
    bool m_dragReported = false;
    int m_clickCount = 1;
    QPointF m_lastPressPoint;
    QElapsedTimer m_sinceLastPress;
    quint64 m_wakeUps = 0;
};

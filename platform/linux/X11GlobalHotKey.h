#pragma once

#include "GlobalHotKey.h"

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <cstdint>
#include <functional>

struct xcb_connection_t;

// Alt+Super+G on X11: a checked key grab on the root window, also with Caps Lock and
// Num Lock on, so that the shortcut works whatever their state. A grab that any other
// client holds is refused by the X server; the report then carries the X error code
// (BadAccess is 10) and whatever part was taken is given back. Key events arrive on
// Qt's own connection through a native event filter; a press triggers when G is
// released (the focus is back with the application in front then) and reaches the
// handler through the event loop. Main thread only.
class X11GlobalHotKey final : public QObject, public GlobalHotKeyProviding, public QAbstractNativeEventFilter
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(X11GlobalHotKey)

public:
    // The application's X connection and root window. Without a connection, or in a
    // Wayland session (where an X grab sees only keys typed into X clients),
    // registration fails with desktopShortcutRequired.
    X11GlobalHotKey(xcb_connection_t* connection, quint32 root, QObject* parent = nullptr);
    // Qt's own connection, when the application runs on X11.
    static std::unique_ptr<X11GlobalHotKey> forApplication();
    ~X11GlobalHotKey() override;
    // Whether a grab here sees the keys typed into every application: an X connection
    // in an X11 session (not an X client of a Wayland session).
    [[nodiscard]] bool seesEveryKey() const;

    bool isRegistered() const override { return m_isGrabbed; }
    GlobalHotKeyRegistrationReport registrationReport() const override { return m_report; }
    std::expected<GlobalHotKeyRegistrationReport, GlobalHotKeyError>
    registerHotKey(std::function<void()> handler) override;
    void unregisterHotKey() override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

    // The modifier bits of Alt, Super and Num Lock on this server's modifier map.
    struct Modifiers
    {
        quint16 alt = 0x0008; // Mod1
        quint16 super = 0x0040; // Mod4
        quint16 numLock = 0x0010; // Mod2
    };

private:
    QList<quint16> variants() const;
    void ungrab();

    xcb_connection_t* m_connection;
    quint32 m_root;
    Modifiers m_modifiers;
    quint8 m_keycode = 0;
    bool m_filterInstalled = false;
    bool m_isGrabbed = false;
    bool m_isPressed = false; // the shortcut is down; it triggers when G is released
    std::function<void()> m_handler;
    GlobalHotKeyRegistrationReport m_report;
};

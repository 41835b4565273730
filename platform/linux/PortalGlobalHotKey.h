#pragma once

#include "GlobalHotKey.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QVariantMap>

#include <functional>

// Alt+Super+G where the X server cannot grab keys for us (Wayland): the desktop's
// org.freedesktop.portal.GlobalShortcuts on the session bus. The portal answers
// through Request objects, possibly after asking the user, so registerHotKey returns
// a report without availability and the outcome follows through the late-outcome
// handler: registered once BindShortcuts succeeded; unavailable with the portal's
// response code (1 the user cancelled, 2 refused otherwise) or -1 when a call
// failed; desktopShortcutRequired when the session has no portal offering the
// interface. A press arrives as the portal's Activated signal for our session and
// shortcut, and reaches the handler through the event loop. Main thread only.
//
// A portal's press carries no selection: the handler captures it as any other
// press does, through the accessibility tree of the application in front.
class PortalGlobalHotKey final : public QObject, public GlobalHotKeyProviding
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PortalGlobalHotKey)

public:
    static const QString serviceName; // "org.freedesktop.portal.Desktop"
    static const QString objectPath; // "/org/freedesktop/portal/desktop"
    static const QString interfaceName; // "org.freedesktop.portal.GlobalShortcuts"
    static const QString shortcutId; // "find-citations"
    static const QString preferredTrigger; // "LOGO+ALT+g"

    explicit PortalGlobalHotKey(QDBusConnection bus, QObject* parent = nullptr);
    ~PortalGlobalHotKey() override;

    bool isRegistered() const override { return m_isBound; }
    GlobalHotKeyRegistrationReport registrationReport() const override { return m_report; }
    std::expected<GlobalHotKeyRegistrationReport, GlobalHotKeyError>
    registerHotKey(std::function<void()> handler) override;
    void unregisterHotKey() override;
    void setLateOutcomeHandler(OutcomeHandler handler) override { m_lateOutcome = std::move(handler); }

private slots:
    void onSessionCreated(uint response, const QVariantMap& results);
    void onShortcutsBound(uint response, const QVariantMap& results);
    void onActivated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp,
                     const QVariantMap& options);
    void onSessionClosed(const QVariantMap& details);

private:
    void createSession();
    void bindShortcuts();
    // Calls a method that answers through a Request object; a failed call fails the
    // registration it belongs to.
    void callRequest(const QDBusMessage& call);
    // The path of the Request object a call with token answers on.
    QString requestPath(const QString& token) const;
    bool watchResponse(const QString& path, const char* slot);
    void stopWatchingResponse();
    void finish(const Outcome& outcome);
    void fail(qint32 status);

    QDBusConnection m_bus;
    std::function<void()> m_handler;
    OutcomeHandler m_lateOutcome;
    GlobalHotKeyRegistrationReport m_report;
    quint64 m_generation = 0; // bumped by every registration and every undoing
    quint64 m_tokens = 0;
    QString m_responsePath; // the Request being waited for
    const char* m_responseSlot = nullptr;
    QString m_sessionPath;
    bool m_isBound = false;
};

#include "PortalGlobalHotKey.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QRegularExpression>

// One entry of BindShortcuts' a(sa{sv}): the shortcut's id and its properties.
struct PortalShortcutEntry
{
    QString id;
    QVariantMap properties;
};
Q_DECLARE_METATYPE(PortalShortcutEntry)

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcutEntry& entry)
{
    argument.beginStructure();
    argument << entry.id << entry.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcutEntry& entry)
{
    argument.beginStructure();
    argument >> entry.id >> entry.properties;
    argument.endStructure();
    return argument;
}

const QString PortalGlobalHotKey::serviceName = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalGlobalHotKey::objectPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString PortalGlobalHotKey::interfaceName = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString PortalGlobalHotKey::shortcutId = QStringLiteral("find-citations");
const QString PortalGlobalHotKey::preferredTrigger = QStringLiteral("LOGO+ALT+g");

namespace {

const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString sessionInterface = QStringLiteral("org.freedesktop.portal.Session");
// The portal's status when a call itself failed (no Request ever answered).
constexpr qint32 callFailed = -1;
// The portal's own code for "ended in another way".
constexpr qint32 otherwiseEnded = 2;

// A session handle as the portal returns it (a string, or an object path from some
// versions), when it is a well-formed object path of a sane length.
QString sessionHandle(const QVariantMap& results)
{
    const QVariant value = results.value(QStringLiteral("session_handle"));
    QString path;
    if (value.metaType() == QMetaType::fromType<QDBusObjectPath>())
        path = value.value<QDBusObjectPath>().path();
    else if (value.metaType() == QMetaType::fromType<QString>())
        path = value.toString();
    static const QRegularExpression wellFormed(QStringLiteral("^(/[A-Za-z0-9_]+)+$"));
    if (path.size() > 1024 || !wellFormed.match(path).hasMatch())
        return {};
    return path;
}

} // namespace

PortalGlobalHotKey::PortalGlobalHotKey(QDBusConnection bus, QObject* parent)
    : QObject(parent), m_bus(std::move(bus))
{
    qDBusRegisterMetaType<PortalShortcutEntry>();
    qDBusRegisterMetaType<QList<PortalShortcutEntry>>();
}

PortalGlobalHotKey::~PortalGlobalHotKey()
{
    unregisterHotKey();
}

std::expected<GlobalHotKeyRegistrationReport, GlobalHotKeyError>
PortalGlobalHotKey::registerHotKey(std::function<void()> handler)
{
    unregisterHotKey();
    if (!m_bus.isConnected())
        return std::unexpected(GlobalHotKeyError::desktopShortcutRequired());
    m_handler = std::move(handler);
    const quint64 generation = m_generation;

    // Whether the portal is there and offers the interface: its version property.
    QDBusMessage get = QDBusMessage::createMethodCall(
        serviceName, objectPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << interfaceName << QStringLiteral("version");
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(get), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                if (generation != m_generation)
                    return;
                const QDBusPendingReply<QDBusVariant> reply = *call;
                if (reply.isError() || reply.value().variant().toUInt() == 0) {
                    finish(std::unexpected(GlobalHotKeyError::desktopShortcutRequired()));
                    return;
                }
                createSession();
            });
    return m_report;
}

void PortalGlobalHotKey::createSession()
{
    const QString prefix = QStringLiteral("vorn_cite_%1_").arg(quintptr(this), 0, 16);
    const QString token = prefix + QString::number(++m_tokens);
    const QString sessionToken = prefix + QStringLiteral("session_") + QString::number(m_tokens);
    if (!watchResponse(requestPath(token), SLOT(onSessionCreated(uint, QVariantMap)))) {
        fail(callFailed);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(serviceName, objectPath, interfaceName,
                                                       QStringLiteral("CreateSession"));
    call << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("session_handle_token"), sessionToken}};
    callRequest(call);
}

void PortalGlobalHotKey::callRequest(const QDBusMessage& call)
{
    // The outcome comes as the Request's Response signal; only a refused call ends here.
    const quint64 generation = m_generation;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation](QDBusPendingCallWatcher* reply) {
                reply->deleteLater();
                if (generation == m_generation && reply->isError())
                    fail(callFailed);
            });
}

void PortalGlobalHotKey::onSessionCreated(uint response, const QVariantMap& results)
{
    stopWatchingResponse();
    if (response != 0) {
        fail(qint32(qMin(response, uint(INT32_MAX))));
        return;
    }
    m_sessionPath = sessionHandle(results);
    if (m_sessionPath.isEmpty()) {
        fail(otherwiseEnded);
        return;
    }
    m_bus.connect(serviceName, objectPath, interfaceName, QStringLiteral("Activated"), this,
                  SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    m_bus.connect(serviceName, m_sessionPath, sessionInterface, QStringLiteral("Closed"), this,
                  SLOT(onSessionClosed(QVariantMap)));
    bindShortcuts();
}

void PortalGlobalHotKey::bindShortcuts()
{
    const QString token =
        QStringLiteral("vorn_cite_%1_").arg(quintptr(this), 0, 16) + QString::number(++m_tokens);
    if (!watchResponse(requestPath(token), SLOT(onShortcutsBound(uint, QVariantMap)))) {
        fail(callFailed);
        return;
    }
    const QList<PortalShortcutEntry> shortcuts{
        {shortcutId,
         {{QStringLiteral("description"), QStringLiteral("Find Citations")},
          {QStringLiteral("preferred_trigger"), preferredTrigger}}}};
    QDBusMessage call = QDBusMessage::createMethodCall(serviceName, objectPath, interfaceName,
                                                       QStringLiteral("BindShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(m_sessionPath)) << QVariant::fromValue(shortcuts) << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token}};
    callRequest(call);
}

void PortalGlobalHotKey::onShortcutsBound(uint response, const QVariantMap&)
{
    stopWatchingResponse();
    if (response != 0) {
        fail(qint32(qMin(response, uint(INT32_MAX))));
        return;
    }
    m_isBound = true;
    finish(GlobalHotKeyRegistrationReport{GlobalHotKeyAvailability::registered()});
}

void PortalGlobalHotKey::onActivated(const QDBusObjectPath& session, const QString& id, qulonglong,
                                     const QVariantMap&)
{
    if (!m_isBound || session.path() != m_sessionPath || id != shortcutId)
        return;
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            if (generation == m_generation && m_handler) {
                const std::function<void()> handler = m_handler;
                handler();
            }
        },
        Qt::QueuedConnection);
}

void PortalGlobalHotKey::onSessionClosed(const QVariantMap&)
{
    // The portal ended the session (the desktop withdrew the shortcut).
    fail(otherwiseEnded);
}

QString PortalGlobalHotKey::requestPath(const QString& token) const
{
    QString sender = m_bus.baseService();
    if (sender.startsWith(u':'))
        sender.remove(0, 1);
    sender.replace(u'.', u'_');
    return objectPath + QStringLiteral("/request/") + sender + u'/' + token;
}

bool PortalGlobalHotKey::watchResponse(const QString& path, const char* slot)
{
    stopWatchingResponse();
    // Subscribed before the call, so that a quick answer is not missed.
    if (!m_bus.connect(serviceName, path, requestInterface, QStringLiteral("Response"), this, slot))
        return false;
    m_responsePath = path;
    m_responseSlot = slot;
    return true;
}

void PortalGlobalHotKey::stopWatchingResponse()
{
    if (m_responseSlot)
        m_bus.disconnect(serviceName, m_responsePath, requestInterface, QStringLiteral("Response"), this,
                         m_responseSlot);
    m_responsePath.clear();
    m_responseSlot = nullptr;
}

void PortalGlobalHotKey::fail(qint32 status)
{
    const OutcomeHandler lateOutcome = m_lateOutcome;
    std::function<void()> handler = m_handler;
    unregisterHotKey();
    // Kept as a failed X11 registration keeps it: unregister forgets it later.
    m_handler = std::move(handler);
    m_report.availability = GlobalHotKeyAvailability::unavailable(status);
    if (lateOutcome)
        lateOutcome(m_report);
}

void PortalGlobalHotKey::finish(const Outcome& outcome)
{
    if (outcome)
        m_report = *outcome;
    if (m_lateOutcome)
        m_lateOutcome(outcome);
}

void PortalGlobalHotKey::unregisterHotKey()
{
    ++m_generation;
    stopWatchingResponse();
    if (!m_sessionPath.isEmpty()) {
        m_bus.disconnect(serviceName, objectPath, interfaceName, QStringLiteral("Activated"), this,
                         SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
        m_bus.disconnect(serviceName, m_sessionPath, sessionInterface, QStringLiteral("Closed"), this,
                         SLOT(onSessionClosed(QVariantMap)));
        if (m_bus.isConnected())
            m_bus.asyncCall(QDBusMessage::createMethodCall(serviceName, m_sessionPath, sessionInterface,
                                                           QStringLiteral("Close")));
        m_sessionPath.clear();
    }
    m_isBound = false;
    m_handler = nullptr;
    m_report = {};
}

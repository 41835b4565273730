#include "AccessibilityBusStatus.h"

#include <QDBusMessage>
#include <QDBusVariant>

namespace {

const QString service = QStringLiteral("org.a11y.Bus");
const QString path = QStringLiteral("/org/a11y/bus");
const QString statusInterface = QStringLiteral("org.a11y.Status");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

} // namespace

AccessibilityBusStatus::AccessibilityBusStatus(QDBusConnection sessionBus) : m_bus(std::move(sessionBus)) {}

QString AccessibilityBusStatus::busAddress() const
{
    if (!m_bus.isConnected())
        return {};
    const QDBusMessage reply =
        m_bus.call(QDBusMessage::createMethodCall(service, path, service, QStringLiteral("GetAddress")),
                   QDBus::Block, callTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
        return {};
    return reply.arguments().constFirst().toString().left(4096);
}

bool AccessibilityBusStatus::isEnabled() const
{
    if (!m_bus.isConnected())
        return false;
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, path, propertiesInterface, QStringLiteral("Get"));
    call << statusInterface << QStringLiteral("IsEnabled");
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, callTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
        return false;
    const QVariant value = qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant();
    return value.typeId() == QMetaType::Bool && value.toBool();
}

bool AccessibilityBusStatus::setEnabled(bool enabled)
{
    if (!m_bus.isConnected())
        return false;
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, path, propertiesInterface, QStringLiteral("Set"));
    call << statusInterface << QStringLiteral("IsEnabled") << QVariant::fromValue(QDBusVariant(enabled));
    return m_bus.call(call, QDBus::Block, callTimeoutMs).type() == QDBusMessage::ReplyMessage;
}

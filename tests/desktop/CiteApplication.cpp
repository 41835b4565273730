#include "CiteApplication.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QTest>

#include <csignal>

namespace {

// Generous: under the sanitizers (full unwinding on every allocation) on a loaded machine,
// a start takes tens of seconds. The waits end as soon as their condition holds.
constexpr int waitMs = 90000;

} // namespace

CiteApplication::~CiteApplication()
{
    (void)stop();
}

bool CiteApplication::start(const QStringList& arguments, const QProcessEnvironment& extra)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VORN_CITE_TESTING"), QStringLiteral("1"));
    environment.insert(extra);
    m_process.setProcessEnvironment(environment);
    m_process.start(QStringLiteral(VORN_CITE_BINARY), arguments);
    if (!m_process.waitForStarted(waitMs))
        return false;
    return QTest::qWaitFor(
               [this] {
                   return m_process.state() == QProcess::NotRunning ||
                          CiteProbe::property(QStringLiteral("Started")).toBool();
               },
               waitMs) &&
           m_process.state() == QProcess::Running;
}

bool CiteApplication::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return true;
    ::kill(pid_t(m_process.processId()), SIGTERM);
    const bool ended = m_process.waitForFinished(waitMs);
    if (!ended) {
        m_process.kill();
        m_process.waitForFinished(waitMs);
    }
    const bool released = QTest::qWaitFor([] { return !CiteProbe::isNameOwned(); }, waitMs);
    return ended && released && m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
}

namespace CiteProbe {

QVariant property(const QDBusConnection& bus, const QString& name)
{
    QDBusMessage call = QDBusMessage::createMethodCall(serviceName, QStringLiteral("/app/vorn/cite/testing"),
                                                       QStringLiteral("org.freedesktop.DBus.Properties"),
                                                       QStringLiteral("Get"));
    call << QStringLiteral("app.vorn.cite.Testing") << name;
    const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant();
}

bool isNameOwned()
{
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(serviceName).value();
}

} // namespace CiteProbe

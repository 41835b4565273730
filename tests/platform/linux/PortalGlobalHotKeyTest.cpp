// Alt+Super+G through the shortcuts portal, against a stand-in portal that owns the
// portal's name on a private session bus (the test runs under dbus-run-session) and
// answers the way xdg-desktop-portal does: a Request path at once, the outcome as
// that Request's Response signal.
#include "PortalGlobalHotKey.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

class StandInPortal final : public QDBusVirtualObject
{
public:
    // What the portal answers: 0 success, 1 cancelled, 2 other.
    uint createResponse = 0;
    uint bindResponse = 0;
    bool offersShortcuts = true;

    QStringList boundIds;
    QStringList preferredTriggers;
    QStringList closedSessions;
    QString sessionPath;

    explicit StandInPortal(QDBusConnection bus) : m_bus(std::move(bus)) {}

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        const QString member = message.member();
        if (message.interface() == u"org.freedesktop.DBus.Properties" && member == u"Get") {
            if (!offersShortcuts || message.arguments().value(0).toString() != shortcutsInterface)
                return connection.send(
                    message.createErrorReply(QDBusError::InvalidArgs, QStringLiteral("no such interface")));
            return connection.send(message.createReply(QVariant::fromValue(QDBusVariant(2u))));
        }
        if (message.interface() == u"org.freedesktop.portal.Session" && member == u"Close") {
            closedSessions.append(message.path());
            return connection.send(message.createReply());
        }
        if (message.interface() != shortcutsInterface || !offersShortcuts)
            return false;
        if (member == u"CreateSession") {
            const auto options = qdbus_cast<QVariantMap>(message.arguments().value(0));
            sessionPath = portalPath + QStringLiteral("/session/") + sender(message) + u'/' +
                          options.value(QStringLiteral("session_handle_token")).toString();
            const QString request = requestPath(message, options);
            connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
            respond(request, createResponse, {{QStringLiteral("session_handle"), sessionPath}});
            return true;
        }
        if (member == u"BindShortcuts") {
            const QDBusArgument shortcuts = message.arguments().value(1).value<QDBusArgument>();
            shortcuts.beginArray();
            while (!shortcuts.atEnd()) {
                QString id;
                QVariantMap properties;
                shortcuts.beginStructure();
                shortcuts >> id >> properties;
                shortcuts.endStructure();
                boundIds.append(id);
                preferredTriggers.append(properties.value(QStringLiteral("preferred_trigger")).toString());
            }
            shortcuts.endArray();
            const auto options = qdbus_cast<QVariantMap>(message.arguments().value(3));
            const QString request = requestPath(message, options);
            connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
            respond(request, bindResponse, {});
            return true;
        }
        return false;
    }

    void activate(const QString& session, const QString& id)
    {
        QDBusMessage signal =
            QDBusMessage::createSignal(portalPath, shortcutsInterface, QStringLiteral("Activated"));
        signal << QVariant::fromValue(QDBusObjectPath(session)) << id << qulonglong(1) << QVariantMap();
        m_bus.send(signal);
    }

private:
    static QString sender(const QDBusMessage& message)
    {
        QString name = message.service().mid(1);
        return name.replace(u'.', u'_');
    }
    static QString requestPath(const QDBusMessage& message, const QVariantMap& options)
    {
        return portalPath + QStringLiteral("/request/") + sender(message) + u'/' +
               options.value(QStringLiteral("handle_token")).toString();
    }
    void respond(const QString& request, uint code, const QVariantMap& results)
    {
        // After the reply, as the portal does once the user answered.
        QTimer::singleShot(0, [bus = m_bus, request, code, results]() mutable {
            QDBusMessage signal = QDBusMessage::createSignal(
                request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
            signal << code << results;
            bus.send(signal);
        });
    }

    QDBusConnection m_bus;
};

class PortalHotKey : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "needs a session bus (the test runs under dbus-run-session)";
    }

    void TearDown() override
    {
        hotKey.reset();
        if (portal) {
            portalBus.unregisterObject(portalPath, QDBusConnection::UnregisterTree);
            portalBus.unregisterService(PortalGlobalHotKey::serviceName);
            QDBusConnection::disconnectFromBus(QStringLiteral("stand-in-portal"));
        }
    }

    // The stand-in portal on a connection of its own.
    void startPortal()
    {
        portalBus =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("stand-in-portal"));
        portal = std::make_unique<StandInPortal>(portalBus);
        ASSERT_TRUE(portalBus.registerVirtualObject(portalPath, portal.get(), QDBusConnection::SubPath));
        ASSERT_TRUE(portalBus.registerService(PortalGlobalHotKey::serviceName));
    }

    // Registers and waits for the portal's outcome.
    void registerAndWait()
    {
        hotKey->setLateOutcomeHandler(
            [this](const GlobalHotKeyProviding::Outcome& o) { outcomes.append(o); });
        const auto first = hotKey->registerHotKey([this] {
            EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
            ++presses;
        });
        ASSERT_TRUE(first.has_value());
        EXPECT_FALSE(first->availability.has_value()) << "the portal answers later";
        ASSERT_TRUE(QTest::qWaitFor([this] { return !outcomes.isEmpty(); }, 10000));
    }

    QDBusConnection portalBus{QString()};
    std::unique_ptr<StandInPortal> portal;
    std::unique_ptr<PortalGlobalHotKey> hotKey =
        std::make_unique<PortalGlobalHotKey>(QDBusConnection::sessionBus());
    QList<GlobalHotKeyProviding::Outcome> outcomes;
    int presses = 0;
};

} // namespace

TEST_F(PortalHotKey, BoundShortcutDeliversPressesOfItsOwnSession)
{
    startPortal();
    registerAndWait();
    ASSERT_EQ(outcomes.size(), 1);
    EXPECT_EQ(outcomes.first(), GlobalHotKeyRegistrationReport{GlobalHotKeyAvailability::registered()});
    EXPECT_TRUE(hotKey->isRegistered());
    EXPECT_EQ(portal->boundIds, QStringList{PortalGlobalHotKey::shortcutId});
    EXPECT_EQ(portal->preferredTriggers, QStringList{QStringLiteral("LOGO+ALT+g")});

    portal->activate(portal->sessionPath, PortalGlobalHotKey::shortcutId);
    ASSERT_TRUE(QTest::qWaitFor([this] { return presses == 1; }, 5000));

    // Another session's press, or another shortcut of ours, triggers nothing.
    portal->activate(portalPath + QStringLiteral("/session/other/s"), PortalGlobalHotKey::shortcutId);
    portal->activate(portal->sessionPath, QStringLiteral("something-else"));
    QTest::qWait(200);
    EXPECT_EQ(presses, 1);

    // Unregistering closes the session; its presses no longer count.
    const QString session = portal->sessionPath;
    hotKey->unregisterHotKey();
    EXPECT_EQ(hotKey->registrationReport(), GlobalHotKeyRegistrationReport{});
    ASSERT_TRUE(QTest::qWaitFor([&] { return portal->closedSessions.contains(session); }, 5000));
    portal->activate(session, PortalGlobalHotKey::shortcutId);
    QTest::qWait(200);
    EXPECT_EQ(presses, 1);
}

TEST_F(PortalHotKey, RefusalsReportUnavailableWithThePortalsCode)
{
    struct Case
    {
        const char* name;
        uint createResponse;
        uint bindResponse;
        qint32 status;
    };
    for (const Case& c : {Case{"user cancelled the binding", 0, 1, 1}, Case{"binding failed", 0, 2, 2},
                          Case{"session refused", 2, 0, 2}}) {
        SCOPED_TRACE(c.name);
        startPortal();
        portal->createResponse = c.createResponse;
        portal->bindResponse = c.bindResponse;
        outcomes.clear();
        registerAndWait();
        ASSERT_EQ(outcomes.size(), 1);
        EXPECT_EQ(outcomes.first(),
                  GlobalHotKeyRegistrationReport{GlobalHotKeyAvailability::unavailable(c.status)});
        EXPECT_FALSE(hotKey->isRegistered());
        EXPECT_EQ(hotKey->registrationReport().availability, GlobalHotKeyAvailability::unavailable(c.status));
        TearDown();
        hotKey = std::make_unique<PortalGlobalHotKey>(QDBusConnection::sessionBus());
        portal.reset();
    }
}

TEST_F(PortalHotKey, NoPortalOrNoShortcutsInterfaceAsksForADesktopShortcut)
{
    // Nobody owns the portal's name.
    registerAndWait();
    ASSERT_EQ(outcomes.size(), 1);
    EXPECT_EQ(outcomes.first(), std::unexpected(GlobalHotKeyError::desktopShortcutRequired()));
    EXPECT_FALSE(hotKey->isRegistered());

    // A portal without the shortcuts interface (GNOME 43's).
    startPortal();
    portal->offersShortcuts = false;
    outcomes.clear();
    registerAndWait();
    ASSERT_EQ(outcomes.size(), 1);
    EXPECT_EQ(outcomes.first(), std::unexpected(GlobalHotKeyError::desktopShortcutRequired()));
    EXPECT_TRUE(portal->boundIds.isEmpty());
}

TEST_F(PortalHotKey, AnOutcomeOfAnUndoneRegistrationIsDropped)
{
    startPortal();
    hotKey->setLateOutcomeHandler([this](const GlobalHotKeyProviding::Outcome& o) { outcomes.append(o); });
    ASSERT_TRUE(hotKey->registerHotKey([this] { ++presses; }).has_value());
    hotKey->unregisterHotKey();
    QTest::qWait(500);
    EXPECT_TRUE(outcomes.isEmpty());
    EXPECT_FALSE(hotKey->isRegistered());
}

// The coordinator over the real Secret Service (tests/support/with-secret-service) with
// its default collection locked and nothing that could unlock it: saving the key from
// a window never holds up the event loop and ends with the store's own error.
#include "AppCoordinator.h"
#include "SecretServiceKeyStore.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const QString secrets = QStringLiteral("org.freedesktop.secrets");
const QString secretsPath = QStringLiteral("/org/freedesktop/secrets");
const QString serviceInterface = QStringLiteral("org.freedesktop.Secret.Service");

// Locks the default collection; false when the keyring did not do it.
bool lockDefaultCollection()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    qDBusRegisterMetaType<QMap<QString, QString>>();
    // A prompter the bus starts must not reach a display: nobody would answer it.
    QDBusMessage environment = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("UpdateActivationEnvironment"));
    environment << QVariant::fromValue(QMap<QString, QString>{
        {QStringLiteral("DISPLAY"), QString()}, {QStringLiteral("WAYLAND_DISPLAY"), QString()}});
    if (bus.call(environment).type() == QDBusMessage::ErrorMessage)
        return false;
    QDBusMessage alias =
        QDBusMessage::createMethodCall(secrets, secretsPath, serviceInterface, QStringLiteral("ReadAlias"));
    alias << QStringLiteral("default");
    const QDBusReply<QDBusObjectPath> collection = bus.call(alias);
    if (!collection.isValid() || collection.value().path() == u"/")
        return false;
    QDBusMessage lock =
        QDBusMessage::createMethodCall(secrets, secretsPath, serviceInterface, QStringLiteral("Lock"));
    lock << QVariant::fromValue(QList<QDBusObjectPath>{collection.value()});
    return bus.call(lock).type() == QDBusMessage::ReplyMessage;
}

} // namespace

TEST(LockedKeyring, SavingFromTheWindowsEndsWithTheStoresErrorAndNeverBlocks)
{
    if (!QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "needs tests/support/with-secret-service";
    auto store = std::make_shared<SecretServiceKeyStore>();
    ASSERT_TRUE(store->deleteAPIKey().has_value()) << "the throwaway keyring answers";
    ASSERT_TRUE(lockDefaultCollection());

    QTemporaryDir dir;
    AppCoordinator::Dependencies deps;
    deps.settings = std::make_shared<AppSettings>(
        std::make_unique<QSettings>(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat));
    deps.readKeyStoreOffThread = true;
    AppCoordinator coordinator(store, deps);

    QList<std::expected<void, VORNAPIKeyStoreError>> outcomes;
    coordinator.saveAPIKey(
        QStringLiteral("vorn_locked-keyring-test"),
        [&](const std::expected<void, VORNAPIKeyStoreError>& saved) { outcomes.append(saved); });
    EXPECT_TRUE(coordinator.isWritingAPIKey());
    bool timerRan = false;
    QTimer::singleShot(0, [&] { timerRan = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return timerRan; }, 1000)) << "the event loop runs meanwhile";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !outcomes.isEmpty(); }, 30000));
    ASSERT_FALSE(outcomes.first().has_value());
    EXPECT_TRUE(outcomes.first().error().errorDescription().startsWith(u"Keyring error: "))
        << outcomes.first().error().errorDescription().toStdString();
    EXPECT_FALSE(coordinator.isWritingAPIKey());
    EXPECT_FALSE(coordinator.hasStoredAPIKey());
}

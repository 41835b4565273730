// Accessibility trust on the session bus of the headless desktop.

#include "AccessibilityPermissionManager.h"

#include <QDBusConnection>

#include <gtest/gtest.h>

TEST(AccessibilityPermission, TrustFollowsTheDesktopAccessibilitySwitch)
{
    if (qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS").isEmpty())
        GTEST_SKIP() << "needs the headless desktop of tests/desktop/run-desktop.sh";
    auto status = std::make_shared<AccessibilityBusStatus>();
    int prompts = 0;
    AccessibilityPermissionManager manager(status, [&prompts] { ++prompts; });
    ASSERT_TRUE(manager.isTrusted());
    EXPECT_FALSE(status->busAddress().isEmpty());

    ASSERT_TRUE(status->setEnabled(false));
    EXPECT_FALSE(manager.isTrusted());
    EXPECT_FALSE(manager.checkTrust(false)) << "checking without prompting changes nothing";
    EXPECT_FALSE(status->isEnabled());
    EXPECT_FALSE(manager.checkTrust(true)) << "prompting never switches accessibility on by itself";
    EXPECT_FALSE(status->isEnabled());
    EXPECT_EQ(prompts, 1) << "it shows the application's own prompt";
    EXPECT_TRUE(manager.grantAccess()) << "the user's click in the prompt switches it on";
    EXPECT_TRUE(status->isEnabled());
    EXPECT_TRUE(manager.isTrusted());
    EXPECT_TRUE(manager.checkTrust(true));
    EXPECT_EQ(prompts, 1) << "no prompt once trusted";
}

TEST(AccessibilityPermission, NoSessionBusMeansNoTrust)
{
    const QDBusConnection nowhere = QDBusConnection::connectToBus(
        QStringLiteral("unix:path=/nonexistent/vorn-test-bus"), QStringLiteral("vorn-test-nowhere"));
    AccessibilityPermissionManager manager(std::make_shared<AccessibilityBusStatus>(nowhere));
    EXPECT_FALSE(manager.isTrusted());
    EXPECT_FALSE(manager.checkTrust(true));
    QDBusConnection::disconnectFromBus(QStringLiteral("vorn-test-nowhere"));
}

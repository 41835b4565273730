#include "CaptureDiagnostics.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// The switch is read once: switching it on while the process runs changes nothing.
TEST(CaptureDiagnostics, SwitchReadAtFirstUseStaysForTheProcess)
{
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    QCoreApplication::setOrganizationName(QStringLiteral("vorn-tests"));
    QCoreApplication::setApplicationName(QStringLiteral("capture-diagnostics-off"));
    QSettings().setValue(CaptureDiagnostics::settingKey, false);

    int built = 0;
    CaptureDiagnostics::log([&] { return QString::number(++built); });
    EXPECT_FALSE(CaptureDiagnostics::isEnabled());

    QSettings().setValue(CaptureDiagnostics::settingKey, true);
    CaptureDiagnostics::log([&] { return QString::number(++built); });
    EXPECT_FALSE(CaptureDiagnostics::isEnabled());
    EXPECT_EQ(built, 0) << "no message is built while logging is off";
    EXPECT_EQ(CaptureDiagnostics::subsystem(), QStringLiteral("app.vorn.cite"));
    EXPECT_STREQ(CaptureDiagnostics::logger().categoryName(), "app.vorn.cite.capture");
}

#include "AppSettings.h"
#include "CaptureDiagnostics.h"

#include <gtest/gtest.h>

// The switch is read once: switching it on while the process runs changes nothing.
TEST(CaptureDiagnostics, SwitchReadAtFirstUseStaysForTheProcess)
{
    AppSettings::standardStore()->setValue(AppSettings::captureLoggingKey, false);

    int built = 0;
    CaptureDiagnostics::log([&] { return QString::number(++built); });
    EXPECT_FALSE(CaptureDiagnostics::isEnabled());

    AppSettings::standardStore()->setValue(AppSettings::captureLoggingKey, true);
    CaptureDiagnostics::log([&] { return QString::number(++built); });
    EXPECT_FALSE(CaptureDiagnostics::isEnabled());
    EXPECT_EQ(built, 0) << "no message is built while logging is off";
    EXPECT_EQ(CaptureDiagnostics::subsystem(), QStringLiteral("app.vorn.cite"));
    EXPECT_STREQ(CaptureDiagnostics::logger().categoryName(), "app.vorn.cite.capture");
}

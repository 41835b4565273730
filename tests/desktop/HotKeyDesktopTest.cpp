// Alt+Super+G on the X server of the headless desktop: the grab, presses typed with
// xdotool, and a second client that holds the shortcut already.
#include "OtherShortcutClient.h"
#include "X11GlobalHotKey.h"

#include <QGuiApplication>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

namespace {

bool xdotool(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    return process.waitForFinished(10000) && process.exitCode() == 0;
}

bool press(const QString& keys)
{
    return xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), keys});
}

class HotKeyDesktop : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (qEnvironmentVariable("DISPLAY").isEmpty() || QGuiApplication::platformName() != u"xcb")
            GTEST_SKIP() << "needs the X server of tests/desktop/run-desktop.sh";
        hotKey = X11GlobalHotKey::forApplication();
    }

    std::unique_ptr<X11GlobalHotKey> hotKey;
    int presses = 0;
};

} // namespace

TEST_F(HotKeyDesktop, PressesReachTheHandlerWhateverTheLockKeys)
{
    const auto report = hotKey->registerHotKey([this] { ++presses; });
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->availability, GlobalHotKeyAvailability::registered());
    EXPECT_TRUE(hotKey->isRegistered());

    ASSERT_TRUE(press(QStringLiteral("super+alt+g")));
    ASSERT_TRUE(QTest::qWaitFor([this] { return presses == 1; }, 5000));

    // Num Lock on: still the shortcut. Other modifiers added: not the shortcut.
    ASSERT_TRUE(press(QStringLiteral("Num_Lock")));
    ASSERT_TRUE(xdotool({QStringLiteral("key"), QStringLiteral("super+alt+g")}));
    ASSERT_TRUE(press(QStringLiteral("Num_Lock")));
    ASSERT_TRUE(QTest::qWaitFor([this] { return presses == 2; }, 5000));
    ASSERT_TRUE(press(QStringLiteral("ctrl+super+alt+g")));
    ASSERT_TRUE(press(QStringLiteral("alt+g")));
    QTest::qWait(300);
    EXPECT_EQ(presses, 2);

    // Registering again starts from a clean slate and is not refused by its own grab.
    EXPECT_EQ(hotKey->registerHotKey([this] { presses += 10; })->availability,
              GlobalHotKeyAvailability::registered());
    ASSERT_TRUE(press(QStringLiteral("super+alt+g")));
    ASSERT_TRUE(QTest::qWaitFor([this] { return presses == 12; }, 5000));

    hotKey->unregisterHotKey();
    EXPECT_FALSE(hotKey->isRegistered());
    EXPECT_EQ(hotKey->registrationReport(), GlobalHotKeyRegistrationReport{});
    ASSERT_TRUE(press(QStringLiteral("super+alt+g")));
    QTest::qWait(300);
    EXPECT_EQ(presses, 12) << "after unregister a press does nothing";
}

TEST_F(HotKeyDesktop, HeldByAnotherClientIsUnavailableWithBadAccess)
{
    OtherShortcutClient other;
    ASSERT_TRUE(other.grab());
    const auto report = hotKey->registerHotKey([this] { ++presses; });
    ASSERT_TRUE(report.has_value()) << "a refused shortcut is a report, not an error";
    EXPECT_EQ(report->availability, GlobalHotKeyAvailability::unavailable(10));
    EXPECT_FALSE(hotKey->isRegistered());
    EXPECT_EQ(GlobalHotKeyError::shortcutUnavailable(report->availability->status).errorDescription(),
              QStringLiteral(
                  "Alt+Super+G is already in use or unavailable (error 10). Quit VORN Lens or change its "
                  "shortcut."));

    // The variants that were free were given back: once the other client lets go,
    // nobody holds any part of the shortcut.
    other.release();
    OtherShortcutClient third;
    ASSERT_TRUE(third.grab(true));
    third.release(true);
    EXPECT_EQ(hotKey->registerHotKey([this] { ++presses; })->availability,
              GlobalHotKeyAvailability::registered());
}

TEST(HotKeyWithoutX11, AsksForADesktopShortcut)
{
    X11GlobalHotKey detached(nullptr, 0);
    const auto report = detached.registerHotKey([] {});
    ASSERT_FALSE(report.has_value());
    EXPECT_EQ(report.error(), GlobalHotKeyError::desktopShortcutRequired());
    EXPECT_TRUE(report.error().errorDescription().contains(QStringLiteral("\"vorn-cite --find-selection\"")));
    EXPECT_FALSE(detached.isRegistered());
}

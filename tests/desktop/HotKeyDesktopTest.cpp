// Alt+Super+G on the X server of the headless desktop: the grab, presses typed with
// xdotool, and a second client that holds the shortcut already.
#include "X11GlobalHotKey.h"

#include <QGuiApplication>
#include <QProcess>
#include <QTest>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <gtest/gtest.h>

#include <cstdlib>

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

// Another X client, on a connection of its own, that grabs Alt+Super+G first.
class OtherClient final
{
public:
    OtherClient() : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(m_connection))
            return;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(m_connection);
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, 0x0067);
        m_keycode = codes ? codes[0] : 0;
        std::free(codes);
        xcb_key_symbols_free(symbols);
    }
    ~OtherClient() { xcb_disconnect(m_connection); }
    OtherClient(const OtherClient&) = delete;
    OtherClient& operator=(const OtherClient&) = delete;

    // By default only the plain variant (no Lock, no NumLock), as many programs do;
    // with all, also the Lock and NumLock (Mod2) variants.
    bool grab(bool all = false)
    {
        for (const quint16 extra : masks(all)) {
            const xcb_void_cookie_t cookie =
                xcb_grab_key_checked(m_connection, 1, m_root, XCB_MOD_MASK_1 | XCB_MOD_MASK_4 | extra, m_keycode,
                                     XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
            xcb_generic_error_t* error = xcb_request_check(m_connection, cookie);
            const bool refused = error != nullptr;
            std::free(error);
            if (refused)
                return false;
        }
        return true;
    }
    void release(bool all = false)
    {
        for (const quint16 extra : masks(all))
            xcb_ungrab_key(m_connection, m_keycode, m_root, XCB_MOD_MASK_1 | XCB_MOD_MASK_4 | extra);
        xcb_aux_sync();
    }

private:
    static QList<quint16> masks(bool all)
    {
        if (!all)
            return {0};
        return {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
    }
    void xcb_aux_sync() { std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr)); }

    xcb_connection_t* m_connection;
    xcb_window_t m_root = 0;
    xcb_keycode_t m_keycode = 0;
};

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
    EXPECT_EQ(hotKey->registerHotKey([this] { presses += 10; })->availability, GlobalHotKeyAvailability::registered());
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
    OtherClient other;
    ASSERT_TRUE(other.grab());
    const auto report = hotKey->registerHotKey([this] { ++presses; });
    ASSERT_TRUE(report.has_value()) << "a refused shortcut is a report, not an error";
    EXPECT_EQ(report->availability, GlobalHotKeyAvailability::unavailable(10));
    EXPECT_FALSE(hotKey->isRegistered());
    EXPECT_EQ(GlobalHotKeyError::shortcutUnavailable(report->availability->status).errorDescription(),
              QStringLiteral("Alt+Super+G is already in use or unavailable (error 10). Quit VORN Lens or change its "
                             "shortcut."));

    // The variants that were free were given back: once the other client lets go,
    // nobody holds any part of the shortcut.
    other.release();
    OtherClient third;
    ASSERT_TRUE(third.grab(true));
    third.release(true);
    EXPECT_EQ(hotKey->registerHotKey([this] { ++presses; })->availability, GlobalHotKeyAvailability::registered());
}
